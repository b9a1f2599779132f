// Contour lines traced through the kept triangles of a finished network and
// joined across shared edges into continuous polylines.
#pragma once

#include <vector>

#include "finished_project.h"

namespace quarvelin {

struct ContourLine {
  double elevation;
  bool index;   // at a multiple of five intervals: drawn heavier, labelled
  bool closed;  // a ring: the last point repeats the first
  std::vector<Vertex3> points;
};

// Lines at every multiple of `interval` (> 0) between the lowest and highest
// kept point, by ascending elevation. Higher ground lies to the right of each
// line. A vertex exactly at a contour's height counts as above it, so that
// every crossed triangle gives one segment and lines never fork.
std::vector<ContourLine> TraceContours(const FinishedProject& project, double interval);

// Most levels the tools trace: every level is one scan of the network.
constexpr double kMaxContourLevels = 10000;

// The number of levels TraceContours would visit: callers refuse intervals
// that would make it scan the network too many times.
double ContourLevelCount(const FinishedProject& project, double interval);

}  // namespace quarvelin
