// Whole builds of project folders through BuildRun and BuildProject: the
// reports at their places, TIN.inf, the bytes the build must not touch, and
// every kind of bad input, each refused with a message and nothing written.
#include "build_run/build_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/mapped_file.h"
#include "store/records.h"
#include "support/project_fixture.h"
#include "support/tool_projects.h"

namespace quarvelin {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::RecordingReporter;
using testing::SurveyXYZ;
using testing::TempDirectory;
using testing::WriteBytes;

// Point 4 at the corner (500000, 3000000) of the box, the rest scattered
// over 300 x 100 metres.
std::vector<SurveyXYZ> Survey(int n) {
  std::mt19937 rng(static_cast<uint32_t>(n));
  std::uniform_real_distribution<double> u(0, 1);
  std::vector<SurveyXYZ> survey;
  for (int i = 0; i < n; ++i) {
    survey.push_back(i == 0 ? SurveyXYZ{500000, 3000000, 10} : SurveyXYZ{500000 + 300 * u(rng), 3000000 + 100 * u(rng), 10});
  }
  return survey;
}

std::string Pmap(const fs::path& project, const char* name) { return (project / "PMAP" / name).string(); }

// The calls from the first status to the end of point insertion.
std::vector<std::string> InsertionCalls(const RecordingReporter& r) {
  std::vector<std::string> calls;
  for (const std::string& c : r.calls) {
    if (c == "SetStatus 正在自动调整TIN边界..." || c.rfind("ShowMessage", 0) == 0) break;
    calls.push_back(c);
  }
  return calls;
}

// Every call of `expected` appears in `calls`, in this order.
bool InOrder(const std::vector<std::string>& calls, const std::vector<std::string>& expected) {
  size_t next = 0;
  for (const std::string& c : calls) {
    if (next < expected.size() && c == expected[next]) ++next;
  }
  return next == expected.size();
}

const std::vector<std::string> kTail = {"SetStatus 正在自动调整TIN边界...", "SetStatus 正在输出TIN数据...",
                                        "SetStatus 已经成功构建TIN...", "SetBarText 100%", "SetBarPos 100",
                                        "ShowSummary"};

TEST(BuildRun, ReportsOfAOnePointSurvey) {
  TempDirectory dir;
  ASSERT_TRUE(testing::WriteProjectFiles(dir.path(), Survey(1)));
  RecordingReporter r;
  BuildOutcome outcome = BuildProject(dir.path().string(), {}, r);
  EXPECT_TRUE(outcome.completed);
  // pointCount 5: the bar goes to 600 / 5 = 120 after the one point.
  EXPECT_EQ(InsertionCalls(r), (std::vector<std::string>{"SetStatus 正在导入数模原始数据...",
                                                         "SetStatus 正在构建TIN，请稍候...",
                                                         "SetCaptions 需处理的点数： 完成点数：", "SetTotal 5",
                                                         "ResetBar", "SetDone 5", "SetBarText 100%",
                                                         "SetBarPos 120"}));
  EXPECT_TRUE(InOrder(r.calls, kTail));
  ASSERT_EQ(r.summaries.size(), 1u);
  EXPECT_EQ(r.summaries[0].points, 1);
  EXPECT_EQ(r.summaries[0].triangles, 3);
  EXPECT_TRUE(r.messages.empty());
}

TEST(BuildRun, ReportsOnceASweepAndAtEveryPoint) {
  // Three points of one cell: three sweeps, done counter 5 -> 8.
  TempDirectory dir;
  ASSERT_TRUE(testing::WriteProjectFiles(dir.path(), {{10, 10, 1}, {20, 15, 2}, {15, 30, 3}}));
  RecordingReporter r;
  EXPECT_TRUE(BuildProject(dir.path().string(), {}, r).completed);
  const std::vector<std::string> calls = InsertionCalls(r);
  const std::vector<std::string> walk(calls.begin() + 5, calls.end());
  EXPECT_EQ(walk, (std::vector<std::string>{"SetDone 5", "SetBarText 71%", "SetBarPos 85", "SetDone 6",
                                            "SetBarText 85%", "SetBarPos 100", "SetDone 7", "SetBarText 100%",
                                            "SetBarPos 114"}));
  EXPECT_EQ(ReadFileBytes(Pmap(dir.path(), "TIN.inf")).substr(0, 8), "3  7\r\n0\r");
}

TEST(BuildRun, FrameOnlyRunsNoSweep) {
  TempDirectory dir;
  ASSERT_TRUE(testing::WriteProjectFiles(dir.path(), {}));
  RecordingReporter r;
  EXPECT_TRUE(BuildProject(dir.path().string(), {}, r).completed);
  const std::vector<std::string> calls = InsertionCalls(r);
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls.back(), "ResetBar");
  EXPECT_TRUE(InOrder(r.calls, kTail));
  for (const std::string& c : r.calls) {
    EXPECT_NE(c.rfind("SetDone", 0), 0u) << c;
    if (c.rfind("SetBarPos", 0) == 0) {
      EXPECT_EQ(c, "SetBarPos 100");
    }
  }
  ASSERT_EQ(r.summaries.size(), 1u);
  EXPECT_EQ(r.summaries[0].points, 0);
  EXPECT_EQ(r.summaries[0].triangles, 1);
}

