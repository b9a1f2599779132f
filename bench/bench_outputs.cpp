// The outputs after the network is built: boundary trimming with Edge.inf,
// TIN.sjw and Grid.idx, timed on generated surveys of 1 M and 4 M points,
// with TIN.sjw also written through the C library's fprintf("%lf\n") and
// through the general formatter, for comparison.
//
//   bench_outputs [--quick] [--dir DIR]
//
// --quick leaves out the 4 M-point survey; the projects go to DIR (default
// the system's temporary folder) and are removed afterwards. Times are wall
// clock up to the closing of each file, without forcing it to disk.
#include <chrono>
#include <cmath>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "../tests/support/project_fixture.h"
#include "boundary/boundary_trimming.h"
#include "build_run/sjw_export.h"
#include "platform/system.h"
#include "platform/text_writer.h"
#include "store/grid_index.h"
#include "store/point_import.h"
#include "tin/point_insertion.h"

namespace fs = std::filesystem;
using namespace quarvelin;

namespace {

// Wall clock and this process's processor time: on a shared machine the
// second tells what the work itself costs.
struct Timer {
  std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
  std::clock_t cpu = std::clock();
  std::string Text() const {
    char text[64];
    std::snprintf(text, sizeof text, "%8.3f s (cpu %6.3f s)",
                  std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count(),
                  static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC);
    return text;
  }
};

// Uniform points over a disc, so that the square frame's fans are wide and
// the boundary has long triangles to peel along the circle.
std::vector<testing::SurveyXYZ> DiscSurvey(size_t count, uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> u(-1, 1);
  std::vector<testing::SurveyXYZ> survey;
  survey.reserve(count);
  const double radius = 5 * std::sqrt(static_cast<double>(count));
  while (survey.size() < count) {
    const double x = u(rng), y = u(rng);
    if (x * x + y * y > 1) continue;
    survey.push_back({500000 + radius * x, 3000000 + radius * y, 100 + 20 * (x + y)});
  }
  return survey;
}

// TIN.sjw as the C library writes it.
std::string FprintfSeconds(const ModelStore& store, const std::string& path) {
  const Timer timer;
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return "cannot create " + path;
  for (int32_t t = 0; t <= store.lastTriangle; ++t) {
    for (int32_t v : store.triangles[t].vertex) {
      std::fprintf(f, "%lf\n", store.points[v].x);
      std::fprintf(f, "%lf\n", store.points[v].y);
      std::fprintf(f, "%lf\n", store.points[v].z);
    }
  }
  std::fputs("nil", f);
  std::fclose(f);
  return timer.Text();
}

// TIN.sjw through the general formatter and TextWriter.
std::string AppendFixedSeconds(const ModelStore& store, const std::string& path) {
  const Timer timer;
  TextWriter out;
  if (!out.Open(path)) return "cannot create " + path;
  std::string chunk;
  for (int32_t t = 0; t <= store.lastTriangle; ++t) {
    for (int32_t v : store.triangles[t].vertex) {
      for (double c : {store.points[v].x, store.points[v].y, store.points[v].z}) {
        AppendFixed(chunk, c);
        chunk.push_back('\n');
      }
    }
    if (chunk.size() >= 256 * 1024) {
      out.Write(chunk);
      chunk.clear();
    }
  }
  out.Write(chunk + "nil");
  out.Close();
  return timer.Text();
}

void PrintFailure(const Status& status) {
  if (!status.ok()) std::fprintf(stderr, "%s\n", status.message.c_str());
}

bool RunSurvey(size_t count, const fs::path& root) {
  const fs::path dir = root / ("quarvelin-bench-outputs-" + std::to_string(count));
  fs::remove_all(dir);
  if (!testing::WriteProjectFiles(dir, DiscSurvey(count, count))) {
    std::fprintf(stderr, "cannot write the project in %s\n", dir.c_str());
    return false;
  }
  ModelStore store;
  store.projectDirectory = dir.string();
  const Timer networkTimer;
  if (Status imported = ImportPoints(store); !imported.ok()) {
    std::fprintf(stderr, "%s\n", imported.message.c_str());
    return false;
  }
  BuildCellOrder(store);
  OpenTriangleTable(store);
  WorkStack work;
  PointInserter inserter(store, work);
  RunInsertionWalk(store, [] {}, [&](int32_t p) { inserter.InsertPoint(p); });
  const std::string network = networkTimer.Text();

  const Timer trimmingTimer;
  PrintFailure(TrimBoundary(store, 100));
  const std::string trimming = trimmingTimer.Text();
  int32_t removed = 0;
  for (int32_t t = 0; t <= store.lastTriangle; ++t) removed += store.triangles[t].state == kRemovedTriangle;
  const std::string edgeLines = testing::ReadFileBytes(dir / "PMAP" / "Edge.inf").substr(0, 12);

  const std::string sjw = ProjectFilePath(store.projectDirectory, "PMAP", "TIN.sjw");
  const Timer sjwTimer;
  PrintFailure(SjwExport(store));
  const std::string sjwSeconds = sjwTimer.Text();
  const double sjwBytes = static_cast<double>(FileSize(sjw));
  fs::remove(sjw);
  const std::string general = AppendFixedSeconds(store, sjw);
  fs::remove(sjw);
  const std::string cLibrary = FprintfSeconds(store, sjw);
  fs::remove(sjw);

  const Timer gridTimer;
  PrintFailure(WriteGridIndex(store));
  const std::string grid = gridTimer.Text();

  // The worst case of trimming: a limit below every edge peels the whole
  // network, depth-first from the frame.
  for (int32_t t = 0; t <= store.lastTriangle; ++t) store.triangles[t].state = kLiveTriangle;
  const Timer peelAllTimer;
  PrintFailure(TrimBoundary(store, 0.001));
  const std::string peelAll = peelAllTimer.Text();
  const std::string allLines = testing::ReadFileBytes(dir / "PMAP" / "Edge.inf").substr(0, 12);

  std::printf("%zu points: network %s, %d triangle records\n", count, network.c_str(), store.lastTriangle + 1);
  std::printf("  trimming + Edge.inf  %s  %d removed, %s edge lines\n", trimming.c_str(), removed,
              edgeLines.c_str() + edgeLines.find_first_not_of(' '));
  std::printf("  trimming everything  %s  %s edge lines\n", peelAll.c_str(),
              allLines.c_str() + allLines.find_first_not_of(' '));
  std::printf("  TIN.sjw              %s  %.0f MB\n", sjwSeconds.c_str(), sjwBytes / 1e6);
  std::printf("    with AppendFixed   %s\n", general.c_str());
  std::printf("    with fprintf       %s\n", cLibrary.c_str());
  std::printf("  Grid.idx             %s  %d x %d cells\n", grid.c_str(), store.grid.columnCount,
              store.grid.rowCount);
  std::fflush(stdout);
  CloseModelStore(store);
  fs::remove_all(dir);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool quick = false;
  fs::path root = fs::temp_directory_path();
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) quick = true;
    else if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) root = argv[++i];
    else {
      std::fprintf(stderr, "usage: bench_outputs [--quick] [--dir DIR]\n");
      return 2;
    }
  }
  for (size_t count : {size_t{1000000}, size_t{4000000}}) {
    if (quick && count > 1000000) break;
    if (!RunSurvey(count, root)) return 1;
  }
  return 0;
}
