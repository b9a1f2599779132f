// Whole builds on generated surveys, timed beside CGAL's Delaunay
// triangulation of the same points (its range insert with vertex indices),
// the same build with point location by the walk alone, the sort of the cell
// order, and the peak resident memory of a build against the size of its two
// table files.
//
//   bench_build [--quick] [--keep DIR] [--walk-all] [--repeat N]
//
// Each build runs in a child process of this program (started again with
// --build-child), so that its CPU time and peak memory are its own. --quick
// leaves out the 4 M-point surveys; the walk alone is timed on the 4 M-point
// lidar-like survey only with --walk-all (it takes many minutes). --repeat N
// runs each build and CGAL N times and reports the least CPU time of each.
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "../tests/support/project_fixture.h"
#include "build_run/build_run.h"
#include "store/cell_order.h"

#ifdef QUARVELIN_WITH_CGAL
#include <CGAL/Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Triangulation_vertex_base_with_info_2.h>
#endif

namespace fs = std::filesystem;
using quarvelin::testing::SurveyXYZ;

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double CpuSeconds(const rusage& usage) {
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double OwnCpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return CpuSeconds(usage);
}

std::vector<SurveyXYZ> UniformSurvey(size_t count, uint64_t seed, double side = 10000) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> u(0, side);
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

// Airborne lidar ground: `count` points over a square of `side` metres at a
// national grid offset, coordinates rounded to the millimetre, heights of a
// rolling terrain.
std::vector<SurveyXYZ> LidarSurvey(size_t count, double side, uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> u(0, side);
  std::vector<SurveyXYZ> survey(count);
  for (SurveyXYZ& p : survey) {
    const double x = std::round(u(rng) * 1000) / 1000, y = std::round(u(rng) * 1000) / 1000;
    p.x = 21500000 + x;
    p.y = 4400000 + y;
    p.z = std::round((120 + 6 * std::sin(x / 40) + 4 * std::cos(y / 27) + 0.002 * x) * 1000) / 1000;
  }
  return survey;
}

// Breaklines whose vertices are added after the survey points, as prepare
// adds them: `count` lines of `length` vertices, each a random walk of 2 m
// steps inside the survey's square.
std::vector<std::vector<SurveyXYZ>> AddBreaklines(std::vector<SurveyXYZ>& survey, double side, int count, int length) {
  std::mt19937_64 rng(99);
  std::uniform_real_distribution<double> u(0, 1);
  std::vector<std::vector<SurveyXYZ>> lines(static_cast<size_t>(count));
  for (auto& line : lines) {
    double x = 20 + (side - 40) * u(rng), y = 20 + (side - 40) * u(rng), heading = 6.283 * u(rng);
    for (int k = 0; k < length; ++k) {
      heading += 0.3 * (u(rng) - 0.5);
      x = std::clamp(x + 2 * std::cos(heading), 1.0, side - 1);
      y = std::clamp(y + 2 * std::sin(heading), 1.0, side - 1);
      const SurveyXYZ p{21500000 + std::round(x * 1000) / 1000 + 0.0005, 4400000 + std::round(y * 1000) / 1000, 120};
      line.push_back(p);
      survey.push_back(p);
    }
  }
  return lines;
}

bool WriteBreaklines(const fs::path& project, const std::vector<std::vector<SurveyXYZ>>& lines) {
  const fs::path file = project / "PMAP" / "lines.txt";
  std::FILE* f = std::fopen(file.string().c_str(), "w");
  if (!f) return false;
  std::fprintf(f, "%zu\n", lines.size());
  for (const auto& line : lines) {
    std::fprintf(f, "%zu\n", line.size());
    for (const SurveyXYZ& p : line) std::fprintf(f, "%.4f %.4f %.3f\n", p.x, p.y, p.z);
  }
  const std::string name = fs::absolute(file).string() + "\n";
  return std::fclose(f) == 0 && quarvelin::testing::WriteBytes(project / "PMAP" / "SLine.txt", name.data(), name.size());
}

