// The POSIX calls that the shared test helpers use, in their Windows form,
// for the cross-compiled test programs only.
#pragma once

#ifdef __cplusplus
#include <cerrno>
#include <cstring>
#include <direct.h>
#include <ctime>
#include <process.h>

// Replaces the trailing XXXXXX of `pattern` until a new folder of that name
// can be made; as mkdtemp, returns `pattern` or nullptr.
inline char* mkdtemp(char* pattern) {
  const size_t length = std::strlen(pattern);
  if (length < 6 || std::strcmp(pattern + length - 6, "XXXXXX") != 0) {
    errno = EINVAL;
    return nullptr;
  }
  static unsigned counter = 0;
  const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  for (int attempt = 0; attempt < 1000; ++attempt) {
    unsigned value = static_cast<unsigned>(_getpid()) * 7919u + static_cast<unsigned>(std::clock()) + ++counter * 104729u;
    for (size_t i = length - 6; i < length; ++i, value /= 36) pattern[i] = digits[value % 36];
    if (_mkdir(pattern) == 0) return pattern;
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}
#endif
