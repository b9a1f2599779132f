#include "platform/mapped_file.h"

#include <windows.h>
#include <winioctl.h>

#include <cstdint>

#include "platform/wide_text_win32.h"

namespace quarvelin {

namespace {

constexpr intptr_t kNone = -1;

HANDLE AsHandle(intptr_t value) { return reinterpret_cast<HANDLE>(value); }
intptr_t FromHandle(HANDLE handle) { return reinterpret_cast<intptr_t>(handle); }

std::string LastErrorText(const char* what) {
  const DWORD code = ::GetLastError();
  wchar_t* text = nullptr;
  ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), reinterpret_cast<wchar_t*>(&text),
                   0, nullptr);
  std::string message = std::string(what) + ": error " + std::to_string(code);
  if (text) {
    std::string detail = Narrow(text);
    while (!detail.empty() && (detail.back() == '\n' || detail.back() == '\r')) detail.pop_back();
    message += " (" + detail + ")";
    ::LocalFree(text);
  }
  return message;
}

// Other processes may write the table while the build holds it, but not read
// it; the read-ahead suits the import's and the writers' sweeps. The ANSI call
// is kept for plain paths; others go through the wide one so that any folder
// name opens.
HANDLE OpenTableFile(const std::string& path) {
  constexpr DWORD kAccess = GENERIC_READ | GENERIC_WRITE;
  constexpr DWORD kFlags = FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL;
  if (IsAscii(path)) {
    return ::CreateFileA(path.c_str(), kAccess, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, kFlags, nullptr);
  }
  return ::CreateFileW(WidenPath(path).c_str(), kAccess, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, kFlags, nullptr);
}

// The named mapping lets other processes see the tables while the build runs.
// When the name is already taken, the existing object is some other mapping,
// possibly of another project's file: writing into it would corrupt that file,
// so the table is then mapped without a name.
HANDLE CreateTableMapping(HANDLE file, const char* name) {
  ::SetLastError(ERROR_SUCCESS);
  HANDLE mapping = ::CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, name);
  if (mapping && name && ::GetLastError() == ERROR_ALREADY_EXISTS) {
    ::CloseHandle(mapping);
    mapping = ::CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
  }
  return mapping;
}

// A sparse file gets its clusters only as pages are written back, and on a
// full disk that write fails half way through the tables. Clearing the
// sparse attribute allocates them now, or fails while nothing is written.
bool AllocateAll(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(file, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_SPARSE_FILE)) return true;
  FILE_SET_SPARSE_BUFFER dense{};
  dense.SetSparse = FALSE;
  DWORD returned = 0;
  if (::DeviceIoControl(file, FSCTL_SET_SPARSE, &dense, sizeof dense, nullptr, 0, &returned, nullptr)) return true;
  // A system that cannot clear the attribute leaves the file as it was.
  const DWORD code = ::GetLastError();
  return code != ERROR_DISK_FULL && code != ERROR_HANDLE_DISK_FULL;
}

}  // namespace

bool MappedFile::Open(const std::string& path, const char* mappingName, std::string* error) {
  Close();
  auto fail = [&](const std::string& what, Failure failure = Failure::kUnavailable) {
    if (error) *error = what;
    Close();
    failure_ = failure;
    return false;
  };
  // The share mode keeps every other build out: it opens for reading, which
  // this open does not share.
  HANDLE file = OpenTableFile(path);
  if (file == INVALID_HANDLE_VALUE) {
    const bool inUse = ::GetLastError() == ERROR_SHARING_VIOLATION;
    return fail(LastErrorText("CreateFile"), inUse ? Failure::kInUse : Failure::kUnavailable);
  }
  file_ = FromHandle(file);
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file, &size)) return fail(LastErrorText("GetFileSizeEx"));
  if (size.QuadPart == 0) return fail("empty file");
  if (!AllocateAll(file)) return fail(LastErrorText("FSCTL_SET_SPARSE"), Failure::kNoSpace);
  // A 32-bit process fails here for want of address space to view the file.
  if (static_cast<uint64_t>(size.QuadPart) > SIZE_MAX) return fail("file larger than the address space", Failure::kTooLarge);
  HANDLE mapping = CreateTableMapping(file, mappingName);
  if (!mapping) return fail(LastErrorText("CreateFileMapping"), Failure::kTooLarge);
  mapping_ = FromHandle(mapping);
  void* view = ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
  if (!view) return fail(LastErrorText("MapViewOfFile"), Failure::kTooLarge);
  data_ = static_cast<uint8_t*>(view);
  size_ = static_cast<uint64_t>(size.QuadPart);
  failure_ = Failure::kNone;
  return true;
}

void MappedFile::Close() {
  if (data_) ::UnmapViewOfFile(data_);
  data_ = nullptr;
  size_ = 0;
  if (mapping_ != kNone) ::CloseHandle(AsHandle(mapping_));
  mapping_ = kNone;
  if (file_ != kNone) ::CloseHandle(AsHandle(file_));
  file_ = kNone;
}

}  // namespace quarvelin