#ifdef QUARVELIN_WITH_CGAL
using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using VertexBase = CGAL::Triangulation_vertex_base_with_info_2<int32_t, Kernel>;
using Delaunay = CGAL::Delaunay_triangulation_2<Kernel, CGAL::Triangulation_data_structure_2<VertexBase>>;

// The points of the project's table as the build sees them, frame corners
// included, each with its index.
std::vector<std::pair<Kernel::Point_2, int32_t>> TablePoints(const fs::path& project) {
  const std::string bytes = quarvelin::testing::ReadFileBytes(project / "PMAP" / "Point.xyz");
  const size_t n = bytes.size() / sizeof(quarvelin::PointRecord);
  std::vector<std::pair<Kernel::Point_2, int32_t>> points;
  points.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    quarvelin::PointRecord r;
    std::memcpy(&r, bytes.data() + i * sizeof r, sizeof r);
    points.push_back({Kernel::Point_2(r.x, r.y), static_cast<int32_t>(i)});
  }
  return points;
}

// CGAL's own way: the range insert, which sorts the points along a space-
// filling curve first, keeping each point's index on its vertex. CPU and
// wall seconds.
std::pair<double, double> CgalSeconds(const std::vector<std::pair<Kernel::Point_2, int32_t>>& points) {
  const double cpu = OwnCpuSeconds();
  auto start = std::chrono::steady_clock::now();
  Delaunay dt;
  dt.insert(points.begin(), points.end());
  const std::pair<double, double> seconds{OwnCpuSeconds() - cpu, SecondsSince(start)};
  if (dt.number_of_vertices() == 0) std::printf("(empty CGAL triangulation)\n");
  return seconds;
}
#endif

int BuildChild(const char* project, bool walkOnly) {
  quarvelin::testing::SilentReporter reporter;
  auto start = std::chrono::steady_clock::now();
  quarvelin::BuildOptions options;
  options.walkOnly = walkOnly;
  quarvelin::BuildOutcome outcome = quarvelin::BuildProject(project, options, reporter);
  std::printf("%.6f %d\n", SecondsSince(start), outcome.completed ? 1 : 0);
  return outcome.completed ? 0 : 1;
}

struct ChildResult {
  double seconds = -1;  // wall
  double cpu = -1;
  long peakKilobytes = 0;
};

// Runs the build of `project` in a fresh process of this program.
ChildResult RunBuildChild(const fs::path& project, bool walkOnly) {
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
    char walk[] = "--walk-only";
    char* args[] = {flag, walkOnly ? walk : flag, projectText.data(), nullptr};
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
    result.cpu = CpuSeconds(usage);
  } else {
    result.seconds = -1;
  }
  return result;
}

void PrintHeader() {
  std::printf("%-22s %9s %8s %8s %8s %6s %8s %6s %8s\n", "survey", "points", "CPU s", "wall s", "CGAL s",
              "ratio", "walk s", "walk/", "RSS/");
  std::printf("%-22s %9s %8s %8s %8s %6s %8s %6s %8s\n", "", "", "build", "build", "CPU", "CPU", "CPU",
              "build", "tables");
}

// One row: the build's CPU and wall seconds, CGAL's CPU seconds and the
// ratio of the two CPU times, the build with the walk alone (CPU), and the
// build's peak memory over the size of its two table files.
int repeats = 1;  // runs of each build and of CGAL; the least CPU time counts

