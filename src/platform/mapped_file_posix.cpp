#include "platform/mapped_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace quarvelin {

bool MappedFile::Open(const std::string& path, const char* /*mappingName*/, std::string* error) {
  Close();
  auto fail = [&](const char* what, Failure failure = Failure::kUnavailable) {
    if (error) *error = std::string(what) + ": " + std::strerror(errno);
    if (file_ >= 0) ::close(static_cast<int>(file_));
    file_ = -1;
    failure_ = failure;
    return false;
  };
  int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return fail("open");
  file_ = fd;
  struct stat st {};
  if (::fstat(fd, &st) != 0) return fail("fstat");
  if (!S_ISREG(st.st_mode)) {
    errno = EINVAL;
    return fail("not a regular file");
  }
  if (st.st_size == 0) {
    errno = EINVAL;
    return fail("empty file");
  }
  // Advisory: it keeps out every other build, which locks the same way. A
  // file system without locks leaves the file unlocked rather than unusable.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) return fail("flock", Failure::kInUse);
  // A sparse file (as a host may create the triangle table) gets its blocks
  // only when a page is written back; on a full disk that write would kill
  // the process half way through the tables. File systems that cannot
  // allocate ahead are written as before.
  int allocated;
  do {
    allocated = ::posix_fallocate(fd, 0, st.st_size);
  } while (allocated == EINTR);
  if (allocated == ENOSPC || allocated == EDQUOT || allocated == EFBIG) {
    errno = allocated;
    return fail("posix_fallocate", Failure::kNoSpace);
  }
  if (static_cast<uint64_t>(st.st_size) > SIZE_MAX) return fail("file larger than the address space", Failure::kTooLarge);
  void* view = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (view == MAP_FAILED) return fail("mmap", errno == ENOMEM ? Failure::kTooLarge : Failure::kUnavailable);
  ::posix_madvise(view, static_cast<size_t>(st.st_size), POSIX_MADV_SEQUENTIAL);
  data_ = static_cast<uint8_t*>(view);
  size_ = static_cast<uint64_t>(st.st_size);
  failure_ = Failure::kNone;
  return true;
}

void MappedFile::Close() {
  if (data_) ::munmap(data_, size_);
  data_ = nullptr;
  size_ = 0;
  if (file_ >= 0) ::close(static_cast<int>(file_));
  file_ = -1;
}

}  // namespace quarvelin
