#include "breaklines/segment_insertion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "support/project_fixture.h"
#include "support/test_network.h"

namespace quarvelin {
namespace {

using testing::CheckNetwork;
using testing::LiveEdges;
using testing::OrientationSign;
using testing::TestNetwork;
using testing::XY;

PlanePosition At(const TestNetwork& net, int32_t p) { return {net.points[p].x, net.points[p].y}; }

// The triangle with the directed edge u->w (w follows u counter-clockwise)
// and the position of that edge (opposite the third corner), or -1.
std::pair<int32_t, int> DirectedEdge(const ModelStore& s, int32_t u, int32_t w) {
  for (int32_t t = 0; t <= s.lastTriangle; ++t) {
    for (int k = 0; k < 3; ++k) {
      if (s.triangles[t].vertex[(k + 1) % 3] == u && s.triangles[t].vertex[(k + 2) % 3] == w) return {t, k};
    }
  }
  return {-1, -1};
}

// The edge u-w exists and is fixed on each side that has a triangle.
bool FixedEdge(const ModelStore& s, int32_t u, int32_t w) {
  auto [t1, k1] = DirectedEdge(s, u, w);
  auto [t2, k2] = DirectedEdge(s, w, u);
  if (t1 < 0 && t2 < 0) return false;
  return (t1 < 0 || s.triangles[t1].edgeMark[k1] == kFixedEdge) &&
         (t2 < 0 || s.triangles[t2].edgeMark[k2] == kFixedEdge);
}

bool SameTables(const TestNetwork& a, const std::vector<TriangleRecord>& triangles,
                const std::vector<PointRecord>& points) {
  return a.triangles.size() == triangles.size() && a.points.size() == points.size() &&
         std::memcmp(a.triangles.data(), triangles.data(), triangles.size() * sizeof(TriangleRecord)) == 0 &&
         std::memcmp(a.points.data(), points.data(), points.size() * sizeof(PointRecord)) == 0;
}

struct Enforcer {
  explicit Enforcer(TestNetwork& net) : inserter(net.store(), net.work()) {}
  SegmentInserter inserter;
};

// a (0,0), b (10,0), l (5,3) on the left of a->b, r (5,-3) on its right: the
// Delaunay diagonal is l-r, so a-b crosses exactly one edge.
std::vector<XY> Quadrilateral() { return {{0, 0}, {10, 0}, {5, 3}, {5, -3}}; }
constexpr int32_t kA = 4, kB = 5, kL = 6, kR = 7;

TEST(SegmentInsertion, ExistingEdgeIsMarkedOnBothSidesOnly) {
  TestNetwork net(Quadrilateral());
  net.InsertAll();
  Enforcer e(net);
  const std::vector<TriangleRecord> before = net.triangles;
  ASSERT_EQ(e.inserter.InsertSegment(At(net, kA), At(net, kL)), kSegmentEnforced);
  EXPECT_TRUE(FixedEdge(net.store(), kA, kL));
  int changedMarks = 0;
  for (size_t t = 0; t < before.size(); ++t) {
    const TriangleRecord &x = before[t], &y = net.triangles[t];
    EXPECT_EQ(0, std::memcmp(x.vertex, y.vertex, sizeof x.vertex));
    EXPECT_EQ(0, std::memcmp(x.neighbour, y.neighbour, sizeof x.neighbour));
    EXPECT_EQ(x.state, y.state);
    for (int k = 0; k < 3; ++k) changedMarks += x.edgeMark[k] != y.edgeMark[k];
  }
  EXPECT_EQ(changedMarks, 2);
  const std::vector<TriangleRecord> once = net.triangles;
  EXPECT_EQ(e.inserter.InsertSegment(At(net, kL), At(net, kA)), kSegmentEnforced);
  EXPECT_EQ(0, std::memcmp(once.data(), net.triangles.data(), once.size() * sizeof(TriangleRecord)));
}

// The two triangles of the quadrilateral alone, laid by hand, so that its
// sides are the boundary of the network.
void LayQuadrilateralAlone(TestNetwork& net) {
  ModelStore& s = net.store();
  s.triangles[0] = {{kA, kR, kL}, {1, -1, -1}, {'a', 'a', 'a'}, 'Y'};
  s.triangles[1] = {{kR, kB, kL}, {-1, 0, -1}, {'a', 'a', 'a'}, 'Y'};
  s.lastTriangle = 1;
  for (PointRecord& p : net.points) p.incidentTriangle = -1;
  net.points[kA].incidentTriangle = net.points[kR].incidentTriangle = net.points[kL].incidentTriangle = 0;
  net.points[kB].incidentTriangle = 1;
}

TEST(SegmentInsertion, BoundaryEdgeChangesTheOneMark) {
  TestNetwork net(Quadrilateral());
  LayQuadrilateralAlone(net);
  Enforcer e(net);
  ASSERT_EQ(e.inserter.InsertSegment(At(net, kA), At(net, kR)), kSegmentEnforced);
  EXPECT_EQ(std::string(net.triangles[0].edgeMark, 3), "aaf");
  EXPECT_EQ(std::string(net.triangles[1].edgeMark, 3), "aaa");
}

TEST(SegmentInsertion, ConvexQuadrilateralIsReLaidAcrossTheSegment) {
  TestNetwork net(Quadrilateral());
  net.InsertAll();
  ModelStore& s = net.store();
  const int32_t tA = DirectedEdge(s, kR, kL).first;  // the triangle holding a
  const int32_t tB = DirectedEdge(s, kL, kR).first;  // the one holding b
  ASSERT_GE(tA, 0);
  ASSERT_GE(tB, 0);
  // The surrounding triangles across a-l, a-r, b-l and b-r.
  const int32_t outAL = DirectedEdge(s, kA, kL).first, outAR = DirectedEdge(s, kR, kA).first;
  const int32_t outBL = DirectedEdge(s, kL, kB).first, outBR = DirectedEdge(s, kB, kR).first;
  const int32_t lastTriangle = s.lastTriangle;

  Enforcer e(net);
  ASSERT_EQ(e.inserter.InsertSegment(At(net, kA), At(net, kB)), kSegmentEnforced);
  const TriangleRecord& ta = s.triangles[tA];
  const TriangleRecord& tb = s.triangles[tB];
  EXPECT_EQ(std::vector<int32_t>(ta.vertex, ta.vertex + 3), (std::vector<int32_t>{kA, kB, kL}));
  EXPECT_EQ(std::vector<int32_t>(tb.vertex, tb.vertex + 3), (std::vector<int32_t>{kB, kA, kR}));
  EXPECT_EQ(std::vector<int32_t>(ta.neighbour, ta.neighbour + 3), (std::vector<int32_t>{outBL, outAL, tB}));
  EXPECT_EQ(std::vector<int32_t>(tb.neighbour, tb.neighbour + 3), (std::vector<int32_t>{outAR, outBR, tA}));
  EXPECT_EQ(std::string(ta.edgeMark, 3), "aaf");
  EXPECT_EQ(std::string(tb.edgeMark, 3), "aaf");
  EXPECT_EQ(ta.state, 0);
  EXPECT_EQ(tb.state, 0);
  EXPECT_EQ(s.lastTriangle, lastTriangle);
  EXPECT_EQ(CheckNetwork(s), std::vector<std::string>{});
  for (int32_t p : {kA, kB, kL, kR}) {
    const int32_t t = net.points[p].incidentTriangle;
    EXPECT_TRUE(t == tA || t == tB) << p;
  }
}

TEST(SegmentInsertion, CollectCavityOfTwoTriangles) {
  TestNetwork net(Quadrilateral());
  net.InsertAll();
  Enforcer e(net);
  StartWedge wedge{};
  ASSERT_TRUE(e.inserter.FindStartWedge(kA, kB, wedge));
  CavityWorkspace& w = e.inserter.workspace();
  ASSERT_EQ(CollectCavity(net.store(), w, wedge.triangle, wedge.position, kA, kB), CavityWalk::kReachedEnd);
  EXPECT_EQ(w.crossedTriangles.size(), 2u);
  EXPECT_EQ(w.crossedTriangles[0], wedge.triangle);
  EXPECT_EQ(w.leftChain, (std::vector<int32_t>{kA, kL, kB}));
  EXPECT_EQ(w.rightChain, (std::vector<int32_t>{kA, kR, kB}));
  EXPECT_EQ(w.edges.size(), 4u);
  EXPECT_TRUE(w.onSegmentVertices.empty());
  w.Release();
}

TEST(SegmentInsertion, StraightRowBecomesTwoFixedEdges) {
  TestNetwork net({{0, 0}, {5, 0}, {10, 0}, {5, 4}, {4, -3}, {7, 6}, {2, -5}});
  net.InsertAll();
  Enforcer e(net);
  ASSERT_EQ(e.inserter.InsertSegment(At(net, 4), At(net, 6)), kSegmentEnforced);
  EXPECT_TRUE(FixedEdge(net.store(), 4, 5));
  EXPECT_TRUE(FixedEdge(net.store(), 5, 6));
  EXPECT_FALSE(DirectedEdge(net.store(), 4, 6).first >= 0 || DirectedEdge(net.store(), 6, 4).first >= 0);
  for (int32_t t = 0; t <= net.store().lastTriangle; ++t) {
    const TriangleRecord& tri = net.triangles[t];
    EXPECT_NE(OrientationSign(net.points[tri.vertex[0]], net.points[tri.vertex[1]], net.points[tri.vertex[2]]), 0)
        << "triangle " << t;
  }
  EXPECT_EQ(CheckNetwork(net.store()), std::vector<std::string>{});
}

// a (0,0), q (10,0), b (20,0) on the x axis (exact orientations), with
// points close above and below the line so that neither a-q nor q-b is an
// edge.
std::vector<XY> RowWithCrossings() {
  std::vector<XY> survey = {{0, 0}, {10, 0}, {20, 0}};
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> u(-4, 24), v(0.2, 3);
  for (int i = 0; i < 40; ++i) survey.push_back({u(rng), (i % 2 ? 1 : -1) * v(rng)});
  return survey;
}

TEST(SegmentInsertion, SegmentThroughAVertexEqualsItsTwoPieces) {
  TestNetwork whole(RowWithCrossings()), pieces(RowWithCrossings());
  whole.InsertAll();
  pieces.InsertAll();
  ASSERT_LT(DirectedEdge(whole.store(), 4, 5).first + DirectedEdge(whole.store(), 5, 4).first, -1);
  Enforcer e1(whole), e2(pieces);
  ASSERT_EQ(e1.inserter.InsertSegment(At(whole, 4), At(whole, 6)), kSegmentEnforced);
  e2.inserter.InsertSegment(At(pieces, 4), At(pieces, 5));
  e2.inserter.InsertSegment(At(pieces, 5), At(pieces, 6));
  EXPECT_TRUE(SameTables(whole, pieces.triangles, pieces.points));
  EXPECT_TRUE(FixedEdge(whole.store(), 4, 5));
  EXPECT_TRUE(FixedEdge(whole.store(), 5, 6));
  EXPECT_EQ(CheckNetwork(whole.store()), std::vector<std::string>{});
}

TEST(SegmentInsertion, StartWedgeFromAFrameCornerTurnsBothWays) {
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> u(0, 100);
  std::vector<XY> survey;
  for (int i = 0; i < 60; ++i) survey.push_back({u(rng), u(rng)});
  TestNetwork net(survey);
  net.InsertAll();
  Enforcer e(net);
  const ModelStore& s = net.store();
  for (int32_t corner = 0; corner < 4; ++corner) {
    for (int32_t b = 4; b < s.pointCount; ++b) {
      StartWedge w{};
      ASSERT_TRUE(e.inserter.FindStartWedge(corner, b, w)) << corner << " to " << b;
      const TriangleRecord& t = s.triangles[w.triangle];
      ASSERT_EQ(t.vertex[w.position], corner);
      EXPECT_LE(OrientationSign(net.points[corner], net.points[b], net.points[t.vertex[(w.position + 1) % 3]]), 0);
      EXPECT_GE(OrientationSign(net.points[corner], net.points[b], net.points[t.vertex[(w.position + 2) % 3]]), 0);
    }
  }
}

TEST(SegmentInsertion, WedgeSearchStopsAfterOneFullTurn) {
  TestNetwork net(Quadrilateral());
  LayQuadrilateralAlone(net);
  // Two triangles that name each other across both of a's edges, neither
  // opening toward b: the counter-clockwise turn goes round 0, 1, 0.
  ModelStore& s = net.store();
  s.triangles[0] = {{kA, kL, kR}, {-1, 1, 1}, {'a', 'a', 'a'}, 'Y'};
  s.triangles[1] = {{kA, kL, kR}, {-1, 0, 0}, {'a', 'a', 'a'}, 'Y'};
  Enforcer e(net);
  StartWedge w{};
  EXPECT_FALSE(e.inserter.FindStartWedge(kA, kB, w));
  EXPECT_EQ(e.inserter.InsertSegment(At(net, kA), At(net, kB)), kSegmentRefused);
}

TEST(SegmentInsertion, FindVertexAtUsesASquareTolerance) {
  TestNetwork net({{100, 200}, {150, 250}});
  Enforcer e(net);
  EXPECT_EQ(e.inserter.FindVertexAt({100.00005, 199.99995}), 4);
  EXPECT_EQ(e.inserter.FindVertexAt({149.99995, 250.00005}), 5);
  EXPECT_EQ(e.inserter.FindVertexAt({100.0002, 200}), -1);
  EXPECT_EQ(e.inserter.FindVertexAt({100, 199.9998}), -1);
  EXPECT_EQ(e.inserter.FindVertexAt({-1e9, 200}), -1);
  EXPECT_EQ(e.inserter.FindVertexAt({100, std::numeric_limits<double>::quiet_NaN()}), -1);
}

TEST(SegmentInsertion, FailuresLeaveEveryByteUnchanged) {
  TestNetwork net(RowWithCrossings());
  net.InsertAll();
  ASSERT_LT(DirectedEdge(net.store(), 4, 5).first + DirectedEdge(net.store(), 5, 4).first, -1);
  Enforcer e(net);
  const std::vector<TriangleRecord> triangles = net.triangles;
  const std::vector<PointRecord> points = net.points;
  EXPECT_EQ(e.inserter.InsertSegment(At(net, 4), {1e6, 0}), kSegmentRefused);
  EXPECT_EQ(e.inserter.InsertSegment({5.5, 0.1}, At(net, 6)), kSegmentRefused);
  // Both ends resolve to the same point.
  EXPECT_EQ(e.inserter.InsertSegment(At(net, 4), {0.00003, 0}), kSegmentOutside);
  // A start point left out of the network.
  net.points[4].incidentTriangle = -1;
  const std::vector<PointRecord> unplaced = net.points;
  EXPECT_EQ(e.inserter.InsertSegment(At(net, 4), At(net, 6)), kSegmentOutside);
  EXPECT_TRUE(SameTables(net, triangles, unplaced));
  net.points[4].incidentTriangle = points[4].incidentTriangle;
  // No memory for the cavity's edges: refused before anything changed.
  e.inserter.workspace().edges.LimitEntries(3);
  EXPECT_EQ(e.inserter.InsertSegment(At(net, 4), At(net, 6)), kSegmentRefused);
  EXPECT_EQ(e.inserter.TakeMessages(), std::vector<std::string>{"No enough memory !\n"});
  EXPECT_TRUE(SameTables(net, triangles, points));
}

TEST(SegmentInsertion, SegmentLeavingTheNetworkChangesNothing) {
  // The quadrilateral's two triangles laid without the link between them:
  // the walk from a finds no triangle behind l-r.
  TestNetwork net(Quadrilateral());
  ModelStore& s = net.store();
  s.triangles[0] = {{kA, kR, kL}, {-1, -1, -1}, {'a', 'a', 'a'}, 'Y'};
  s.triangles[1] = {{kR, kB, kL}, {-1, -1, -1}, {'a', 'a', 'a'}, 'Y'};
  s.lastTriangle = 1;
  net.points[kA].incidentTriangle = 0;
  net.points[kB].incidentTriangle = 1;
  const std::vector<TriangleRecord> triangles = net.triangles;
  const std::vector<PointRecord> points = net.points;
  Enforcer e(net);
  EXPECT_EQ(e.inserter.InsertSegment(At(net, kA), At(net, kB)), kSegmentOutside);
  EXPECT_TRUE(SameTables(net, triangles, points));
}

TEST(SegmentInsertion, CrossingSegmentReplacesAnEarlierFixedEdge) {
  TestNetwork net({{0, 0}, {10, 1}, {4, -6}, {6, 7}, {-3, 4}, {13, -4}, {2, 9}, {9, -9}});
  net.InsertAll();
  Enforcer e(net);
  ASSERT_EQ(e.inserter.InsertSegment(At(net, 4), At(net, 5)), kSegmentEnforced);
  ASSERT_TRUE(FixedEdge(net.store(), 4, 5));
  ASSERT_EQ(e.inserter.InsertSegment(At(net, 6), At(net, 7)), kSegmentEnforced);
  EXPECT_TRUE(FixedEdge(net.store(), 6, 7));
  const auto edges = LiveEdges(net.store());
  EXPECT_EQ(std::count(edges.begin(), edges.end(), std::pair<int32_t, int32_t>{4, 5}), 0);
  EXPECT_EQ(CheckNetwork(net.store()), std::vector<std::string>{});
}

TEST(SegmentInsertion, CocircularApexTieGoesToTheLaterVertex) {
  // The left chain a, p1, p2, b on the circle x^2 + y^2 = 25: both see the
  // base a-b under a right angle, cosine exactly 0.
  TestNetwork net({{-5, 0}, {-3, 4}, {3, 4}, {5, 0}});
  Enforcer e(net);
  CavityWorkspace& w = e.inserter.workspace();
  w.crossedTriangles = {0, 1};
  const int32_t last = TriangulateChain(net.store(), net.work(), w, {4, 5, 6, 7}, 0);
  EXPECT_EQ(last, 1);
  EXPECT_EQ(std::vector<int32_t>(net.triangles[0].vertex, net.triangles[0].vertex + 3),
            (std::vector<int32_t>{4, 7, 6}));
  EXPECT_EQ(std::vector<int32_t>(net.triangles[1].vertex, net.triangles[1].vertex + 3),
            (std::vector<int32_t>{4, 6, 5}));
  EXPECT_EQ(net.triangles[0].neighbour[1], 1);
  EXPECT_EQ(net.triangles[1].neighbour[2], 0);
  EXPECT_TRUE(net.work().Empty());
  w.Release();
}

TEST(SegmentInsertion, RecordsGoOutInTheOrderOfTheWorkStack) {
  // A chain over the base (-6,0)-(6,0) whose middle vertex (0,3) alone lies
  // on the circle through the base and itself, the others outside: it is
  // the apex. Records 1 and 2 go to the two parts when its triangle is laid,
  // and the right part, taken from the stack first, hands out record 3.
  TestNetwork net({{-6, 0}, {-4, 2.5}, {-2, 3.2}, {0, 3}, {2, 3.2}, {4, 2.5}, {6, 0}});
  Enforcer e(net);
  CavityWorkspace& w = e.inserter.workspace();
  w.crossedTriangles = {0, 1, 2, 3, 4};
  ASSERT_EQ(TriangulateChain(net.store(), net.work(), w, {4, 5, 6, 7, 8, 9, 10}, 0), 4);
  auto corners = [&](int32_t t) {
    std::vector<int32_t> v(net.triangles[t].vertex, net.triangles[t].vertex + 3);
    std::sort(v.begin(), v.end());
    return v;
  };
  EXPECT_EQ(std::vector<int32_t>(net.triangles[0].vertex, net.triangles[0].vertex + 3),
            (std::vector<int32_t>{4, 10, 7}));
  EXPECT_EQ(net.triangles[1].vertex[0], 4);
  EXPECT_EQ(net.triangles[1].vertex[1], 7);
  EXPECT_EQ(net.triangles[2].vertex[0], 7);
  EXPECT_EQ(net.triangles[2].vertex[1], 10);
  EXPECT_GE(corners(3).front(), 7);
  EXPECT_LE(corners(4).back(), 7);
  w.Release();
}

TEST(SegmentInsertion, SegmentAcrossThousandsOfTriangles) {
  // Two rows of points a unit above and below the x axis, offset by half a
  // unit: every triangle between them crosses the axis.
  std::vector<XY> survey = {{-3, 0}, {2003, 0}};
  for (int i = 0; i <= 2000; ++i) {
    survey.push_back({static_cast<double>(i), 1});
    survey.push_back({i + 0.5, -1});
  }
  TestNetwork net(survey, 100);
  net.InsertAll();
  const int32_t lastTriangle = net.store().lastTriangle;
  Enforcer e(net);
  ASSERT_EQ(e.inserter.InsertSegment(At(net, 4), At(net, 5)), kSegmentEnforced);
  EXPECT_TRUE(FixedEdge(net.store(), 4, 5));
  EXPECT_EQ(net.store().lastTriangle, lastTriangle);
  EXPECT_EQ(CheckNetwork(net.store()), std::vector<std::string>{});
  EXPECT_EQ(e.inserter.TakeMessages(), std::vector<std::string>{});
}

TEST(SegmentInsertion, PointsOnTopOfEachOtherDoNotCutForEver) {
  // q' lies 0.00005 beyond q on the same axis and comes first in their cell,
  // so the position of q resolves to q', and the piece a-q' is cut at q again.
  TestNetwork net({{0, 0}, {10.00005, 0}, {10, 0}, {20, 0}, {5, 3}, {5, -3}, {15, 3}, {15, -3}});
  net.InsertAll();
  Enforcer e(net);
  EXPECT_EQ(e.inserter.InsertSegment(At(net, 4), At(net, 7)), kSegmentEnforced);
  EXPECT_EQ(CheckNetwork(net.store()), std::vector<std::string>{});
}

TEST(SegmentInsertion, PolylineEqualsItsSegmentsAndCrossingLinesStayValid) {
  // Random polylines through random points, crossing each other and
  // themselves: every crossing replaces the earlier fixed edge.
  std::mt19937_64 rng(21);
  std::uniform_real_distribution<double> u(0, 1000);
  std::vector<XY> survey;
  for (int i = 0; i < 3000; ++i) survey.push_back({300000 + u(rng), 200000 + u(rng)});
  TestNetwork bySegment(survey), byLine(survey);
  bySegment.InsertAll();
  byLine.InsertAll();
  Enforcer e1(bySegment), e2(byLine);
  std::uniform_int_distribution<int32_t> anyPoint(4, 3003);
  for (int line = 0; line < 40; ++line) {
    std::vector<PlanePosition> positions;
    for (int j = 0; j < 12; ++j) positions.push_back(At(byLine, anyPoint(rng)));
    for (size_t j = 1; j < positions.size(); ++j) e1.inserter.InsertSegment(positions[j - 1], positions[j]);
    e2.inserter.InsertPolyline(positions);
  }
  EXPECT_TRUE(SameTables(byLine, bySegment.triangles, bySegment.points));
  EXPECT_EQ(CheckNetwork(byLine.store()), std::vector<std::string>{});
}

TEST(SegmentInsertion, LinesThroughPointsOnSlantedSegmentsLeaveNoZeroArea) {
  // Points exactly on y = x that the centred orientation puts a hair to
  // either side; then lines lying over, crossing and running back along the
  // first one.
  TestNetwork net({{-987, -789}, {1000, -789}, {1000, 1071}, {-987, 1071}},
                  {{0, 0}, {847, 847}, {952, -367}, {373, 373}, {0, 768}, {512, 512}, {20, 20}});
  net.InsertAll();
  Enforcer e(net);
  const PlanePosition lines[3][2] = {
      {{0, 0}, {847.00005, 846.99995}}, {{952, -367}, {0, 768}}, {{512, 512}, {0, 0}}};
  for (const auto& line : lines) {
    EXPECT_EQ(e.inserter.InsertSegment(line[0], line[1]), kSegmentEnforced);
    EXPECT_EQ(CheckNetwork(net.store()), std::vector<std::string>{});
    EXPECT_EQ(testing::NonDelaunayEdges(net.store()), std::vector<std::string>{});
  }
  EXPECT_TRUE(FixedEdge(net.store(), 4, 10));
  EXPECT_TRUE(FixedEdge(net.store(), 10, 7));
  EXPECT_TRUE(FixedEdge(net.store(), 7, 9));

  // The same over many small networks with runs of points on slanted lines.
  std::mt19937_64 rng(7);
  std::uniform_int_distribution<int> coordinate(-1000, 1000), step(-5, 5), multiple(0, 49);
  for (int run = 0; run < 300; ++run) {
    std::vector<XY> survey{{double(coordinate(rng)), double(coordinate(rng))}};
    while (survey.size() < 30) {
      const XY o = survey[rng() % survey.size()];
      const int m = multiple(rng);
      survey.push_back(rng() % 2 ? XY{o.x + step(rng) * m, o.y + step(rng) * m}
                                 : XY{double(coordinate(rng)), double(coordinate(rng))});
    }
    TestNetwork random(survey, 50);
    random.InsertAll();
    Enforcer r(random);
    std::uniform_int_distribution<int32_t> anyPoint(4, 33);
    for (int k = 0; k < 6; ++k) {
      r.inserter.InsertSegment(At(random, anyPoint(rng)), At(random, anyPoint(rng)));
      ASSERT_EQ(CheckNetwork(random.store()), std::vector<std::string>{}) << "run " << run;
    }
  }
}

TEST(SegmentInsertion, LineThroughHundredsOfPointsIsFixedThroughout) {
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> u(0, 1000);
  std::vector<XY> survey;
  for (int i = 0; i < 300; ++i) survey.push_back({i * 3.0 + 50, 500});
  for (int i = 0; i < 100; ++i) survey.push_back({u(rng), u(rng)});
  TestNetwork net(survey);
  net.InsertAll();
  Enforcer e(net);
  EXPECT_EQ(e.inserter.InsertSegment(At(net, 4), At(net, 303)), kSegmentEnforced);
  int fixed = 0;
  for (int32_t p = 4; p < 303; ++p) fixed += FixedEdge(net.store(), p, p + 1);
  EXPECT_EQ(fixed, 299);
  EXPECT_EQ(CheckNetwork(net.store()), std::vector<std::string>{});
}

}  // namespace
}  // namespace quarvelin
