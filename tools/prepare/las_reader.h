// Uncompressed LAS point clouds, versions 1.0 to 1.4, point formats 0 to 10:
// the coordinates with the header's scale and offset applied, filtered by
// classification.
#pragma once

#include <cstdint>
#include <string>

#include "survey_input.h"

namespace quarvelin {

// The header fields the point readers use.
struct LasHeader {
  unsigned minor = 0;
  unsigned format = 0;      // 0 to 10, the compression bits taken off
  bool compressed = false;  // LAZ: the records follow the compression record
  uint16_t headerSize = 0;
  uint32_t recordCount = 0;  // variable-length records after the header
  uint32_t pointOffset = 0;
  uint16_t recordLength = 0;
  uint64_t pointCount = 0;
  double scale[3] = {}, offset[3] = {};

  SurveyPoint Position(int32_t x, int32_t y, int32_t z) const {
    return {x * scale[0] + offset[0], y * scale[1] + offset[1], z * scale[2] + offset[2]};
  }
  // Formats 0 to 5 keep the class in the low five bits of their byte, the
  // newer formats give it all of theirs.
  unsigned ClassCode(uint8_t byte) const { return format >= 6 ? byte : byte & 0x1Fu; }
};

// Whether the file starts with the LAS signature "LASF".
bool HasLasSignature(const std::string& path);

bool ReadLasPoints(const std::string& path, const PointFilter& filter, const PointSink& sink, ReadCounts& counts,
                   std::string& error);

}  // namespace quarvelin
