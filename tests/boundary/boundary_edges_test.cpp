// Collecting the boundary round the frame corners and peeling it inwards, on
// networks laid by hand (exact lists) and on networks the engine builds
// (properties checked from the triangles alone).
#include "boundary/boundary_edges.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "boundary/edge_file.h"
#include "support/boundary_network.h"
#include "support/test_network.h"

namespace quarvelin {

inline bool operator==(const BoundaryEdge& a, const BoundaryEdge& b) {
  return a.from == b.from && a.to == b.to && a.beyond == b.beyond;
}
inline std::ostream& operator<<(std::ostream& out, const BoundaryEdge& e) {
  return out << e.from << "->" << e.to << " side " << e.beyond.side << " of " << e.beyond.triangle;
}

namespace {

using testing::BoundaryViolations;
using testing::HandNetwork;
using testing::TestNetwork;
using testing::XY;

const std::vector<XY> kSquareFrame = {{0, 0}, {100, 0}, {100, 100}, {0, 100}};

// A diamond of survey points 4 (bottom), 5 (right), 6 (top), 7 (left) in the
// square frame: outer edges 50 long, the diagonal 4-6 80.
HandNetwork Diamond() {
  std::vector<XY> points = kSquareFrame;
  points.insert(points.end(), {{50, 10}, {80, 50}, {50, 90}, {20, 50}});
  return HandNetwork(points, {{0, 1, 4}, {1, 5, 4}, {1, 2, 5}, {2, 6, 5}, {2, 3, 6},
                              {3, 7, 6}, {3, 0, 7}, {0, 4, 7}, {4, 5, 6}, {4, 6, 7}});
}

std::vector<char> States(const ModelStore& store) {
  std::vector<char> states;
  for (int32_t t = 0; t <= store.lastTriangle; ++t) states.push_back(store.triangles[t].state);
  return states;
}

int RemovedCount(const ModelStore& store) {
  const std::vector<char> states = States(store);
  return static_cast<int>(std::count(states.begin(), states.end(), 'N'));
}

TEST(CollectBoundaryEdges, FrameOnlyMarksBothTrianglesAndListsNothing) {
  TestNetwork net(std::vector<XY>{});
  EXPECT_TRUE(CollectBoundaryEdges(net.store()).empty());
  EXPECT_EQ(States(net.store()), (std::vector<char>{'N', 'N'}));
}

TEST(CollectBoundaryEdges, CornersInOrderEachFanClockwise) {
  HandNetwork net = Diamond();
  const BoundaryEdgeList list = CollectBoundaryEdges(net.store());
  // Corner 0 gives the left edge going down, corner 1 the bottom, and so on:
  // one walk round the data with the data on its left.
  EXPECT_EQ(list, (BoundaryEdgeList{{7, 4, {9, 1}}, {4, 5, {8, 2}}, {5, 6, {8, 0}}, {6, 7, {9, 0}}}));
  EXPECT_EQ(States(net.store()), (std::vector<char>{'N', 'N', 'N', 'N', 'N', 'N', 'N', 'N', 'Y', 'Y'}));
}

TEST(PeelLongEdges, EdgeExactlyAsLongAsTheLimitStays) {
  for (double limit : {50.0, 79.0}) {
    HandNetwork net = Diamond();
    const BoundaryEdgeList collected = CollectBoundaryEdges(net.store());
    EXPECT_EQ(PeelLongEdges(net.store(), collected, limit), collected) << limit;
    EXPECT_NE(net.store().triangles[8].state, 'N');
    EXPECT_NE(net.store().triangles[9].state, 'N');
  }
}

TEST(PeelLongEdges, DepthFirstFromTheOldFromToTheApex) {
  HandNetwork net = Diamond();
  const BoundaryEdgeList peeled =
      PeelLongEdges(net.store(), CollectBoundaryEdges(net.store()), std::nextafter(50.0, 0.0));
  // 7->4 peels 9 (apex 6): 7->6 meets frame triangle 5; 6->4 (80) peels 8
  // (apex 5), whose two edges meet frame triangles 3 and 1. The other three
  // collected edges now have a removed triangle inside and stay.
  EXPECT_EQ(peeled, (BoundaryEdgeList{{7, 6, {5, 0}}, {6, 5, {3, 0}}, {5, 4, {1, 0}}, {4, 5, {8, 2}}, {5, 6, {8, 0}},
                                      {6, 7, {9, 0}}}));
  EXPECT_EQ(RemovedCount(net.store()), 10);
}

TEST(PeelLongEdges, StopsAtAHullEdgeWhenSurveyPointsLieOnAFrameSide) {
  // Points 4 and 5 lie on the bottom side of the frame, so the hull edge
  // 4-5 belongs to triangle 3, which has survey points only.
  HandNetwork net({{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}, {300, 0}, {700, 0}, {500, 600}, {500, 200}},
                  {{3, 0, 6}, {0, 7, 6}, {0, 4, 7}, {4, 5, 7}, {7, 5, 6}, {5, 1, 6}, {1, 2, 6}, {2, 3, 6}});
  ModelStore& store = net.store();
  const BoundaryEdgeList collected = CollectBoundaryEdges(store);
  EXPECT_EQ(collected, (BoundaryEdgeList{{6, 7, {4, 1}}}));
  const BoundaryEdgeList peeled = PeelLongEdges(store, collected, 100);
  EXPECT_EQ(peeled, (BoundaryEdgeList{{6, 5, {5, 1}}, {5, 4, {-1, 0}}, {4, 7, {2, 0}}}));
  EXPECT_EQ(RemovedCount(store), 8);

  // The hull edge leaves its start point's incident triangle as it was.
  PointBoundaryToEdges(store, peeled);
  EXPECT_EQ(store.points[6].incidentTriangle, 5);
  EXPECT_EQ(store.points[5].incidentTriangle, 3);
  EXPECT_EQ(store.points[4].incidentTriangle, 2);
}

TEST(PeelLongEdges, EngineNetworksWithPointsOnTheFrameSides) {
  // Frame exactly on the survey's bounding box, with points along every side
  // and a sparse band near the bottom that peeling cuts into.
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> u(0, 1000);
  for (int round = 0; round < 10; ++round) {
    std::vector<XY> survey;
    for (int i = 0; i < 40; ++i) {
      survey.push_back({u(rng), 0});
      survey.push_back({u(rng), 1000});
      survey.push_back({0, u(rng)});
      survey.push_back({1000, u(rng)});
    }
    for (int i = 0; i < 200; ++i) survey.push_back({u(rng), u(rng) * u(rng) / 1000});
    TestNetwork net({{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}}, survey);
    net.InsertAll();
    const BoundaryEdgeList boundary = PeelLongEdges(net.store(), CollectBoundaryEdges(net.store()), 100);
    EXPECT_EQ(testing::CheckNetwork(net.store()), std::vector<std::string>{});
    EXPECT_EQ(BoundaryViolations(net.store(), boundary, 100, true), std::vector<std::string>{}) << "round " << round;
  }
}

// A 13 by 13 lattice, 50 apart, without the points in x skipFromX..skipToX
// from y skipFromY up, with the points `extra` added.
std::vector<XY> LatticeWith(std::vector<XY> extra, double skipFromX = 1e9, double skipToX = -1,
                            double skipFromY = 1e9) {
  std::vector<XY> survey;
  for (int i = 0; i <= 12; ++i)
    for (int j = 0; j <= 12; ++j) {
      const double x = 50.0 * i, y = 50.0 * j;
      if (x >= skipFromX && x <= skipToX && y >= skipFromY) continue;
      survey.push_back({x, y});
    }
  survey.insert(survey.end(), extra.begin(), extra.end());
  return survey;
}

TEST(PeelLongEdges, ConcaveBayIsPeeledBack) {
  // A U: the lattice without x 200..400, y from 350 up.
  TestNetwork net(LatticeWith({}, 200, 400, 350), 500);
  net.InsertAll();
  ModelStore& store = net.store();
  const BoundaryEdgeList boundary = PeelLongEdges(store, CollectBoundaryEdges(store), 100);
  EXPECT_EQ(BoundaryViolations(store, boundary, 100, true), std::vector<std::string>{});
  for (int32_t t = 0; t <= store.lastTriangle; ++t) {
    const TriangleRecord& tri = store.triangles[t];
    if (tri.state == 'N') continue;
    double cx = 0, cy = 0;
    for (int32_t v : tri.vertex) cx += store.points[v].x / 3, cy += store.points[v].y / 3;
    EXPECT_FALSE(cx > 175 && cx < 425 && cy > 375) << "triangle " << t << " kept in the bay";
  }
}

TEST(PeelLongEdges, PointReachedFromBothSidesStaysAsASpike) {
  // Point P far below the lattice hangs on long edges only: peeling removes
  // all its triangles, and the boundary goes out to it and back.
  TestNetwork net(LatticeWith({{300, -400}}), 2000);
  net.InsertAll();
  ModelStore& store = net.store();
  const int32_t p = store.pointCount - 1;
  const BoundaryEdgeList boundary = PeelLongEdges(store, CollectBoundaryEdges(store), 100);
  EXPECT_EQ(BoundaryViolations(store, boundary, 100, true), std::vector<std::string>{});
  for (int32_t t = 0; t <= store.lastTriangle; ++t) {
    const TriangleRecord& tri = store.triangles[t];
    if (VertexPosition(tri, p) >= 0) {
      EXPECT_EQ(tri.state, 'N') << "triangle " << t;
    }
  }
  auto at = std::find_if(boundary.begin(), boundary.end(), [&](const BoundaryEdge& e) { return e.from == p; });
  ASSERT_NE(at, boundary.end());
  ASSERT_NE(at, boundary.begin());
  EXPECT_EQ(std::count_if(boundary.begin(), boundary.end(), [&](const BoundaryEdge& e) { return e.from == p; }), 1);
  EXPECT_EQ(at[-1].to, p);
  EXPECT_EQ(at->to, at[-1].from);
}

TEST(PeelLongEdges, RandomSurveysPeelOnlyFromTheOutside) {
  std::mt19937_64 rng(5);
  for (int round = 0; round < 30; ++round) {
    // Clusters of points with gaps between them, so that there are bays,
    // channels and islands of long triangles.
    std::uniform_real_distribution<double> centre(0, 2000), spread(-1, 1);
    std::vector<XY> survey;
    for (int c = 0; c < 6; ++c) {
      const double cx = 500000 + centre(rng), cy = 3000000 + centre(rng), r = 100 + centre(rng) / 5;
      for (int i = 0; i < 60; ++i) survey.push_back({cx + r * spread(rng), cy + r * spread(rng)});
    }
    TestNetwork net(survey, 50 + round * 20);
    net.InsertAll();
    ModelStore& store = net.store();
    const double limit = 100 + 15 * round;
    const BoundaryEdgeList boundary = PeelLongEdges(store, CollectBoundaryEdges(store), limit);
    EXPECT_EQ(BoundaryViolations(store, boundary, limit, true), std::vector<std::string>{}) << "round " << round;
  }
}

}  // namespace
}  // namespace quarvelin
