#include "platform/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quarvelin {

bool MappedFile::Open(const std::string& path, const char* /*mappingName*/, std::string* error) {
  Close();
  auto fail = [&](const char* what) {
    if (error) *error = std::string(what) + ": " + std::strerror(errno);
    if (file_ >= 0) ::close(static_cast<int>(file_));
    file_ = -1;
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
  void* view = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (view == MAP_FAILED) return fail("mmap");
  ::posix_madvise(view, static_cast<size_t>(st.st_size), POSIX_MADV_SEQUENTIAL);
  data_ = static_cast<uint8_t*>(view);
  size_ = static_cast<uint64_t>(st.st_size);
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
