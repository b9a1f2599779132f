#include "platform/system.h"

#include <dirent.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <utility>
#include <vector>

namespace quarvelin {

int64_t CalendarSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

std::string ExecutableDirectory() {
  std::vector<char> buffer(4096);
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buffer.size()) {
      std::string path(buffer.data(), static_cast<size_t>(n));
      size_t slash = path.rfind('/');
      if (slash == std::string::npos) return {};
      return slash == 0 ? std::string("/") : path.substr(0, slash);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string ToGbk(std::string_view utf8) {
  iconv_t cd = ::iconv_open("GBK", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(utf8);
  std::string out;
  std::vector<char> input(utf8.begin(), utf8.end());
  char* in = input.data();
  size_t inLeft = input.size();
  char chunk[256];
  while (inLeft > 0) {
    char* o = chunk;
    size_t oLeft = sizeof chunk;
    size_t r = ::iconv(cd, &in, &inLeft, &o, &oLeft);
    out.append(chunk, static_cast<size_t>(o - chunk));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // An unconvertible or malformed sequence: one '?' for the character,
      // its continuation bytes skipped with it.
      out.push_back('?');
      do {
        ++in;
        --inLeft;
      } while (inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
    }
  }
  ::iconv_close(cd);
  return out;
}

std::string JoinPath(std::string_view directory, std::string_view name) {
  std::string path(directory);
  if (!path.empty() && path.back() != '/') path.push_back('/');
  path.append(name);
  return path;
}

namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
    if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca - 'A' + 'a');
    if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb - 'A' + 'a');
    if (ca != cb) return false;
  }
  return true;
}

// An entry of `directory` whose name equals `name` but for case; the first in
// byte order when there are several, so the choice does not depend on the
// order in which the file system lists them.
std::string FindIgnoringCase(const std::string& directory, std::string_view name) {
  DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
  if (!dir) return {};
  std::string best;
  while (dirent* entry = ::readdir(dir)) {
    std::string_view candidate(entry->d_name);
    if (SameIgnoringCase(candidate, name) && (best.empty() || candidate < best)) best = candidate;
  }
  ::closedir(dir);
  return best;
}

}  // namespace

std::string ResolvePathCase(std::string_view path) {
  if (path.empty() || Exists(std::string(path))) return std::string(path);
  std::string resolved;
  size_t pos = 0;
  if (path.front() == '/') {
    resolved = "/";
    pos = 1;
  }
  bool found = true;  // every component so far exists
  while (pos <= path.size()) {
    size_t slash = path.find('/', pos);
    if (slash == std::string_view::npos) slash = path.size();
    std::string_view name = path.substr(pos, slash - pos);
    pos = slash + 1;
    if (name.empty()) continue;
    std::string exact = resolved.empty() || resolved == "/" ? resolved + std::string(name)
                                                            : resolved + "/" + std::string(name);
    if (found && !Exists(exact) && name != "." && name != "..") {
      std::string other = FindIgnoringCase(resolved.empty() ? "." : resolved, name);
      if (!other.empty()) {
        exact = resolved.empty() || resolved == "/" ? resolved + other : resolved + "/" + other;
      } else {
        found = false;
      }
    }
    resolved = exact;
  }
  return resolved;
}

std::string ProjectFilePath(std::string_view projectDirectory, std::string_view pmapSpelling,
                            std::string_view fileName) {
  return ResolvePathCase(JoinPath(JoinPath(projectDirectory, pmapSpelling), fileName));
}

std::FILE* OpenFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

void UseUtf8Console() {}  // terminals here take UTF-8 as it is

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int64_t FileSize(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool PathTooLong(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) != 0 && errno == ENAMETOOLONG;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0 || errno == ENOENT; }

std::vector<std::string> FoldersNamedIgnoringCase(const std::string& directory, std::string_view name) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
  if (!dir) return names;
  while (dirent* entry = ::readdir(dir)) {
    if (SameIgnoringCase(entry->d_name, name)) names.emplace_back(entry->d_name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  // A link to a folder listed already is the same folder.
  std::vector<std::pair<dev_t, ino_t>> seen;
  std::vector<std::string> folders;
  for (const std::string& n : names) {
    struct stat st {};
    if (::stat(JoinPath(directory, n).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
    if (std::find(seen.begin(), seen.end(), std::make_pair(st.st_dev, st.st_ino)) != seen.end()) continue;
    seen.emplace_back(st.st_dev, st.st_ino);
    folders.push_back(n);
  }
  return folders;
}

}  // namespace quarvelin
