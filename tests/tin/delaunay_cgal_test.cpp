// The network against an independent Delaunay triangulation: for points in
// general position the Delaunay triangulation is unique, so the edges of the
// untrimmed network (frame corners included) must be exactly CGAL's. Where
// it is not unique (lattices, collinear points) the network must still be a
// sound triangulation of every point.
#include <CGAL/Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Triangulation_vertex_base_with_info_2.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "support/test_network.h"

namespace quarvelin {
namespace {

using testing::CheckNetwork;
using testing::LiveEdges;
using testing::TestNetwork;
using testing::XY;

using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using VertexBase = CGAL::Triangulation_vertex_base_with_info_2<int32_t, Kernel>;
using Tds = CGAL::Triangulation_data_structure_2<VertexBase>;
using Delaunay = CGAL::Delaunay_triangulation_2<Kernel, Tds>;

// CGAL's edges between the points of the table, each as (low, high) index.
std::vector<std::pair<int32_t, int32_t>> CgalEdges(const std::vector<PointRecord>& points) {
  std::vector<std::pair<Kernel::Point_2, int32_t>> input;
  for (size_t i = 0; i < points.size(); ++i) input.push_back({{points[i].x, points[i].y}, static_cast<int32_t>(i)});
  Delaunay dt;
  dt.insert(input.begin(), input.end());
  std::vector<std::pair<int32_t, int32_t>> edges;
  for (auto e = dt.finite_edges_begin(); e != dt.finite_edges_end(); ++e) {
    int32_t a = e->first->vertex(Delaunay::cw(e->second))->info();
    int32_t b = e->first->vertex(Delaunay::ccw(e->second))->info();
    edges.push_back({std::min(a, b), std::max(a, b)});
  }
  std::sort(edges.begin(), edges.end());
  return edges;
}

void ExpectSameAsCgal(const std::vector<XY>& survey, const char* what) {
  SCOPED_TRACE(what);
  TestNetwork net(survey);
  net.InsertAll();
  const ModelStore& s = net.store();
  ASSERT_EQ(CheckNetwork(s), std::vector<std::string>{});
  EXPECT_EQ(net.inserter().counts().inserted, static_cast<int32_t>(survey.size()));
  EXPECT_EQ(s.lastTriangle, 2 * static_cast<int32_t>(survey.size()) + 1);
  const auto ours = LiveEdges(s);
  const auto theirs = CgalEdges(net.points);
  EXPECT_EQ(ours.size(), theirs.size());
  std::vector<std::pair<int32_t, int32_t>> onlyOurs, onlyTheirs;
  std::set_difference(ours.begin(), ours.end(), theirs.begin(), theirs.end(), std::back_inserter(onlyOurs));
  std::set_difference(theirs.begin(), theirs.end(), ours.begin(), ours.end(), std::back_inserter(onlyTheirs));
  EXPECT_TRUE(onlyOurs.empty()) << onlyOurs.size() << " edges only in the network, e.g. " << onlyOurs[0].first
                                << "-" << onlyOurs[0].second;
  EXPECT_TRUE(onlyTheirs.empty()) << onlyTheirs.size() << " edges only in CGAL's";
}

std::vector<XY> Uniform(std::mt19937_64& rng, int n, double x0, double y0, double side) {
  std::uniform_real_distribution<double> u(0, side);
  std::vector<XY> survey;
  for (int i = 0; i < n; ++i) survey.push_back({x0 + u(rng), y0 + u(rng)});
  return survey;
}

// Dense clumps of points with empty ground between them, as along roads.
std::vector<XY> Clustered(std::mt19937_64& rng, int n, double x0, double y0) {
  std::uniform_real_distribution<double> centre(0, 5000);
  std::normal_distribution<double> spread(0, 15);
  std::vector<XY> survey;
  while (static_cast<int>(survey.size()) < n) {
    const double cx = x0 + centre(rng), cy = y0 + centre(rng);
    for (int k = 0; k < 200 && static_cast<int>(survey.size()) < n; ++k) {
      survey.push_back({cx + spread(rng), cy + spread(rng)});
    }
  }
  return survey;
}

TEST(DelaunayAgainstCgal, UniformPoints) {
  for (uint64_t seed : {1u, 2u, 3u}) {
    std::mt19937_64 rng(seed);
    ExpectSameAsCgal(Uniform(rng, 3000, 0, 0, 2000), "uniform near the origin");
  }
}

TEST(DelaunayAgainstCgal, SurveyCoordinates) {
  for (uint64_t seed : {4u, 5u, 6u}) {
    std::mt19937_64 rng(seed);
    ExpectSameAsCgal(Uniform(rng, 3000, 500000, 3000000, 3000), "uniform at survey offsets");
  }
  std::mt19937_64 rng(7);
  // Millimetre-rounded coordinates, as surveys record them.
  std::vector<XY> survey = Uniform(rng, 4000, 500000, 3000000, 800);
  for (XY& p : survey) {
    p.x = std::round(p.x * 1000) / 1000;
    p.y = std::round(p.y * 1000) / 1000;
  }
  ExpectSameAsCgal(survey, "millimetre survey");
}

TEST(DelaunayAgainstCgal, ClusteredPoints) {
  for (uint64_t seed : {8u, 9u}) {
    std::mt19937_64 rng(seed);
    ExpectSameAsCgal(Clustered(rng, 4000, 500000, 3000000), "clustered");
  }
}

// Degenerate input has many Delaunay triangulations: the network need not be
// CGAL's, but it must be sound and hold every point.
void ExpectSound(const std::vector<XY>& survey, double margin, int32_t expectedInserted) {
  TestNetwork net(survey, margin);
  net.InsertAll();
  const ModelStore& s = net.store();
  EXPECT_EQ(CheckNetwork(s), std::vector<std::string>{});
  const InsertionCounts& c = net.inserter().counts();
  EXPECT_EQ(c.inserted, expectedInserted);
  EXPECT_EQ(c.unplaced + c.degenerate, 0);
  EXPECT_EQ(s.lastTriangle, 2 * c.inserted + 1);
  for (int32_t p = 4; p < s.pointCount; ++p) {
    if (s.points[p].incidentTriangle < 0) ADD_FAILURE() << "point " << p << " is in no triangle";
  }
}

TEST(DelaunayAgainstCgal, LatticeOfAMillionPoints) {
  // Gridded elevation data, 10 m apart: a hundred points to a grid cell.
  std::vector<XY> survey;
  survey.reserve(1000000);
  for (int i = 0; i < 1000; ++i)
    for (int j = 0; j < 1000; ++j) survey.push_back({10.0 * i, 10.0 * j});
  ExpectSound(survey, 10, 1000000);
}

TEST(DelaunayAgainstCgal, DenseLattice) {
  // 1 m apart: ten thousand points to a grid cell, every one of them on
  // lines of others.
  std::vector<XY> survey;
  for (int i = 0; i < 200; ++i)
    for (int j = 0; j < 200; ++j) survey.push_back({static_cast<double>(i), static_cast<double>(j)});
  ExpectSound(survey, 10, 200 * 200);
}

TEST(DelaunayAgainstCgal, LatticeAtSurveyOffsets) {
  std::vector<XY> survey;
  for (int i = 0; i < 120; ++i)
    for (int j = 0; j < 120; ++j) survey.push_back({500000.0 + 5 * i, 3000000.0 + 5 * j});
  ExpectSound(survey, 10, 120 * 120);
}

TEST(DelaunayAgainstCgal, PointsOnALine) {
  std::vector<XY> diagonal, horizontal;
  for (int i = 0; i < 2000; ++i) {
    diagonal.push_back({500000.0 + 0.5 * i, 3000000.0 + 0.5 * i});
    horizontal.push_back({1000.0 + i, 2000.0});
  }
  ExpectSound(diagonal, 10, 2000);
  ExpectSound(horizontal, 10, 2000);
}

}  // namespace
}  // namespace quarvelin
