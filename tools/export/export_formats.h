// The standard files a finished network is exported to: LandXML 1.2, DXF
// (R12 entities), binary PLY, Wavefront OBJ and GeoJSON. Every format holds
// the kept triangles (or, for GeoJSON, the lines only) with coordinates as
// the shortest text that reads back to the same double.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "contours.h"
#include "finished_project.h"

namespace quarvelin {

enum class ExportFormat { kLandXml, kDxf, kPly, kObj, kGeoJson, kUnknown };

// The format named by the file's extension (case does not matter).
ExportFormat FormatOfPath(const std::string& path);
// Whether the format has a place for contour lines.
bool FormatTakesContours(ExportFormat format);

struct ExportData {
  const FinishedProject* project = nullptr;
  std::string name;  // the surface's name: the project folder's
  std::vector<int32_t> kept;  // indices of the kept triangles
  // The points that kept triangles use, in point-table order; a point's id in
  // the files is its position here (from 1 where the format counts from 1).
  std::vector<int32_t> points;
  std::vector<int32_t> pointId;  // per point of the table: position in `points`, or -1
  std::vector<ContourLine> contours;
  std::string timestamp;  // "YYYY-MM-DDTHH:MM:SS" (UTC), when the network was built
};

ExportData PrepareExport(const FinishedProject& project, std::string name, std::string timestamp);

// Writes the file; false with `error` set when it cannot be written.
bool WriteExport(const ExportData& data, ExportFormat format, const std::string& path, std::string& error);

}  // namespace quarvelin
