#include "build_run/line_sources.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "build_run/build_run.h"
#include "platform/system.h"
#include "support/project_fixture.h"
#include "support/test_network.h"

namespace quarvelin {
namespace {

using testing::CheckNetwork;
using testing::ExactText;
using testing::RecordingReporter;
using testing::TempDirectory;
using testing::TestNetwork;
using testing::XY;

// 5001 survey points along a gentle curve (the line points), then a scatter
// around it; the network over them, and a project folder for its line files.
class LineSourcesTest : public ::testing::Test {
 protected:
  static std::vector<XY> Survey() {
    std::vector<XY> survey;
    for (int i = 0; i < 5001; ++i) survey.push_back({i * 0.5, std::round(40 * std::sin(i * 0.002)) + (i % 2) * 0.25});
    for (int i = 0; i < 600; ++i) survey.push_back({(i * 37 % 2500) + 0.125, (i * 53 % 120) - 60.5});
    return survey;
  }

  LineSourcesTest() : net_(Survey()) {
    net_.InsertAll();
    std::filesystem::create_directories(dir_.path() / "PMAP");
    net_.store().projectDirectory = dir_.path().string();
  }

  void Write(const std::string& name, const std::string& text) {
    std::ofstream(dir_.path() / "PMAP" / name, std::ios::binary) << text;
  }
  std::string Path(const std::string& name) const { return (dir_.path() / "PMAP" / name).string(); }

  // "n\n" then the line points first..first+count-1 as "x y z" (breaklines)
  // or "x y" (contours, after "n h 0").
  std::string Breakline(int first, int count) const {
    std::string text = std::to_string(count) + "\n";
    for (int i = first; i < first + count; ++i) text += Xy(i) + " 7.5\n";
    return text;
  }
  std::string Contour(int first, int count) const {
    std::string text = std::to_string(count) + " 100 0\n";
    for (int i = first; i < first + count; ++i) text += Xy(i) + "\n";
    return text;
  }
  std::string Xy(int i) const {
    const PointRecord& p = net_.points[static_cast<size_t>(4 + i)];
    return ExactText(p.x) + " " + ExactText(p.y);
  }

  // Count of fixed edges, each counted once; the line points i, i+1 are joined.
  int FixedEdges() {
    int sides = 0, boundary = 0;
    for (int32_t t = 0; t <= net_.store().lastTriangle; ++t) {
      for (int k = 0; k < 3; ++k) {
        if (net_.triangles[t].edgeMark[k] != kFixedEdge) continue;
        ++sides;
        boundary += net_.triangles[t].neighbour[k] == -1;
      }
    }
    return (sides + boundary) / 2;
  }

  void Breaklines(const std::string& text) {
    Write("Breaklines.txt", text);
    Write("SLine.txt", Path("Breaklines.txt") + "\r\n");
    EnforceBreaklines(net_.store().projectDirectory, segments_, reporter_);
  }

