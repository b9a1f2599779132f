// Reading the user's survey: points as text, "x y z" a line, separated by
// white space or commas, with an optional header line and '#' comments; and
// polylines in the block form: a line with the vertex count, then that many
// vertex lines.
#pragma once

#include <string>
#include <vector>

namespace quarvelin {

struct SurveyPoint {
  double x;
  double y;
  double z;
};

using Polyline = std::vector<SurveyPoint>;

// Appends the points of the file to `points`. On a malformed line returns
// false with `error` naming the file and the line.
bool ReadSurveyPoints(const std::string& path, std::vector<SurveyPoint>& points, std::string& error);

// Appends the polylines of the file to `lines`.
bool ReadPolylines(const std::string& path, std::vector<Polyline>& lines, std::string& error);

}  // namespace quarvelin
