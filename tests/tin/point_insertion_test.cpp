#include "tin/point_insertion.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <string>

#include "support/test_network.h"
#include "tin/predicates.h"

namespace quarvelin {
namespace {

using testing::CheckNetwork;
using testing::TestNetwork;
using testing::XY;

// No inserted point lies strictly inside the circumcircle of a live triangle
// (brute force, long double).
int DelaunayViolations(const ModelStore& store) {
  int violations = 0;
  for (int32_t t = 0; t <= store.lastTriangle; ++t) {
    const TriangleRecord& tri = store.triangles[t];
    for (int32_t p = 0; p < store.pointCount; ++p) {
      if (store.points[p].incidentTriangle < 0 || VertexPosition(tri, p) >= 0) continue;
      const PointRecord& a = store.points[tri.vertex[0]];
      const PointRecord& b = store.points[tri.vertex[1]];
      const PointRecord& c = store.points[tri.vertex[2]];
      const PointRecord& d = store.points[p];
      long double adx = a.x - d.x, ady = a.y - d.y, bdx = b.x - d.x, bdy = b.y - d.y, cdx = c.x - d.x, cdy = c.y - d.y;
      long double det = (adx * adx + ady * ady) * (bdx * cdy - cdx * bdy) -
                        (bdx * bdx + bdy * bdy) * (adx * cdy - cdx * ady) +
                        (cdx * cdx + cdy * cdy) * (adx * bdy - bdx * ady);
      long double scale = (adx * adx + ady * ady + bdx * bdx + bdy * bdy + cdx * cdx + cdy * cdy);
      if (det > 1e-9L * scale * scale) ++violations;
    }
  }
  return violations;
}

const std::vector<XY> kFrame = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};

void ExpectTriangle(const ModelStore& s, int32_t t, std::array<int32_t, 3> v, std::array<int32_t, 3> n) {
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(s.triangles[t].vertex[k], v[k]) << "triangle " << t;
    EXPECT_EQ(s.triangles[t].neighbour[k], n[k]) << "triangle " << t;
  }
  EXPECT_EQ(std::string(s.triangles[t].edgeMark, 3), "aaa") << "triangle " << t;
  EXPECT_EQ(s.triangles[t].state, 'Y') << "triangle " << t;
}

void ExpectIncident(const ModelStore& s, std::vector<int32_t> incident) {
  for (size_t p = 0; p < incident.size(); ++p) EXPECT_EQ(s.points[p].incidentTriangle, incident[p]) << "point " << p;
}

TEST(PointInsertion, FirstInsertionIntoRectangleFrame) {
  // The point inside triangle 0 (0, 1, 2): cavity edges (1,2) (2,3) (3,0)
  // (0,1) fill the slots 0, 3, 2, 1.
  TestNetwork net(kFrame, {{6, 3}});
  net.InsertAll();
  const ModelStore& s = net.store();
  EXPECT_EQ(s.lastTriangle, 3);
  ExpectTriangle(s, 0, {1, 2, 4}, {3, 1, -1});
  ExpectTriangle(s, 3, {2, 3, 4}, {2, 0, -1});
  ExpectTriangle(s, 2, {3, 0, 4}, {1, 3, -1});
  ExpectTriangle(s, 1, {0, 1, 4}, {0, 2, -1});
  ExpectIncident(s, {1, 0, 3, 2, 0});
}

TEST(PointInsertion, FirstInsertionIntoTriangleOne) {
  // Located in triangle 1 (2, 3, 0): the edges start at point 3, (3,0) (0,1)
  // (1,2) (2,3), and fill the slots 1, 3, 2, 0.
  TestNetwork net(kFrame, {{3, 6}});
  net.InsertAll();
  const ModelStore& s = net.store();
  EXPECT_EQ(s.lastTriangle, 3);
  ExpectTriangle(s, 1, {3, 0, 4}, {3, 0, -1});
  ExpectTriangle(s, 3, {0, 1, 4}, {2, 1, -1});
  ExpectTriangle(s, 2, {1, 2, 4}, {0, 3, -1});
  ExpectTriangle(s, 0, {2, 3, 4}, {1, 2, -1});
  ExpectIncident(s, {3, 2, 0, 1, 1});
}

TEST(PointInsertion, PointOnTheSharedEdgeJoinsAllFourCorners) {
  TestNetwork net(kFrame, {{5, 5}});
  net.InsertAll();
  const ModelStore& s = net.store();
  EXPECT_EQ(s.lastTriangle, 3);
  EXPECT_EQ(CheckNetwork(s), std::vector<std::string>{});
  for (int32_t t = 0; t <= 3; ++t) {
    EXPECT_EQ(s.triangles[t].vertex[2], 4);
    EXPECT_EQ(testing::OrientationSign(s.points[s.triangles[t].vertex[0]], s.points[s.triangles[t].vertex[1]],
                                       s.points[4]),
              1);
  }
  EXPECT_EQ(net.inserter().counts().inserted, 1);
}

