// Reading the user's survey: points as text ("x y z" a line, separated by
// white space or commas, an optional header line and '#' comments) or as
// LAS 1.0 to 1.4, plain or compressed, streamed point by point; and
// polylines in the block form: a line with the vertex count, then that many
// vertex lines.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quarvelin {

struct SurveyPoint {
  double x;
  double y;
  double z;
};

using Polyline = std::vector<SurveyPoint>;
using PointSink = std::function<void(const SurveyPoint&)>;

struct PointFilter {
  // Classification codes to keep (LAS only); none set: keep every point.
  std::bitset<256> classes;
  bool Keeps(unsigned code) const { return classes.none() || classes.test(code); }
};

struct ReadCounts {
  size_t kept = 0;     // points handed on
  size_t skipped = 0;  // points of other classes than the filter's
  uint64_t bytesRead = 0;  // how far into the file the reading has come, for progress
};

// Largest |x| and |y| a project takes. The build matches line ends to points
// within 0.0001; beyond this, neighbouring doubles lie nearly that far apart.
constexpr double kMaxPlanCoordinate = 1e11;

// Why a point cannot go into a project (a coordinate not finite, or x or y
// beyond kMaxPlanCoordinate), or null when it can.
const char* CoordinateFault(const SurveyPoint& p);

// Parses "2,9,..." (codes 0 to 255) into the filter's classes.
bool ParseClassList(const std::string& text, PointFilter& filter);

// Hands every point of the file to `sink`, in file order: LAS when the file
// starts with its signature, text otherwise. On a malformed line or record
// returns false with `error` naming the file and the line or point.
bool ReadSurveyPoints(const std::string& path, const PointFilter& filter, const PointSink& sink, ReadCounts& counts,
                      std::string& error);

// Appends the polylines of the file to `lines`. Line lengths are bounded, so
// a file without line ends is refused, not read whole.
bool ReadPolylines(const std::string& path, std::vector<Polyline>& lines, std::string& error);

}  // namespace quarvelin
