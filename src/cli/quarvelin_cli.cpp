// quarvelin-cli: one build from the command line, for scripts and for hosts
// that start the program without its dialog.
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "build_run/build_run.h"
#include "cli/command_line.h"
#include "cli/console_reporter.h"
#include "platform/system.h"

namespace {

constexpr const char* kProgram = "quarvelin-cli";

const quarvelin::CommandLineSpec kCommandLine{
    kProgram,
    "Usage: quarvelin-cli [OPTIONS]\n"
    "Builds the terrain network of a project: the project that 'workdir' in the\n"
    "install directory names, or the one given with --project.\n",
    {
        {"--install-dir", "DIR", "folder holding 'workdir' (default: this program's folder)"},
        {"--project", "DIR", "build this project directory instead of reading 'workdir'"},
        {"--max-edge", "METRES",
         "longest outer edge a boundary triangle may keep\n"
         "(default 200; values below 100, or not numbers, give 100)"},
        {"--contours", "", "enforce the contour files as feature lines"},
        {"--boundary", "FILE",
         "clip the network to the closed rings of FILE (block\n"
         "form: a vertex count, then 'x y z' lines; rings inside\n"
         "a ring are holes) instead of trimming long edges; a\n"
         "project that holds PMAP/ClipRings.pl is clipped to it"},
        {"--sjw", "", "also write TIN.sjw"},
        {"--quiet", "", "no progress output", "-q"},
        {"--walk-only", "",
         "locate points by the walk alone, without the location\n"
         "index (the same network, slower)"},
        {"--check-location", "",
         "run the walk beside the location index for every point\n"
         "and report where they differ (status 1 if anywhere)"},
    },
    "Progress goes to stderr, the summary to stdout. Exit status: 0 when the build\n"
    "completed and wrote every output, 1 when it ended early or an output failed,\n"
    "2 for a usage error.\n",
};

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
  quarvelin::CommandLine args;
  if (std::optional<int> status = quarvelin::ParseCommandLine(argc, argv, kCommandLine, args)) return *status;
  if (args.Has("--boundary") && args.Value("--boundary").empty()) {
    return quarvelin::UsageError(kProgram, "option --boundary needs a file name");
  }
  quarvelin::BuildOptions options;
  if (args.Has("--max-edge")) options.maxBoundaryEdge = MaxEdgeFromArgument(args.Value("--max-edge"));
  options.boundaryFile = args.Value("--boundary");
  options.contoursAsFeatureLines = args.Has("--contours");
  options.writeSjwFile = args.Has("--sjw");
  options.walkOnly = args.Has("--walk-only");
  options.checkLocation = args.Has("--check-location");
  const bool quiet = args.Has("--quiet");
  const std::string installDirectory =
      args.Has("--install-dir") ? args.Value("--install-dir") : quarvelin::ExecutableDirectory();

  quarvelin::UseUtf8Console();
  quarvelin::ConsoleReporter reporter(stderr, stdout, quarvelin::IsTerminal(stderr), quiet);
  quarvelin::BuildOutcome outcome =
      args.Has("--project") ? quarvelin::BuildProject(args.Value("--project"), options, reporter)
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
