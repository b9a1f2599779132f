// A project that quarvelin-cli has built, read back the way a host reads it:
// the point table, the triangle records in use with their removed marks, the
// outer boundary of Edge.inf and the breaklines that SLine.txt names.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "store/records.h"

namespace quarvelin {

struct Vertex3 {
  double x;
  double y;
  double z;
};

struct FinishedProject {
  std::vector<PointRecord> points;        // frame corners included
  std::vector<TriangleRecord> triangles;  // the records in use
  // Closed rings of point indices (no repeated first point), kept triangles
  // on their left, from the closed walk of Edge.inf; the walk's there-and-back
  // spurs along removed triangles are dropped.
  std::vector<std::vector<int32_t>> boundaryRings;
  bool hasEdgeFile = false;
  // The lines the build enforced, as it read them: the breaklines, then the
  // contour files' lines when the build made them feature lines.
  std::vector<std::vector<Vertex3>> breaklines;

  bool Kept(int32_t t) const { return triangles[static_cast<size_t>(t)].state != kRemovedTriangle; }
  // Kept triangle across side `side` of t, or -1 on the edge of the kept area.
  int32_t KeptNeighbour(int32_t t, int side) const {
    int32_t u = triangles[static_cast<size_t>(t)].neighbour[side];
    return u >= 0 && Kept(u) ? u : -1;
  }
  Vertex3 Point(int32_t i) const {
    const PointRecord& p = points[static_cast<size_t>(i)];
    return {p.x, p.y, p.z};
  }
};

// Reads the finished project in `projectDirectory`. False with `error` set
// when a file is missing, too short or names points or triangles that do not
// exist, when TIN.inf does not vouch for the tables (the last build did not
// finish), or when a point or line vertex is not a finite position. A project
// without Edge.inf is read with no boundary.
bool ReadFinishedProject(const std::string& projectDirectory, FinishedProject& project, std::string& error);

// Follows a walk and, wherever it comes back to a point it passed, cuts the
// stretch between out as a ring of its own (no repeated point); stretches of
// two points (an edge walked there and back) are dropped. Returns what is
// left of the walk: a simple open line, or for a closed walk (its first point
// is taken to follow its last) the first point alone.
template <typename Point, typename Hash = std::hash<Point>, typename Equal = std::equal_to<Point>>
std::vector<Point> CutLoops(const std::vector<Point>& walk, bool closed, std::vector<std::vector<Point>>& rings) {
  std::vector<Point> stack;
  std::unordered_map<Point, size_t, Hash, Equal> onStack;
  auto visit = [&](const Point& p) {
    auto it = onStack.find(p);
    if (it == onStack.end()) {
      onStack.emplace(p, stack.size());
      stack.push_back(p);
      return;
    }
    const size_t start = it->second;
    if (stack.size() - start >= 3) rings.emplace_back(stack.begin() + static_cast<std::ptrdiff_t>(start), stack.end());
    while (stack.size() > start + 1) {
      onStack.erase(stack.back());
      stack.pop_back();
    }
  };
  for (const Point& p : walk) visit(p);
  if (closed && !walk.empty()) visit(walk.front());
  return stack;
}

// The simple rings of a closed walk of point indices.
std::vector<std::vector<int32_t>> SplitClosedWalk(const std::vector<int32_t>& walk);

// A bounding box of points, in plan and height.
struct Extent {
  double minX = 0, minY = 0, maxX = 0, maxY = 0, minZ = 0, maxZ = 0;
  bool empty = true;

  void Include(const PointRecord& p);  // grows the box to hold p
};
// Bounding box of the points used by kept triangles.
Extent KeptExtent(const FinishedProject& project);

// "YYYY-MM-DDTHH:MM:SS", UTC: when the project's network was finished (the
// time TIN.inf was written), so that exports of one build are identical.
std::string BuildTimestamp(const std::string& projectDirectory);

}  // namespace quarvelin
