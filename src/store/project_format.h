// Facts of the project files that the build, the host that prepares a
// project and the tools that read a finished one must agree on.
#pragma once

#include <cstdint>

#include "store/records.h"

namespace quarvelin {

// The project's one PMAP folder, in the two spellings the host's files have
// always had: "pmap" for the line files (SLine.txt, fnum, Point.k) and
// Edge.inf, "PMAP" for the rest. The host's file system ignores case, so
// both reach the same folder; but Windows keeps a path's spelling, messages
// show the paths, and so each file keeps its spelling.
inline constexpr char kProjectFolder[] = "PMAP";
inline constexpr char kLineFileFolder[] = "pmap";

// A point's column (row) is the integer part of (x - minX) / cellSize plus
// this, truncated toward zero: a point a hair short of a cell line counts in
// the next cell. Hosts find the cells of Grid.idx by the same formula,
// so the nudge stays.
inline constexpr double kCellNudge = 0.001;

// The grid's cell size is the smallest multiple of kCellStep for which
// neither count of cells exceeds kMostCellsAcross. Hosts size the grid of
// Grid.idx from PtIndex.idx by the same rule.
inline constexpr double kCellStep = 100;
inline constexpr int32_t kMostCellsAcross = 500;

// A line vertex stands for the survey point within this distance of it, in x
// and in y each (a square, not a circle), strictly. Hosts write line vertices
// as copies of survey points, so a small tolerance only absorbs the rounding
// of their text.
inline constexpr double kMatchTolerance = 0.0001;

// The most points one breakline may have; a longer count ends the reading of
// the breakline file there.
inline constexpr int32_t kMaxBreaklinePoints = 5000;

// Point.xyz and TIN.tri are bare arrays of their records (records.h), with
// no header: record i starts at byte i * sizeof(record).
//
// The triangle records a build of `pointCount` points (frame corners
// included) needs in TIN.tri: the two starting triangles and two more for
// each survey point that insertion adds. The host sizes the file for them;
// nothing after insertion appends a record.
constexpr int64_t TriangleRecordsNeeded(int64_t pointCount) { return 2 * (pointCount - 4) + 2; }

}  // namespace quarvelin
