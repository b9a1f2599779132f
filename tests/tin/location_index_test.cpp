// The location index against the walk on surveys chosen to trip it: with the
// walk run beside it the two never name different triangles, and without it
// the network comes out the same byte for byte as with the walk alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "support/project_fixture.h"
#include "support/test_network.h"

namespace quarvelin {
namespace {

using testing::TestNetwork;
using testing::XY;

// Builds the survey three ways; returns the share of points the index placed.
double ExpectSameAsWalk(const std::vector<XY>& frame, const std::vector<XY>& survey) {
  TestNetwork walked(frame, survey), checked(frame, survey), indexed(frame, survey);
  walked.InsertAll();
  checked.inserter().UseLocationIndex(true);
  checked.InsertAll();
  indexed.inserter().UseLocationIndex(false);
  indexed.InsertAll();
  EXPECT_EQ(checked.inserter().counts().disagreements, 0);
  EXPECT_EQ(indexed.store().lastTriangle, walked.store().lastTriangle);
  EXPECT_EQ(0, std::memcmp(indexed.triangles.data(), walked.triangles.data(),
                           walked.triangles.size() * sizeof(TriangleRecord)));
  EXPECT_EQ(0, std::memcmp(indexed.points.data(), walked.points.data(), walked.points.size() * sizeof(PointRecord)));
  return static_cast<double>(indexed.inserter().counts().locatedByIndex) / static_cast<double>(survey.size());
}

std::vector<XY> Around(const std::vector<XY>& survey, double margin) {
  double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
  for (const XY& p : survey) {
    x0 = std::min(x0, p.x), y0 = std::min(y0, p.y), x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
  }
  return {{x0 - margin, y0 - margin}, {x1 + margin, y0 - margin}, {x1 + margin, y1 + margin}, {x0 - margin, y1 + margin}};
}

TEST(LocationIndex, RandomSurveysAtAnyOffset) {
  std::mt19937_64 rng(10);
  std::uniform_real_distribution<double> u(0, 1);
  std::normal_distribution<double> spread(0, 3);
  std::vector<XY> uniform, clustered, lidar, far, sparse;
  for (int i = 0; i < 20000; ++i) uniform.push_back({500000 + 1000 * u(rng), 3000000 + 1000 * u(rng)});
  for (int i = 0; i < 20000; ++i) {
    const double cx = 100 * std::floor(8 * u(rng)), cy = 100 * std::floor(8 * u(rng));
    clustered.push_back({cx + spread(rng), cy + spread(rng)});
  }
  // Millimetre coordinates near 21.5 million, dense as airborne lidar.
  for (int i = 0; i < 40000; ++i) {
    lidar.push_back({21500000 + std::round(80000 * u(rng)) / 1000, 4400000 + std::round(80000 * u(rng)) / 1000});
  }
  // Two clusters 3000 km apart: the frame's triangles are extreme slivers.
  for (int i = 0; i < 10000; ++i) far.push_back({(i % 2) * 3e6 + 50 * u(rng), 50 * u(rng)});
  // About a point a grid cell: most points are the first of their cell.
  for (int i = 0; i < 3000; ++i) sparse.push_back({5000 * u(rng), 5000 * u(rng)});
  EXPECT_GT(ExpectSameAsWalk(Around(uniform, 100), uniform), 0.95);
  EXPECT_GT(ExpectSameAsWalk(Around(clustered, 10), clustered), 0.9);
  EXPECT_GT(ExpectSameAsWalk(Around(lidar, 8), lidar), 0.95);
  ExpectSameAsWalk(Around(far, 1e5), far);
  EXPECT_GT(ExpectSameAsWalk(Around(sparse, 100), sparse), 0.9);
}

TEST(LocationIndex, PointsOnLinesEdgesAndFrameSides) {
  std::vector<XY> lattice, rows, onFrame, pairs;
  for (int i = 0; i < 250; ++i)
    for (int j = 0; j < 250; ++j) lattice.push_back({500000.0 + i, 3000000.0 + j});
  for (int i = 0; i < 4000; ++i) {
    rows.push_back({i * 0.25, 10.0 * (i % 7)});          // rows along x
    rows.push_back({i * 0.1 + 3, i * 0.1 + 1.5});       // a diagonal row
  }
  // Survey points exactly on the four sides of the frame, and inside.
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> u(1, 99);
  for (int i = 0; i < 3000; ++i) {
    const double t = std::round(u(rng) * 8) / 8;
    onFrame.push_back(i % 4 == 0 ? XY{t, 0} : i % 4 == 1 ? XY{100, t} : i % 4 == 2 ? XY{t, u(rng)} : XY{u(rng), u(rng)});
  }
  for (int i = 0; i < 6000; ++i) {
    const XY p{1000 * u(rng), 1000 * u(rng)};
    pairs.push_back(p);
    pairs.push_back({p.x + 1e-9, p.y});
    if (i % 10 == 0) pairs.push_back(p);  // an exact repeat, skipped
  }
  // Most lattice points lie exactly on an edge: placed by the index only
  // where it can tell which of the edge's two triangles the walk meets first,
  // also where the walk comes along the edge's own line. Sheared, and at
  // survey offsets with a spacing that decimals do not hold exactly, the
  // orientation values along the lines are rounded zeros or a few ulps.
  EXPECT_GT(ExpectSameAsWalk(Around(lattice, 10), lattice), 0.9);
  std::vector<XY> sheared;
  for (int i = 0; i < 160; ++i)
    for (int j = 0; j < 160; ++j) sheared.push_back({21500000.0 + 0.1 * i + 0.05 * j, 4400000.0 + 0.1 * j});
  ExpectSameAsWalk(Around(sheared, 1), sheared);
  // Turned by 45 degrees and shuffled: the line from the walk's anchor to a
  // point on an edge can pass through an end of that edge, which rounding
  // puts on either side of the line; the walk then comes along the edge.
  std::vector<XY> turned;
  for (int i = 0; i < 120; ++i)
    for (int j = 0; j < 120; ++j) turned.push_back({0.1 * (i - j), 3000000.0 + 0.1 * (i + j)});
  std::shuffle(turned.begin(), turned.end(), rng);
  ExpectSameAsWalk(Around(turned, 0.5), turned);
  ExpectSameAsWalk(Around(rows, 5), rows);
  ExpectSameAsWalk({{0, 0}, {100, 0}, {100, 100}, {0, 100}}, onFrame);
  ExpectSameAsWalk(Around(pairs, 10), pairs);
}

TEST(LocationIndex, WholeBuildsGiveTheSameFiles) {
  std::mt19937_64 rng(12);
  std::uniform_real_distribution<double> u(0, 300);
  std::vector<testing::SurveyXYZ> survey;
  for (int i = 0; i < 30000; ++i) survey.push_back({u(rng), u(rng), u(rng) / 10});
  testing::TempDirectory dir;
  testing::SilentReporter reporter;
  std::vector<std::string> bytes;
  for (int way = 0; way < 3; ++way) {
    const auto project = dir.path() / std::to_string(way);
    ASSERT_TRUE(testing::WriteProjectFiles(project, survey));
    BuildOptions options;
    options.writeSjwFile = true;
    options.walkOnly = way == 0;
    options.checkLocation = way == 2;
    const BuildOutcome outcome = BuildProject(project.string(), options, reporter);
    ASSERT_TRUE(outcome.completed);
    EXPECT_EQ(outcome.locationDisagreements, 0);
    if (way > 0) {
      EXPECT_GT(outcome.locatedByIndex, 25000);
    }
    std::string all;
    for (const char* name : {"TIN.tri", "Point.xyz", "Edge.inf", "Grid.idx", "TIN.sjw"})
      all += testing::ReadFileBytes(project / "PMAP" / name);
    bytes.push_back(all);
  }
  EXPECT_TRUE(bytes[0] == bytes[1]);
  EXPECT_TRUE(bytes[0] == bytes[2]);
}

}  // namespace
}  // namespace quarvelin
