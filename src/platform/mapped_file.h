// A shared read-write mapping of the whole of an existing file: changes made
// through data() go to the file, and other processes that map it see them.
#pragma once

#include <cstdint>
#include <string>

namespace quarvelin {

class MappedFile {
 public:
  MappedFile() = default;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile() { Close(); }

  // Opens the existing file at `path` for reading and writing, takes it for
  // this object alone (a second Open of the file, from this process or
  // another, fails with kInUse until Close), makes sure every block of it is
  // allocated on disk, so that writing through the view cannot fail for want
  // of space, and maps all of it. `mappingName` names the mapping where the
  // platform has named mappings. On failure returns false, leaves the object
  // closed, sets failure() and describes why in `error` (in English, for
  // logs; callers show their own texts).
  bool Open(const std::string& path, const char* mappingName, std::string* error);

  enum class Failure {
    kNone,
    kUnavailable,  // missing, not a regular file, empty, not writable, not mappable
    kInUse,        // another open holds it
    kNoSpace,      // the disk cannot hold its blocks
    kTooLarge,     // opened, but the process has no room to map it whole
  };
  Failure failure() const { return failure_; }

  // Unmaps the view, then closes the mapping and the file. Changed pages reach
  // the file through the platform's cache.
  void Close();

  bool isOpen() const { return data_ != nullptr; }
  uint8_t* data() const { return data_; }
  uint64_t size() const { return size_; }

 private:
  uint8_t* data_ = nullptr;
  uint64_t size_ = 0;
  intptr_t file_ = -1;
  [[maybe_unused]] intptr_t mapping_ = -1;  // the Windows mapping object; POSIX needs none
  Failure failure_ = Failure::kNone;
};

}  // namespace quarvelin
