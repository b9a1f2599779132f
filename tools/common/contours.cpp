#include "contours.h"

#include <algorithm>
#include <cmath>

namespace quarvelin {

namespace {

// The kept triangles that each level crosses, found in one pass over the
// network, so that tracing a level costs its own triangles only.
class LevelBuckets {
 public:
  LevelBuckets(const FinishedProject& project, double interval, double firstLevel, size_t levels)
      : start_(levels + 1, 0) {
    // Two passes, counting then filling, keep the lists in one array.
    for (int pass = 0; pass < 2; ++pass) {
      std::vector<size_t> fill(start_.begin(), start_.end() - 1);
      for (int32_t t = 0; t < static_cast<int32_t>(project.triangles.size()); ++t) {
        if (!project.Kept(t)) continue;
        double low = HUGE_VAL, high = -HUGE_VAL;
        for (int32_t v : project.triangles[static_cast<size_t>(t)].vertex) {
          low = std::min(low, project.points[static_cast<size_t>(v)].z);
          high = std::max(high, project.points[static_cast<size_t>(v)].z);
        }
        // Crossed where some corner lies below and some at or above: the
        // same test as the tracer's, on the same products k * interval.
        double k = std::max(firstLevel, std::floor(low / interval));
        for (; k * interval <= high && k - firstLevel < static_cast<double>(levels); k += 1) {
          if (!(low < k * interval)) continue;
          size_t level = static_cast<size_t>(k - firstLevel);
          if (pass == 0) ++start_[level + 1];
          else triangles_[fill[level]++] = t;
        }
      }
      if (pass == 0) {
        for (size_t i = 1; i < start_.size(); ++i) start_[i] += start_[i - 1];
        triangles_.resize(start_.back());
      }
    }
  }
  const int32_t* begin(size_t level) const { return triangles_.data() + start_[level]; }
  const int32_t* end(size_t level) const { return triangles_.data() + start_[level + 1]; }

 private:
  std::vector<size_t> start_;
  std::vector<int32_t> triangles_;
};

// Contour points are the same point when they share x and y.
struct PlanHash {
  size_t operator()(const Vertex3& p) const { return std::hash<double>()(p.x) * 31 ^ std::hash<double>()(p.y); }
};
struct SamePlace {
  bool operator()(const Vertex3& a, const Vertex3& b) const { return a.x == b.x && a.y == b.y; }
};

class ContourTracer {
 public:
  ContourTracer(const FinishedProject& project, std::vector<bool>& visited, double level, bool index)
      : project_(project), level_(level), index_(index), visited_(visited) {}

  // Traces the lines through the level's triangles, then clears their marks
  // for the next level.
  void Trace(const int32_t* first, const int32_t* last, std::vector<ContourLine>& out) {
    // Open lines first, each from the triangle where it enters the kept area,
    // so that none is cut in two; what is left are rings.
    for (bool rings : {false, true}) {
      for (const int32_t* it = first; it != last; ++it) {
        int entry = -1, exit = -1;
        const int32_t t = *it;
        if (visited_[static_cast<size_t>(t)] || !Crossing(t, entry, exit)) continue;
        if (!rings && project_.KeptNeighbour(t, entry) >= 0) continue;
        AddSimpleLines(Follow(t, entry), out);
      }
    }
    for (const int32_t* it = first; it != last; ++it) visited_[static_cast<size_t>(*it)] = false;
  }

 private:
  bool Above(int32_t v) const { return project_.points[static_cast<size_t>(v)].z >= level_; }

  // The sides of t (by the vertex opposite) where the line enters and leaves:
  // the side whose counter-clockwise direction goes from below to above, and
  // the one that goes from above to below.
  bool Crossing(int32_t t, int& entry, int& exit) const {
    const TriangleRecord& r = project_.triangles[static_cast<size_t>(t)];
    entry = exit = -1;
    for (int i = 0; i < 3; ++i) {
      bool from = Above(r.vertex[(i + 1) % 3]), to = Above(r.vertex[(i + 2) % 3]);
      if (!from && to) entry = i;
      if (from && !to) exit = i;
    }
    return entry >= 0;
  }

