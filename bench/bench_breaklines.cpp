// Breakline and contour enforcement on a generated survey of about 1 M
// points, timed beside CGAL's constrained Delaunay triangulation of the same
// points and the same segments, in the same run.
//
//   bench_breaklines [--quick]
//
// The survey: 2,000 wavy contour-like polylines of 100 to 1,000 vertices
// (log-uniform) through survey points, scattered points between them, and a
// strip of scattered points crossed by long straight breaklines, each of
// which crosses thousands of triangles. --quick uses a tenth of everything.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "breaklines/segment_insertion.h"
#include "store/point_import.h"
#include "tin/point_insertion.h"

#ifdef QUARVELIN_WITH_CGAL
#include <CGAL/Constrained_Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Triangulation_vertex_base_with_info_2.h>
#endif

namespace {

using quarvelin::PlanePosition;

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Survey {
  std::vector<PlanePosition> points;  // survey points; record = index + 4
  std::vector<std::vector<int32_t>> contours;
  std::vector<std::vector<int32_t>> breaklines;
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
};

constexpr double kWidth = 10000;

// Contour k runs along y = 5k + 1.5 sin(...), so no two of them meet.
Survey MakeSurvey(int scale) {
  Survey s;
  std::mt19937_64 rng(2026);
  std::uniform_real_distribution<double> unit(0, 1);
  auto add = [&](double x, double y) {
    s.points.push_back({500000 + x, 3000000 + y});
    return static_cast<int32_t>(s.points.size()) + 3;
  };
  const int contourCount = 2000 / scale;
  const double spacing = kWidth / contourCount;
  for (int k = 0; k < contourCount; ++k) {
    const int n = static_cast<int>(100 * std::pow(10.0, unit(rng)));
    const double step = 8 + 8 * unit(rng);
    const double x0 = unit(rng) * std::max(0.0, kWidth - n * step);
    const double phase = 6.3 * unit(rng);
    std::vector<int32_t> line;
    for (int j = 0; j < n && x0 + j * step < kWidth; ++j) {
      const double x = x0 + j * step + 2 * unit(rng);
      line.push_back(add(x, spacing * (k + 0.5) + 0.3 * spacing * std::sin(x / 150 + phase)));
    }
    s.contours.push_back(line);
  }
  const size_t target = 1000000 / static_cast<size_t>(scale);
  // The strip above the contours holds a tenth of the scattered points,
  // denser, for the long breaklines.
  const size_t scattered = target > s.points.size() ? target - s.points.size() : 0;
  for (size_t i = 0; i < scattered * 9 / 10; ++i) add(kWidth * unit(rng), kWidth * unit(rng));
  const double stripHeight = 150.0 / scale;
  for (size_t i = 0; i < scattered / 10; ++i) add(kWidth * unit(rng), kWidth + 50 + stripHeight * unit(rng));
  for (int k = 0; k < 20; ++k) {
    const double y = kWidth + 50 + stripHeight * (k + 0.5) / 20;
    s.breaklines.push_back({add(10 + 5 * unit(rng), y + unit(rng)), add(kWidth - 10 - 5 * unit(rng), y + unit(rng))});
  }
  s.minX = s.maxX = s.points[0].x;
  s.minY = s.maxY = s.points[0].y;
  for (const PlanePosition& p : s.points) {
    s.minX = std::min(s.minX, p.x);
    s.maxX = std::max(s.maxX, p.x);
    s.minY = std::min(s.minY, p.y);
    s.maxY = std::max(s.maxY, p.y);
  }
  return s;
}

size_t SegmentCount(const std::vector<std::vector<int32_t>>& lines) {
  size_t n = 0;
  for (const auto& line : lines) n += line.size() - 1;
  return n;
}

// The tables of a build in memory, filled as the build fills them.
struct Network {
  std::vector<quarvelin::PointRecord> points;
  std::vector<quarvelin::TriangleRecord> triangles;
  quarvelin::ModelStore store;
  quarvelin::WorkStack work;
};

double Triangulate(const Survey& s, Network& net) {
  const double margin = 1000;
  const PlanePosition frame[4] = {{s.minX - margin, s.minY - margin},
                                  {s.maxX + margin, s.minY - margin},
                                  {s.maxX + margin, s.maxY + margin},
                                  {s.minX - margin, s.maxY + margin}};
  net.points.assign(s.points.size() + 4, quarvelin::PointRecord{});
  for (size_t i = 0; i < net.points.size(); ++i) {
    const PlanePosition p = i < 4 ? frame[i] : s.points[i - 4];
    net.points[i].x = p.x;
    net.points[i].y = p.y;
    net.points[i].nextInCell = -1;
    net.points[i].incidentTriangle = -1;
  }
  quarvelin::ModelStore& store = net.store;
  store.points = net.points.data();
  store.pointCount = static_cast<int32_t>(net.points.size());
  net.triangles.assign(static_cast<size_t>(store.TrianglesNeeded()), quarvelin::TriangleRecord{});
  store.triangles = net.triangles.data();
  store.triangleCapacity = static_cast<int64_t>(net.triangles.size());
  auto start = std::chrono::steady_clock::now();
  quarvelin::SizeGrid(store.grid, s.minX, s.minY, s.maxX, s.maxY);
  const size_t cells = static_cast<size_t>(store.grid.columnCount) * static_cast<size_t>(store.grid.rowCount);
  store.grid.cells.assign(cells, quarvelin::GridCell{-1, -1, -1, 0});
  store.cellOrder.resize(cells);
  quarvelin::BucketPoints(store);
  quarvelin::BuildCellOrder(store);
  quarvelin::OpenTriangleTable(store);
  quarvelin::PointInserter inserter(store, net.work);
  quarvelin::RunInsertionWalk(store, [] {}, [&](int32_t p) { inserter.InsertPoint(p); });
  return SecondsSince(start);
}

// Edges marked fixed, each counted once.
size_t FixedEdgeCount(const Network& net) {
  size_t sides = 0, boundary = 0;
  for (int32_t t = 0; t <= net.store.lastTriangle; ++t) {
    for (int k = 0; k < 3; ++k) {
      if (net.triangles[t].edgeMark[k] != quarvelin::kFixedEdge) continue;
      ++sides;
      boundary += net.triangles[t].neighbour[k] == -1;
    }
  }
  return (sides + boundary) / 2;
}

// Mean number of triangles that the segments of the lines cross, by the
// cavity walk alone (which changes nothing).
double MeanCrossed(Network& net, const std::vector<std::vector<int32_t>>& lines) {
  quarvelin::SegmentInserter inserter(net.store, net.work);
  quarvelin::CavityWorkspace& cavity = inserter.workspace();
  size_t crossed = 0, segments = 0;
  for (const auto& line : lines) {
    for (size_t j = 0; j + 1 < line.size(); ++j, ++segments) {
      quarvelin::StartWedge w;
      if (inserter.FindStartWedge(line[j], line[j + 1], w) &&
          quarvelin::CollectCavity(net.store, cavity, w.triangle, w.position, line[j], line[j + 1]) ==
              quarvelin::CavityWalk::kReachedEnd) {
        crossed += cavity.crossedTriangles.size();
      }
      cavity.Release();
    }
  }
  return segments ? static_cast<double>(crossed) / static_cast<double>(segments) : 0;
}

// Seconds; `fixed` receives the number of fixed edges afterwards.
double Enforce(Network& net, const std::vector<std::vector<int32_t>>& lines, size_t& fixed) {
  quarvelin::SegmentInserter inserter(net.store, net.work);
  auto start = std::chrono::steady_clock::now();
  std::vector<PlanePosition> positions;
  for (const auto& line : lines) {
    positions.clear();
    for (int32_t v : line) positions.push_back({net.points[v].x, net.points[v].y});
    inserter.InsertPolyline(positions);
  }
  const double seconds = SecondsSince(start);
  fixed = FixedEdgeCount(net);
  return seconds;
}

#ifdef QUARVELIN_WITH_CGAL
using K = CGAL::Exact_predicates_inexact_constructions_kernel;
using Vb = CGAL::Triangulation_vertex_base_with_info_2<int32_t, K>;
using Fb = CGAL::Constrained_triangulation_face_base_2<K>;
using Tds = CGAL::Triangulation_data_structure_2<Vb, Fb>;
using Cdt = CGAL::Constrained_Delaunay_triangulation_2<K, Tds, CGAL::Exact_predicates_tag>;

struct CgalTimes {
  double points = 0, contours = 0, breaklines = 0;
};

CgalTimes RunCgal(const Network& net, const Survey& s) {
  CgalTimes times;
  std::vector<std::pair<K::Point_2, int32_t>> input;
  input.reserve(net.points.size());
  for (size_t i = 0; i < net.points.size(); ++i) input.push_back({{net.points[i].x, net.points[i].y}, int32_t(i)});
  Cdt cdt;
  auto start = std::chrono::steady_clock::now();
  cdt.insert(input.begin(), input.end());
  std::vector<Cdt::Vertex_handle> handles(net.points.size());
  for (auto v = cdt.finite_vertices_begin(); v != cdt.finite_vertices_end(); ++v) handles[v->info()] = v;
  times.points = SecondsSince(start);
  auto constrain = [&](const std::vector<std::vector<int32_t>>& lines) {
    auto t0 = std::chrono::steady_clock::now();
    for (const auto& line : lines) {
      for (size_t j = 0; j + 1 < line.size(); ++j) cdt.insert_constraint(handles[line[j]], handles[line[j + 1]]);
    }
    return SecondsSince(t0);
  };
  times.contours = constrain(s.contours);
  times.breaklines = constrain(s.breaklines);
  return times;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  const Survey s = MakeSurvey(quick ? 10 : 1);
  std::printf("survey: %zu points, %zu contours (%zu segments), %zu long breaklines\n", s.points.size(),
              s.contours.size(), SegmentCount(s.contours), s.breaklines.size());
  Network net;
  const double insertion = Triangulate(s, net);
  std::printf("quarvelin: points %.3f s\n", insertion);
  size_t fixed = 0;
  const double contours = Enforce(net, s.contours, fixed);
  std::printf("quarvelin: contours %.3f s (%zu fixed edges for %zu segments)\n", contours, fixed,
              SegmentCount(s.contours));
  std::printf("quarvelin: each long breakline crosses %.0f triangles on average\n", MeanCrossed(net, s.breaklines));
  const double breaklines = Enforce(net, s.breaklines, fixed);
  std::printf("quarvelin: long breaklines %.3f s (%zu fixed edges for %zu more segments)\n", breaklines, fixed,
              s.breaklines.size());
#ifdef QUARVELIN_WITH_CGAL
  const CgalTimes cgal = RunCgal(net, s);
  std::printf("cgal:      points %.3f s, contours %.3f s, long breaklines %.3f s\n", cgal.points, cgal.contours,
              cgal.breaklines);
  std::printf("enforcement / cgal constraint insertion: %.2f\n", (contours + breaklines) / (cgal.contours + cgal.breaklines));
#endif
  return 0;
}
