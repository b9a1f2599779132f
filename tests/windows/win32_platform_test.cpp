// The Windows forms of the platform layer: the named table mappings, paths
// with Chinese names through the wide API, GBK through code page 936.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/mapped_file.h"
#include "platform/system.h"
#include "platform/wide_text_win32.h"

namespace quarvelin {
namespace {

class Win32Folder : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder_ = Narrow(temp) + "测区 " + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(Widen(folder_).c_str(), nullptr));
  }
  void TearDown() override {
    for (const char* name : {"a.tri", "b.tri", "empty.tri"}) DeleteFileW(Widen(JoinPath(folder_, name)).c_str());
    RemoveDirectoryW(Widen(folder_).c_str());
  }
  std::string WriteFile(const char* name, const std::string& bytes) {
    const std::string path = JoinPath(folder_, name);
    std::FILE* f = OpenFile(path, "wb");
    EXPECT_NE(f, nullptr) << path;
    if (f) {
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
    return path;
  }
  std::string ReadFile(const std::string& path) {
    std::string bytes;
    if (std::FILE* f = OpenFile(path, "rb")) {
      char chunk[256];
      size_t n;
      while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
      std::fclose(f);
    }
    return bytes;
  }
  std::string folder_;
};

TEST_F(Win32Folder, FilesInAChineseFolderOpenAndMap) {
  const std::string path = WriteFile("a.tri", "0123456789");
  EXPECT_TRUE(IsDirectory(folder_));
  EXPECT_TRUE(IsRegularFile(path));
  EXPECT_FALSE(IsRegularFile(folder_));
  EXPECT_EQ(FileSize(path), 10);
  EXPECT_EQ(FileSize(folder_), -1);
  MappedFile table;
  std::string error;
  ASSERT_TRUE(table.Open(path, "MemMapT", &error)) << error;
  ASSERT_EQ(table.size(), 10u);
  table.data()[0] = 'X';
  table.Close();
  EXPECT_EQ(ReadFile(path), "X123456789");
}

// While the build holds a table, others may open it to write but not to read.
TEST_F(Win32Folder, TableIsSharedForWritingOnly) {
  const std::string path = WriteFile("a.tri", "abc");
  MappedFile table;
  std::string error;
  ASSERT_TRUE(table.Open(path, "MemMapT", &error)) << error;
  HANDLE reader = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(reader, INVALID_HANDLE_VALUE);
  if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
  HANDLE writer = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(writer, INVALID_HANDLE_VALUE);
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
}

// Another mapping under the same name must not be written in place of the
// file that was asked for.
TEST_F(Win32Folder, ATakenMappingNameNeverAliasesAnotherFile) {
  const std::string first = WriteFile("a.tri", "aaaa"), second = WriteFile("b.tri", "bbbb");
  MappedFile a, b;
  std::string error;
  ASSERT_TRUE(a.Open(first, "MemMapping", &error)) << error;
  ASSERT_TRUE(b.Open(second, "MemMapping", &error)) << error;
  EXPECT_EQ(std::memcmp(b.data(), "bbbb", 4), 0);
  b.data()[0] = 'B';
  EXPECT_EQ(a.data()[0], 'a');
  a.Close();
  b.Close();
  EXPECT_EQ(ReadFile(first), "aaaa");
  EXPECT_EQ(ReadFile(second), "Bbbb");
}

TEST_F(Win32Folder, MissingOrEmptyFilesAreRefused) {
  MappedFile table;
  std::string error;
  EXPECT_FALSE(table.Open(JoinPath(folder_, "missing.tri"), "MemMapT", &error));
  EXPECT_FALSE(error.empty());
  error.clear();
  EXPECT_FALSE(table.Open(WriteFile("empty.tri", ""), "MemMapT", &error));
  EXPECT_EQ(error, "empty file");
  EXPECT_FALSE(table.isOpen());
}

// A host writes workdir in the ANSI code page; such a path is not UTF-8 and
// must still reach its folder, as the ANSI file calls would.
TEST(Win32Paths, PathsInTheAnsiCodePageOpen) {
  const std::string ansi = "\xB2\xE2\xC7\xF8";  // 测区 in GBK
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + WidenPath(ansi);
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  const std::string path = JoinPath(Narrow(temp), ansi);
  EXPECT_TRUE(IsDirectory(path));
  std::FILE* f = OpenFile(JoinPath(path, "TIN.inf"), "wb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_EQ(FileSize(JoinPath(path, "TIN.inf")), 0);
  DeleteFileW((folder + L"\\TIN.inf").c_str());
  RemoveDirectoryW(folder.c_str());
}

TEST(Win32Paths, JoinWithBackslashesAndFindTheProgramsFolder) {
  EXPECT_EQ(JoinPath("C:\\survey", "workdir"), "C:\\survey\\workdir");
  EXPECT_EQ(JoinPath("C:\\survey\\", "workdir"), "C:\\survey\\workdir");
  EXPECT_EQ(ProjectFilePath("D:\\My Project", "pmap", "TIN.tri"), "D:\\My Project\\pmap\\TIN.tri");
  wchar_t module[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring expected(module, n);
  expected.resize(expected.find_last_of(L"\\/"));
  EXPECT_EQ(ExecutableDirectory(), Narrow(expected));
}

TEST(Win32Gbk, SameBytesAsOnLinux) {
  EXPECT_EQ(ToGbk("已经成功构建TIN..."), "\xD2\xD1\xBE\xAD\xB3\xC9\xB9\xA6\xB9\xB9\xBD\xA8TIN...");
  EXPECT_EQ(ToGbk("01小时02分05秒"), "01\xD0\xA1\xCA\xB1" "02\xB7\xD6" "05\xC3\xEB");
  EXPECT_EQ(ToGbk("a\xF0\x9F\x98\x80" "b"), "a?b");  // outside the basic plane: one '?'
  EXPECT_EQ(ToGbk("\xC3\x85"), "?");                 // no look-alike 'A' for the ring A
  EXPECT_EQ(ToGbk("\xE2\x82\xAC\xC3\xA9"), "\x80\xA8\xA6");  // euro sign and e acute are in GBK
  EXPECT_EQ(ToGbk(""), "");
}

}  // namespace
}  // namespace quarvelin