  // Where the contour crosses side i of t, computed from the edge's ends in
  // a fixed order, so both triangles of an edge give the same point.
  Vertex3 CrossingPoint(int32_t t, int i) const {
    const TriangleRecord& r = project_.triangles[static_cast<size_t>(t)];
    int32_t a = r.vertex[(i + 1) % 3], b = r.vertex[(i + 2) % 3];
    if (a > b) std::swap(a, b);
    Vertex3 p = project_.Point(a), q = project_.Point(b);
    // A corner on the level is the point itself, whichever edge reaches it.
    if (q.z == level_) return q;
    double f = (level_ - p.z) / (q.z - p.z);
    return {p.x + f * (q.x - p.x), p.y + f * (q.y - p.y), level_};
  }

  // Where a level runs through vertices, a line can come back to a vertex it
  // passed (a saddle exactly at the level) or walk an edge there and back (a
  // ridge exactly at it). The line is cut there into simple lines and rings
  // meeting at the vertex, and the there-and-back stretches are dropped, as
  // is a line that touches the kept area at one point only.
  void AddSimpleLines(const ContourLine& line, std::vector<ContourLine>& out) const {
    std::vector<std::vector<Vertex3>> rings;
    std::vector<Vertex3> walk(line.points.begin(), line.points.end() - (line.closed ? 1 : 0));
    std::vector<Vertex3> rest = CutLoops<Vertex3, PlanHash, SamePlace>(walk, line.closed, rings);
    if (rest.size() >= 2) out.push_back({level_, index_, false, std::move(rest)});
    for (std::vector<Vertex3>& ring : rings) {
      ring.push_back(ring.front());
      out.push_back({level_, index_, true, std::move(ring)});
    }
  }

  ContourLine Follow(int32_t start, int startEntry) {
    ContourLine line{level_, index_, false, {CrossingPoint(start, startEntry)}};
    int32_t t = start;
    int entry = startEntry, exit = -1;
    while (t >= 0 && !visited_[static_cast<size_t>(t)] && Crossing(t, entry, exit)) {
      visited_[static_cast<size_t>(t)] = true;
      // A line through a vertex crosses both its edges there: one point.
      Vertex3 p = CrossingPoint(t, exit);
      if (p.x != line.points.back().x || p.y != line.points.back().y) line.points.push_back(p);
      t = project_.KeptNeighbour(t, exit);
    }
    line.closed = t == start;
    return line;
  }

  const FinishedProject& project_;
  double level_;
  bool index_;
  std::vector<bool>& visited_;
};

}  // namespace

double ContourLevelCount(const FinishedProject& project, double interval) {
  Extent extent = KeptExtent(project);
  if (extent.empty || !(interval > 0)) return 0;
  return std::max(0.0, std::floor(extent.maxZ / interval) - std::ceil(extent.minZ / interval) + 1);
}

std::vector<ContourLine> TraceContours(const FinishedProject& project, double interval) {
  std::vector<ContourLine> lines;
  Extent extent = KeptExtent(project);
  if (extent.empty || !(interval > 0)) return lines;
  const double firstLevel = std::ceil(extent.minZ / interval);
  const auto levels = static_cast<size_t>(ContourLevelCount(project, interval));
  LevelBuckets buckets(project, interval, firstLevel, levels);
  std::vector<bool> visited(project.triangles.size(), false);
  for (size_t level = 0; level < levels; ++level) {
    const double k = firstLevel + static_cast<double>(level);
    ContourTracer(project, visited, k * interval, std::fmod(k, 5) == 0).Trace(buckets.begin(level), buckets.end(level), lines);
  }
  return lines;
}

}  // namespace quarvelin
