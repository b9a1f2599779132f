#include "platform/system.h"

#include <windows.h>
#include <io.h>

#include <ctime>
#include <vector>

#include "platform/wide_text_win32.h"

namespace quarvelin {

namespace {

constexpr UINT kGbkCodePage = 936;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool FileAttributes(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
  return ::GetFileAttributesExW(WidenPath(path).c_str(), GetFileExInfoStandard, &data) != 0;
}

}  // namespace

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

std::string Narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int size = static_cast<int>(utf16.size());
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

std::wstring WidenPath(std::string_view path) {
  const int size = static_cast<int>(path.size());
  if (size == 0 || ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), size, nullptr, 0) > 0) {
    return Widen(path);
  }
  const int length = ::MultiByteToWideChar(CP_ACP, 0, path.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, path.data(), size, wide.data(), length);
  return wide;
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) > 0x7F) return false;
  }
  return true;
}

int64_t CalendarSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

std::string ExecutableDirectory() {
  // The path may exceed MAX_PATH; grow until GetModuleFileNameW stops
  // truncating. Whatever the program's name or its case, the directory is all
  // before the last separator.
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      std::wstring path(buffer.data(), n);
      size_t end = path.size();
      while (end > 0 && !IsSeparator(path[end - 1])) --end;
      if (end == 0) return {};
      // Keep the separator of a drive's root ("C:\"), drop any other.
      if (end > 1 && path[end - 2] != L':') --end;
      return Narrow(std::wstring_view(path).substr(0, end));
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string ToGbk(std::string_view utf8) {
  // One '?' for each character that GBK lacks, as on Linux: a character
  // outside the basic plane is one '?', not one for each half of its pair,
  // and nothing is replaced by a look-alike.
  std::wstring wide = Widen(utf8);
  std::wstring single;
  single.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    const bool pair = IS_HIGH_SURROGATE(wide[i]) && i + 1 < wide.size() && IS_LOW_SURROGATE(wide[i + 1]);
    single.push_back(pair ? L'?' : wide[i]);
    if (pair) ++i;
  }
  if (single.empty()) return {};
  const int size = static_cast<int>(single.size());
  const int length =
      ::WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, single.data(), size, nullptr, 0, "?", nullptr);
  std::string gbk(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, single.data(), size, gbk.data(), length, "?", nullptr);
  return gbk;
}

std::string JoinPath(std::string_view directory, std::string_view name) {
  std::string path(directory);
  if (!path.empty() && path.back() != '\\' && path.back() != '/') path.push_back('\\');
  path.append(name);
  return path;
}

// Windows compares file names without regard to case, so every spelling
// already reaches the one entry.
std::string ResolvePathCase(std::string_view path) { return std::string(path); }

std::string ProjectFilePath(std::string_view projectDirectory, std::string_view pmapSpelling,
                            std::string_view fileName) {
  return JoinPath(JoinPath(projectDirectory, pmapSpelling), fileName);
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return ::_wfopen(WidenPath(path).c_str(), Widen(mode).c_str());
}

bool IsTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

void UseUtf8Console() { ::SetConsoleOutputCP(CP_UTF8); }

bool IsDirectory(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return FileAttributes(path, data) && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsRegularFile(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return FileAttributes(path, data) &&
         (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

int64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!FileAttributes(path, data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool PathTooLong(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (FileAttributes(path, data)) return false;
  const DWORD code = ::GetLastError();
  return code == ERROR_FILENAME_EXCED_RANGE || code == ERROR_BUFFER_OVERFLOW;
}

bool RemoveFile(const std::string& path) {
  if (::DeleteFileW(WidenPath(path).c_str())) return true;
  const DWORD code = ::GetLastError();
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

std::vector<std::string> FoldersNamedIgnoringCase(const std::string& directory, std::string_view name) {
  // Names differing only in case reach one folder here; the system says
  // which spelling it has.
  std::vector<std::string> folders;
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileW(WidenPath(JoinPath(directory, name)).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return folders;
  if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) folders.push_back(Narrow(found.cFileName));
  ::FindClose(search);
  return folders;
}

}  // namespace quarvelin