TEST(BuildRun, BuildInfoIsGbkWithCrLf) {
  TempDirectory dir;
  ASSERT_TRUE(testing::WriteProjectFiles(dir.path(), Survey(40)));
  RecordingReporter r;
  BuildOptions options;
  options.contoursAsFeatureLines = false;
  ASSERT_TRUE(BuildProject(dir.path().string(), options, r).completed);
  ASSERT_EQ(r.summaries.size(), 1u);
  const BuildSummary& s = r.summaries[0];
  EXPECT_EQ(s.triangles, 81);
  const std::string expected = "40  81\r\n0\r\n" + std::string("00\xD0\xA1\xCA\xB1" "00\xB7\xD6") +
                               s.timeText.substr(s.timeText.size() - 5, 2) + "\xC3\xEB\r\n";
  const std::string info = ReadFileBytes(Pmap(dir.path(), "TIN.inf"));
  EXPECT_EQ(info.substr(0, expected.size()), expected);
  EXPECT_EQ(info.substr(info.size() - 2), "\r\n");
  EXPECT_NE(info.find("\xB8\xF6\xC8\xFD\xBD\xC7\xD0\xCE  / \xC3\xEB\r\n"), std::string::npos);
}

TEST(BuildRun, WorkdirNamesTheProjectWithDollarsForSpaces) {
  TempDirectory dir;
  const fs::path project = dir.path() / "My Road Project";
  ASSERT_TRUE(testing::WriteProjectFiles(project, Survey(5)));
  std::string word = project.string();
  for (char& c : word) c = c == ' ' ? '$' : c;
  const std::string text = "  " + word + "\r\nignored words\r\n";
  ASSERT_TRUE(WriteBytes(dir.path() / "workdir", text.data(), text.size()));
  RecordingReporter r;
  BuildOutcome outcome = BuildRun(dir.path().string(), {}, r);
  EXPECT_TRUE(outcome.completed) << (r.messages.empty() ? "" : r.messages[0]);
  EXPECT_TRUE(fs::exists(project / "PMAP" / "TIN.inf"));
}

TEST(BuildRun, PmapFoundInAnyCase) {
  TempDirectory dir;
  ASSERT_TRUE(testing::WriteProjectFiles(dir.path(), Survey(5)));
  fs::rename(dir.path() / "PMAP", dir.path() / "pmap");
  fs::rename(dir.path() / "pmap" / "PtIndex.idx", dir.path() / "pmap" / "ptindex.IDX");
  fs::rename(dir.path() / "pmap" / "TIN.tri", dir.path() / "pmap" / "tin.TRI");
  RecordingReporter r;
  EXPECT_TRUE(BuildProject(dir.path().string(), {}, r).completed);
  EXPECT_TRUE(r.messages.empty());
  EXPECT_TRUE(fs::exists(dir.path() / "pmap" / "TIN.inf"));
  EXPECT_FALSE(fs::exists(dir.path() / "PMAP"));
}

