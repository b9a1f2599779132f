// Finished projects written by hand for the tests of the host-side tools, and
// the outside programs (ogrinfo, xmllint, python3) that read their outputs.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/project_fixture.h"

namespace quarvelin::testing {

// A grid of (cells + 1) x (cells + 1) survey points `spacing` apart from
// (x0, y0), on the plane z = z0 + slopeX (x - x0) + slopeY (y - y0); every
// cell split into two counter-clockwise triangles, and one more triangle,
// marked removed, from frame corner 0 to the grid's first two points.
struct GridProject {
  int cells = 4;
  double x0 = 21530215.62, y0 = 6782504.11, spacing = 10;
  double z0 = 15.5, slopeX = 0.1, slopeY = 0;
  std::vector<std::vector<SurveyXYZ>> breaklines;

  int PointCount() const { return (cells + 1) * (cells + 1); }
  int KeptTriangles() const { return 2 * cells * cells; }
  SurveyXYZ Point(int column, int row) const;
};

// Writes PMAP as a build leaves it: PtIndex.idx, Point.xyz, TIN.tri, TIN.inf,
// Edge.inf (the grid's outer ring, counter-clockwise from its first point)
// and, when there are breaklines, SLine.txt and the file it names.
void WriteGridProject(const std::filesystem::path& directory, const GridProject& grid);

// Writes PMAP/Edge.inf with one edge line for each grid point (column, row)
// of the walk, in order.
void WriteEdgeFile(const std::filesystem::path& directory, const GridProject& grid,
                   const std::vector<std::pair<int, int>>& walk);

// The full path of a program on PATH, empty when it is not installed.
std::string FindOnPath(const std::string& name);

// Runs an installed program (found on PATH); a missing one fails the test.
ProgramResult RunInstalled(const std::string& name, const std::vector<std::string>& arguments);

// Runs tests/tools/tool_readback.py with python3.
ProgramResult ReadBack(const std::string& command, const std::filesystem::path& file);

}  // namespace quarvelin::testing