  TempDirectory dir_;
  TestNetwork net_;
  RecordingReporter reporter_;
  SegmentInserter segments_{net_.store(), net_.work()};
};

TEST_F(LineSourcesTest, NoSLineFileMeansNoBreaklines) {
  EnforceBreaklines(net_.store().projectDirectory, segments_, reporter_);
  EXPECT_TRUE(reporter_.calls.empty());
  EXPECT_EQ(FixedEdges(), 0);
}

TEST_F(LineSourcesTest, BreaklineOf5000PointsIsEnforced) {
  Breaklines("2\n" + Breakline(0, 3) + Breakline(1, 5000));
  EXPECT_TRUE(reporter_.calls.empty());
  EXPECT_EQ(FixedEdges(), 5000);
  EXPECT_EQ(CheckNetwork(net_.store()), std::vector<std::string>{});
}

TEST_F(LineSourcesTest, BreaklineOf5001PointsEndsTheReading) {
  Breaklines("3\n" + Breakline(0, 3) + Breakline(0, 5001) + Breakline(10, 2));
  const PointRecord& last = net_.points[4 + 2];
  char expected[200];
  std::snprintf(expected, sizeof expected, "坐标X=%lf Y=%lf Z=%lf 所在地性线点数有误，请查错!", last.x, last.y, 7.5);
  EXPECT_EQ(reporter_.messages, std::vector<std::string>{expected});
  EXPECT_EQ(FixedEdges(), 2);
}

TEST_F(LineSourcesTest, OverlongFirstBreaklineNamesItsNumber) {
  Breaklines("3\n0\n-4\n" + Breakline(0, 5001));
  EXPECT_EQ(reporter_.messages, std::vector<std::string>{"第3条地性线点数有误，请查错!"});
}

TEST_F(LineSourcesTest, ShortAndEmptyBreaklinesReadNoFurther) {
  // One point, no points, a negative count: each is followed by the next count.
  Breaklines("4\n" + Breakline(0, 1) + "0\n-2\n" + Breakline(5, 3));
  EXPECT_TRUE(reporter_.messages.empty());
  EXPECT_EQ(FixedEdges(), 2);
}

TEST_F(LineSourcesTest, BreaklineFileEndingEarlyKeepsWhatWasRead) {
  Breaklines("2\n" + Breakline(0, 3) + "4\n" + Xy(20) + " 1\n" + Xy(21) + " 1\n");
  EXPECT_EQ(reporter_.messages, std::vector<std::string>{"地性线文件数据有误：" + Path("Breaklines.txt")});
  EXPECT_EQ(FixedEdges(), 3);
  reporter_.messages.clear();
  Breaklines("1\n3\n" + Xy(30) + " 1\n" + Xy(31) + " x\n");
  EXPECT_EQ(reporter_.messages, std::vector<std::string>{"地性线文件数据有误：" + Path("Breaklines.txt")});
}

TEST_F(LineSourcesTest, ContoursReportTheirProgress) {
  Write("fnum", "2\n");
  Write("Point.1", "0 0 2 0\n" + Contour(0, 4) + Contour(40, 1));
  Write("Point.2", "1.5 2.5 2 9\n" + std::string("0 100 0\n") + Contour(50, 2));
  ASSERT_TRUE(EnforceContours(net_.store().projectDirectory, segments_, reporter_));
  EXPECT_EQ(reporter_.calls, (std::vector<std::string>{
                                 "ResetBar", "SetStatus 正在处理等高线，请稍候...",
                                 "SetCaptions 需处理的等高线条数： 完成等高线条数：", "SetTotal 4",
                                 "SetDone 1", "SetBarText 25%", "SetBarPos 25",
                                 "SetDone 2", "SetBarText 50%", "SetBarPos 50",
                                 "SetDone 3", "SetBarText 75%", "SetBarPos 75",
                                 "SetDone 4", "SetBarText 100%", "SetBarPos 100"}));
  EXPECT_EQ(FixedEdges(), 4);
}

TEST_F(LineSourcesTest, NoContourFilesStillShowTheCaptions) {
  Write("fnum", "0");
  ASSERT_TRUE(EnforceContours(net_.store().projectDirectory, segments_, reporter_));
  EXPECT_EQ(reporter_.calls, (std::vector<std::string>{"ResetBar", "SetStatus 正在处理等高线，请稍候...",
                                                       "SetCaptions 需处理的等高线条数： 完成等高线条数：",
                                                       "SetTotal 0"}));
}

TEST_F(LineSourcesTest, MissingFilesEndTheRunBeforeAnyContour) {
  EXPECT_FALSE(EnforceContours(net_.store().projectDirectory, segments_, reporter_));
  EXPECT_EQ(reporter_.calls, (std::vector<std::string>{"ResetBar", "ShowMessage 未找到等高线文件：" +
                                                                      ProjectFilePath(net_.store().projectDirectory, "pmap", "fnum")}));
  reporter_.calls.clear();
  Write("fnum", "3\n");
  Write("Point.1", "0 0 1 0\n" + Contour(0, 4));
  Write("Point.2", "0 0 1 0\n" + Contour(10, 4));
  EXPECT_FALSE(EnforceContours(net_.store().projectDirectory, segments_, reporter_));
  EXPECT_EQ(reporter_.calls, (std::vector<std::string>{"ResetBar", "ShowMessage 未找到地形点数据文件!"}));
  EXPECT_EQ(FixedEdges(), 0);
}

TEST_F(LineSourcesTest, UnreadableContourDataIsReportedByFile) {
  Write("fnum", "x");
  EXPECT_FALSE(EnforceContours(net_.store().projectDirectory, segments_, reporter_));
  EXPECT_EQ(reporter_.messages, std::vector<std::string>{"等高线文件数目有误：" + Path("fnum")});
  reporter_.messages.clear();
  // A header that cannot be read ends the run in the first pass.
  Write("fnum", "2\n");
  Write("Point.1", "0 0 1 0\n" + Contour(0, 4));
  Write("Point.2", "0 0 -1 0\n");
  EXPECT_FALSE(EnforceContours(net_.store().projectDirectory, segments_, reporter_));
  EXPECT_EQ(reporter_.messages, std::vector<std::string>{"等高线文件数据有误：" + Path("Point.2")});
  EXPECT_EQ(FixedEdges(), 0);
  reporter_.messages.clear();
  // Lines that end early stop that file only.
  Write("Point.1", "0 0 2 0\n" + Contour(0, 4) + "5 100 0\n" + Xy(20));
  Write("Point.2", "0 0 1 0\n" + Contour(30, 3));
  EXPECT_TRUE(EnforceContours(net_.store().projectDirectory, segments_, reporter_));
  EXPECT_EQ(reporter_.messages, std::vector<std::string>{"等高线文件数据有误：" + Path("Point.1")});
  EXPECT_EQ(FixedEdges(), 5);
  reporter_.messages.clear();
  // A count of lines that the file cannot hold is blamed on that file, not
  // on the next one, where the total would overflow.
  Write("Point.1", "0 0 2147483647 0\n" + Contour(0, 4));
  EXPECT_FALSE(EnforceContours(net_.store().projectDirectory, segments_, reporter_));
  EXPECT_EQ(reporter_.messages,
            std::vector<std::string>{"等高线文件中的等高线条数超过文件所能容纳的条数：" + Path("Point.1")});
}

}  // namespace
}  // namespace quarvelin
