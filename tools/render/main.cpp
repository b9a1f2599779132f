// quarvelin-render: a picture of the network that quarvelin-cli built, or a
// cut/fill map against another network or a level, as PNG or SVG.
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "boundary/boundary_clipping.h"
#include "boundary_rings.h"
#include "contours.h"
#include "crs.h"
#include "difference_map.h"
#include "finished_project.h"
#include "network_picture.h"
#include "platform/console_progress.h"
#include "platform/system.h"
#include "tool_arguments.h"

namespace {

constexpr const char* kProgram = "quarvelin-render";

constexpr const char* kUsage =
    "Usage: quarvelin-render PROJECT --to FILE.png|FILE.svg [OPTIONS]\n"
    "       quarvelin-render BASE (--compare OTHER | --level Z) --to FILE [OPTIONS]\n"
    "Draws the network that quarvelin-cli built in PROJECT (the folder holding\n"
    "PMAP): the kept triangles tinted by height and shaded by slope, the\n"
    "breaklines (blue), the trimmed boundary (red), the rings of a project that\n"
    "quarvelin-prepare --boundary gave (dashed), a north arrow, a legend of the\n"
    "heights and lines, and a scale bar. An SVG of more than 20000 triangles\n"
    "holds the shaded surface as an embedded image and the lines as vectors.\n"
    "With --compare or --level it draws a cut/fill map instead: where both\n"
    "surfaces are defined, coloured by BASE - OTHER (red where BASE is above,\n"
    "cut; blue where it is below, fill; white where they meet), with the line\n"
    "where they meet, a legend in metres and the volumes, as quarvelin-volume\n"
    "computes them.\n"
    "\n"
    "Options:\n"
    "  --to FILE                  the picture to write: a .png or .svg file\n"
    "  --width PIXELS             width of the picture (default 1600, 400 to\n"
    "                             20000); the height follows the survey's shape\n"
    "  --title TEXT               the title above the map (default: the project\n"
    "                             folder's name)\n"
    "  --removed                  also draw the removed triangles, in grey\n"
    "  --contour-interval METRES  also draw contour lines at every multiple of\n"
    "                             METRES\n"
    "  --compare OTHER            map the difference from the finished project\n"
    "                             OTHER\n"
    "  --level Z                  map the difference from the level Z (metres)\n"
    "  --boundary FILE            map only within these rings (as for\n"
    "                             quarvelin-volume)\n"
    "  --crs CRS                  the reference system named under the title,\n"
    "                             for a project a host made (default: the\n"
    "                             project's crs.wkt): EPSG:n, WKT, PROJ or .prj\n"
    "  --quiet                    print nothing but errors\n"
    "  --help                     show this help\n"
    "  --version                  show the version and the source revision\n"
    "\n"
    "Exit status: 0 written, 1 the project could not be read or the picture\n"
    "written, 2 a usage error.\n";

// The cut/fill map of BASE against --compare OTHER or --level Z.
// Names the project's reference system after the title; false with the
// exit status set when --crs is unknown or crs.wkt does not parse.
bool NameCrsInTitle(quarvelin::ToolArguments& args, const std::string& project, std::string& title, int& status) {
  using namespace quarvelin;
  QuietGdalErrors();
  CoordinateSystem crs;
  bool usage = false;
  std::string error;
  if (!ToolCrs(project, args.Has("--crs") ? &args.values["--crs"] : nullptr, crs, usage, error)) {
    status = usage ? ToolUsageError(kProgram, error) : ToolFailure(kProgram, error);
    return false;
  }
  if (crs.Known()) title += "  \u00b7  " + crs.Label();
  return true;
}

int DrawComparison(quarvelin::ToolArguments& args, const std::string& project, const std::string& target, int width,
                   bool quiet) {
  using namespace quarvelin;
  if (args.Has("--compare") == args.Has("--level")) {
    return ToolUsageError(kProgram, "a cut/fill map needs either --compare OTHER or --level Z");
  }
  if (args.Has("--removed") || args.Has("--contour-interval")) {
    return ToolUsageError(kProgram, "--removed and --contour-interval belong to the network picture, not a cut/fill map");
  }
  ComparedSurface compared;
  if (args.Has("--level") && !ParseFiniteNumber(args.values["--level"], compared.level)) {
    return ToolUsageError(kProgram, "--level needs a height in metres, not '" + args.values["--level"] + "'");
  }
  std::string error;
  std::vector<PlanRing> boundary;
  if (args.Has("--boundary") && !ReadPlanRings(args.values["--boundary"], boundary, error)) {
    return ToolFailure(kProgram, error);
  }
  FinishedProject base, other;
  ConsoleProgress progress(stderr, IsTerminal(stderr), quiet);
  progress.Status("reading " + project);
  if (!ReadFinishedProject(project, base, error)) return ToolFailure(kProgram, error);
  DifferenceMapOptions options;
  options.width = width;
  options.title = std::filesystem::path(project).lexically_normal().filename().string() + " - ";
  if (args.Has("--compare")) {
    progress.Status("reading " + args.values["--compare"]);
    if (!ReadFinishedProject(args.values["--compare"], other, error)) return ToolFailure(kProgram, error);
    compared.other = &other;
    options.title += std::filesystem::path(args.values["--compare"]).lexically_normal().filename().string();
  } else {
    options.title += "level " + args.values["--level"] + " m";
  }
  int status = 0;
  if (!NameCrsInTitle(args, project, options.title, status)) return status;
  if (args.Has("--title")) options.title = args.values["--title"];
  progress.Status("overlaying the surfaces and drawing the map");
  EarthworkVolumes volumes;
  const bool drawn = DrawDifferenceMap(base, compared, boundary, options, target, volumes, error);
  ReleasePictureCaches();
  if (!drawn) return ToolFailure(kProgram, error);
  if (volumes.empty) return ToolFailure(kProgram, "wrote " + target + ", but the surfaces do not overlap: the region is empty");
  if (!quiet) std::fprintf(stderr, "%s: wrote %s\n", kProgram, target.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quarvelin;
  ToolArguments args;
  std::string error;
  if (!ParseToolArguments(argc, argv,
                          {"--to", "--width", "--contour-interval", "--compare", "--level", "--boundary", "--crs", "--title"},
                          {"--removed", "--quiet", "-q"}, args, error)) {
    return ToolUsageError(kProgram, error);
  }
  if (PrintHelpOrVersion(args, kProgram, kUsage)) return 0;
  if (args.positional.size() != 1) return ToolUsageError(kProgram, "expected one PROJECT folder");
  if (!args.Has("--to")) return ToolUsageError(kProgram, "no --to FILE given");
  const std::string project = args.positional[0], target = args.values["--to"];
  if (!HasPictureExtension(target)) {
    return ToolUsageError(kProgram, target + ": unknown extension (use .png or .svg)");
  }
  PictureOptions options;
  double width = options.width, interval = 0;
  if (args.Has("--width") && (!ParsePositiveNumber(args.values["--width"], width) || width < 400 || width > 20000 ||
                              width != std::floor(width))) {
    return ToolUsageError(kProgram, "--width needs a whole number of pixels from 400 to 20000");
  }
  if (args.Has("--contour-interval") && !ParsePositiveNumber(args.values["--contour-interval"], interval)) {
    return ToolUsageError(kProgram, "--contour-interval needs a number of metres greater than 0");
  }
  options.width = static_cast<int>(width);
  options.removed = args.flags.count("--removed") > 0;
  const bool quiet = args.flags.count("--quiet") + args.flags.count("-q") > 0;

  if (args.Has("--compare") || args.Has("--level") || args.Has("--boundary")) {
    return DrawComparison(args, project, target, static_cast<int>(width), quiet);
  }
  ConsoleProgress progress(stderr, IsTerminal(stderr), quiet);
  progress.Status("reading " + project);
  FinishedProject network;
  if (!ReadFinishedProject(project, network, error)) return ToolFailure(kProgram, error);
  options.title = std::filesystem::path(project).lexically_normal().filename().string();
  int status = 0;
  if (!NameCrsInTitle(args, project, options.title, status)) return status;
  if (args.Has("--title")) options.title = args.values["--title"];
  if (interval > 0) {
    if (ContourLevelCount(network, interval) > kMaxContourLevels) {
      return ToolUsageError(kProgram, "--contour-interval gives more than 10000 contour levels");
    }
    progress.Status("tracing contours");
    options.contours = TraceContours(network, interval);
    options.contourInterval = interval;
  }
  const std::string ringFile = ProjectFilePath(project, "PMAP", kProjectRingFile);
  if (FileSize(ringFile) >= 0 && !ReadPlanRings(ringFile, options.clipRings, error)) return ToolFailure(kProgram, error);
  progress.Status("drawing " + std::to_string(network.triangles.size()) + " triangles");
  options.progress = [&progress](double share) { progress.Fraction(share, 1); };
  const bool drawn = DrawNetworkPicture(network, options, target, error);
  if (drawn) progress.Bar(100);
  progress.EndBar();
  ReleasePictureCaches();
  if (!drawn) return ToolFailure(kProgram, error);
  if (!quiet) std::fprintf(stderr, "%s: wrote %s\n", kProgram, target.c_str());
  return 0;
}
