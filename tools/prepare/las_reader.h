// Uncompressed LAS point clouds, versions 1.0 to 1.4, point formats 0 to 10:
// the coordinates with the header's scale and offset applied, filtered by
// classification.
#pragma once

#include <string>

#include "survey_input.h"

namespace quarvelin {

// Whether the file starts with the LAS signature "LASF".
bool HasLasSignature(const std::string& path);

bool ReadLasPoints(const std::string& path, const PointFilter& filter, const PointSink& sink, ReadCounts& counts,
                   std::string& error);

}  // namespace quarvelin
