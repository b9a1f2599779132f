// The closed rings of a --boundary file, read as quarvelin-cli reads them,
// as plain plan polygons for the tools. Rings inside rings are holes: a
// place is in the region when an odd number of rings surround it.
#pragma once

#include <string>
#include <vector>

#include "tin/predicates.h"

namespace quarvelin {

using PlanRing = std::vector<PlanePosition>;

// False with `error` set when the file cannot be read, holds no ring or a
// malformed one, or a ring has fewer than three distinct vertices. A ring's
// repeated vertices, its closing one included, are dropped.
bool ReadPlanRings(const std::string& path, std::vector<PlanRing>& rings, std::string& error);

}  // namespace quarvelin
