// What the compressed point formats share: the item list of the file's
// compression record, the point fields the project needs, and the decoder
// of one chunk of points.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "laz_arithmetic.h"

namespace quarvelin::laz {

template <typename T>
T Load(const uint8_t* bytes) {
  T value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

inline int32_t WrappingAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// The median of the last five values, kept sorted as they come.
class Median5 {
 public:
  void Reset() {
    std::memset(values_, 0, sizeof values_);
    high_ = true;
  }
  int32_t Get() const { return values_[2]; }
  void Add(int32_t v) {
    int32_t* a = values_;
    if (high_) {
      if (v < a[2]) {
        a[4] = a[3];
        a[3] = a[2];
        if (v < a[0]) {
          a[2] = a[1];
          a[1] = a[0];
          a[0] = v;
        } else if (v < a[1]) {
          a[2] = a[1];
          a[1] = v;
        } else {
          a[2] = v;
        }
      } else {
        if (v < a[3]) {
          a[4] = a[3];
          a[3] = v;
        } else {
          a[4] = v;
        }
        high_ = false;
      }
    } else {
      if (a[2] < v) {
        a[0] = a[1];
        a[1] = a[2];
        if (a[4] < v) {
          a[2] = a[3];
          a[3] = a[4];
          a[4] = v;
        } else if (a[3] < v) {
          a[2] = a[3];
          a[3] = v;
        } else {
          a[2] = v;
        }
      } else {
        if (a[1] < v) {
          a[0] = a[1];
          a[1] = v;
        } else {
          a[0] = v;
        }
        high_ = true;
      }
    }
  }

 private:
  int32_t values_[5];
  bool high_;
};

// One entry of the compressed file's item list.
struct Item {
  uint16_t type, size, version;
};

enum ItemType : uint16_t {
  kByte = 0,
  kPoint10 = 6,
  kGpsTime11 = 7,
  kRgb12 = 8,
  kWavePacket13 = 9,
  kPoint14 = 10,
  kRgb14 = 11,
  kRgbNir14 = 12,
  kWavePacket14 = 13,
  kByte14 = 14,
};

// "POINT10 version 2 (20 bytes)", for messages.
inline std::string ItemName(const Item& item) {
  static const char* const kNames[] = {"BYTE",  "SHORT", "INT",   "LONG",     "FLOAT",        "DOUBLE",
                                       "POINT10", "GPSTIME11", "RGB12", "WAVEPACKET13", "POINT14", "RGB14",
                                       "RGBNIR14", "WAVEPACKET14", "BYTE14"};
  const std::string name = item.type < std::size(kNames) ? kNames[item.type] : "item type " + std::to_string(item.type);
  return name + " version " + std::to_string(item.version) + " (" + std::to_string(item.size) + " bytes)";
}

// What the project needs of a point: the integer coordinates and the class
// code as the uncompressed record holds it.
struct CorePoint {
  int32_t x, y, z;
  uint8_t classification;
};

// A family of models chosen by a value of the previous point. Models are
// made when first used, and a chunk resets only those it uses.
class ModelFamily {
 public:
  ModelFamily(size_t count, uint32_t symbols) : symbols_(symbols), models_(count), used_(count, false) {}
  SymbolModel& operator[](size_t index) {
    std::optional<SymbolModel>& model = models_[index];
    if (!model) model.emplace(symbols_);
    else if (!used_[index]) model->Reset();
    used_[index] = true;
    return *model;
  }
  void Reset() { std::fill(used_.begin(), used_.end(), false); }

 private:
  uint32_t symbols_;
  std::vector<std::optional<SymbolModel>> models_;
  std::vector<bool> used_;
};

// A stream may read a few bytes past its end where its writer left no padding.
constexpr uint64_t kOverrunSlack = 4;

// Decodes the chunks of one file, each on its own: `begin` and `end` are
// the chunk's bytes in the file.
class ChunkDecoder {
 public:
  virtual ~ChunkDecoder() = default;
  virtual void StartChunk(std::FILE* file, uint64_t begin, uint64_t end) = 0;
  virtual void Next(CorePoint& point) = 0;
  // Whether the chunk's streams wanted bytes beyond their ends, or its
  // layers do not fit in it: a sound chunk does neither.
  virtual bool Damaged() const = 0;
};

}  // namespace quarvelin::laz
