// The trimmed network against CGAL: CGAL triangulates the same points, frame
// corners included, and the triangles that must be removed are found there
// as the closure of the frame triangles under "a live triangle with an edge
// longer than the limit next to a removed one goes too". The triangles our
// build keeps must be exactly CGAL's kept triangles.
#include <gtest/gtest.h>

#include <CGAL/Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Triangulation_vertex_base_with_info_2.h>

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <random>
#include <set>

#include "boundary/boundary_edges.h"
#include "support/boundary_network.h"
#include "support/test_network.h"

namespace quarvelin {
namespace {

using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using VertexBase = CGAL::Triangulation_vertex_base_with_info_2<int32_t, Kernel>;
using Delaunay = CGAL::Delaunay_triangulation_2<Kernel, CGAL::Triangulation_data_structure_2<VertexBase>>;
using Triple = std::array<int32_t, 3>;

using testing::EdgeLength;
using testing::TestNetwork;
using testing::XY;

// The corners turned so that the smallest comes first (orientation kept).
Triple Canonical(Triple t) {
  std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
  return t;
}

std::set<Triple> CgalKept(const ModelStore& store, double limit) {
  std::vector<std::pair<Kernel::Point_2, int32_t>> points;
  for (int32_t p = 0; p < store.pointCount; ++p) points.push_back({{store.points[p].x, store.points[p].y}, p});
  Delaunay dt(points.begin(), points.end());

  std::map<Delaunay::Face_handle, bool> removed;
  std::vector<Delaunay::Face_handle> todo;
  for (auto f = dt.finite_faces_begin(); f != dt.finite_faces_end(); ++f) {
    bool frame = false;
    for (int i = 0; i < 3; ++i) frame |= f->vertex(i)->info() < 4;
    removed[f] = frame;
    if (frame) todo.push_back(f);
  }
  while (!todo.empty()) {
    Delaunay::Face_handle f = todo.back();
    todo.pop_back();
    for (int i = 0; i < 3; ++i) {
      Delaunay::Face_handle g = f->neighbor(i);
      if (dt.is_infinite(g) || removed[g]) continue;
      const int32_t a = f->vertex(f->cw(i))->info(), b = f->vertex(f->ccw(i))->info();
      if (EdgeLength(store, a, b) > limit) {
        removed[g] = true;
        todo.push_back(g);
      }
    }
  }
  std::set<Triple> kept;
  for (const auto& [f, gone] : removed) {
    if (!gone) kept.insert(Canonical({f->vertex(0)->info(), f->vertex(1)->info(), f->vertex(2)->info()}));
  }
  return kept;
}

std::set<Triple> OurKept(const ModelStore& store) {
  std::set<Triple> kept;
  for (int32_t t = 0; t <= store.lastTriangle; ++t) {
    const TriangleRecord& tri = store.triangles[t];
    if (tri.state != kRemovedTriangle) kept.insert(Canonical({tri.vertex[0], tri.vertex[1], tri.vertex[2]}));
  }
  return kept;
}

TEST(TrimmingAgainstCgal, KeptTrianglesAreTheClosureOfTheFrame) {
  std::mt19937_64 rng(23);
  size_t peeled = 0;  // triangles without a frame corner that were removed
  for (int round = 0; round < 12; ++round) {
    std::uniform_real_distribution<double> centre(0, 3000), spread(-1, 1);
    std::vector<XY> survey;
    for (int c = 0; c < 8; ++c) {
      const double cx = 400000 + centre(rng), cy = 2500000 + centre(rng), r = 100 + centre(rng) / 6;
      for (int i = 0; i < 150; ++i) survey.push_back({cx + r * spread(rng), cy + r * spread(rng)});
    }
    TestNetwork net(survey, 30 + 40 * round);
    net.InsertAll();
    const double limit = 100 + 25 * round;
    const std::set<Triple> expected = CgalKept(net.store(), limit);
    const size_t surveyOnly = CgalKept(net.store(), std::numeric_limits<double>::infinity()).size();
    PeelLongEdges(net.store(), CollectBoundaryEdges(net.store()), limit);
    const std::set<Triple> kept = OurKept(net.store());
    EXPECT_EQ(kept.size(), expected.size()) << "round " << round;
    EXPECT_TRUE(kept == expected) << "round " << round;
    peeled += surveyOnly - kept.size();
  }
  EXPECT_GT(peeled, 500u);
}

}  // namespace
}  // namespace quarvelin
