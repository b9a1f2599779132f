// Point location on the starting network of the rectangle frame (0,0)
// (10,0) (10,10) (0,10): triangle 0 = (0, 1, 2), triangle 1 = (2, 3, 0).
#include "tin/point_location.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "support/test_network.h"

namespace quarvelin {
namespace {

using testing::TestNetwork;
using testing::XY;

const std::vector<XY> kFrame = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};

// The starting network with one survey point (point 4), not yet inserted:
// its cell's first point is itself, so the walk starts at lastTriangle 1.
int32_t Locate(XY point) {
  TestNetwork net(kFrame, {point});
  return LocateTriangle(net.store(), 4);
}

TEST(PointLocation, FirstInsertionWalkTurnsAroundPointTwo) {
  EXPECT_EQ(Locate({6, 3}), 0);  // below the diagonal: the turn moves on to 0
  EXPECT_EQ(Locate({3, 6}), 1);  // in the start triangle itself
}

TEST(PointLocation, PointsOnVerticesAndEdges) {
  EXPECT_EQ(Locate({10, 10}), 1);  // on the anchor: o1 = o2 = 0 in the start
  EXPECT_EQ(Locate({5, 5}), 1);    // on the shared edge: the first tested
  EXPECT_EQ(Locate({0, 0}), 1);
  EXPECT_EQ(Locate({5, 0}), 0);    // on the outer edge 0-1
}

TEST(PointLocation, OutsideTheFrameGivesMinusOne) {
  EXPECT_EQ(Locate({20, 5}), -1);
  EXPECT_EQ(Locate({5, -3}), -1);
  EXPECT_EQ(Locate({-1, 11}), -1);
}

TEST(PointLocation, ContainmentToleratesATinyOvershoot) {
  TestNetwork net(kFrame, {{5, 5}});
  // Edge 0-1 of triangle 0 is 10 long: an overshoot of 1e-10 gives an
  // orientation value of -1e-9, within the tolerance; 1e-8 gives -1e-7.
  EXPECT_EQ(TriangleContains(net.store(), 0, {5, -1e-10}), 1);
  EXPECT_EQ(TriangleContains(net.store(), 0, {5, -1e-8}), 0);
  EXPECT_EQ(TriangleContains(net.store(), 0, {5, 0}), 1);
  EXPECT_EQ(TriangleContains(net.store(), 1, {5, 5}), 1);  // shared edge: both hold it
  EXPECT_EQ(TriangleContains(net.store(), 0, {5, 5}), 1);
  EXPECT_EQ(TriangleContains(net.store(), 0, {std::nan(""), 5}), 0);
}

TEST(PointLocation, ClockwiseTurnFromAFrameCorner) {
  // Triangle 1 stored as (0, 2, 3): the anchor is corner 0 and triangle 0
  // lies clockwise of it. The counter-clockwise turn meets the boundary at
  // once; the clockwise one finds triangle 0.
  TestNetwork net(kFrame, {{6, 3}});
  net.triangles[1] = TriangleRecord{{0, 2, 3}, {-1, -1, 0}, {'a', 'a', 'a'}, 'Y'};
  ASSERT_EQ(testing::CheckNetwork(net.store()), std::vector<std::string>{});
  EXPECT_EQ(LocateTriangle(net.store(), 4), 0);
}

TEST(PointLocation, ABrokenNetworkDoesNotHangTheWalk) {
  // Triangle 0 names itself across both of its inner edges: every turn would
  // go round for ever without the step bound.
  TestNetwork net(kFrame, {{6, 3}});
  net.triangles[1] = TriangleRecord{{0, 2, 3}, {1, 1, 1}, {'a', 'a', 'a'}, 'Y'};
  EXPECT_EQ(LocateTriangle(net.store(), 4), -1);
}

TEST(PointLocation, FoundTriangleHoldsThePoint) {
  std::mt19937_64 rng(8);
  std::uniform_real_distribution<double> u(0, 300);
  std::vector<XY> survey;
  for (int i = 0; i < 800; ++i) survey.push_back({u(rng), u(rng)});
  TestNetwork net(survey);
  // Insert the first half; locate the second half against it.
  for (int32_t p = 4; p < 404; ++p) net.inserter().InsertPoint(p);
  for (int32_t p = 404; p < net.store().pointCount; ++p) {
    const int32_t t = LocateTriangle(net.store(), p);
    ASSERT_GE(t, 0) << p;
    EXPECT_EQ(TriangleContains(net.store(), t, PositionOf(net.points[static_cast<size_t>(p)])), 1) << p;
  }
}

}  // namespace
}  // namespace quarvelin