TEST(BuildRun, BytesTheBuildMustNotTouch) {
  // Sentinels in the reserved words of every record and in the nextInCell of
  // every point: only the links to a successor in the same cell may change.
  TempDirectory dir;
  const int n = 300;
  ASSERT_TRUE(testing::WriteProjectFiles(dir.path(), Survey(n)));
  const std::string path = Pmap(dir.path(), "Point.xyz");
  std::string bytes = ReadFileBytes(path);
  std::vector<PointRecord> before(bytes.size() / sizeof(PointRecord));
  std::memcpy(before.data(), bytes.data(), bytes.size());
  for (size_t i = 0; i < before.size(); ++i) {
    std::memset(before[i].reserved0, 0xA0 + static_cast<int>(i % 16), 4);
    std::memset(before[i].reserved1, 0x5B, 4);
    before[i].nextInCell = -77 - static_cast<int32_t>(i);
  }
  ASSERT_TRUE(WriteBytes(path, before.data(), before.size() * sizeof(PointRecord)));
  RecordingReporter r;
  ASSERT_TRUE(BuildProject(dir.path().string(), {}, r).completed);
  bytes = ReadFileBytes(path);
  ASSERT_EQ(bytes.size(), before.size() * sizeof(PointRecord));
  std::vector<PointRecord> after(before.size());
  std::memcpy(after.data(), bytes.data(), bytes.size());
  int links = 0;
  for (size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(std::memcmp(after[i].reserved0, before[i].reserved0, 4), 0) << i;
    EXPECT_EQ(std::memcmp(after[i].reserved1, before[i].reserved1, 4), 0) << i;
    EXPECT_EQ(std::memcmp(&after[i], &before[i], 24), 0) << "x, y, z of " << i;
    if (after[i].nextInCell != before[i].nextInCell) {
      ++links;
      EXPECT_GT(after[i].nextInCell, static_cast<int32_t>(i));  // lists run in ascending index
    }
    if (i < 4) {
      EXPECT_EQ(after[i].nextInCell, before[i].nextInCell) << "frame corner " << i;
    }
  }
  // 300 points over 300 x 100 metres: 4 x 2 cells at most; every point but
  // the last of each occupied cell gets a successor.
  EXPECT_GE(links, n - 8);
  EXPECT_LT(links, n);
}

// Bad input: the build ends after one message, writes no TIN.inf, and leaves
// the table files exactly as they were.
class BadProject : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(testing::WriteProjectFiles(dir.path(), Survey(20))); }

  void Write(const char* name, const std::string& text) {
    ASSERT_TRUE(WriteBytes(dir.path() / "PMAP" / name, text.data(), text.size()));
  }

  // Runs the build and returns its one message.
  std::string Refused() {
    const std::string points = ReadFileBytes(Pmap(dir.path(), "Point.xyz"));
    const std::string triangles = ReadFileBytes(Pmap(dir.path(), "TIN.tri"));
    RecordingReporter r;
    BuildOutcome outcome = BuildProject(dir.path().string(), {}, r);
    EXPECT_FALSE(outcome.completed);
    EXPECT_TRUE(r.summaries.empty());
    EXPECT_FALSE(fs::exists(dir.path() / "PMAP" / "TIN.inf"));
    EXPECT_FALSE(fs::exists(dir.path() / "PMAP" / "Grid.idx"));
    EXPECT_EQ(ReadFileBytes(Pmap(dir.path(), "Point.xyz")), points);
    EXPECT_EQ(ReadFileBytes(Pmap(dir.path(), "TIN.tri")), triangles);
    EXPECT_EQ(r.messages.size(), 1u);
    return r.messages.empty() ? "" : r.messages[0];
  }

  void SetPoint(int32_t index, double x, double y, double z = 10) {
    const std::string path = Pmap(dir.path(), "Point.xyz");
    std::string bytes = ReadFileBytes(path);
    const double xyz[3] = {x, y, z};
    std::memcpy(bytes.data() + index * sizeof(PointRecord), xyz, sizeof xyz);
    ASSERT_TRUE(WriteBytes(path, bytes.data(), bytes.size()));
  }

  void Truncate(const char* name, uintmax_t size) { fs::resize_file(dir.path() / "PMAP" / name, size); }

  TempDirectory dir;
};

TEST_F(BadProject, PointIndexMissingShowsItsPath) {
  fs::remove(dir.path() / "PMAP" / "PtIndex.idx");
  EXPECT_EQ(Refused(), Pmap(dir.path(), "PtIndex.idx"));
}

