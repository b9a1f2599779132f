// The standard files a finished network is exported to: LandXML 1.2, DXF
// (R12 entities), binary PLY, Wavefront OBJ, GeoJSON, GeoPackage and a
// GeoTIFF elevation model. Every vector format holds the kept triangles (or,
// for GeoJSON, the lines only) with coordinates as the shortest text that
// reads back to the same double, and the project's reference system where
// the format has a place for it (a .prj beside DXF, PLY and OBJ).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "contours.h"
#include "crs.h"
#include "finished_project.h"

namespace quarvelin {

enum class ExportFormat { kLandXml, kDxf, kPly, kObj, kGeoJson, kGeoPackage, kGeoTiff, kUnknown };

// The format named by the file's extension (case does not matter).
ExportFormat FormatOfPath(const std::string& path);
// Whether the format has a place for contour lines.
bool FormatTakesContours(ExportFormat format);
// Whether the format's coordinates may be shifted by --origin.
bool FormatTakesOrigin(ExportFormat format);
// The file beside an export that holds its system (a .prj), or its origin.
std::string PrjPath(const std::string& path);
std::string OriginPath(const std::string& path);

struct ExportData {
  const FinishedProject* project = nullptr;
  std::string name;  // the surface's name: the project folder's
  std::vector<int32_t> kept;  // indices of the kept triangles
  // The points that kept triangles use, in point-table order; a point's id in
  // the files is its position here (from 1 where the format counts from 1).
  std::vector<int32_t> points;
  std::vector<int32_t> pointId;  // per point of the table: position in `points`, or -1
  std::vector<ContourLine> contours;
  double contourInterval = 0;  // 0: no contours asked for
  CoordinateSystem crs;
  // Subtracted from x and y in PLY and OBJ, for viewers that read single
  // precision; recorded in the file and in FILE.origin.txt.
  bool shifted = false;
  double originX = 0, originY = 0;
  double cellSize = 0;  // of the elevation model
  std::string timestamp;  // "YYYY-MM-DDTHH:MM:SS" (UTC), when the network was built
  std::function<void(uint64_t)> written;  // optional: the file's size so far, as it grows
};

ExportData PrepareExport(const FinishedProject& project, std::string name, std::string timestamp);

// Writes the file; false with `error` set when it cannot be written.
bool WriteExport(const ExportData& data, ExportFormat format, const std::string& path, std::string& error);

}  // namespace quarvelin
