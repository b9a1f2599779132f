// TrimBoundary as the build run calls it: Edge.inf byte for byte, the
// incidentTriangle rewrite, an Edge.inf that cannot be created, and whole
// builds through quarvelin-cli.
#include "boundary/boundary_trimming.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>

#include "boundary/boundary_edges.h"
#include "support/boundary_network.h"
#include "support/project_fixture.h"
#include "support/test_network.h"

namespace quarvelin {

inline bool operator==(const TriangleRecord& a, const TriangleRecord& b) {
  return std::equal(a.vertex, a.vertex + 3, b.vertex) && std::equal(a.neighbour, a.neighbour + 3, b.neighbour) &&
         std::equal(a.edgeMark, a.edgeMark + 3, b.edgeMark) && a.state == b.state;
}

namespace {

using testing::BoundaryViolations;
using testing::ReadFileBytes;
using testing::RunProgram;
using testing::SurveyXYZ;
using testing::TempDirectory;
using testing::TestNetwork;
using testing::XY;

std::vector<XY> ScatteredSurvey(uint64_t seed, int count) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> u(0, 1500);
  std::vector<XY> survey;
  // Thin towards one side, so that the trimming peels there.
  for (int i = 0; i < count; ++i) {
    const double x = u(rng);
    survey.push_back({512000.25 + x, 80 + u(rng) * (1600 - x) / 1600});
  }
  return survey;
}

// The text the C library gives for the list: the reference for Edge.inf.
std::string EdgeFileFromPrintf(const ModelStore& store, const BoundaryEdgeList& boundary) {
  char line[128];
  std::snprintf(line, sizeof line, "%12d\r\n", static_cast<int>(boundary.size()));
  std::string text = line;
  for (const BoundaryEdge& e : boundary) {
    std::snprintf(line, sizeof line, "%d %12.3lf %12.3lf\r\n", e.from, store.points[e.from].x, store.points[e.from].y);
    text += line;
  }
  return text;
}

class TrimBoundaryTest : public ::testing::Test {
 protected:
  TrimBoundaryTest() : net_(ScatteredSurvey(3, 400)), twin_(ScatteredSurvey(3, 400)) {
    std::filesystem::create_directories(dir_.path() / "PMAP");
    net_.store().projectDirectory = dir_.path().string();
    net_.InsertAll();
    twin_.InsertAll();
  }
  // The boundary of the same network trimmed step by step, for comparison.
  BoundaryEdgeList TwinBoundary(double limit) {
    return PeelLongEdges(twin_.store(), CollectBoundaryEdges(twin_.store()), limit);
  }

  TempDirectory dir_;
  TestNetwork net_;
  TestNetwork twin_;
};

TEST_F(TrimBoundaryTest, EdgeFileMatchesTheCLibraryAndPointsAreRedirected) {
  const Status trimmed = TrimBoundary(net_.store(), 120);
  ASSERT_TRUE(trimmed.ok()) << trimmed.message;
  const BoundaryEdgeList boundary = TwinBoundary(120);
  ASSERT_GT(boundary.size(), 10u);
  EXPECT_EQ(ReadFileBytes(dir_.path() / "PMAP" / "Edge.inf"), EdgeFileFromPrintf(net_.store(), boundary));
  EXPECT_EQ(net_.triangles, twin_.triangles);

  std::map<int32_t, int32_t> lastInside;
  for (const BoundaryEdge& e : boundary) lastInside[e.from] = e.beyond.triangle;
  for (int32_t p = 0; p < net_.store().pointCount; ++p) {
    auto it = lastInside.find(p);
    const int32_t untouched = twin_.points[static_cast<size_t>(p)].incidentTriangle;
    const int32_t expected = it != lastInside.end() ? it->second : untouched;
    EXPECT_EQ(net_.points[static_cast<size_t>(p)].incidentTriangle, expected) << "point " << p;
  }
  EXPECT_EQ(testing::CheckNetwork(net_.store()), std::vector<std::string>{});
  EXPECT_EQ(BoundaryViolations(net_.store(), boundary, 120, true), std::vector<std::string>{});
}

TEST_F(TrimBoundaryTest, EdgeFileThatCannotBeCreatedIsReportedAndTrimmingStillDone) {
  std::filesystem::create_directory(dir_.path() / "PMAP" / "Edge.inf");
  const Status trimmed = TrimBoundary(net_.store(), 120);
  EXPECT_FALSE(trimmed.ok());
  EXPECT_NE(trimmed.message.find("Edge.inf"), std::string::npos) << trimmed.message;
  EXPECT_TRUE(std::filesystem::is_directory(dir_.path() / "PMAP" / "Edge.inf"));
  TwinBoundary(120);
  for (size_t t = 0; t < net_.triangles.size(); ++t) EXPECT_EQ(net_.triangles[t].state, twin_.triangles[t].state);
}

// Whole builds of projects written as the host writes them.
class TrimmingBuildTest : public ::testing::Test {
 protected:
  std::filesystem::path Pmap() const { return dir_.path() / "PMAP"; }
  testing::ProgramResult Build(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--project", dir_.path().string(), "--quiet"});
    return RunProgram("quarvelin-cli", arguments);
  }
  std::vector<TriangleRecord> Triangles() const {
    const std::string bytes = ReadFileBytes(Pmap() / "TIN.tri");
    std::vector<TriangleRecord> records(bytes.size() / sizeof(TriangleRecord));
    std::memcpy(records.data(), bytes.data(), records.size() * sizeof(TriangleRecord));
    return records;
  }