TEST_F(BadProject, PointIndexMalformed) {
  Write("PtIndex.idx", "24 500000 3000000 500300\r\n");
  EXPECT_NE(Refused().find("点索引文件格式有误"), std::string::npos);
  Write("PtIndex.idx", "24 500000 abc 500300 3000100\r\n");
  EXPECT_NE(Refused().find("点索引文件格式有误"), std::string::npos);
  Write("PtIndex.idx", "");
  EXPECT_NE(Refused().find("点索引文件格式有误"), std::string::npos);
}

TEST_F(BadProject, PointIndexCountOrBoxWrong) {
  Write("PtIndex.idx", "3 500000 3000000 500300 3000100\r\n");
  EXPECT_NE(Refused().find("点数有误"), std::string::npos);
  // More points than 32-bit triangle indices can number.
  Write("PtIndex.idx", "1073741828 500000 3000000 500300 3000100\r\n");
  EXPECT_NE(Refused().find("点数有误"), std::string::npos);
  Write("PtIndex.idx", "24 500300 3000000 500000 3000100\r\n");
  EXPECT_NE(Refused().find("坐标范围有误"), std::string::npos);
  Write("PtIndex.idx", "24 500000 3000000 inf 3000100\r\n");
  EXPECT_NE(Refused().find("坐标范围有误"), std::string::npos);
  Write("PtIndex.idx", "24 -1e5000 3000000 500300 3000100\r\n");  // -inf, as %lf reads it
  EXPECT_NE(Refused().find("坐标范围有误"), std::string::npos);
  // Finite bounds whose width overflows, or that need cells beyond 2^53.
  Write("PtIndex.idx", "24 -1e308 3000000 1e308 3000100\r\n");
  EXPECT_NE(Refused().find("坐标范围过大"), std::string::npos);
  Write("PtIndex.idx", "24 500000 3000000 1e20 3000100\r\n");
  EXPECT_NE(Refused().find("坐标范围过大"), std::string::npos);
}

TEST_F(BadProject, PointTableMissingOrUnmappable) {
  fs::remove(dir.path() / "PMAP" / "Point.xyz");
  const std::string missing = Refused();
  EXPECT_NE(missing.find("无法打开点数据文件"), std::string::npos);
  EXPECT_NE(missing.find("Point.xyz"), std::string::npos);
  Write("Point.xyz", "");  // an empty file cannot be mapped
  EXPECT_NE(Refused().find("无法打开点数据文件"), std::string::npos);
  fs::remove(dir.path() / "PMAP" / "Point.xyz");
  fs::create_directory(dir.path() / "PMAP" / "Point.xyz");
  EXPECT_NE(Refused().find("无法打开点数据文件"), std::string::npos);
}

TEST_F(BadProject, PointTableShorterThanTheCount) {
  Truncate("Point.xyz", 23 * sizeof(PointRecord) + 39);
  EXPECT_NE(Refused().find("点数据文件中的点少于点索引文件中的点数"), std::string::npos);
}

TEST_F(BadProject, TriangleTableMissingOrTooSmall) {
  fs::remove(dir.path() / "PMAP" / "TIN.tri");
  RecordingReporter r;
  EXPECT_FALSE(BuildProject(dir.path().string(), {}, r).completed);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_NE(r.messages[0].find("无法打开三角网文件"), std::string::npos);
  Write("TIN.tri", "");
  Truncate("TIN.tri", 41 * sizeof(TriangleRecord));  // one record short of 2 x 20 + 2
  EXPECT_NE(Refused().find("三角网文件太小"), std::string::npos);
}

TEST_F(BadProject, SurveyPointOutsideTheBox) {
  // Within one cell of the box is still filed into the grid; further out is
  // refused, naming the point.
  SetPoint(9, 500000 - 150, 3000000);
  const std::string message = Refused();
  EXPECT_NE(message.find("第9点"), std::string::npos) << message;
  EXPECT_NE(message.find("X=499850.000000"), std::string::npos) << message;
  EXPECT_NE(message.find("超出点索引文件中的范围"), std::string::npos) << message;
}

