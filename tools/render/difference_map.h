// A cut/fill map: the region where two surfaces are compared, coloured by
// the difference BASE - OTHER on a diverging scale (cut red, fill blue, no
// change white), with the line where they meet, a legend in metres and the
// volumes beside the map.
#pragma once

#include <string>
#include <vector>

#include "boundary_rings.h"
#include "earthwork_volume.h"
#include "finished_project.h"

namespace quarvelin {

struct DifferenceMapOptions {
  int width = 1600;  // pixels; the height follows the region's shape
  std::string title;
};

// Writes a PNG, or an SVG when the path ends in ".svg", and returns the
// volumes it shows. False with `error` set when the boundary is unusable or
// the file cannot be written.
bool DrawDifferenceMap(const FinishedProject& base, const ComparedSurface& compared,
                       const std::vector<PlanRing>& boundary, const DifferenceMapOptions& options,
                       const std::string& path, EarthworkVolumes& volumes, std::string& error);

}  // namespace quarvelin
