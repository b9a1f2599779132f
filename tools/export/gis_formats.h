// The exports written through GDAL: a GeoPackage of the network's layers
// (OGR) and a GeoTIFF elevation model of the kept triangles.
#pragma once

#include <cstdint>
#include <string>

#include "export_formats.h"

namespace quarvelin {

// The elevation model's pixel grid: its corner on multiples of the cell size,
// so that models of neighbouring projects line up.
struct DemGrid {
  double left = 0, top = 0, cell = 0;
  int64_t columns = 0, rows = 0;
};

// Most cells a model may have (4 GB of Float32), and on a side.
constexpr int64_t kMaxDemCells = 1000000000;
constexpr int64_t kMaxDemSide = 1000000;
// Height of the cells outside the kept triangles.
constexpr double kDemNoData = -9999;

// The grid over the kept triangles at `cellSize` (> 0). False with `error`
// naming the size it would have when it exceeds the limits.
bool DemGridFor(const ExportData& data, double cellSize, DemGrid& grid, std::string& error);

// Layers triangles (3D polygons), breaklines, boundary (3D polygons) and,
// when traced, contours (with their elevation), each in the project's system.
bool WriteGeoPackage(const ExportData& data, const std::string& path, std::string& error);

// Float32 heights interpolated linearly in the kept triangles at the cell
// centres, tiled and DEFLATE-compressed, with the geotransform and system.
bool WriteDem(const ExportData& data, const DemGrid& grid, const std::string& path, std::string& error);

}  // namespace quarvelin
