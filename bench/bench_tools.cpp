// The host-side road on a large generated survey: quarvelin-prepare, the
// build, quarvelin-export to every format (a GeoPackage of every triangle and
// an elevation model at 1 m cells among them), quarvelin-render, and the
// earthwork against a second survey of the site after works, each timed
// in its own child process with its peak resident memory, beside the time
// the disk takes to write the same number of bytes. Then the reading of
// compressed LAS (LAZ): the bundled samples decoded again and again, beside
// reading the same points from uncompressed LAS, in this process and by
// quarvelin-prepare.
//
//   bench_tools [--points N] [--laz-points M] [--keep DIR]
//
// N defaults to 4,000,000, M (points decoded of each sample) to 4,000,000.
// The programs are taken from this program's folder.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "las_reader.h"
#include "platform/system.h"
#include "survey_input.h"

namespace fs = std::filesystem;

namespace {

struct ChildRun {
  bool ok = false;
  double seconds = 0;
  double cpuSeconds = 0;  // user and system: the machine may be shared
  long peakKilobytes = 0;
};

ChildRun RunChild(const std::vector<std::string>& command) {
  std::fflush(stdout);  // or the child would print what is still buffered
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    std::freopen("/dev/null", "w", stdout);  // the build's summary would break the table
    std::vector<char*> argv;
    for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  ChildRun run;
  if (pid > 0 && wait4(pid, &status, 0, &usage) == pid) {
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.peakKilobytes = usage.ru_maxrss;
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    run.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  }
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return run;
}

// Rolling ground over a square of 4 km, x near 21.5 million as in the
// bundled survey, heights to the millimetre. `works` metres of cut and fill
// in a pattern of cells a few hundred metres across, for a survey after works
// (other points: `seed`).
void WriteSurvey(const fs::path& path, size_t count, unsigned seed = 7, double works = 0) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> u(0, 4000);
  std::FILE* f = std::fopen(path.string().c_str(), "wb");
  std::string text;
  char buffer[32];
  auto put = [&](double v) {
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 3);
    (void)ec;
    text.append(buffer, end);
  };
  for (size_t i = 0; i < count; ++i) {
    double x = u(rng), y = u(rng);
    put(21530000 + x);
    text += ' ';
    put(6782000 + y);
    text += ' ';
    put(50 + 20 * std::sin(x / 700) * std::cos(y / 900) + y / 200 + works * std::sin(x / 300) * std::cos(y / 400));
    text += '\n';
    if (text.size() > (1 << 22)) {
      std::fwrite(text.data(), 1, text.size(), f);
      text.clear();
    }
  }
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

// Seconds to write and sync `bytes` bytes in large blocks: the disk's pace.
double DiskSeconds(const fs::path& path, uintmax_t bytes) {
  std::vector<char> block(1 << 22, 'x');
  auto start = std::chrono::steady_clock::now();
  std::FILE* f = std::fopen(path.string().c_str(), "wb");
  for (uintmax_t done = 0; done < bytes; done += block.size()) {
    std::fwrite(block.data(), 1, std::min<uintmax_t>(block.size(), bytes - done), f);
  }
  std::fflush(f);
  fsync(fileno(f));
  std::fclose(f);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  fs::remove(path);
  return seconds;
}

uintmax_t Size(const fs::path& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) {
    uintmax_t total = 0;
    for (const auto& entry : fs::directory_iterator(path / "PMAP")) total += entry.file_size();
    return total;
  }
  const uintmax_t size = fs::file_size(path, ec);
  return ec ? 0 : size;  // a step that writes no file
}

template <typename T>
T Field(const std::string& bytes, size_t offset) {
  T value;
  std::memcpy(&value, &bytes[offset], sizeof value);
  return value;
}