TEST_F(BadProject, SurveyPointNotANumber) {
  SetPoint(12, 500010, std::numeric_limits<double>::quiet_NaN());
  const std::string message = Refused();
  EXPECT_NE(message.find("第12点"), std::string::npos) << message;
  EXPECT_NE(message.find("不是有效数字"), std::string::npos) << message;
  SetPoint(12, 500010, 3000010);
  SetPoint(2, std::numeric_limits<double>::infinity(), 3000010);
  EXPECT_NE(Refused().find("图框角点"), std::string::npos);
}

TEST_F(BadProject, SurveyHeightNotANumber) {
  SetPoint(7, 500010, 3000010, std::numeric_limits<double>::infinity());
  const std::string message = Refused();
  EXPECT_NE(message.find("第7点（X=500010.000000 Y=3000010.000000）的高程不是有效数字"), std::string::npos) << message;
}

TEST_F(BadProject, FrameMustEncloseTheBoxCounterClockwise) {
  // The fixture's frame: 30 m round the box 500000..500300 x 3000000..3000100.
  auto frame = [&](std::vector<std::pair<double, double>> corners) {
    for (int32_t i = 0; i < 4; ++i) SetPoint(i, corners[i].first, corners[i].second, 0);
  };
  const double w = 499970, e = 500330, s = 2999970, n = 3000130;
  frame({{w, s}, {w, n}, {e, n}, {e, s}});
  EXPECT_NE(Refused().find("不是按逆时针排列的凸四边形"), std::string::npos);
  frame({{w, s}, {w, s}, {e, n}, {w, n}});
  EXPECT_NE(Refused().find("不是按逆时针排列的凸四边形"), std::string::npos);
  frame({{w, s}, {e, s}, {500200, n}, {w, n}});
  EXPECT_NE(Refused().find("图框没有包住"), std::string::npos);
  frame({{w, s}, {e, s}, {1e300, 1e300}, {w, n}});
  EXPECT_NE(Refused().find("图框角点的坐标过大"), std::string::npos);
}

TEST_F(BadProject, TablesHeldByAnotherBuild) {
  // The second of two builds is refused before it writes either table,
  // whichever table the first holds.
  for (const char* name : {"Point.xyz", "TIN.tri"}) {
    MappedFile first;
    ASSERT_TRUE(first.Open(Pmap(dir.path(), name), nullptr, nullptr));
    const std::string message = Refused();
    EXPECT_EQ(message, "另一个程序正在使用此文件（可能正在构建同一工程），请等它结束后再构建：" + Pmap(dir.path(), name));
  }
}

TEST(BuildRun, EarlierSummaryGoesAndPmapTwinsAreRefused) {
  TempDirectory dir;
  ASSERT_TRUE(testing::WriteProjectFiles(dir.path(), Survey(30)));
  fs::create_directory_symlink("PMAP", dir.path() / "pmap");  // the same folder by another name
  RecordingReporter r;
  ASSERT_TRUE(BuildProject(dir.path().string(), {}, r).completed);
  // Contours asked for without fnum: the run ends after the points are in.
  EXPECT_FALSE(BuildProject(dir.path().string(), {.contoursAsFeatureLines = true}, r).completed);
  EXPECT_FALSE(fs::exists(dir.path() / "PMAP" / "TIN.inf"));
  fs::remove(dir.path() / "pmap");
  fs::create_directory(dir.path() / "pmap");
  r.messages.clear();
  EXPECT_FALSE(BuildProject(dir.path().string(), {}, r).completed);
  EXPECT_EQ(r.messages, std::vector<std::string>{"工程目录中有2个只有大小写不同的PMAP文件夹（PMAP、pmap），请只保留一个：" +
                                                 dir.path().string()});
}

// The messages of a build that must end early.
std::vector<std::string> RefusedRun(const fs::path& installDirectory) {
  RecordingReporter r;
  EXPECT_FALSE(BuildRun(installDirectory.string(), {}, r).completed);
  EXPECT_TRUE(r.summaries.empty());
  return r.messages;
}

