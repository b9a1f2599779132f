// The platform services the build leans on: project paths found whatever the
// case of their components, GBK texts for the host, and the shared mapping
// of a table file.
#include <gtest/gtest.h>

#include <string>

#include "platform/mapped_file.h"
#include "platform/system.h"
#include "support/project_fixture.h"

namespace quarvelin {
namespace {

using testing::TempDirectory;

TEST(ProjectPaths, ComponentsAreFoundWhateverTheirCase) {
  TempDirectory dir;
  const auto project = dir.path() / "Road Survey";
  std::filesystem::create_directories(project / "pmap");
  ASSERT_TRUE(testing::WriteBytes(project / "pmap" / "ptindex.IDX", "5", 1));
  const std::string root = dir.path().string();
  const std::string expected = (project / "pmap" / "ptindex.IDX").string();

  EXPECT_EQ(ProjectFilePath(project.string(), "PMAP", "PtIndex.idx"), expected);
  EXPECT_EQ(ProjectFilePath(project.string(), "pmap", "PTINDEX.idx"), expected);
  EXPECT_EQ(ResolvePathCase(root + "/ROAD SURVEY/PMap/PtIndex.Idx"), expected);
  EXPECT_EQ(ResolvePathCase(root + "//road survey/PMAP/ptindex.idx"), expected);
  // A file that does not exist yet keeps the spelling it is to be created with.
  EXPECT_EQ(ProjectFilePath(project.string(), "PMAP", "TIN.inf"), (project / "pmap" / "TIN.inf").string());
  EXPECT_EQ(ResolvePathCase(root + "/nothing/PMAP/TIN.inf"), root + "/nothing/PMAP/TIN.inf");
}

TEST(ProjectPaths, AnExactSpellingWinsAndOtherwiseTheFirstInByteOrder) {
  TempDirectory dir;
  std::filesystem::create_directories(dir.path() / "pmap");
  std::filesystem::create_directories(dir.path() / "PMAP");
  std::filesystem::create_directories(dir.path() / "Pmap");
  EXPECT_EQ(ProjectFilePath(dir.path().string(), "pmap", "x"), (dir.path() / "pmap" / "x").string());
  EXPECT_EQ(ProjectFilePath(dir.path().string(), "PMAP", "x"), (dir.path() / "PMAP" / "x").string());
  EXPECT_EQ(ProjectFilePath(dir.path().string(), "pMaP", "x"), (dir.path() / "PMAP" / "x").string());
}

TEST(ProjectPaths, FilesAndFolders) {
  TempDirectory dir;
  ASSERT_TRUE(testing::WriteBytes(dir.path() / "f", "abc", 3));
  EXPECT_EQ(FileSize((dir.path() / "f").string()), 3);
  EXPECT_EQ(FileSize(dir.path().string()), -1);
  EXPECT_EQ(FileSize((dir.path() / "g").string()), -1);
  EXPECT_TRUE(IsDirectory(dir.path().string()));
  EXPECT_FALSE(IsDirectory((dir.path() / "f").string()));
  EXPECT_TRUE(IsRegularFile((dir.path() / "f").string()));
  EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");
  EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
  EXPECT_FALSE(ExecutableDirectory().empty());
}

TEST(GbkText, SystemTextsBecomeGbkBytes) {
  EXPECT_EQ(ToGbk("01小时02分05秒"), "01\xD0\xA1\xCA\xB1" "02\xB7\xD6" "05\xC3\xEB");
  EXPECT_EQ(ToGbk("200个三角形  / 秒"), "200\xB8\xF6\xC8\xFD\xBD\xC7\xD0\xCE  / \xC3\xEB");
  EXPECT_EQ(ToGbk("plain\r\n"), "plain\r\n");
  EXPECT_EQ(ToGbk(std::string(1000, 'a') + "秒"), std::string(1000, 'a') + "\xC3\xEB");
  // A character GBK lacks, and a broken sequence, each become '?'.
  EXPECT_EQ(ToGbk("a\xF0\x9F\x98\x80" "b"), "a?b");
  EXPECT_EQ(ToGbk("a\xFF" "b"), "a?b");
}

TEST(MappedFile, ChangesReachTheFile) {
  TempDirectory dir;
  const auto path = dir.path() / "TIN.tri";
  ASSERT_TRUE(testing::WriteBytes(path, "0123456789", 10));
  {
    MappedFile file;
    std::string error;
    ASSERT_TRUE(file.Open(path.string(), "MemMapT", &error)) << error;
    EXPECT_EQ(file.size(), 10u);
    file.data()[3] = 'x';
    file.Close();
    EXPECT_FALSE(file.isOpen());
  }
  EXPECT_EQ(testing::ReadFileBytes(path), "012x456789");
}

TEST(MappedFile, MissingEmptyAndFolderAreRefused) {
  TempDirectory dir;
  ASSERT_TRUE(testing::WriteBytes(dir.path() / "empty", nullptr, 0));
  MappedFile file;
  std::string error;
  EXPECT_FALSE(file.Open((dir.path() / "missing").string(), "MemMapping", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(file.Open((dir.path() / "empty").string(), "MemMapping", &error));
  EXPECT_FALSE(file.Open(dir.path().string(), "MemMapping", &error));
  EXPECT_FALSE(file.isOpen());
}

}  // namespace
}  // namespace quarvelin
