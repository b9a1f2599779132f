// The console front end end to end: projects made by quarvelin-prepare,
// built by quarvelin-cli, checked byte by byte.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "store/records.h"
#include "support/project_fixture.h"
#include "support/tool_projects.h"

namespace quarvelin {
namespace {

namespace fs = std::filesystem;
using testing::ProgramResult;
using testing::ReadFileBytes;
using testing::RunProgram;
using testing::TempDirectory;

const fs::path kRoadSurvey = testing::SourceDirectory() / "data" / "m3_terrain" / "points.xyz";

ProgramResult Prepare(const fs::path& points, const fs::path& project, const fs::path& install) {
  return RunProgram("quarvelin-prepare",
                    {"--quiet", "--points", points.string(), "--project", project.string(), "--workdir", install.string()});
}

std::vector<PointRecord> ReadPoints(const fs::path& path) {
  const std::string bytes = ReadFileBytes(path);
  std::vector<PointRecord> points(bytes.size() / sizeof(PointRecord));
  std::memcpy(points.data(), bytes.data(), points.size() * sizeof(PointRecord));
  return points;
}

TEST(Cli, BuildsTheRoadSurvey) {
  TempDirectory dir;
  const fs::path project = dir.path() / "road survey";
  ASSERT_EQ(Prepare(kRoadSurvey, project, dir.path()).status, 0);
  const fs::path pointFile = project / "PMAP" / "Point.xyz";

  // Sentinels the build must leave: both reserved words of every record and
  // every nextInCell (only links to a successor may be written).
  std::vector<PointRecord> before = ReadPoints(pointFile);
  ASSERT_EQ(before.size(), 14235u + 4);
  for (size_t i = 0; i < before.size(); ++i) {
    std::memset(before[i].reserved0, 0xC7, 4);
    std::memset(before[i].reserved1, 0x3E, 4);
    before[i].nextInCell = -1000 - static_cast<int32_t>(i);
  }
  ASSERT_TRUE(testing::WriteBytes(pointFile, before.data(), before.size() * sizeof(PointRecord)));

  ProgramResult run = RunProgram("quarvelin-cli", {"--install-dir", dir.path().string(), "--quiet"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("14235"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("重复点"), std::string::npos) << run.out;

  const std::string info = ReadFileBytes(project / "PMAP" / "TIN.inf");
  EXPECT_EQ(info.substr(0, 17), "14235  28471\r\n0\r\n");
  // Four lines, each ended by CR LF, the texts in GBK.
  size_t lines = 0;
  for (size_t k = 0; k < info.size(); ++k) {
    if (info[k] == '\n') {
      ++lines;
      EXPECT_EQ(info[k - 1], '\r');
    }
  }
  EXPECT_EQ(lines, 4u);
  EXPECT_NE(info.find("\xD0\xA1\xCA\xB1"), std::string::npos);  // 小时

  const std::vector<PointRecord> after = ReadPoints(pointFile);
  ASSERT_EQ(after.size(), before.size());
  size_t lastOfCell = 0;
  for (size_t i = 0; i < after.size(); ++i) {
    ASSERT_EQ(std::memcmp(after[i].reserved0, before[i].reserved0, 4), 0) << i;
    ASSERT_EQ(std::memcmp(after[i].reserved1, before[i].reserved1, 4), 0) << i;
    if (after[i].nextInCell == before[i].nextInCell) ++lastOfCell;
    if (i >= 4) {
      EXPECT_GE(after[i].incidentTriangle, 0) << i;
    }
  }
  // The frame corners and the last point of each occupied cell keep theirs.
  EXPECT_GT(lastOfCell, 4u);
  EXPECT_LT(lastOfCell, 1000u);
}

TEST(Cli, RepeatedPointsAreSkippedAndCounted) {
  TempDirectory dir;
  std::string text;
  for (int i = 0; i < 400; ++i) {
    const std::string line = std::to_string(1000 + (i * 37) % 211) + "." + std::to_string(i % 10) + " " +
                             std::to_string(2000 + (i * 53) % 197) + ".5 " + std::to_string(i) + "\n";
    text += line;
    if (i % 20 == 0) text += line;  // the same x and y once more
  }
  ASSERT_TRUE(testing::WriteBytes(dir.path() / "points.txt", text.data(), text.size()));
  ASSERT_EQ(Prepare(dir.path() / "points.txt", dir.path() / "p", dir.path()).status, 0);
  ProgramResult run = RunProgram("quarvelin-cli", {"--project", (dir.path() / "p").string(), "--quiet"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("重复点（已跳过）：20\n"), std::string::npos) << run.out;
  EXPECT_EQ(ReadFileBytes(dir.path() / "p" / "PMAP" / "TIN.inf").substr(0, 10), "420  801\r\n");
}

TEST(Cli, ProgressAndMessagesGoToStandardError) {
  TempDirectory dir;
  ASSERT_TRUE(testing::WriteProjectFiles(dir.path() / "p", {{1, 1, 1}, {5, 3, 2}, {2, 7, 3}}));
  ProgramResult run = RunProgram("quarvelin-cli", {"--project", (dir.path() / "p").string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("正在构建TIN，请稍候..."), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("100%"), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("3"), std::string::npos);

  ProgramResult missing = RunProgram("quarvelin-cli", {"--project", (dir.path() / "none").string()});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("工程目录不存在"), std::string::npos) << missing.err;
  EXPECT_TRUE(missing.out.empty()) << missing.out;

  ProgramResult noWorkdir = RunProgram("quarvelin-cli", {"--install-dir", dir.path().string()});
  EXPECT_EQ(noWorkdir.status, 1);
  EXPECT_NE(noWorkdir.err.find("workdir"), std::string::npos) << noWorkdir.err;
}

TEST(Cli, FullDiskIsRefusedBeforeTheTablesAreWritten) {
  // 3000 points: 120 kB of points fit the 200 kB file system of a mount of
  // this process's own (root only), the 168 kB of the sparse TIN.tri do not.
  TempDirectory dir;
  std::vector<testing::SurveyXYZ> survey;
  for (int i = 0; i < 3000; ++i) survey.push_back({(i * 7919) % 1000 + 0.5, (i * 104729) % 997 + 0.25, 1});
  ASSERT_TRUE(testing::WriteProjectFiles(dir.path() / "p", survey));
  const std::string script =
      "mount -t tmpfs -o size=200k tmpfs \"$0\" 2>/dev/null || exit 77; cp -r \"$1\" \"$0/p\" && "
      "\"$2\" --project \"$0/p\"; echo \"status $?\"; "
      "cmp -s \"$1/PMAP/Point.xyz\" \"$0/p/PMAP/Point.xyz\" && echo points unchanged; true";
  fs::create_directory(dir.path() / "mount");
  ProgramResult run = testing::RunInstalled(
      "unshare", {"-m", "sh", "-c", script, (dir.path() / "mount").string(), (dir.path() / "p").string(),
                  (testing::BuildDirectory() / "quarvelin-cli").string()});
  if (run.status != 0) GTEST_SKIP() << "no mount of our own here: " << run.err;
  EXPECT_NE(run.out.find("status 1\npoints unchanged"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("磁盘空间不足"), std::string::npos) << run.err;
}

// What the console says where the dialog would stay silent or quietly
// substitute: contours asked for without fnum, a breakline file that SLine.txt
// names but that is missing, and a limit that falls back to 100.
TEST(Cli, SaysWhatTheDialogLeavesUnsaid) {
  TempDirectory dir;
  const fs::path project = dir.path() / "p";
  ASSERT_TRUE(testing::WriteProjectFiles(project, {{1, 1, 1}, {5, 3, 2}, {2, 7, 3}}));
  const std::string missing = (dir.path() / "lines.txt").string();
  ASSERT_TRUE(testing::WriteBytes(project / "PMAP" / "SLine.txt", missing.data(), missing.size()));

  ProgramResult noFnum = RunProgram("quarvelin-cli", {"--project", project.string(), "--contours", "--quiet"});
  EXPECT_EQ(noFnum.status, 1);
  EXPECT_NE(noFnum.err.find("未找到等高线文件：" + (project / "PMAP" / "fnum").string()), std::string::npos)
      << noFnum.err;
  EXPECT_FALSE(fs::exists(project / "PMAP" / "TIN.inf"));

  ProgramResult run = RunProgram("quarvelin-cli", {"--project", project.string(), "--max-edge", "abc"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("--max-edge 'abc' is not a number: using 100"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("未找到地性线文件：" + missing), std::string::npos) << run.err;
  ProgramResult low = RunProgram("quarvelin-cli", {"--project", project.string(), "--max-edge", "50", "--quiet"});
  EXPECT_EQ(low.err, "quarvelin-cli: --max-edge 50 is below 100: using 100\n");
  ProgramResult fine = RunProgram("quarvelin-cli", {"--project", project.string(), "--max-edge", "150.5", "--quiet"});
  EXPECT_EQ(fine.err, "");
}

TEST(Cli, TableTooLargeToMapIsNamedWithItsSize) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#endif
  // A 64 MB point table in a process allowed 48 MB of address space, as a
  // large project meets a 32-bit one.
  TempDirectory dir;
  const fs::path project = dir.path() / "p";
  ASSERT_TRUE(testing::WriteProjectFiles(project, {{1, 1, 1}, {5, 3, 2}, {2, 7, 3}}));
  fs::resize_file(project / "PMAP" / "Point.xyz", 64 << 20);
  ProgramResult run = testing::RunInstalled(
      "sh", {"-c", "ulimit -v 49152 && exec \"$0\" --project \"$1\" --quiet",
             (testing::BuildDirectory() / "quarvelin-cli").string(), project.string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("文件太大（67108864 字节），超出本程序可用的地址空间，无法映射到内存：" +
                         (project / "PMAP" / "Point.xyz").string()),
            std::string::npos)
      << run.err;
}

TEST(Cli, HelpAndUsageErrors) {
  ProgramResult help = RunProgram("quarvelin-cli", {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--max-edge"), std::string::npos);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--bogus"}, {"--project"}, {"--max-edge"}, {"--quiet=yes"}, {"stray"}, {"--sjw=1"}}) {
    ProgramResult r = RunProgram("quarvelin-cli", args);
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_NE(r.err.find("--help"), std::string::npos) << args[0];
    EXPECT_TRUE(r.out.empty()) << args[0];
  }
}

}  // namespace
}  // namespace quarvelin
