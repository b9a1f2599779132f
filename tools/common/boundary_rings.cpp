#include "boundary_rings.h"

#include <cmath>

#include "platform/text_scan.h"

namespace quarvelin {

namespace {

// Rings beyond any survey's need; the figure only guards the allocation.
constexpr int32_t kMaxRingVertices = 10000000;

bool SamePlace(const PlanPoint& a, const PlanPoint& b) { return a.x == b.x && a.y == b.y; }

}  // namespace

bool ReadPlanRings(const std::string& path, std::vector<PlanRing>& rings, std::string& error) {
  rings.clear();
  TextScanner in;
  if (!in.Open(path)) {
    error = path + ": cannot open the boundary file";
    return false;
  }
  std::string word;
  while (in.ReadWord(word)) {
    const std::string where = path + ": ring " + std::to_string(rings.size() + 1);
    TextScanner count;
    count.OpenText(word);
    int32_t n = 0;
    std::string rest;
    if (!count.ReadInt(n) || count.ReadWord(rest) || n < 0 || n > kMaxRingVertices) {
      error = where + ": expected its number of vertices, not '" + word + "'";
      return false;
    }
    PlanRing ring;
    for (int32_t i = 1; i <= n; ++i) {
      double x = 0, y = 0, z = 0;
      if (!in.ReadDouble(x) || !in.ReadDouble(y) || !in.ReadDouble(z) || !std::isfinite(x) || !std::isfinite(y)) {
        error = where + ", vertex " + std::to_string(i) + ": expected three numbers x y z";
        return false;
      }
      // Repeated vertices would make edges of no length.
      if (ring.empty() || !SamePlace(ring.back(), {x, y})) ring.push_back({x, y});
    }
    while (ring.size() > 1 && SamePlace(ring.front(), ring.back())) ring.pop_back();
    if (ring.size() < 3) {
      error = where + ": a ring needs at least three distinct vertices";
      return false;
    }
    rings.push_back(std::move(ring));
  }
  if (rings.empty()) {
    error = path + ": the boundary file holds no ring";
    return false;
  }
  return true;
}

}  // namespace quarvelin