TEST(PointInsertion, PointOnAnOuterEdgeLeavesAZeroAreaTriangle) {
  TestNetwork net(kFrame, {{5, 0}});
  net.InsertAll();
  const ModelStore& s = net.store();
  EXPECT_EQ(s.lastTriangle, 3);
  EXPECT_EQ(CheckNetwork(s), std::vector<std::string>{});
  int flat = 0;
  for (int32_t t = 0; t <= 3; ++t) {
    const TriangleRecord& tri = s.triangles[t];
    if (testing::OrientationSign(s.points[tri.vertex[0]], s.points[tri.vertex[1]], s.points[tri.vertex[2]]) == 0) {
      ++flat;
      EXPECT_EQ(tri.neighbour[2], -1);  // on the outer edge 0-1
      EXPECT_EQ(tri.vertex[0], 0);
      EXPECT_EQ(tri.vertex[1], 1);
    }
  }
  EXPECT_EQ(flat, 1);
}

TEST(PointInsertion, PointOutsideTheFrameChangesNothing) {
  TestNetwork net(kFrame, {{3, 6}, {20, 5}});
  net.inserter().InsertPoint(4);
  const std::vector<TriangleRecord> before = net.triangles;
  const std::vector<PointRecord> pointsBefore = net.points;
  net.inserter().InsertPoint(5);
  EXPECT_EQ(std::memcmp(before.data(), net.triangles.data(), before.size() * sizeof(TriangleRecord)), 0);
  EXPECT_EQ(std::memcmp(pointsBefore.data(), net.points.data(), pointsBefore.size() * sizeof(PointRecord)), 0);
  EXPECT_EQ(net.store().lastTriangle, 3);
  EXPECT_EQ(net.inserter().counts().unplaced, 1);
}

TEST(PointInsertion, AFullTableSkipsThePointUntouched) {
  TestNetwork net(kFrame, {{3, 6}, {6, 3}});
  net.store().triangleCapacity = 4;  // room for the first point only
  net.InsertAll();
  EXPECT_EQ(net.store().lastTriangle, 3);
  EXPECT_EQ(net.inserter().counts().inserted, 1);
  EXPECT_EQ(net.inserter().counts().degenerate, 1);
  EXPECT_EQ(CheckNetwork(net.store()), std::vector<std::string>{});
}

TEST(PointInsertion, RandomSurveysStayValidAndDelaunay) {
  std::mt19937_64 rng(7);
  for (int round = 0; round < 20; ++round) {
    std::uniform_real_distribution<double> u(0, 1000);
    std::vector<XY> survey;
    for (int i = 0; i < 300; ++i) survey.push_back({500000 + u(rng), 3000000 + u(rng)});
    TestNetwork net(survey);
    net.InsertAll();
    EXPECT_EQ(net.store().lastTriangle, 2 * 300 + 1);
    EXPECT_EQ(CheckNetwork(net.store()), std::vector<std::string>{});
    EXPECT_EQ(DelaunayViolations(net.store()), 0);
  }
}

TEST(PointInsertion, LatticeStaysValid) {
  std::vector<XY> survey;
  for (int i = 0; i < 60; ++i)
    for (int j = 0; j < 60; ++j) survey.push_back({static_cast<double>(i), static_cast<double>(j)});
  TestNetwork net(survey, 5);
  net.InsertAll();
  EXPECT_EQ(CheckNetwork(net.store()), std::vector<std::string>{});
  const InsertionCounts& c = net.inserter().counts();
  EXPECT_EQ(c.inserted + c.repeated + c.unplaced + c.degenerate, 3600);
  EXPECT_EQ(net.store().lastTriangle, 2 * c.inserted + 1);
}

TEST(PointInsertion, RepeatedPointsAreSkippedAndCounted) {
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> u(0, 100);
  std::vector<XY> survey;
  for (int i = 0; i < 2000; ++i) survey.push_back({u(rng), u(rng)});
  for (int i = 0; i < 100; ++i) survey.push_back(survey[static_cast<size_t>(i * 7)]);
  TestNetwork net(survey);
  net.InsertAll();
  EXPECT_EQ(net.inserter().counts().repeated, 100);
  EXPECT_EQ(net.inserter().counts().inserted, 2000);
  EXPECT_EQ(CheckNetwork(net.store()), std::vector<std::string>{});
}

}  // namespace
}  // namespace quarvelin