// The points of a LAZ file as uncompressed LAS of the same header and record
// length: coordinates and classes only, which is all a project reads.
bool WriteUncompressed(const fs::path& laz, const fs::path& las) {
  std::FILE* in = std::fopen(laz.string().c_str(), "rb");
  if (!in) return false;
  std::string header(375, '\0');
  header.resize(std::fread(header.data(), 1, header.size(), in));
  const uint32_t pointOffset = Field<uint32_t>(header, 96);
  const uint16_t recordLength = Field<uint16_t>(header, 105);
  const unsigned format = static_cast<uint8_t>(header[104]) & 0x3Fu;
  // The header and the records after it as they are, the format's
  // compression bits taken off.
  std::string bytes(pointOffset, '\0');
  std::fseek(in, 0, SEEK_SET);
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), in));
  std::fclose(in);
  bytes[104] = static_cast<char>(format);
  double scale[3], offset[3];
  for (int axis = 0; axis < 3; ++axis) {
    scale[axis] = Field<double>(header, 131 + 8 * axis);
    offset[axis] = Field<double>(header, 155 + 8 * axis);
  }
  quarvelin::ReadCounts counts;
  std::string error;
  auto add = [&](const quarvelin::SurveyPoint& p) {
    const double xyz[3] = {p.x, p.y, p.z};
    std::string record(recordLength, '\0');
    for (int axis = 0; axis < 3; ++axis) {
      const int32_t v = static_cast<int32_t>(std::llround((xyz[axis] - offset[axis]) / scale[axis]));
      std::memcpy(&record[4 * axis], &v, 4);
    }
    record[format >= 6 ? 16 : 15] = 2;
    bytes += record;
  };
  if (!quarvelin::ReadSurveyPoints(laz.string(), {}, add, counts, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  std::FILE* out = std::fopen(las.string().c_str(), "wb");
  const bool ok = out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  if (out) std::fclose(out);
  return ok;
}

struct ReadTime {
  double seconds = 0, cpuSeconds = 0;
};

// Time to read `file` `repeats` times in this process, the points only summed.
ReadTime TimeReading(const fs::path& file, int repeats, size_t& points) {
  quarvelin::ReadCounts counts;
  std::string error;
  double sum = 0;
  auto add = [&sum](const quarvelin::SurveyPoint& p) { sum += p.z; };
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpuStart = std::clock();
  for (int i = 0; i < repeats; ++i) {
    if (!quarvelin::ReadSurveyPoints(file.string(), {}, add, counts, error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return {};
    }
  }
  points = counts.kept + (sum == 0.5 ? 1 : 0);  // the sum keeps the reading from being left out
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
          static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC};
}

// Each bundled sample read until about `target` points have been decoded,
// beside its points as uncompressed LAS; then quarvelin-prepare on the
// largest sample named that many times, LAZ beside LAS.
int BenchLaz(const fs::path& bin, const fs::path& work, size_t target) {
  const fs::path data = fs::path(QUARVELIN_SOURCE_DIR) / "tests/data/laz";
  std::printf("\n%-22s %10s %9s %9s %12s %9s %9s %12s\n", "LAZ read in process", "points", "LAZ s", "cpu s",
              "M pts/cpu s", "LAS s", "cpu s", "M pts/cpu s");
  int failures = 0;
  for (const char* name : {"autzen_trim.laz", "las14_fmt8.laz"}) {
    const fs::path laz = data / name, las = work / (fs::path(name).stem().string() + ".las");
    size_t once = 0, points = 0, lasPoints = 0;
    if (!WriteUncompressed(laz, las) || TimeReading(laz, 1, once).seconds == 0 || once == 0) {
      std::printf("%-22s FAILED\n", name);
      ++failures;
      continue;
    }
    const int repeats = static_cast<int>(std::max<size_t>(1, target / once));
    const ReadTime lazTime = TimeReading(laz, repeats, points), lasTime = TimeReading(las, repeats, lasPoints);
    std::printf("%-22s %10zu %9.3f %9.3f %12.2f %9.3f %9.3f %12.2f\n", name, points, lazTime.seconds,
                lazTime.cpuSeconds, points / lazTime.cpuSeconds / 1e6, lasTime.seconds, lasTime.cpuSeconds,
                lasPoints / lasTime.cpuSeconds / 1e6);
    std::fflush(stdout);
  }
  const fs::path laz = data / "autzen_trim.laz", las = work / "autzen_trim.las";
  const size_t repeats = std::max<size_t>(1, target / 110000);
  std::printf("\n%-30s %9s %9s %12s   (%zu times %s)\n", "quarvelin-prepare", "seconds", "cpu s", "peak MB", repeats,
              laz.filename().string().c_str());
  for (const fs::path& input : {laz, las}) {
    std::vector<std::string> command = {(bin / "quarvelin-prepare").string(), "--project", (work / "laz-site").string(), "-q"};
    for (size_t i = 0; i < repeats; ++i) command.insert(command.end(), {"--points", input.string()});
    ChildRun run = RunChild(command);
    std::printf("%-30s %9.2f %9.2f %12.1f%s\n", ("from " + input.extension().string().substr(1)).c_str(), run.seconds,
                run.cpuSeconds, run.peakKilobytes / 1024.0, run.ok ? "" : "  FAILED");
    failures += !run.ok;
  }
  return failures;
}

}  // namespace

