// Whole builds on generated surveys, timed beside CGAL's Delaunay
// triangulation of the same points, the sort of the cell order, and the peak
// resident memory of a build against the size of its two table files.
//
//   bench_build [--quick] [--keep DIR]
//
// Each build runs in a child process of this program (started again with
// --build-child), so that its peak memory is its own. --quick leaves out the
// 4 M-point survey.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "../tests/support/project_fixture.h"
#include "build/build_run.h"
#include "store/cell_order.h"
#include "store/model_store.h"
#include "store/point_import.h"

#ifdef QUARVELIN_WITH_CGAL
#include <CGAL/Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#endif

namespace fs = std::filesystem;
using quarvelin::testing::SurveyXYZ;

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::vector<SurveyXYZ> UniformSurvey(size_t count, uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> u(0, 10000);
  std::vector<SurveyXYZ> survey(count);
  for (SurveyXYZ& p : survey) {
    p.x = 500000 + u(rng);
    p.y = 3000000 + u(rng);
    p.z = 100 + u(rng) / 100;
  }
  return survey;
}

// Gridded elevation data: integer coordinates 10 m apart.
std::vector<SurveyXYZ> LatticeSurvey(int side) {
  std::vector<SurveyXYZ> survey;
  survey.reserve(static_cast<size_t>(side) * static_cast<size_t>(side));
  for (int i = 0; i < side; ++i)
    for (int j = 0; j < side; ++j) survey.push_back({500000.0 + 10 * i, 3000000.0 + 10 * j, 100});
  return survey;
}

#ifdef QUARVELIN_WITH_CGAL
using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using Delaunay = CGAL::Delaunay_triangulation_2<Kernel>;

// The points of the project's table as the build sees them, frame corners
// included.
std::vector<Kernel::Point_2> TablePoints(const fs::path& project) {
  const std::string bytes = quarvelin::testing::ReadFileBytes(project / "PMAP" / "Point.xyz");
  const size_t n = bytes.size() / sizeof(quarvelin::PointRecord);
  std::vector<Kernel::Point_2> points;
  points.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    quarvelin::PointRecord r;
    std::memcpy(&r, bytes.data() + i * sizeof r, sizeof r);
    points.emplace_back(r.x, r.y);
  }
  return points;
}

// CGAL's own way: the range insert, which sorts the points along a space-
// filling curve first.
double CgalSeconds(const std::vector<Kernel::Point_2>& points) {
  auto start = std::chrono::steady_clock::now();
  Delaunay dt;
  dt.insert(points.begin(), points.end());
  double seconds = SecondsSince(start);
  if (dt.number_of_vertices() == 0) std::printf("(empty CGAL triangulation)\n");
  return seconds;
}

// The order in which the build inserts the survey points (frame corners
// first) and, for each, the point whose triangle its walk starts from: the
// first point of its cell, or the point inserted before it.
struct InsertionOrder {
  std::vector<int32_t> order;
  std::vector<int32_t> start;
};

InsertionOrder BuildOrder(const fs::path& project) {
  InsertionOrder result;
  quarvelin::ModelStore store;
  store.projectDirectory = project.string();
  std::string message;
  if (!quarvelin::ImportPoints(store, message)) return result;
  quarvelin::BuildCellOrder(store);
  for (int32_t p = 0; p < 4; ++p) {
    result.order.push_back(p);
    result.start.push_back(p - 1);
  }
  std::vector<bool> inserted(static_cast<size_t>(store.pointCount), false);
  RunInsertionWalk(store, [] {}, [&](int32_t p) {
    const int32_t first = store.grid.cells[static_cast<size_t>(store.grid.CellAt(store.points[p].x, store.points[p].y))].firstPoint;
    result.start.push_back(inserted[static_cast<size_t>(first)] ? first : result.order.back());
    result.order.push_back(p);
    inserted[static_cast<size_t>(p)] = true;
  });
  quarvelin::CloseModelStore(store);
  return result;
}

// CGAL inserting one point at a time in the build's order, each located from
// the vertex the build's walk would start near: what the documented order
// costs an engine built for speed.
double CgalSameOrderSeconds(const std::vector<Kernel::Point_2>& points, const InsertionOrder& order) {
  std::vector<Delaunay::Vertex_handle> vertices(points.size());
  auto start = std::chrono::steady_clock::now();
  Delaunay dt;
  for (size_t k = 0; k < order.order.size(); ++k) {
    const int32_t p = order.order[k], from = order.start[k];
    Delaunay::Face_handle hint = from >= 0 && vertices[static_cast<size_t>(from)] != Delaunay::Vertex_handle()
                                     ? vertices[static_cast<size_t>(from)]->face()
                                     : Delaunay::Face_handle();
    vertices[static_cast<size_t>(p)] = dt.insert(points[static_cast<size_t>(p)], hint);
  }
  return SecondsSince(start);
}
#endif

