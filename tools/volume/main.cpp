// quarvelin-volume: cut and fill between two finished networks, or between a
// network and a level, within an optional boundary.
#include <cstdio>

#include "boundary_rings.h"
#include "earthwork_volume.h"
#include "finished_project.h"
#include "platform/console_progress.h"
#include "platform/system.h"
#include "tool_arguments.h"

namespace {

constexpr const char* kProgram = "quarvelin-volume";

constexpr const char* kUsage =
    "Usage: quarvelin-volume BASE (--surface OTHER | --level Z) [OPTIONS]\n"
    "Computes the earthwork between the network that quarvelin-cli built in\n"
    "BASE (the folder holding PMAP) and another finished network, OTHER, or\n"
    "the level plane z = Z. The region is where both surfaces are defined: the\n"
    "kept triangles of BASE, and of OTHER, within the boundary when one is\n"
    "given. The two networks are overlaid exactly, so the figures are those of\n"
    "the two triangulated surfaces, not of a sample of them:\n"
    "  cut        volume where BASE lies above OTHER (ground to remove)\n"
    "  fill       volume where BASE lies below OTHER (ground to add)\n"
    "  cut_area, fill_area   plan areas of the two\n"
    "  area       plan area of the region\n"
    "  net        fill - cut\n"
    "\n"
    "Options:\n"
    "  --surface OTHER   the finished project to compare BASE with\n"
    "  --level Z         compare BASE with the level Z (metres)\n"
    "  --boundary FILE   count only within these closed rings, the file that\n"
    "                    quarvelin-cli --boundary takes: for each ring its\n"
    "                    vertex count and 'x y z' lines; a ring inside a ring\n"
    "                    is a hole\n"
    "  --json            print the figures as one JSON object with the keys\n"
    "                    cut, fill, cut_area, fill_area, area, net and extent\n"
    "  --quiet           print nothing on stderr but errors\n"
    "  --help            show this help\n"
    "  --version         show the version and the source revision\n"
    "\n"
    "Exit status: 0 computed, 1 a project or the boundary could not be read,\n"
    "or the region is empty (the figures are still printed), 2 a usage error.\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace quarvelin;
  ToolArguments args;
  std::string error;
  if (!ParseToolArguments(argc, argv, {"--surface", "--level", "--boundary"}, {"--json", "--quiet", "-q"}, args,
                          error)) {
    return ToolUsageError(kProgram, error);
  }
  if (PrintHelpOrVersion(args, kProgram, kUsage)) return 0;
  if (args.positional.size() != 1) return ToolUsageError(kProgram, "expected one BASE project folder");
  if (args.Has("--surface") == args.Has("--level")) {
    return ToolUsageError(kProgram, "give either --surface OTHER or --level Z");
  }
  ComparedSurface compared;
  if (args.Has("--level") && !ParseFiniteNumber(args.values["--level"], compared.level)) {
    return ToolUsageError(kProgram, "--level needs a height in metres, not '" + args.values["--level"] + "'");
  }
  const bool quiet = args.flags.count("--quiet") + args.flags.count("-q") > 0;
  const std::string basePath = args.positional[0];

  std::vector<PlanRing> boundary;
  if (args.Has("--boundary") && !ReadPlanRings(args.values["--boundary"], boundary, error)) {
    return ToolFailure(kProgram, error);
  }
  ConsoleProgress progress(stderr, IsTerminal(stderr), quiet);
  SurfaceOverlay overlay;
  {
    // The projects' tables go once the overlay has taken what it needs.
    FinishedProject base, other;
    progress.Status("reading " + basePath);
    if (!ReadFinishedProject(basePath, base, error)) return ToolFailure(kProgram, error);
    if (args.Has("--surface")) {
      progress.Status("reading " + args.values["--surface"]);
      if (!ReadFinishedProject(args.values["--surface"], other, error)) return ToolFailure(kProgram, error);
      compared.other = &other;
    }
    // Only the boundary can be refused here.
    if (!overlay.Prepare(base, compared, boundary, error)) {
      return ToolFailure(kProgram, args.values["--boundary"] + ": " + error);
    }
  }
  progress.Status("overlaying the surfaces");
  VolumeIntegrator integrator(overlay.origin());
  overlay.Run(integrator, [&progress](double share) { progress.Fraction(share, 1); });
  progress.Bar(100);
  progress.EndBar();
  const EarthworkVolumes volumes = integrator.Result();
  std::fputs((args.flags.count("--json") ? VolumeJson(volumes) : VolumeReport(volumes)).c_str(), stdout);
  if (volumes.empty) {
    std::string what = compared.other ? "the two surfaces do not overlap" : "BASE has no kept triangles";
    if (!boundary.empty()) what += " within the boundary";
    return ToolFailure(kProgram, what + ": the region is empty");
  }
  return 0;
}
