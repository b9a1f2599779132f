// quarvelin-cli: one build from the command line, for scripts and for hosts
// that start the program without its dialog.
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "build_run/build_run.h"
#include "cli/console_reporter.h"
#include "platform/system.h"
#include "version/build_version.h"

namespace {

constexpr const char* kUsage =
    "Usage: quarvelin-cli [OPTIONS]\n"
    "Builds the terrain network of a project: the project that 'workdir' in the\n"
    "install directory names, or the one given with --project.\n"
    "\n"
    "Options:\n"
    "  --install-dir DIR   folder holding 'workdir' (default: this program's folder)\n"
    "  --project DIR       build this project directory instead of reading 'workdir'\n"
    "  --max-edge METRES   longest outer edge a boundary triangle may keep\n"
    "                      (default 200; values below 100, or not numbers, give 100)\n"
    "  --contours          enforce the contour files as feature lines\n"
    "  --boundary FILE     clip the network to the closed rings of FILE (block\n"
    "                      form: a vertex count, then 'x y z' lines; rings inside\n"
    "                      a ring are holes) instead of trimming long edges; a\n"
    "                      project that holds PMAP/ClipRings.pl is clipped to it\n"
    "  --sjw               also write TIN.sjw\n"
    "  --quiet             no progress output\n"
    "  --walk-only         locate points by the walk alone, without the location\n"
    "                      index (the same network; slower on dense surveys)\n"
    "  --check-location    run the walk beside the location index for every point\n"
    "                      and report where they differ (status 1 if anywhere)\n"
    "  --help              show this help\n"
    "  --version           show the version and the source revision\n"
    "\n"
    "Progress goes to stderr, the summary to stdout. Exit status: 0 when the build\n"
    "completed and wrote every output, 1 when it ended early or an output failed,\n"
    "2 for a usage error.\n";

int UsageError(const std::string& what) {
  std::fprintf(stderr, "quarvelin-cli: %s\nTry 'quarvelin-cli --help'.\n", what.c_str());
  return 2;
}

// The dialog's rule for the limit, said out loud where it changes what was
// typed: the console has no edit box to show the 100 it falls back to.
double MaxEdgeFromArgument(const std::string& text) {
  const double limit = quarvelin::MaxBoundaryEdgeFromText(text);
  char* end = nullptr;
  const double typed = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || std::isnan(typed)) {
    std::fprintf(stderr, "quarvelin-cli: --max-edge '%s' is not a number: using %g\n", text.c_str(), limit);
  } else if (!(typed >= 100)) {
    std::fprintf(stderr, "quarvelin-cli: --max-edge %s is below 100: using 100\n", text.c_str());
  }
  return limit;
}

}  // namespace

int main(int argc, char** argv) {
  std::string installDirectory = quarvelin::ExecutableDirectory();
  std::optional<std::string> projectDirectory;
  quarvelin::BuildOptions options;
  bool quiet = false;

  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::optional<std::string> inlineValue;
    if (arg.rfind("--", 0) == 0) {
      size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        inlineValue = arg.substr(eq + 1);
        arg.resize(eq);
      }
    }
    auto value = [&]() -> std::optional<std::string> {
      if (inlineValue) return inlineValue;
      if (i + 1 < argc) return std::string(argv[++i]);
      return std::nullopt;
    };
    auto flag = [&](bool& target) {
      if (inlineValue) return false;
      target = true;
      return true;
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--version") {
      std::fputs(quarvelin::VersionText("quarvelin-cli").c_str(), stdout);
      return 0;
    } else if (arg == "--install-dir" || arg == "--project" || arg == "--max-edge" || arg == "--boundary") {
      auto v = value();
      if (!v) return UsageError("option " + arg + " needs a value");
      if (arg == "--install-dir") installDirectory = *v;
      else if (arg == "--project") projectDirectory = *v;
      else if (arg == "--boundary" && v->empty()) return UsageError("option --boundary needs a file name");
      else if (arg == "--boundary") options.boundaryFile = *v;
      else options.maxBoundaryEdge = MaxEdgeFromArgument(*v);
    } else if (arg == "--contours") {
      if (!flag(options.contoursAsFeatureLines)) return UsageError("option --contours takes no value");
    } else if (arg == "--sjw") {
      if (!flag(options.writeSjwFile)) return UsageError("option --sjw takes no value");
    } else if (arg == "--walk-only") {
      if (!flag(options.walkOnly)) return UsageError("option --walk-only takes no value");
    } else if (arg == "--check-location") {
      if (!flag(options.checkLocation)) return UsageError("option --check-location takes no value");
    } else if (arg == "--quiet" || arg == "-q") {
      if (!flag(quiet)) return UsageError("option --quiet takes no value");
    } else {
      return UsageError("unknown argument '" + arg + "'");
    }
  }

  quarvelin::UseUtf8Console();
  quarvelin::ConsoleReporter reporter(stderr, stdout, quarvelin::IsTerminal(stderr), quiet);
  quarvelin::BuildOutcome outcome =
      projectDirectory ? quarvelin::BuildProject(*projectDirectory, options, reporter)
                       : quarvelin::BuildRun(installDirectory, options, reporter);
  if (outcome.completed) {
    if (outcome.repeatedPoints > 0) std::printf("重复点（已跳过）：%d\n", outcome.repeatedPoints);
    if (outcome.unplacedPoints > 0) std::printf("无法定位的点（已跳过）：%d\n", outcome.unplacedPoints);
    if (outcome.degeneratePoints > 0) std::printf("无法插入的退化点（已跳过）：%d\n", outcome.degeneratePoints);
    if (options.checkLocation) {
      std::printf("位置索引定位的点：%d，与逐步查找不一致：%d\n", outcome.locatedByIndex, outcome.locationDisagreements);
    }
  }
  return outcome.completed && outcome.failedOutputs == 0 && outcome.locationDisagreements == 0 ? 0 : 1;
}