TEST(BuildRunRefuses, WorkdirAndProjectFolder) {
  TempDirectory dir;
  const std::string workdir = (dir.path() / "workdir").string();
  EXPECT_EQ(RefusedRun(dir.path()), std::vector<std::string>{"无法打开工作目录文件：" + workdir});

  ASSERT_TRUE(WriteBytes(workdir, " \r\n", 3));
  EXPECT_EQ(RefusedRun(dir.path()), std::vector<std::string>{"工作目录文件中没有工程目录：" + workdir});

  const std::string missing = (dir.path() / "nowhere").string();
  ASSERT_TRUE(WriteBytes(workdir, missing.data(), missing.size()));
  EXPECT_EQ(RefusedRun(dir.path()), std::vector<std::string>{"工程目录不存在：" + missing});

  // The install folder itself has no PMAP.
  ASSERT_TRUE(WriteBytes(workdir, dir.path().string().data(), dir.path().string().size()));
  EXPECT_EQ(RefusedRun(dir.path()), std::vector<std::string>{"工程目录中没有PMAP文件夹：" + dir.path().string()});

  const std::string withNul = dir.path().string() + std::string(1, '\0') + "x";
  ASSERT_TRUE(WriteBytes(workdir, withNul.data(), withNul.size()));
  EXPECT_EQ(RefusedRun(dir.path()), std::vector<std::string>{"工作目录文件中的工程目录含有空字符（NUL），请查错：" + workdir});
}

TEST(BuildRunRefuses, WorkdirWithoutEndAndProjectPathTooLong) {
  TempDirectory dir;
  const std::string workdir = (dir.path() / "workdir").string();
  fs::create_symlink("/dev/zero", workdir);
  EXPECT_EQ(RefusedRun(dir.path()), std::vector<std::string>{"工作目录文件中的工程目录过长：" + workdir});
  // An existing folder 25 x 201 characters deep, made one level at a time.
  const fs::path start = fs::current_path();
  const std::string name(200, 'd');
  std::string path = dir.path().string();
  fs::current_path(dir.path());
  for (int i = 0; i < 25; ++i) {
    fs::create_directory(name);
    fs::current_path(name);
    path += "/" + name;
  }
  fs::current_path(start);
  RecordingReporter r;
  EXPECT_FALSE(BuildProject(path, {}, r).completed);
  EXPECT_EQ(r.messages.at(0).find("工程目录的路径过长（" + std::to_string(path.size()) + "个字符）"), 0u);
  testing::RunInstalled("rm", {"-rf", (dir.path() / name).string()});
}

TEST(BuildTexts, TimeAndSpeed) {
  EXPECT_EQ(FormatBuildTime(3725), "01小时02分05秒");
  EXPECT_EQ(FormatBuildTime(86400 + 3661), "01小时01分01秒");
  EXPECT_EQ(FormatBuildTime(3630), "01小时00分30秒");
  EXPECT_EQ(FormatBuildTime(0), "00小时00分00秒");
  EXPECT_EQ(FormatBuildSpeed(1999, 10), "200个三角形  / 秒");
  EXPECT_EQ(FormatBuildSpeed(1999, 3630), "1个三角形  / 秒");
  // No whole second elapsed: counted as one, never a division by zero.
  EXPECT_EQ(FormatBuildSpeed(1999, 0), "2000个三角形  / 秒");
  EXPECT_EQ(FormatBuildSpeed(1, 0), "2个三角形  / 秒");
}

TEST(BuildTexts, MaxBoundaryEdgeReadsLikeAtof) {
  EXPECT_EQ(MaxBoundaryEdgeFromText(""), 100);
  EXPECT_EQ(MaxBoundaryEdgeFromText("50"), 100);
  EXPECT_EQ(MaxBoundaryEdgeFromText("abc"), 100);
  EXPECT_EQ(MaxBoundaryEdgeFromText("150.5"), 150.5);
  EXPECT_EQ(MaxBoundaryEdgeFromText("300m"), 300);
  EXPECT_EQ(MaxBoundaryEdgeFromText("  2e2"), 200);
  EXPECT_EQ(MaxBoundaryEdgeFromText("+250"), 250);
  EXPECT_EQ(MaxBoundaryEdgeFromText("-500"), 100);
  EXPECT_EQ(MaxBoundaryEdgeFromText("nan"), 100);
  EXPECT_EQ(MaxBoundaryEdgeFromText("0x100"), 256);
  EXPECT_EQ(MaxBoundaryEdgeFromText("1e999"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(MaxBoundaryEdgeFromText("1e-400"), 100);  // atof gives 0
  EXPECT_EQ(MaxBoundaryEdgeFromText("0x1p-2000"), 100);
}

}  // namespace
}  // namespace quarvelin
