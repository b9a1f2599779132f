// The closed rings of a --boundary file, in the form quarvelin-cli takes:
// for each ring a vertex count, then that many "x y z" lines, to the end of
// the file. A ring may repeat its first vertex at its end or not; z is not
// used. Rings inside rings are holes: a place is in the region when an odd
// number of rings surround it.
#pragma once

#include <string>
#include <vector>

namespace quarvelin {

struct PlanPoint {
  double x;
  double y;
};

using PlanRing = std::vector<PlanPoint>;

// False with `error` set ("FILE: ring 3, vertex 7: ...") when the file cannot
// be read, a number is missing or not finite, it holds no ring, or a ring has
// fewer than three distinct vertices.
bool ReadPlanRings(const std::string& path, std::vector<PlanRing>& rings, std::string& error);

}  // namespace quarvelin
