// The network after enforcement against an independent constrained Delaunay
// triangulation of the same points and segments.
#include <CGAL/Constrained_Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Triangulation_vertex_base_with_info_2.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>

#include "breaklines/segment_insertion.h"
#include "support/project_fixture.h"
#include "support/test_network.h"

namespace quarvelin {
namespace {

using testing::CheckNetwork;
using testing::LiveEdges;
using testing::OrientationSign;
using testing::TestNetwork;
using testing::XY;

using K = CGAL::Exact_predicates_inexact_constructions_kernel;
using Vb = CGAL::Triangulation_vertex_base_with_info_2<int32_t, K>;
using Fb = CGAL::Constrained_triangulation_face_base_2<K>;
using Tds = CGAL::Triangulation_data_structure_2<Vb, Fb>;
using Cdt = CGAL::Constrained_Delaunay_triangulation_2<K, Tds, CGAL::Exact_predicates_tag>;

using Edge = std::pair<int32_t, int32_t>;

Edge Undirected(int32_t u, int32_t w) { return {std::min(u, w), std::max(u, w)}; }

// A survey with lines through its points: closed rings round a few centres,
// as contours lie, and open polylines that cross nothing placed before them.
struct LinedSurvey {
  std::vector<XY> points;
  std::vector<std::vector<int32_t>> lines;  // point records, 4 = first survey point
};

bool SegmentsCross(const XY& p, const XY& q, const XY& r, const XY& s) {
  auto side = [](const XY& a, const XY& b, const XY& c) {
    const long double v = (static_cast<long double>(b.x) - a.x) * (static_cast<long double>(c.y) - a.y) -
                          (static_cast<long double>(b.y) - a.y) * (static_cast<long double>(c.x) - a.x);
    return v > 0 ? 1 : v < 0 ? -1 : 0;
  };
  return side(p, q, r) * side(p, q, s) <= 0 && side(r, s, p) * side(r, s, q) <= 0;
}

LinedSurvey MakeSurvey(uint64_t seed, int scattered, int rings, int openLines) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> u(0, 1000), unit(0, 1);
  LinedSurvey s;
  std::vector<std::pair<XY, XY>> placed;
  auto addPoint = [&](XY p) {
    s.points.push_back({400000 + p.x, 300000 + p.y});
    return static_cast<int32_t>(s.points.size()) + 3;
  };
  for (int k = 0; k < rings; ++k) {
    const XY centre{200 + 600 * unit(rng), 200 + 600 * unit(rng)};
    const double radius = 20 + 60 * unit(rng);
    const int n = 8 + static_cast<int>(40 * unit(rng));
    std::vector<int32_t> ring;
    for (int j = 0; j < n; ++j) {
      const double angle = 2 * M_PI * (j + 0.3 * unit(rng)) / n;
      const double r = radius * (0.9 + 0.2 * unit(rng));
      ring.push_back(addPoint({centre.x + r * std::cos(angle), centre.y + r * std::sin(angle)}));
    }
    ring.push_back(ring.front());
    bool crosses = false;
    for (size_t j = 0; j + 1 < ring.size() && !crosses; ++j) {
      for (const auto& [p, q] : placed) {
        crosses = crosses || SegmentsCross(s.points[ring[j] - 4], s.points[ring[j + 1] - 4], p, q);
      }
    }
    if (crosses) continue;  // its points stay, as survey points
    for (size_t j = 0; j + 1 < ring.size(); ++j) placed.push_back({s.points[ring[j] - 4], s.points[ring[j + 1] - 4]});
    s.lines.push_back(ring);
  }
  for (int i = 0; i < scattered; ++i) addPoint({u(rng), u(rng)});
  const int32_t pointRecords = static_cast<int32_t>(s.points.size()) + 4;
  std::uniform_int_distribution<int32_t> anyPoint(4, pointRecords - 1);
  for (int k = 0; k < openLines; ++k) {
    std::vector<int32_t> line = {anyPoint(rng)};
    for (int j = 0; j < 30; ++j) {
      // The next vertex: a point not far from the last that crosses nothing.
      const XY& from = s.points[line.back() - 4];
      int32_t next = -1;
      for (int attempt = 0; attempt < 40 && next < 0; ++attempt) {
        const int32_t c = anyPoint(rng);
        const XY& to = s.points[c - 4];
        if (std::find(line.begin(), line.end(), c) != line.end() || std::hypot(to.x - from.x, to.y - from.y) > 150) continue;
        bool crosses = false;
        for (const auto& [p, q] : placed) {
          const bool shared = (p.x == from.x && p.y == from.y) || (q.x == from.x && q.y == from.y) ||
                              (p.x == to.x && p.y == to.y) || (q.x == to.x && q.y == to.y);
          if (!shared && SegmentsCross(from, to, p, q)) crosses = true;
        }
        if (!crosses) next = c;
      }
      if (next < 0) break;
      placed.push_back({from, s.points[next - 4]});
      line.push_back(next);
    }
    if (line.size() > 1) s.lines.push_back(line);
  }
  return s;
}

std::set<Edge> CgalEdges(const TestNetwork& net, const LinedSurvey& s) {
  Cdt cdt;
  std::vector<Cdt::Vertex_handle> handles(net.points.size());
  for (size_t p = 0; p < net.points.size(); ++p) {
    handles[p] = cdt.insert(Cdt::Point(net.points[p].x, net.points[p].y));
    handles[p]->info() = static_cast<int32_t>(p);
  }
  for (const auto& line : s.lines) {
    for (size_t j = 0; j + 1 < line.size(); ++j) cdt.insert_constraint(handles[line[j]], handles[line[j + 1]]);
  }
  std::set<Edge> edges;
  for (auto e = cdt.finite_edges_begin(); e != cdt.finite_edges_end(); ++e) {
    const auto f = e->first;
    edges.insert(Undirected(f->vertex(Cdt::cw(e->second))->info(), f->vertex(Cdt::ccw(e->second))->info()));
  }
  return edges;
}

// Undirected edges marked fixed; an edge fixed on one side only is reported
// by CheckNetwork.
std::set<Edge> FixedEdges(const ModelStore& store) {
  std::set<Edge> fixed;
  for (int32_t t = 0; t <= store.lastTriangle; ++t) {
    const TriangleRecord& tri = store.triangles[t];
    for (int k = 0; k < 3; ++k) {
      if (tri.edgeMark[k] == kFixedEdge) fixed.insert(Undirected(tri.vertex[(k + 1) % 3], tri.vertex[(k + 2) % 3]));
    }
  }
  return fixed;
}

// A chain that meets a vertex twice: the segment passes an outer triangle on
// all three of its sides.
bool HasRepeatedVertex(std::vector<int32_t> chain) {
  std::sort(chain.begin(), chain.end());
  return std::adjacent_find(chain.begin(), chain.end()) != chain.end();
}

struct Enforcement {
  size_t cavities = 0;          // segments that were not edges before
  size_t repeatedVertices = 0;  // cavities whose chains meet a vertex twice
};

Enforcement ExpectSameAsCgal(uint64_t seed, int scattered, int rings, int openLines) {
  const LinedSurvey s = MakeSurvey(seed, scattered, rings, openLines);
  TestNetwork net(s.points, 50);
  net.InsertAll();
  const int32_t lastTriangle = net.store().lastTriangle;
  SegmentInserter inserter(net.store(), net.work());
  std::set<Edge> segments;
  Enforcement result;
  for (const auto& line : s.lines) {
    for (size_t j = 0; j + 1 < line.size(); ++j) {
      const PointRecord &p = net.points[line[j]], &q = net.points[line[j + 1]];
      StartWedge w;
      CavityWorkspace& cavity = inserter.workspace();
      if (inserter.FindStartWedge(line[j], line[j + 1], w) &&
          CollectCavity(net.store(), cavity, w.triangle, w.position, line[j], line[j + 1]) == CavityWalk::kReachedEnd) {
        ++result.cavities;
        result.repeatedVertices += HasRepeatedVertex(cavity.leftChain) || HasRepeatedVertex(cavity.rightChain);
      }
      cavity.Release();
      EXPECT_EQ(inserter.InsertSegment({p.x, p.y}, {q.x, q.y}), kSegmentEnforced);
      segments.insert(Undirected(line[j], line[j + 1]));
    }
  }
  const std::vector<Edge> live = LiveEdges(net.store());
  EXPECT_EQ(std::set<Edge>(live.begin(), live.end()), CgalEdges(net, s)) << "seed " << seed;
  EXPECT_EQ(FixedEdges(net.store()), segments) << "seed " << seed;
  EXPECT_EQ(CheckNetwork(net.store()), std::vector<std::string>{});
  EXPECT_EQ(net.store().lastTriangle, lastTriangle);
  EXPECT_TRUE(inserter.TakeMessages().empty());
  return result;
}

TEST(ConstrainedCgal, RingsAndOpenLinesMatchTheConstrainedDelaunayTriangulation) {
  size_t cavities = 0;
  for (uint64_t seed = 1; seed <= 12; ++seed) cavities += ExpectSameAsCgal(seed, 400, 6, 10).cavities;
  EXPECT_GT(cavities, 100u);
}

// About one cavity in forty has a chain that meets a vertex twice.
TEST(ConstrainedCgal, LargeSurveyWithLongLines) {
  const Enforcement e = ExpectSameAsCgal(99, 10000, 25, 40);
  EXPECT_GT(e.cavities, 200u);
  EXPECT_GT(e.repeatedVertices, 0u);
}

}  // namespace
}  // namespace quarvelin