  TempDirectory dir_;
};

TEST_F(TrimmingBuildTest, FrameOnlyProject) {
  ASSERT_TRUE(testing::WriteProjectFiles(dir_.path(), {}));
  const testing::ProgramResult result = Build({"--sjw"});
  ASSERT_EQ(result.status, 0) << result.err;
  const std::vector<TriangleRecord> triangles = Triangles();
  ASSERT_EQ(triangles.size(), 2u);
  EXPECT_EQ(triangles[0].state, 'N');
  EXPECT_EQ(triangles[1].state, 'N');
  EXPECT_EQ(ReadFileBytes(Pmap() / "Edge.inf"), "           0\r\n");
  const std::string sjw = ReadFileBytes(Pmap() / "TIN.sjw");
  // Corners at -10 and +10: six lines of each corner's x, y, z.
  const char* corner[4] = {"-10.000000\r\n-10.000000\r\n0.000000\r\n", "10.000000\r\n-10.000000\r\n0.000000\r\n",
                           "10.000000\r\n10.000000\r\n0.000000\r\n", "-10.000000\r\n10.000000\r\n0.000000\r\n"};
  EXPECT_EQ(sjw, std::string(corner[0]) + corner[1] + corner[2] + corner[2] + corner[3] + corner[0] + "nil");
  EXPECT_EQ(std::filesystem::file_size(Pmap() / "Grid.idx"), 16u);
}

TEST_F(TrimmingBuildTest, LimitBelowAHundredOrNotANumberActsAsAHundred) {
  // A lattice 50 apart whose bottom row lacks two points: the hull edge of
  // 150 there is peeled at 100, not at 200, and a limit of 50 taken as it
  // stands would peel on through the 70.7 diagonals.
  std::vector<SurveyXYZ> survey;
  for (int i = 0; i <= 10; ++i)
    for (int j = 0; j <= 10; ++j)
      if (j > 0 || (i != 2 && i != 3)) survey.push_back({1000.0 + 50 * i, 2000.0 + 50 * j, 5});
  ASSERT_TRUE(testing::WriteProjectFiles(dir_.path(), survey));
  auto edges = [&](const std::string& limit) {
    EXPECT_EQ(Build({"--max-edge", limit}).status, 0);
    return ReadFileBytes(Pmap() / "Edge.inf");
  };
  const std::string at100 = edges("100"), at200 = edges("200");
  EXPECT_NE(at100, at200);
  EXPECT_EQ(edges("50"), at100);
  EXPECT_EQ(edges("abc"), at100);
  EXPECT_EQ(edges(""), at100);
}

TEST_F(TrimmingBuildTest, UncreatableEdgeFileIsReportedAndTheBuildGoesOn) {
  ASSERT_TRUE(testing::WriteProjectFiles(dir_.path(), {{0, 0, 1}, {300, 0, 2}, {150, 200, 3}}));
  std::filesystem::create_directory(Pmap() / "Edge.inf");
  const testing::ProgramResult result = Build({});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("无法创建Edge.inf文件"), std::string::npos) << result.err;
  EXPECT_TRUE(std::filesystem::is_regular_file(Pmap() / "Grid.idx"));
  EXPECT_TRUE(std::filesystem::is_regular_file(Pmap() / "TIN.inf"));
}

}  // namespace
}  // namespace quarvelin
