#include "las_crs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/system.h"

namespace quarvelin {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

constexpr uint16_t kWktRecord = 2112, kKeyDirectory = 34735, kKeyDoubles = 34736, kKeyAscii = 34737;
// No reference system takes more: a larger record is a damaged file.
constexpr uint64_t kLargestRecord = 1 << 20;

template <typename T>
T Field(const uint8_t* bytes, size_t offset) {
  T value;
  std::memcpy(&value, bytes + offset, sizeof value);  // LAS is little-endian, as is the host
  return value;
}

class RecordReader {
 public:
  RecordReader(const std::string& path, std::FILE* file, LasCrsRecords& records)
      : path_(path), file_(file), size_(static_cast<uint64_t>(FileSize(path))), records_(records) {}

  // The records' headers: `count` of `headerSize` bytes from `offset`, each
  // followed by its data, of the length at `lengthOffset` (`wide`: 8 bytes).
  bool ReadAll(uint64_t offset, uint64_t count, size_t headerSize, bool wide, std::string& error) {
    for (uint64_t i = 0; i < count; ++i) {
      uint8_t head[60] = {};
      if (offset > size_ || size_ - offset < headerSize || !Read(offset, head, headerSize)) {
        error = path_ + ": variable-length record " + std::to_string(i + 1) + " lies beyond the end of the file";
        return false;
      }
      const uint64_t length = wide ? Field<uint64_t>(head, 20) : Field<uint16_t>(head, 20);
      offset += headerSize;
      if (size_ - offset < length) {
        error = path_ + ": variable-length record " + std::to_string(i + 1) + " ends beyond the end of the file";
        return false;
      }
      char user[17] = {};
      std::memcpy(user, head + 2, 16);
      if (std::strcmp(user, "LASF_Projection") == 0 && !Keep(Field<uint16_t>(head, 18), offset, length, error)) {
        return false;
      }
      offset += length;
    }
    return true;
  }

 private:
  bool Read(uint64_t offset, void* into, size_t bytes) {
    return std::fseek(file_, static_cast<long>(offset), SEEK_SET) == 0 && std::fread(into, 1, bytes, file_) == bytes;
  }

  bool Keep(uint16_t id, uint64_t offset, uint64_t length, std::string& error) {
    if (id != kWktRecord && id != kKeyDirectory && id != kKeyDoubles && id != kKeyAscii) return true;
    std::string bytes(static_cast<size_t>(std::min(length, kLargestRecord)), '\0');
    if (length > kLargestRecord || !Read(offset, bytes.data(), bytes.size())) {
      error = path_ + ": cannot read its reference-system record " + std::to_string(id);
      return false;
    }
    if (id == kWktRecord || id == kKeyAscii) {
      std::string& text = id == kWktRecord ? records_.wkt : records_.geoAscii;
      text.assign(bytes.c_str());  // both end with a NUL, and may pad with more
    } else if (id == kKeyDirectory) {
      records_.geoKeys.resize(bytes.size() / 2);
      std::memcpy(records_.geoKeys.data(), bytes.data(), records_.geoKeys.size() * 2);
    } else {
      records_.geoDoubles.resize(bytes.size() / 8);
      std::memcpy(records_.geoDoubles.data(), bytes.data(), records_.geoDoubles.size() * 8);
    }
    return true;
  }

  const std::string& path_;
  std::FILE* file_;
  uint64_t size_;
  LasCrsRecords& records_;
};

}  // namespace

bool ReadLasCrsRecords(const std::string& path, LasCrsRecords& records, std::string& error) {
  records = LasCrsRecords{};
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
  uint8_t h[375] = {};
  const size_t got = f ? std::fread(h, 1, sizeof h, f.get()) : 0;
  if (got < 227 || std::memcmp(h, "LASF", 4) != 0) {
    error = path + ": too short for a LAS header";
    return false;
  }
  RecordReader reader(path, f.get(), records);
  if (!reader.ReadAll(Field<uint16_t>(h, 94), Field<uint32_t>(h, 100), 54, false, error)) return false;
  // LAS 1.4 may keep the WKT in an extended record after the points.
  if (h[25] >= 4 && got >= 375 && Field<uint64_t>(h, 235) != 0) {
    return reader.ReadAll(Field<uint64_t>(h, 235), Field<uint32_t>(h, 243), 60, true, error);
  }
  return true;
}

}  // namespace quarvelin
