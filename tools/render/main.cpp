// quarvelin-render: a picture of the network that quarvelin-cli built, as PNG
// or SVG.
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "contours.h"
#include "finished_project.h"
#include "network_picture.h"
#include "tool_arguments.h"

namespace {

constexpr const char* kProgram = "quarvelin-render";

constexpr const char* kUsage =
    "Usage: quarvelin-render PROJECT --to FILE.png|FILE.svg [OPTIONS]\n"
    "Draws the network that quarvelin-cli built in PROJECT (the folder holding\n"
    "PMAP): the kept triangles tinted by height and shaded by slope, the\n"
    "breaklines (blue), the trimmed boundary (red), a height legend and a scale\n"
    "bar.\n"
    "\n"
    "Options:\n"
    "  --to FILE                  the picture to write: a .png or .svg file\n"
    "  --width PIXELS             width of the picture (default 1600, 400 to\n"
    "                             20000); the height follows the survey's shape\n"
    "  --removed                  also draw the removed triangles, in grey\n"
    "  --contour-interval METRES  also draw contour lines at every multiple of\n"
    "                             METRES\n"
    "  --quiet                    print nothing but errors\n"
    "  --help                     show this help\n"
    "\n"
    "Exit status: 0 written, 1 the project could not be read or the picture\n"
    "written, 2 a usage error.\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace quarvelin;
  ToolArguments args;
  std::string error;
  if (!ParseToolArguments(argc, argv, {"--to", "--width", "--contour-interval"}, {"--removed", "--quiet", "-q"}, args,
                          error)) {
    return ToolUsageError(kProgram, error);
  }
  if (args.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
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

  FinishedProject network;
  if (!ReadFinishedProject(project, network, error)) return ToolFailure(kProgram, error);
  options.title = std::filesystem::path(project).lexically_normal().filename().string();
  if (interval > 0) {
    if (ContourLevelCount(network, interval) > kMaxContourLevels) {
      return ToolUsageError(kProgram, "--contour-interval gives more than 10000 contour levels");
    }
    options.contours = TraceContours(network, interval);
  }
  if (!quiet) std::fprintf(stderr, "%s: drawing %zu triangles\n", kProgram, network.triangles.size());
  const bool drawn = DrawNetworkPicture(network, options, target, error);
  ReleasePictureCaches();
  if (!drawn) return ToolFailure(kProgram, error);
  if (!quiet) std::fprintf(stderr, "%s: wrote %s\n", kProgram, target.c_str());
  return 0;
}