int BuildChild(const char* project) {
  quarvelin::testing::SilentReporter reporter;
  auto start = std::chrono::steady_clock::now();
  quarvelin::BuildOutcome outcome = quarvelin::BuildProject(project, {}, reporter);
  std::printf("%.6f %d\n", SecondsSince(start), outcome.completed ? 1 : 0);
  return outcome.completed ? 0 : 1;
}

struct ChildResult {
  double seconds = -1;
  long peakKilobytes = 0;
};

// Runs the build of `project` in a fresh process of this program.
ChildResult RunBuildChild(const fs::path& project) {
  ChildResult result;
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return result;
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipeEnds[1], STDOUT_FILENO);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    std::string projectText = project.string();
    char flag[] = "--build-child";
    char* args[] = {flag, flag, projectText.data(), nullptr};
    ::execv("/proc/self/exe", args);
    std::_Exit(127);
  }
  ::close(pipeEnds[1]);
  char text[128] = {};
  ssize_t got = ::read(pipeEnds[0], text, sizeof text - 1);
  ::close(pipeEnds[0]);
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  int completed = 0;
  if (got > 0 && std::sscanf(text, "%lf %d", &result.seconds, &completed) == 2 && completed == 1 && WIFEXITED(status) &&
      WEXITSTATUS(status) == 0) {
    result.peakKilobytes = usage.ru_maxrss;
  } else {
    result.seconds = -1;
  }
  return result;
}

void BenchSurvey(const char* name, const std::vector<SurveyXYZ>& survey, const fs::path& root) {
  const fs::path project = root / name;
  if (!quarvelin::testing::WriteProjectFiles(project, survey)) {
    std::printf("%-16s cannot write the project in %s\n", name, project.string().c_str());
    return;
  }
  const double tableMegabytes =
      static_cast<double>(fs::file_size(project / "PMAP" / "Point.xyz") + fs::file_size(project / "PMAP" / "TIN.tri")) /
      (1024.0 * 1024.0);
  ChildResult build = RunBuildChild(project);
  if (build.seconds < 0) {
    std::printf("%-16s build failed\n", name);
    return;
  }
  const double n = static_cast<double>(survey.size());
  const double peakMegabytes = static_cast<double>(build.peakKilobytes) / 1024.0;
  std::printf("%-16s %9zu points  build %8.3f s  %10.0f points/s  peak RSS %8.1f MB  tables %8.1f MB  (RSS/tables %.2f)\n",
              name, survey.size(), build.seconds, n / build.seconds, peakMegabytes, tableMegabytes,
              peakMegabytes / tableMegabytes);
#ifdef QUARVELIN_WITH_CGAL
  const InsertionOrder order = BuildOrder(project);
  const std::vector<Kernel::Point_2> points = TablePoints(project);
  const double cgal = CgalSeconds(points);
  std::printf("%-16s %9s         CGAL  %8.3f s  %10.0f points/s  build/CGAL %.2f\n", "", "", cgal, n / cgal,
              build.seconds / cgal);
  const double sameOrder = CgalSameOrderSeconds(points, order);
  std::printf("%-16s %9s   CGAL, build's order %8.3f s  %10.0f points/s  build/CGAL %.2f\n", "", "", sameOrder,
              n / sameOrder, build.seconds / sameOrder);
#endif
  std::fflush(stdout);
  std::error_code ec;
  fs::remove_all(project, ec);
}

void BenchCellOrder() {
  constexpr int32_t kCells = 250000;
  std::vector<quarvelin::CellOrderEntry> entries(kCells);
  for (int32_t k = 0; k < kCells; ++k) entries[static_cast<size_t>(k)] = {k, 1};
  auto start = std::chrono::steady_clock::now();
  quarvelin::SortCellOrder(entries.data(), kCells);
  std::printf("SortCellOrder   %9d cells of equal count  %8.4f s\n", kCells, SecondsSince(start));

  std::mt19937 rng(1);
  std::uniform_int_distribution<int32_t> count(1, 40);
  for (int32_t k = 0; k < kCells; ++k) entries[static_cast<size_t>(k)] = {k, count(rng)};
  start = std::chrono::steady_clock::now();
  quarvelin::SortCellOrder(entries.data(), kCells);
  std::printf("SortCellOrder   %9d cells, counts 1..40     %8.4f s\n", kCells, SecondsSince(start));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--build-child") == 0) return BuildChild(argv[2]);
  bool quick = false;
  fs::path root = fs::temp_directory_path() / ("quarvelin-bench-" + std::to_string(::getpid()));
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) quick = true;
    else if (std::strcmp(argv[i], "--keep") == 0 && i + 1 < argc) root = argv[++i];
  }
  fs::create_directories(root);

  BenchCellOrder();
  BenchSurvey("uniform 100k", UniformSurvey(100000, 1), root);
  BenchSurvey("uniform 1M", UniformSurvey(1000000, 2), root);
  BenchSurvey("lattice 1000x1000", LatticeSurvey(1000), root);
  if (!quick) BenchSurvey("uniform 4M", UniformSurvey(4000000, 3), root);

  std::error_code ec;
  fs::remove_all(root, ec);
  return 0;
}
