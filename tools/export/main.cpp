// quarvelin-export: a finished project's network as standard files: LandXML,
// DXF, PLY, OBJ, GeoJSON, GeoPackage or a GeoTIFF elevation model, chosen by
// the output file's extension, with contour lines on request.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "cli/command_line.h"
#include "contours.h"
#include "export_formats.h"
#include "finished_project.h"
#include "gis_formats.h"
#include "platform/console_progress.h"
#include "platform/system.h"

namespace {

using quarvelin::CommandLineSpec;

constexpr const char* kProgram = "quarvelin-export";

const CommandLineSpec kCommandLine{
    kProgram,
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
    "  .gpkg            GeoPackage: layers triangles (3D polygons), breaklines,\n"
    "                   boundary and contours (with their elevation)\n"
    "  .tif, .tiff      GeoTIFF elevation model (needs --cell-size): the kept\n"
    "                   triangles interpolated at the cell centres, Float32,\n"
    "                   -9999 outside them, tiled and DEFLATE-compressed\n"
    "Only the triangles that boundary trimming kept are written, and only the\n"
    "points they use; faces are counter-clockwise seen from above. Coordinates\n"
    "are written with all the digits they need to read back exactly. The\n"
    "project's reference system (PROJECT/crs.wkt, or --crs) goes into LandXML,\n"
    "GeoJSON (by EPSG code), GeoPackage and GeoTIFF, and into a .prj beside\n"
    "DXF, PLY and OBJ.\n",
    {
        {"--to", "FILE", "the file to write"},
        {"--contour-interval", "METRES",
         "also trace contour lines at every multiple of\n"
         "METRES (DXF, GeoJSON, GeoPackage)"},
        {"--cell-size", "SIZE",
         "side of the elevation model's cells, in the\n"
         "coordinates' units; at most 1000000000 cells\n"
         "and 1000000 on a side"},
        {"--crs", "CRS",
         "the reference system, for a project a host\n"
         "made: EPSG:n, a WKT or PROJ string, or a .prj"},
        {"--origin", "auto|X,Y",
         "PLY and OBJ: subtract X and Y (auto: the\n"
         "kilometre below the survey's corner) from the\n"
         "coordinates, for viewers that read single\n"
         "precision; written into the file's header and\n"
         "FILE.origin.txt"},
        {"--quiet", "", "print nothing but errors", "-q"},
    },
    "Exit status: 0 written, 1 the project could not be read or the file written,\n"
    "2 a usage error.\n",
    true,
};

// "auto": the whole kilometre at or below the kept area's lower-left corner.
bool ParseOrigin(const std::string& text, const quarvelin::Extent& extent, quarvelin::ExportData& data) {
  data.shifted = true;
  if (text == "auto") {
    data.originX = std::floor(extent.minX / 1000) * 1000;
    data.originY = std::floor(extent.minY / 1000) * 1000;
    return true;
  }
  const size_t comma = text.find(',');
  const char* end = text.data() + text.size();
  auto x = std::from_chars(text.data(), text.data() + std::min(comma, text.size()), data.originX);
  if (comma == std::string::npos || x.ec != std::errc() || x.ptr != text.data() + comma) return false;
  auto y = std::from_chars(text.data() + comma + 1, end, data.originY);
  return y.ec == std::errc() && y.ptr == end && std::isfinite(data.originX) && std::isfinite(data.originY);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quarvelin;
  CommandLine args;
  if (std::optional<int> status = ParseCommandLine(argc, argv, kCommandLine, args)) return *status;
  if (args.operands().size() != 1) return UsageError(kProgram, "expected one PROJECT folder");
  if (!args.Has("--to")) return UsageError(kProgram, "no --to FILE given");
  const std::string project = args.operands()[0], target = args.Value("--to");
  const ExportFormat format = FormatOfPath(target);
  if (format == ExportFormat::kUnknown) {
    return UsageError(kProgram, target + ": unknown extension (use .xml, .dxf, .ply, .obj, .geojson, .gpkg or .tif)");
  }
  double cellSize = 0;
  if (args.Has("--cell-size") != (format == ExportFormat::kGeoTiff)) {
    return UsageError(kProgram, "--cell-size goes with an elevation model (.tif), and it needs one");
  }
  if (args.Has("--cell-size") && !ParsePositiveNumber(args.Value("--cell-size"), cellSize)) {
    return UsageError(kProgram, "--cell-size needs a size greater than 0");
  }
  if (args.Has("--origin") && !FormatTakesOrigin(format)) return UsageError(kProgram, "--origin is for PLY and OBJ");
  double interval = 0;
  if (args.Has("--contour-interval")) {
    if (!ParsePositiveNumber(args.Value("--contour-interval"), interval)) {
      return UsageError(kProgram, "--contour-interval needs a number of metres greater than 0");
    }
    if (!FormatTakesContours(format)) {
      return UsageError(kProgram, "contours go to DXF, GeoJSON and GeoPackage files only");
    }
  }
  const bool quiet = args.Has("--quiet");

  ConsoleProgress progress(stderr, IsTerminal(stderr), quiet);
  progress.Status("reading " + project);
  FinishedProject network;
  std::string error;
  if (!ReadFinishedProject(project, network, error)) return Failure(kProgram, error);
  if (!network.hasEdgeFile) progress.Status(std::string(kProgram) + ": no Edge.inf: no boundary is written");
  const std::string name = std::filesystem::path(project).lexically_normal().filename().string();
  ExportData data = PrepareExport(network, name.empty() ? "surface" : name, BuildTimestamp(project));
  QuietGdalErrors();
  bool usage = false;
  if (!ToolCrs(project, args.Has("--crs") ? &args.Value("--crs") : nullptr, data.crs, usage, error)) {
    return usage ? UsageError(kProgram, error) : Failure(kProgram, error);
  }
  if (!quiet && !data.crs.Known()) {
    std::fprintf(stderr, "%s: the project has no reference system (give --crs): the file carries none\n", kProgram);
  } else if (!quiet && format == ExportFormat::kGeoJson && data.crs.epsg == 0) {
    std::fprintf(stderr, "%s: GeoJSON names a system by its EPSG code, and %s has none: the file carries none\n",
                 kProgram, data.crs.name.c_str());
  }
  if (args.Has("--origin") && !ParseOrigin(args.Value("--origin"), KeptExtent(network), data)) {
    return UsageError(kProgram, "--origin needs 'auto' or two numbers X,Y");
  }
  data.cellSize = cellSize;
  DemGrid grid;
  if (format == ExportFormat::kGeoTiff && !DemGridFor(data, cellSize, grid, error)) {
    return UsageError(kProgram, error);
  }
  if (interval > 0) {
    if (ContourLevelCount(network, interval) > kMaxContourLevels) {
      return UsageError(kProgram, "--contour-interval gives more than 10000 contour levels");
    }
    progress.Status("tracing contours");
    data.contours = TraceContours(network, interval);
    data.contourInterval = interval;
  }
  progress.Status("writing " + target);
  data.written = [&progress](uint64_t bytes) { progress.Counter(std::to_string(bytes >> 20) + " MB written"); };
  const bool written = WriteExport(data, format, target, error);
  progress.EndBar();
  if (!written) return Failure(kProgram, error);
  if (!quiet) {
    std::fprintf(stderr, "%s: wrote %s: %zu points, %zu triangles, %zu breaklines, %zu boundary rings", kProgram,
                 target.c_str(), data.points.size(), data.kept.size(), network.breaklines.size(),
                 network.boundaryRings.size());
    if (interval > 0) std::fprintf(stderr, ", %zu contour lines", data.contours.size());
    std::fputc('\n', stderr);
  }
  return 0;
}
