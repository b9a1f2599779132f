// quarvelin-export: a finished project's network as standard files: LandXML,
// DXF, PLY, OBJ or GeoJSON, chosen by the output file's extension, with
// contour lines on request.
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "contours.h"
#include "export_formats.h"
#include "finished_project.h"
#include "tool_arguments.h"

namespace {

constexpr const char* kProgram = "quarvelin-export";

constexpr const char* kUsage =
    "Usage: quarvelin-export PROJECT --to FILE [OPTIONS]\n"
    "Writes the network that quarvelin-cli built in PROJECT (the folder holding\n"
    "PMAP) to FILE, in the format its extension names:\n"
    "  .xml, .landxml   LandXML 1.2: the TIN surface (points northing, easting,\n"
    "                   elevation), the breaklines and the outer boundary\n"
    "  .dxf             DXF: a 3DFACE per triangle (layer TIN), breaklines,\n"
    "                   boundary and contours as 3D polylines (layers BREAKLINES,\n"
    "                   BOUNDARY, CONTOURS; every fifth level CONTOURS_INDEX)\n"
    "  .ply             binary PLY: vertices (double x, y, z) and faces\n"
    "  .obj             Wavefront OBJ: vertices and faces\n"
    "  .geojson, .json  GeoJSON: boundary polygons, breaklines and contours\n"
    "Only the triangles that boundary trimming kept are written, and only the\n"
    "points they use; faces are counter-clockwise seen from above. Coordinates\n"
    "are written with all the digits they need to read back exactly.\n"
    "\n"
    "Options:\n"
    "  --to FILE                  the file to write\n"
    "  --contour-interval METRES  also trace contour lines at every multiple of\n"
    "                             METRES (DXF and GeoJSON)\n"
    "  --quiet                    print nothing but errors\n"
    "  --help                     show this help\n"
    "\n"
    "Exit status: 0 written, 1 the project could not be read or the file written,\n"
    "2 a usage error.\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace quarvelin;
  ToolArguments args;
  std::string error;
  if (!ParseToolArguments(argc, argv, {"--to", "--contour-interval"}, {"--quiet", "-q"}, args, error)) {
    return ToolUsageError(kProgram, error);
  }
  if (args.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (args.positional.size() != 1) return ToolUsageError(kProgram, "expected one PROJECT folder");
  if (!args.Has("--to")) return ToolUsageError(kProgram, "no --to FILE given");
  const std::string project = args.positional[0], target = args.values["--to"];
  const ExportFormat format = FormatOfPath(target);
  if (format == ExportFormat::kUnknown) {
    return ToolUsageError(kProgram, target + ": unknown extension (use .xml, .dxf, .ply, .obj or .geojson)");
  }
  double interval = 0;
  if (args.Has("--contour-interval")) {
    if (!ParsePositiveNumber(args.values["--contour-interval"], interval)) {
      return ToolUsageError(kProgram, "--contour-interval needs a number of metres greater than 0");
    }
    if (!FormatTakesContours(format)) return ToolUsageError(kProgram, "contours go to DXF and GeoJSON files only");
  }
  const bool quiet = args.flags.count("--quiet") + args.flags.count("-q") > 0;

  FinishedProject network;
  if (!ReadFinishedProject(project, network, error)) return ToolFailure(kProgram, error);
  if (!quiet && !network.hasEdgeFile) std::fprintf(stderr, "%s: no Edge.inf: no boundary is written\n", kProgram);
  const std::string name = std::filesystem::path(project).lexically_normal().filename().string();
  ExportData data = PrepareExport(network, name.empty() ? "surface" : name, BuildTimestamp(project));
  if (interval > 0) {
    if (ContourLevelCount(network, interval) > kMaxContourLevels) {
      return ToolUsageError(kProgram, "--contour-interval gives more than 10000 contour levels");
    }
    data.contours = TraceContours(network, interval);
  }
  if (!WriteExport(data, format, target, error)) return ToolFailure(kProgram, error);
  if (!quiet) {
    std::fprintf(stderr, "%s: wrote %s: %zu points, %zu triangles, %zu breaklines, %zu boundary rings", kProgram,
                 target.c_str(), data.points.size(), data.kept.size(), network.breaklines.size(),
                 network.boundaryRings.size());
    if (interval > 0) std::fprintf(stderr, ", %zu contour lines", data.contours.size());
    std::fputc('\n', stderr);
  }
  return 0;
}
