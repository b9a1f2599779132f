// quarvelin-render: a picture of the network that quarvelin-cli built, or a
// cut/fill map against another network or a level, as PNG or SVG.
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "boundary/boundary_clipping.h"
#include "boundary_rings.h"
#include "cli/command_line.h"
#include "contours.h"
#include "crs.h"
#include "difference_map.h"
#include "finished_project.h"
#include "network_picture.h"
#include "platform/console_progress.h"
#include "platform/system.h"
#include "store/project_format.h"

namespace {

using quarvelin::CommandLineSpec;

constexpr const char* kProgram = "quarvelin-render";

const CommandLineSpec kCommandLine{
    kProgram,
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
    "computes them.\n",
    {
        {"--to", "FILE", "the picture to write: a .png or .svg file"},
        {"--width", "PIXELS",
         "width of the picture (default 1600, 400 to\n"
         "20000); the height follows the survey's shape"},
        {"--title", "TEXT",
         "the title above the map (default: the project\n"
         "folder's name)"},
        {"--removed", "", "also draw the removed triangles, in grey"},
        {"--contour-interval", "METRES",
         "also draw contour lines at every multiple of\n"
         "METRES"},
        {"--compare", "OTHER",
         "map the difference from the finished project\n"
         "OTHER"},
        {"--level", "Z", "map the difference from the level Z (metres)"},
        {"--boundary", "FILE",
         "map only within these rings (as for\n"
         "quarvelin-volume)"},
        {"--crs", "CRS",
         "the reference system named under the title,\n"
         "for a project a host made (default: the\n"
         "project's crs.wkt): EPSG:n, WKT, PROJ or .prj"},
        {"--quiet", "", "print nothing but errors", "-q"},
    },
    "Exit status: 0 written, 1 the project could not be read or the picture\n"
    "written, 2 a usage error.\n",
    true,
};

// The cut/fill map of BASE against --compare OTHER or --level Z.
// Names the project's reference system after the title; false with the
// exit status set when --crs is unknown or crs.wkt does not parse.
bool NameCrsInTitle(const quarvelin::CommandLine& args, const std::string& project, std::string& title, int& status) {
  using namespace quarvelin;
  QuietGdalErrors();
  CoordinateSystem crs;
  bool usage = false;
  std::string error;
  if (!ToolCrs(project, args.Has("--crs") ? &args.Value("--crs") : nullptr, crs, usage, error)) {
    status = usage ? UsageError(kProgram, error) : Failure(kProgram, error);
    return false;
  }
  if (crs.Known()) title += "  \u00b7  " + crs.Label();
  return true;
}

int DrawComparison(const quarvelin::CommandLine& args, const std::string& project, const std::string& target, int width,
                   bool quiet) {
  using namespace quarvelin;
  if (args.Has("--compare") == args.Has("--level")) {
    return UsageError(kProgram, "a cut/fill map needs either --compare OTHER or --level Z");
  }
  if (args.Has("--removed") || args.Has("--contour-interval")) {
    return UsageError(kProgram, "--removed and --contour-interval belong to the network picture, not a cut/fill map");
  }
  ComparedSurface compared;
  if (args.Has("--level") && !ParseFiniteNumber(args.Value("--level"), compared.level)) {
    return UsageError(kProgram, "--level needs a height in metres, not '" + args.Value("--level") + "'");
  }
  std::string error;
  std::vector<PlanRing> boundary;
  if (args.Has("--boundary") && !ReadPlanRings(args.Value("--boundary"), boundary, error)) {
    return Failure(kProgram, error);
  }
  FinishedProject base, other;
  ConsoleProgress progress(stderr, IsTerminal(stderr), quiet);
  progress.Status("reading " + project);
  if (!ReadFinishedProject(project, base, error)) return Failure(kProgram, error);
  DifferenceMapOptions options;
  options.width = width;
  options.title = std::filesystem::path(project).lexically_normal().filename().string() + " - ";
  if (args.Has("--compare")) {
    progress.Status("reading " + args.Value("--compare"));
    if (!ReadFinishedProject(args.Value("--compare"), other, error)) return Failure(kProgram, error);
    compared.other = &other;
    options.title += std::filesystem::path(args.Value("--compare")).lexically_normal().filename().string();
  } else {
    options.title += "level " + args.Value("--level") + " m";
  }
  int status = 0;
  if (!NameCrsInTitle(args, project, options.title, status)) return status;
  if (args.Has("--title")) options.title = args.Value("--title");
  progress.Status("overlaying the surfaces and drawing the map");
  EarthworkVolumes volumes;
  const bool drawn = DrawDifferenceMap(base, compared, boundary, options, target, volumes, error);
  ReleasePictureCaches();
  if (!drawn) return Failure(kProgram, error);
  if (volumes.empty) return Failure(kProgram, "wrote " + target + ", but the surfaces do not overlap: the region is empty");
  if (!quiet) std::fprintf(stderr, "%s: wrote %s\n", kProgram, target.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quarvelin;
  CommandLine args;
  if (std::optional<int> status = ParseCommandLine(argc, argv, kCommandLine, args)) return *status;
  if (args.operands().size() != 1) return UsageError(kProgram, "expected one PROJECT folder");
  if (!args.Has("--to")) return UsageError(kProgram, "no --to FILE given");
  const std::string project = args.operands()[0], target = args.Value("--to");
  if (!HasPictureExtension(target)) {
    return UsageError(kProgram, target + ": unknown extension (use .png or .svg)");
  }
  PictureOptions options;
  double width = options.width, interval = 0;
  if (args.Has("--width") && (!ParsePositiveNumber(args.Value("--width"), width) || width < 400 || width > 20000 ||
                              width != std::floor(width))) {
    return UsageError(kProgram, "--width needs a whole number of pixels from 400 to 20000");
  }
  if (args.Has("--contour-interval") && !ParsePositiveNumber(args.Value("--contour-interval"), interval)) {
    return UsageError(kProgram, "--contour-interval needs a number of metres greater than 0");
  }
  options.width = static_cast<int>(width);
  options.removed = args.Has("--removed");
  const bool quiet = args.Has("--quiet");

  if (args.Has("--compare") || args.Has("--level") || args.Has("--boundary")) {
    return DrawComparison(args, project, target, static_cast<int>(width), quiet);
  }
  ConsoleProgress progress(stderr, IsTerminal(stderr), quiet);
  progress.Status("reading " + project);
  FinishedProject network;
  std::string error;
  if (!ReadFinishedProject(project, network, error)) return Failure(kProgram, error);
  options.title = std::filesystem::path(project).lexically_normal().filename().string();
  int status = 0;
  if (!NameCrsInTitle(args, project, options.title, status)) return status;
  if (args.Has("--title")) options.title = args.Value("--title");
  if (interval > 0) {
    if (ContourLevelCount(network, interval) > kMaxContourLevels) {
      return UsageError(kProgram, "--contour-interval gives more than 10000 contour levels");
    }
    progress.Status("tracing contours");
    options.contours = TraceContours(network, interval);
    options.contourInterval = interval;
  }
  const std::string ringFile = ProjectFilePath(project, kProjectFolder, kProjectRingFile);
  if (FileSize(ringFile) >= 0 && !ReadPlanRings(ringFile, options.clipRings, error)) return Failure(kProgram, error);
  progress.Status("drawing " + std::to_string(network.triangles.size()) + " triangles");
  options.progress = [&progress](double share) { progress.Fraction(share, 1); };
  const bool drawn = DrawNetworkPicture(network, options, target, error);
  if (drawn) progress.Bar(100);
  progress.EndBar();
  ReleasePictureCaches();
  if (!drawn) return Failure(kProgram, error);
  if (!quiet) std::fprintf(stderr, "%s: wrote %s\n", kProgram, target.c_str());
  return 0;
}
