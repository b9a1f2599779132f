#include "boundary_rings.h"

#include "boundary/boundary_clipping.h"

namespace quarvelin {

namespace {

bool SamePlace(const PlanePosition& a, const PlanePosition& b) { return a.x == b.x && a.y == b.y; }

}  // namespace

bool ReadPlanRings(const std::string& path, std::vector<PlanRing>& rings, std::string& error) {
  rings.clear();
  BoundaryRings file;
  if (Status read = ReadBoundaryRings(path, file); !read.ok()) {
    error = read.message;
    return false;
  }
  for (const BoundaryRing& given : file.rings) {
    PlanRing ring;
    for (const PlanePosition& p : given.positions) {
      if (ring.empty() || !SamePlace(ring.back(), p)) ring.push_back(p);
    }
    while (ring.size() > 1 && SamePlace(ring.front(), ring.back())) ring.pop_back();
    if (ring.size() < 3) {
      error = path + ": ring " + std::to_string(rings.size() + 1) + " has fewer than three distinct vertices";
      return false;
    }
    rings.push_back(std::move(ring));
  }
  return true;
}

}  // namespace quarvelin
