// The data of one build: the mapped point and triangle tables, the point grid
// and the cell order. One ModelStore exists per build; the engine, breakline
// enforcement and boundary trimming all work on it.
//
// The invariants that the network keeps between operations, once the
// triangle table is open, are ValidateNetwork's (tin/network_validation.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/mapped_file.h"
#include "store/project_format.h"
#include "store/records.h"
#include "store/result.h"

namespace quarvelin {

// The coarse square grid over the survey points. The cell of column c (along
// x) and row r (along y) has the number c * rowCount + r.
struct PointGrid {
  double minX = 0;
  double minY = 0;
  double maxX = 0;
  double maxY = 0;
  double cellSize = 0;
  int32_t columnCount = 0;
  int32_t rowCount = 0;
  std::vector<GridCell> cells;

  // Cell number of the position, or -1 when it lies outside the grid.
  int32_t CellAt(double x, double y) const;
  // Column or row index of a coordinate by the import's rule: the integer
  // part of (value - origin) / cellSize + kCellNudge, truncated toward zero; -1
  // when that falls outside 0..limit-1 or is not a number.
  int32_t Index(double value, double origin, int32_t limit) const;
};

// Sizes the grid over a bounding box: the smallest multiple of kCellStep (at
// least kCellStep) for cellSize such that neither count exceeds
// kMostCellsAcross. Leaves cells empty.
// False when the box is inverted, its extent is not a finite number, or it
// needs cells larger than 2^53, beyond which multiples of 100 are not all
// numbers.
bool SizeGrid(PointGrid& grid, double minX, double minY, double maxX, double maxY);

struct ModelStore {
  std::string projectDirectory;

  PointRecord* points = nullptr;
  int32_t pointCount = 0;  // frame corners included

  TriangleRecord* triangles = nullptr;
  int64_t triangleCapacity = 0;  // records the table can hold
  int32_t lastTriangle = -1;     // newest record in use

  PointGrid grid;
  std::vector<CellOrderEntry> cellOrder;
  int32_t occupiedCells = 0;  // packed entries at the front of cellOrder

  MappedFile pointFile;
  MappedFile triangleFile;

  // Records the triangle table must hold for a build of pointCount points.
  int64_t TrianglesNeeded() const { return TriangleRecordsNeeded(pointCount); }

  // Ask the cache for a record that is about to be read. The walks and the
  // cavity search jump between records made at different times, so nearly
  // every record they read is a miss; asking early lets the misses overlap.
  // No effect on any result.
  // A record may straddle two cache lines (28 and 40 bytes against 64), so
  // both ends are asked for: of a point, its position and its triangle.
  // A record read within the current insertion comes into the first-level
  // cache (kReadNow); one read an insertion or more ahead into the second
  // only (kReadAhead, the value of the hint): the lookahead asks for dozens
  // of records an insertion, which in the first level crowd out the records
  // in use (a 1 M-point lidar build runs 7 % faster so).
  enum ReadDistance { kReadAhead = 2, kReadNow = 3 };
  template <ReadDistance distance = kReadAhead>
  void PrefetchTriangle(int32_t t) const {
    if (t < 0) return;
    __builtin_prefetch(triangles + t, 0, distance);
    __builtin_prefetch(reinterpret_cast<const char*>(triangles + t + 1) - 1, 0, distance);
  }
  template <ReadDistance distance = kReadAhead>
  void PrefetchPoint(int32_t p) const {
    if (p < 0) return;
    __builtin_prefetch(points + p, 0, distance);
    __builtin_prefetch(&points[p].incidentTriangle, 0, distance);
  }
};

// The message for a table that `file` failed to open: `unavailable` and the
// path, unless another build holds the file or the disk is full.
std::string TableOpenMessage(const MappedFile& file, const std::string& unavailable, const std::string& path);

// Maps TIN.tri of the store's project. Fails when the file is missing, held
// by another build, cannot be allocated or mapped, or is too small for the
// build.
Status MapTriangleTable(ModelStore& store);

// Lays the starting network over the four frame corners into the triangle
// table, which the import mapped and checked: (0, 1, 2) and (2, 3, 0),
// sharing the edge 2-0 opposite vertex[1] in both.
void OpenTriangleTable(ModelStore& store);

// Unmaps the point table, frees the grid and the cell order, unmaps the
// triangle table. The changed pages go back to the files.
void CloseModelStore(ModelStore& store);

}  // namespace quarvelin
