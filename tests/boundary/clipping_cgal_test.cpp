// Clipping to rings against CGAL: a triangle must be kept exactly when an
// odd number of rings hold its centroid, by CGAL's point-in-polygon test;
// on the road survey the kept area must be the corridor ring's.
#include <gtest/gtest.h>

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_2.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>

#include "boundary/boundary_clipping.h"
#include "support/project_fixture.h"
#include "support/test_network.h"

namespace quarvelin {
namespace {

namespace fs = std::filesystem;
using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using Polygon = CGAL::Polygon_2<Kernel>;
using testing::XY;
using Ring = std::vector<XY>;

struct Scenario {
  const char* name;
  std::vector<Ring> rings;
  std::vector<Ring> breaklines;  // forced in before the rings
  int walks;                     // separate walks round the kept triangles
};

// Rings' kept triangles against CGAL, for one scenario on a random survey.
void CheckScenario(const Scenario& s) {
  SCOPED_TRACE(s.name);
  std::mt19937 random(7);
  std::uniform_real_distribution<double> coordinate(0, 100);
  std::vector<XY> survey;
  for (int i = 0; i < 600; ++i) survey.push_back({coordinate(random), coordinate(random)});
  for (const auto* lines : {&s.rings, &s.breaklines}) {
    for (const Ring& r : *lines) survey.insert(survey.end(), r.begin(), r.end());
  }
  testing::TestNetwork net(survey);
  net.InsertAll();
  testing::TempDirectory dir;
  fs::create_directories(dir.path() / "PMAP");
  ModelStore& store = net.store();
  store.projectDirectory = dir.path().string();
  SegmentInserter segments(store, net.work());
  for (const Ring& line : s.breaklines) {
    for (size_t j = 1; j < line.size(); ++j) segments.InsertSegment({line[j - 1].x, line[j - 1].y}, {line[j].x, line[j].y});
  }

  std::ofstream ringFile((dir.path() / "rings.pl").string());
  for (const Ring& r : s.rings) {
    ringFile << r.size() << "\n";
    for (const XY& p : r) ringFile << testing::ExactText(p.x) << " " << testing::ExactText(p.y) << " 0\n";
  }
  ringFile.close();
  BoundaryRings rings;
  ASSERT_TRUE(ReadBoundaryRings((dir.path() / "rings.pl").string(), rings).ok());
  const Status resolved = ResolveBoundaryRings(store, rings);
  ASSERT_TRUE(resolved.ok()) << resolved.message;
  const Result<ClipEnd> clipped = ClipToRings(store, segments, rings);
  ASSERT_EQ(clipped.code, ClipEnd::kClipped) << clipped.message;
  EXPECT_EQ(testing::CheckNetwork(store), std::vector<std::string>{});

  std::vector<Polygon> polygons(s.rings.size());
  size_t ringEdges = 0;
  for (size_t r = 0; r < s.rings.size(); ++r) {
    for (const XY& p : s.rings[r]) polygons[r].push_back({p.x, p.y});
    ringEdges += s.rings[r].size();
  }
  for (int32_t t = 0; t <= store.lastTriangle; ++t) {
    const TriangleRecord& tri = store.triangles[t];
    const PointRecord &a = store.points[tri.vertex[0]], &b = store.points[tri.vertex[1]], &c = store.points[tri.vertex[2]];
    const Kernel::Point_2 centroid((a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3);
    int holding = 0;
    for (const Polygon& p : polygons) holding += p.bounded_side(centroid) == CGAL::ON_BOUNDED_SIDE;
    ASSERT_EQ(tri.state != kRemovedTriangle, holding % 2 == 1) << "triangle " << t;
  }
  // Edge.inf: every ring edge once, and a step out and back to each walk
  // after the first.
  std::ifstream edges((dir.path() / "PMAP" / "Edge.inf").string());
  size_t count = 0;
  edges >> count;
  EXPECT_EQ(count, ringEdges + 2 * static_cast<size_t>(s.walks - 1));
}

Ring Star(double cx, double cy, double radius, int corners, bool clockwise) {
  Ring ring;
  for (int k = 0; k < corners; ++k) {
    const double angle = (clockwise ? -1 : 1) * 6.283185307179586 * k / corners;
    ring.push_back({cx + radius * (1 + 0.2 * (k % 3)) * std::cos(angle), cy + radius * std::sin(angle)});
  }
  return ring;
}

TEST(BoundaryClipping, KeepsWhatAnOddNumberOfRingsHold) {
  CheckScenario({"outer, hole, island in the hole", {Star(50, 50, 35, 11, true), Star(50, 50, 15, 7, false),
                                                     Star(52, 50, 5, 5, true)}, {}, 3});
  CheckScenario({"two outer rings, a hole in one", {Star(25, 50, 14, 6, false), Star(75, 50, 14, 9, false),
                                                    Star(77, 50, 6, 4, true)}, {}, 3});
  CheckScenario({"a hole touching the outer ring at one vertex",
                 {{{10, 10}, {90, 10}, {90, 90}, {10, 90}, {10, 50}}, {{10, 50}, {40, 40}, {40, 60}}}, {}, 1});
  // The ring replaces the breakline's edges where it crosses them.
  CheckScenario({"a ring crossing a breakline", {{{20, 20}, {80, 25}, {75, 80}, {25, 70}}},
                 {{{3, 50}, {40, 51}, {97, 49}}, {{50, 2}, {50, 98}}}, 1});
}

// The bundled road survey with its breaklines and the corridor's own ring,
// through the programs: every kept triangle lies inside the ring and the kept
// area is the ring's.
TEST(BoundaryClipping, TheRoadSurveyKeepsItsCorridor) {
  const fs::path data = testing::SourceDirectory() / "data" / "m3_terrain";
  testing::TempDirectory dir;
  const fs::path project = dir.path() / "road";
  ASSERT_EQ(testing::RunProgram("quarvelin-prepare", {"--quiet", "--points", (data / "points.xyz").string(),
                                                      "--breaklines", (data / "breaklines.pl").string(), "--boundary",
                                                      (data / "boundary.pl").string(), "--project", project.string()})
                .status,
            0);
  const testing::ProgramResult run = testing::RunProgram("quarvelin-cli", {"--project", project.string(), "--quiet"});
  ASSERT_EQ(run.status, 0) << run.err;

  std::ifstream in((data / "boundary.pl").string());
  size_t count = 0;
  in >> count;
  Polygon ring;
  for (double x, y, z; count-- > 1 && in >> x >> y >> z;) ring.push_back({x, y});  // the last repeats the first
  const std::string points = testing::ReadFileBytes(project / "PMAP" / "Point.xyz");
  const std::string tin = testing::ReadFileBytes(project / "PMAP" / "TIN.tri");
  const auto* p = reinterpret_cast<const PointRecord*>(points.data());
  double keptArea = 0;
  for (size_t t = 0; t < tin.size() / sizeof(TriangleRecord); ++t) {
    TriangleRecord tri;
    std::memcpy(&tri, tin.data() + t * sizeof tri, sizeof tri);
    if (tri.state == kRemovedTriangle || tri.vertex[0] == tri.vertex[1]) continue;
    Kernel::Point_2 v[3];
    for (int k = 0; k < 3; ++k) {
      v[k] = {p[tri.vertex[k]].x, p[tri.vertex[k]].y};
      ASSERT_NE(ring.bounded_side(v[k]), CGAL::ON_UNBOUNDED_SIDE);
    }
    ASSERT_EQ(ring.bounded_side(CGAL::centroid(v[0], v[1], v[2])), CGAL::ON_BOUNDED_SIDE);
    keptArea += CGAL::area(v[0], v[1], v[2]);
  }
  EXPECT_NEAR(keptArea, std::fabs(CGAL::to_double(ring.area())), 1e-6);
}

}  // namespace
}  // namespace quarvelin
