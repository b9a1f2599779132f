#include "tool_projects.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <utility>

#include "platform/text_writer.h"
#include "store/records.h"

namespace quarvelin::testing {

namespace {

void WriteText(const std::filesystem::path& path, const std::string& text) {
  ASSERT_TRUE(WriteBytes(path, text.data(), text.size())) << path;
}

// Neighbour links from shared edges, as the build keeps them.
void LinkNeighbours(std::vector<TriangleRecord>& triangles) {
  std::map<std::pair<int32_t, int32_t>, std::pair<int32_t, int>> edges;
  for (int32_t t = 0; t < static_cast<int32_t>(triangles.size()); ++t) {
    for (int i = 0; i < 3; ++i) {
      TriangleRecord& r = triangles[static_cast<size_t>(t)];
      int32_t a = r.vertex[(i + 1) % 3], b = r.vertex[(i + 2) % 3];
      auto twin = edges.find({b, a});
      if (twin == edges.end()) {
        edges[{a, b}] = {t, i};
        continue;
      }
      r.neighbour[i] = twin->second.first;
      triangles[static_cast<size_t>(twin->second.first)].neighbour[twin->second.second] = t;
    }
  }
}

}  // namespace

SurveyXYZ GridProject::Point(int column, int row) const {
  double dx = column * spacing, dy = row * spacing;
  return {x0 + dx, y0 + dy, z0 + slopeX * dx + slopeY * dy};
}

void WriteGridProject(const std::filesystem::path& directory, const GridProject& grid) {
  std::vector<SurveyXYZ> survey;
  for (int row = 0; row <= grid.cells; ++row) {
    for (int column = 0; column <= grid.cells; ++column) survey.push_back(grid.Point(column, row));
  }
  ASSERT_TRUE(WriteProjectFiles(directory, survey));
  const std::filesystem::path pmap = directory / "PMAP";
  auto index = [&](int column, int row) { return 4 + row * (grid.cells + 1) + column; };
  std::vector<TriangleRecord> triangles;
  auto add = [&](int32_t a, int32_t b, int32_t c, char state) {
    triangles.push_back({{a, b, c}, {-1, -1, -1}, {'a', 'a', 'a'}, state});
  };
  for (int row = 0; row < grid.cells; ++row) {
    for (int column = 0; column < grid.cells; ++column) {
      add(index(column, row), index(column + 1, row), index(column + 1, row + 1), 'Y');
      add(index(column, row), index(column + 1, row + 1), index(column, row + 1), 'Y');
    }
  }
  add(0, index(1, 0), index(0, 0), 'N');
  LinkNeighbours(triangles);
  ASSERT_TRUE(WriteBytes(pmap / "TIN.tri", triangles.data(), triangles.size() * sizeof(TriangleRecord)));

  std::string info;
  AppendInt(info, grid.PointCount());
  info += "  ";
  AppendInt(info, static_cast<int64_t>(triangles.size()) - 1);
  WriteText(pmap / "TIN.inf", info + "\r\n0\r\n00小时00分00秒\r\n1个三角形  / 秒\r\n");

  std::vector<std::pair<int, int>> ring;
  for (int c = 0; c < grid.cells; ++c) ring.push_back({c, 0});
  for (int r = 0; r < grid.cells; ++r) ring.push_back({grid.cells, r});
  for (int c = grid.cells; c > 0; --c) ring.push_back({c, grid.cells});
  for (int r = grid.cells; r > 0; --r) ring.push_back({0, r});
  WriteEdgeFile(directory, grid, ring);

  if (grid.breaklines.empty()) return;
  std::string lines = std::to_string(grid.breaklines.size()) + "\r\n";
  for (const auto& line : grid.breaklines) {
    lines += std::to_string(line.size()) + "\r\n";
    for (const SurveyXYZ& p : line) lines += ExactText(p.x) + " " + ExactText(p.y) + " " + ExactText(p.z) + "\r\n";
  }
  WriteText(pmap / "Lines.txt", lines);
  WriteText(pmap / "SLine.txt", (pmap / "Lines.txt").string() + "\r\n");
}

void WriteEdgeFile(const std::filesystem::path& directory, const GridProject& grid,
                   const std::vector<std::pair<int, int>>& walk) {
  std::string edges;
  AppendInt(edges, static_cast<int64_t>(walk.size()), 12);
  edges += "\r\n";
  for (auto [column, row] : walk) {
    SurveyXYZ p = grid.Point(column, row);
    AppendInt(edges, 4 + row * (grid.cells + 1) + column);
    edges += " ";
    AppendFixedWidth(edges, p.x, 12, 3);
    edges += " ";
    AppendFixedWidth(edges, p.y, 12, 3);
    edges += "\r\n";
  }
  WriteText(directory / "PMAP" / "Edge.inf", edges);
}

std::string FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  for (size_t start = 0; start <= dirs.size();) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::filesystem::path candidate = std::filesystem::path(dirs.substr(start, end - start)) / name;
    std::error_code ec;
    if (std::filesystem::is_regular_file(candidate, ec)) return candidate.string();
    start = end + 1;
  }
  return {};
}

ProgramResult RunInstalled(const std::string& name, const std::vector<std::string>& arguments) {
  const std::string program = FindOnPath(name);
  EXPECT_FALSE(program.empty()) << name << " is not installed; scripts/install-deps.sh installs it";
  if (program.empty()) return {};
  // An absolute program path replaces the build folder that RunProgram puts first.
  return RunProgram(program, arguments);
}

ProgramResult ReadBack(const std::string& command, const std::filesystem::path& file) {
  return RunInstalled("python3", {(SourceDirectory() / "tests/tools/tool_readback.py").string(), command, file.string()});
}

}  // namespace quarvelin::testing
