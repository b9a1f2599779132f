// quarvelin-volume: cut and fill between two finished networks, or between a
// network and a level, within an optional boundary.
#include <cstdio>

#include "boundary_rings.h"
#include "cli/command_line.h"
#include "earthwork_volume.h"
#include "finished_project.h"
#include "platform/console_progress.h"
#include "platform/system.h"

namespace {

using quarvelin::CommandLineSpec;

constexpr const char* kProgram = "quarvelin-volume";

const CommandLineSpec kCommandLine{
    kProgram,
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
    "  net        fill - cut\n",
    {
        {"--surface", "OTHER", "the finished project to compare BASE with"},
        {"--level", "Z", "compare BASE with the level Z (metres)"},
        {"--boundary", "FILE",
         "count only within these closed rings, the file that\n"
         "quarvelin-cli --boundary takes: for each ring its\n"
         "vertex count and 'x y z' lines; a ring inside a ring\n"
         "is a hole"},
        {"--json", "",
         "print the figures as one JSON object with the keys\n"
         "cut, fill, cut_area, fill_area, area, net and extent"},
        {"--quiet", "", "print nothing on stderr but errors", "-q"},
    },
    "Exit status: 0 computed, 1 a project or the boundary could not be read,\n"
    "or the region is empty (the figures are still printed), 2 a usage error.\n",
    true,
};

}  // namespace

int main(int argc, char** argv) {
  using namespace quarvelin;
  CommandLine args;
  if (std::optional<int> status = ParseCommandLine(argc, argv, kCommandLine, args)) return *status;
  if (args.operands().size() != 1) return UsageError(kProgram, "expected one BASE project folder");
  if (args.Has("--surface") == args.Has("--level")) {
    return UsageError(kProgram, "give either --surface OTHER or --level Z");
  }
  ComparedSurface compared;
  if (args.Has("--level") && !ParseFiniteNumber(args.Value("--level"), compared.level)) {
    return UsageError(kProgram, "--level needs a height in metres, not '" + args.Value("--level") + "'");
  }
  const bool quiet = args.Has("--quiet");
  const std::string basePath = args.operands()[0];

  std::string error;
  std::vector<PlanRing> boundary;
  if (args.Has("--boundary") && !ReadPlanRings(args.Value("--boundary"), boundary, error)) {
    return Failure(kProgram, error);
  }
  ConsoleProgress progress(stderr, IsTerminal(stderr), quiet);
  SurfaceOverlay overlay;
  {
    // The projects' tables go once the overlay has taken what it needs.
    FinishedProject base, other;
    progress.Status("reading " + basePath);
    if (!ReadFinishedProject(basePath, base, error)) return Failure(kProgram, error);
    if (args.Has("--surface")) {
      progress.Status("reading " + args.Value("--surface"));
      if (!ReadFinishedProject(args.Value("--surface"), other, error)) return Failure(kProgram, error);
      compared.other = &other;
    }
    // Only the boundary can be refused here.
    if (!overlay.Prepare(base, compared, boundary, error)) {
      return Failure(kProgram, args.Value("--boundary") + ": " + error);
    }
  }
  progress.Status("overlaying the surfaces");
  VolumeIntegrator integrator(overlay.origin());
  overlay.Run(integrator, [&progress](double share) { progress.Fraction(share, 1); });
  progress.Bar(100);
  progress.EndBar();
  const EarthworkVolumes volumes = integrator.Result();
  std::fputs((args.Has("--json") ? VolumeJson(volumes) : VolumeReport(volumes)).c_str(), stdout);
  if (volumes.empty) {
    std::string what = compared.other ? "the two surfaces do not overlap" : "BASE has no kept triangles";
    if (!boundary.empty()) what += " within the boundary";
    return Failure(kProgram, what + ": the region is empty");
  }
  return 0;
}
