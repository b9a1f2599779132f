// Ring files the build must refuse: a clear message, and the tables and the
// outputs as they were.
#include <gtest/gtest.h>

#include <filesystem>

#include "boundary/boundary_clipping.h"
#include "build_run/build_run.h"
#include "support/project_fixture.h"
#include "support/test_network.h"

namespace quarvelin {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;

TEST(BoundaryClipping, RefusesBadRingsBeforeTouchingTheTables) {
  // A 10 x 10 lattice, 10 m apart.
  std::vector<testing::SurveyXYZ> survey;
  for (int i = 0; i < 100; ++i) survey.push_back({10.0 * (i % 10), 10.0 * (i / 10), 1});
  const struct {
    const char* rings;  // nullptr: no file
    const char* expected;
  } cases[] = {
      {nullptr, "无法打开边界线文件"},
      {" \n", "边界线文件中没有边界环"},
      {"4\n10 10 0\n50 10 0\n50 x 0\n", "边界线文件数据有误（第1个边界环）"},
      {"4\n10 10 0\n20 20 0\n10 10 0\n20 20 0\n", "第1个边界环不足三个不同的顶点"},
      {"3\n10 10 0\n15.5 10 0\n50 50 0\n", "第1个边界环的第2个顶点（X=15.500000 Y=10.000000）没有对应的数模点"},
      {"3\n10 10 0\n-500 10 0\n50 50 0\n", "第1个边界环的第2个顶点（X=-500.000000 Y=10.000000）在图框之外"},
      {"4\n10 10 0\n50 50 0\n50 10 0\n10 50 0\n", "第1个边界环的第1个顶点起的一段"},
      {"5\n10 10 0\n50 10 0\n30 30 0\n50 50 0\n50 10 0\n", "第1个边界环的第5个顶点（X=50.000000 Y=10.000000）与本环前面的顶点"},
      {"4\n10 10 0\n50 10 0\n50 50 0\n10 50 0\n4\n40 40 0\n80 40 0\n80 80 0\n40 80 0\n", "与第2个边界环的第4个顶点起的一段（X=40.000000 Y=80.000000 至 X=40.000000 Y=40.000000）相交或重叠"},
      // Crossing only where they share vertices.
      {"4\n10 10 0\n50 10 0\n50 50 0\n10 50 0\n4\n30 30 0\n50 10 0\n70 30 0\n50 50 0\n", "处与第1个边界环相交或重叠"},
      {"4\n10 10 0\n50 10 0\n50 50 0\n10 50 0\n3\n50 10 0\n50 50 0\n70 30 0\n", "处与第1个边界环相交或重叠"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    testing::TempDirectory dir;
    ASSERT_TRUE(testing::WriteProjectFiles(dir.path(), survey));
    BuildOptions options;
    options.boundaryFile = (dir.path() / "rings.pl").string();
    if (c.rings) {
      ASSERT_TRUE(testing::WriteBytes(options.boundaryFile, c.rings, std::string(c.rings).size()));
    }
    const std::string points = ReadFileBytes(dir.path() / "PMAP" / "Point.xyz");
    const std::string tin = ReadFileBytes(dir.path() / "PMAP" / "TIN.tri");
    testing::RecordingReporter reporter;
    EXPECT_FALSE(BuildProject(dir.path().string(), options, reporter).completed);
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_NE(reporter.messages[0].find(c.expected), std::string::npos) << reporter.messages[0];
    EXPECT_EQ(ReadFileBytes(dir.path() / "PMAP" / "Point.xyz"), points);
    EXPECT_EQ(ReadFileBytes(dir.path() / "PMAP" / "TIN.tri"), tin);
    EXPECT_FALSE(fs::exists(dir.path() / "PMAP" / "Edge.inf"));
  }
}

// A ring vertex the network does not hold (as a point the walk could not
// place): the segment from it is named and nothing is clipped.
TEST(BoundaryClipping, DoesNotClipThroughAGap) {
  std::vector<testing::XY> survey;
  for (int i = 0; i < 100; ++i) survey.push_back({10.0 * (i % 10), 10.0 * (i / 10)});
  testing::TestNetwork net(survey);
  net.InsertAll();
  ModelStore& store = net.store();
  testing::TempDirectory dir;
  const fs::path file = dir.path() / "rings.pl";
  const std::string text = "3\n10 10 0\n50 10 0\n50 50 0\n";
  ASSERT_TRUE(testing::WriteBytes(file, text.data(), text.size()));
  BoundaryRings rings;
  ASSERT_TRUE(ReadBoundaryRings(file.string(), rings).ok());
  const Status resolved = ResolveBoundaryRings(store, rings);
  ASSERT_TRUE(resolved.ok()) << resolved.message;
  store.points[rings.rings[0].points[1]].incidentTriangle = -1;
  SegmentInserter segments(store, net.work());
  const Result<ClipEnd> clipped = ClipToRings(store, segments, rings);
  const std::string& message = clipped.message;
  EXPECT_EQ(clipped.code, ClipEnd::kRefused);
  EXPECT_NE(message.find("第1个边界环的第2个顶点起的一段（X=50.000000 Y=10.000000 至 X=50.000000 Y=50.000000）无法嵌入三角网"),
            std::string::npos)
      << message;
  for (int32_t t = 0; t <= store.lastTriangle; ++t) EXPECT_NE(store.triangles[t].state, kRemovedTriangle);
}

}  // namespace
}  // namespace quarvelin
