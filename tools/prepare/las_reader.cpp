#include "las_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "laz_reader.h"
#include "platform/system.h"

namespace quarvelin {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

constexpr size_t kLegacyHeaderSize = 227;
constexpr size_t kHeaderSize14 = 375;
// Points are read in blocks of about this many bytes (at least one record).
constexpr size_t kBlockBytes = 1 << 22;
// Shortest record of each point format: formats 6 to 10 begin the newer layout.
constexpr uint16_t kMinimumRecordLength[11] = {20, 28, 26, 34, 57, 63, 30, 36, 38, 59, 67};

template <typename T>
T Field(const uint8_t* bytes, size_t offset) {
  T value;
  std::memcpy(&value, bytes + offset, sizeof value);  // LAS is little-endian, as is the host
  return value;
}

bool ParseHeader(const std::string& path, const uint8_t* h, size_t size, LasHeader& header, std::string& error) {
  if (size < kLegacyHeaderSize || std::memcmp(h, "LASF", 4) != 0) {
    error = path + ": too short for a LAS header";
    return false;
  }
  const unsigned major = h[24];
  header.minor = h[25];
  if (major != 1 || header.minor > 4) {
    error = path + ": LAS version " + std::to_string(major) + "." + std::to_string(header.minor) +
            " is not supported (1.0 to 1.4 are)";
    return false;
  }
  // The two high bits mark compressed records.
  const unsigned format = h[104] & 0x3Fu;
  header.compressed = (h[104] & 0xC0u) != 0;
  header.format = format;
  header.recordCount = Field<uint32_t>(h, 100);
  header.recordLength = Field<uint16_t>(h, 105);
  if (format > 10 || header.recordLength < kMinimumRecordLength[format]) {
    error = path + ": point format " + std::to_string(format) + " with records of " +
            std::to_string(header.recordLength) + " bytes is not a LAS point format (0 to 10)";
    return false;
  }
  header.headerSize = Field<uint16_t>(h, 94);
  header.pointOffset = Field<uint32_t>(h, 96);
  if (header.headerSize < kLegacyHeaderSize || header.pointOffset < header.headerSize) {
    error = path + ": the point data starts at byte " + std::to_string(header.pointOffset) + ", inside the " +
            std::to_string(std::max<size_t>(header.headerSize, kLegacyHeaderSize)) + "-byte header";
    return false;
  }
  header.pointCount = Field<uint32_t>(h, 107);
  if (header.minor >= 4 && size >= kHeaderSize14 && Field<uint64_t>(h, 247) != 0) {
    header.pointCount = Field<uint64_t>(h, 247);
  }
  for (int axis = 0; axis < 3; ++axis) {
    header.scale[axis] = Field<double>(h, 131 + 8 * axis);
    header.offset[axis] = Field<double>(h, 155 + 8 * axis);
    if (!std::isfinite(header.scale[axis]) || header.scale[axis] == 0 || !std::isfinite(header.offset[axis])) {
      error = path + ": the header's scale factors and offsets must be finite, the scales not 0";
      return false;
    }
  }
  return true;
}

}  // namespace

bool HasLasSignature(const std::string& path) {
  File f(std::fopen(path.c_str(), "rb"));
  char signature[4] = {};
  return f && std::fread(signature, 1, 4, f.get()) == 4 && std::memcmp(signature, "LASF", 4) == 0;
}

bool ReadLasPoints(const std::string& path, const PointFilter& filter, const PointSink& sink, ReadCounts& counts,
                   std::string& error) {
  File f(std::fopen(path.c_str(), "rb"));
  uint8_t raw[kHeaderSize14] = {};
  LasHeader header;
  if (!f) {
    error = path + ": cannot open the file";
    return false;
  }
  const size_t headerBytes = std::fread(raw, 1, sizeof raw, f.get());
  if (!ParseHeader(path, raw, headerBytes, header, error)) return false;
  const uint64_t fileSize = static_cast<uint64_t>(FileSize(path));
  if (header.compressed) return ReadLazPoints(path, f.get(), fileSize, header, filter, sink, counts, error);
  if (header.pointOffset > fileSize || (fileSize - header.pointOffset) / header.recordLength < header.pointCount) {
    error = path + ": the file ends before its " + std::to_string(header.pointCount) + " points";
    return false;
  }
  if (std::fseek(f.get(), static_cast<long>(header.pointOffset), SEEK_SET) != 0) {
    error = path + ": cannot read the points";
    return false;
  }
  const size_t classByte = header.format >= 6 ? 16 : 15;
  // The header's count is bounded by the file's size (above), so the block
  // never outgrows the file.
  const size_t recordsPerRead = static_cast<size_t>(
      std::min<uint64_t>(std::max<size_t>(kBlockBytes / header.recordLength, 1), header.pointCount));
  std::vector<uint8_t> block(recordsPerRead * header.recordLength);
  for (uint64_t done = 0; done < header.pointCount;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(recordsPerRead, header.pointCount - done));
    if (std::fread(block.data(), header.recordLength, n, f.get()) != n) {
      error = path + ": cannot read point " + std::to_string(done + 1);
      return false;
    }
    counts.bytesRead = header.pointOffset + (done + n) * header.recordLength;
    for (size_t i = 0; i < n; ++i) {
      const uint8_t* r = block.data() + i * header.recordLength;
      if (!filter.Keeps(header.ClassCode(r[classByte]))) {
        ++counts.skipped;
        continue;
      }
      const SurveyPoint p = header.Position(Field<int32_t>(r, 0), Field<int32_t>(r, 4), Field<int32_t>(r, 8));
      if (const char* fault = CoordinateFault(p)) {
        error = path + ": point " + std::to_string(done + i + 1) + " with the header's scale and offset: " + fault;
        return false;
      }
      sink(p);
      ++counts.kept;
    }
    done += n;
  }
  return true;
}

}  // namespace quarvelin
