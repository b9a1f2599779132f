// Compressed LAS (LAZ): the points of formats 0 to 3 and 6 to 8 decoded
// chunk by chunk, with the header's scale and offset applied and filtered by
// class like uncompressed ones. Formats with waveform packets are refused.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "las_reader.h"

namespace quarvelin {

// `file` is open on `path`, whose header is `header`. On a damaged or
// unsupported file returns false with `error` naming the file, and the
// chunk where the damage lies.
bool ReadLazPoints(const std::string& path, std::FILE* file, uint64_t fileSize, const LasHeader& header,
                   const PointFilter& filter, const PointSink& sink, ReadCounts& counts, std::string& error);

}  // namespace quarvelin