void BenchSurvey(const char* name, const std::vector<SurveyXYZ>& survey, const fs::path& root, bool timeWalk,
                 const std::vector<std::vector<SurveyXYZ>>& lines = {}) {
  const fs::path project = root / name;
  if (!quarvelin::testing::WriteProjectFiles(project, survey) || (!lines.empty() && !WriteBreaklines(project, lines))) {
    std::printf("%-22s cannot write the project in %s\n", name, project.string().c_str());
    return;
  }
  const double tableMegabytes =
      static_cast<double>(fs::file_size(project / "PMAP" / "Point.xyz") + fs::file_size(project / "PMAP" / "TIN.tri")) /
      (1024.0 * 1024.0);
  // On a shared machine the least of several runs is the fair figure.
  ChildResult build;
  // The build and CGAL take turns, so that a slow spell weighs on both.
#ifdef QUARVELIN_WITH_CGAL
  const auto points = TablePoints(project);
#endif
  double cgalCpu = -1;
  for (int run = 0; run < repeats; ++run) {
    if (run > 0 && (!quarvelin::testing::WriteProjectFiles(project, survey) ||
                    (!lines.empty() && !WriteBreaklines(project, lines)))) {
      return;
    }
    const ChildResult next = RunBuildChild(project, false);
    if (next.seconds < 0) {
      std::printf("%-22s build failed\n", name);
      return;
    }
    if (run == 0 || next.cpu < build.cpu) build = next;
#ifdef QUARVELIN_WITH_CGAL
    const double cpu = CgalSeconds(points).first;
    if (run == 0 || cpu < cgalCpu) cgalCpu = cpu;
#endif
  }
  double walkCpu = -1;
  if (timeWalk) {
    if (!quarvelin::testing::WriteProjectFiles(project, survey)) return;
    walkCpu = RunBuildChild(project, true).cpu;
  }
  const double peakMegabytes = static_cast<double>(build.peakKilobytes) / 1024.0;
  std::printf("%-22s %9zu %8.3f %8.3f ", name, survey.size(), build.cpu, build.seconds);
  if (cgalCpu > 0) std::printf("%8.3f %6.2f ", cgalCpu, build.cpu / cgalCpu);
  else std::printf("%8s %6s ", "-", "-");
  if (walkCpu > 0) std::printf("%8.3f %6.1f ", walkCpu, walkCpu / build.cpu);
  else std::printf("%8s %6s ", "-", "-");
  std::printf("%8.2f\n", peakMegabytes / tableMegabytes);
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
  if (argc == 3 && std::strcmp(argv[0], "--build-child") == 0) return BuildChild(argv[2], std::strcmp(argv[1], "--walk-only") == 0);
  bool quick = false, walkAll = false;
  fs::path root = fs::temp_directory_path() / ("quarvelin-bench-" + std::to_string(::getpid()));
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) quick = true;
    else if (std::strcmp(argv[i], "--walk-all") == 0) walkAll = true;
    else if (std::strcmp(argv[i], "--keep") == 0 && i + 1 < argc) root = argv[++i];
    else if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) repeats = std::max(1, std::atoi(argv[++i]));
  }
  fs::create_directories(root);

  BenchCellOrder();
  PrintHeader();
  BenchSurvey("uniform 100k, 10 km", UniformSurvey(100000, 1), root, true);
  BenchSurvey("uniform 1M, 10 km", UniformSurvey(1000000, 2), root, true);
  BenchSurvey("uniform 1M, 1 km", UniformSurvey(1000000, 4, 1000), root, true);
  BenchSurvey("lattice 1000x1000", LatticeSurvey(1000), root, true);
  BenchSurvey("lidar 1M, 500 m", LidarSurvey(1000000, 500, 5), root, true);
  {
    std::vector<SurveyXYZ> survey = LidarSurvey(1000000, 500, 5);
    const auto lines = AddBreaklines(survey, 500, 1000, 100);
    BenchSurvey("lidar 1M + breaklines", survey, root, true, lines);
  }
  if (!quick) {
    BenchSurvey("uniform 4M, 10 km", UniformSurvey(4000000, 3), root, true);
    BenchSurvey("lidar 4M, 1 km", LidarSurvey(4000000, 1000, 6), root, walkAll);
  }

  std::error_code ec;
  fs::remove_all(root, ec);
  return 0;
}