int main(int argc, char** argv) {
  size_t count = 4000000, lazPoints = 4000000;
  std::string keep;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--points") == 0) count = std::strtoull(argv[i + 1], nullptr, 10);
    else if (std::strcmp(argv[i], "--laz-points") == 0) lazPoints = std::strtoull(argv[i + 1], nullptr, 10);
    else if (std::strcmp(argv[i], "--keep") == 0) keep = argv[i + 1];
  }
  const fs::path bin = quarvelin::ExecutableDirectory();
  const fs::path work = keep.empty() ? fs::temp_directory_path() / ("bench-tools-" + std::to_string(getpid())) : fs::path(keep);
  fs::create_directories(work);
  const fs::path survey = work / "survey.xyz", project = work / "site";
  const fs::path after = work / "after.xyz", afterProject = work / "after";
  std::printf("generating %zu points, twice ...\n", count);
  WriteSurvey(survey, count);
  WriteSurvey(after, count, 8, 2);
  std::printf("survey text: %.1f MB\n\n", Size(survey) / 1e6);

  struct Step {
    std::string name;
    std::vector<std::string> command;
    fs::path output;
  };
  auto exportTo = [&](const std::string& file, bool contours, std::vector<std::string> extra = {}) {
    std::vector<std::string> c = {(bin / "quarvelin-export").string(), project.string(), "--to", (work / file).string(), "-q"};
    if (contours) c.insert(c.end(), {"--contour-interval", "5"});
    c.insert(c.end(), extra.begin(), extra.end());
    return Step{"export " + file, c, work / file};
  };
  const std::vector<Step> steps = {
      {"prepare", {(bin / "quarvelin-prepare").string(), "--points", survey.string(), "--project", project.string(), "-q"}, project},
      {"build (quarvelin-cli)", {(bin / "quarvelin-cli").string(), "--project", project.string(), "--quiet"}, project},
      exportTo("site.xml", false),
      exportTo("site.dxf", false),
      exportTo("site.ply", false),
      exportTo("site.obj", false),
      exportTo("site.geojson", true),
      exportTo("contours.dxf", true),
      exportTo("site.gpkg", false),
      exportTo("dem-1m.tif", false, {"--cell-size", "1"}),
      {"render site.png", {(bin / "quarvelin-render").string(), project.string(), "--to", (work / "site.png").string(), "-q"}, work / "site.png"},
      {"prepare after works", {(bin / "quarvelin-prepare").string(), "--points", after.string(), "--project", afterProject.string(), "-q"}, afterProject},
      {"build after works", {(bin / "quarvelin-cli").string(), "--project", afterProject.string(), "--quiet"}, afterProject},
      {"volume against a level", {(bin / "quarvelin-volume").string(), project.string(), "--level", "60", "-q"}, {}},
      {"volume of the works", {(bin / "quarvelin-volume").string(), project.string(), "--surface", afterProject.string(), "-q"}, {}},
      {"render cut/fill map", {(bin / "quarvelin-render").string(), project.string(), "--compare", afterProject.string(), "--to", (work / "works.png").string(), "-q"}, work / "works.png"},
  };
  std::printf("%-24s %9s %9s %12s %12s %10s %9s\n", "step", "seconds", "cpu s", "peak MB", "output MB", "MB/s",
              "disk s");
  int failures = 0;
  for (const Step& step : steps) {
    ChildRun run = RunChild(step.command);
    double mb = Size(step.output) / 1e6;
    double disk = DiskSeconds(work / "disk.bin", Size(step.output));
    std::printf("%-24s %9.2f %9.2f %12.1f %12.1f %10.1f %9.2f%s\n", step.name.c_str(), run.seconds, run.cpuSeconds,
                run.peakKilobytes / 1024.0, mb, mb / run.seconds, disk, run.ok ? "" : "  FAILED");
    std::fflush(stdout);
    failures += !run.ok;
  }
  failures += BenchLaz(bin, work, lazPoints);
  if (keep.empty()) fs::remove_all(work);
  return failures == 0 ? 0 : 1;
}
