#include "laz_point10.h"

#include <cstring>

namespace quarvelin::laz {

namespace {

// Context of a return: its number r and the pulse's count of returns n, as
// the three-bit fields hold them, including the combinations that files get
// wrong (numbering from 0, r and n swapped).
constexpr uint8_t kReturnMap[8][8] = {
    {15, 14, 13, 12, 11, 10, 9, 8}, {14, 0, 1, 3, 6, 10, 10, 9},     {13, 1, 2, 4, 7, 11, 11, 10},
    {12, 3, 4, 5, 8, 12, 12, 11},   {11, 6, 7, 8, 9, 13, 13, 12},    {10, 10, 11, 12, 13, 14, 14, 13},
    {9, 10, 11, 12, 13, 14, 15, 14}, {8, 9, 10, 11, 12, 13, 14, 15}};
// How far a return lies from the pulse's last one: |n - r|.
constexpr uint8_t ReturnLevel(unsigned n, unsigned r) { return static_cast<uint8_t>(n > r ? n - r : r - n); }

// The fields of the 20-byte core that steer the models.
struct Point10State {
  CorePoint point;
  uint8_t flags;  // return number (bits 0-2), number of returns (3-5), scan direction (6), edge (7)
  uint8_t userData;
  unsigned r() const { return flags & 7u; }
  unsigned n() const { return (flags >> 3) & 7u; }
};

Point10State StateOf(const uint8_t* raw) {
  return {{Load<int32_t>(raw), Load<int32_t>(raw + 4), Load<int32_t>(raw + 8), raw[15]}, raw[14], raw[17]};
}

class ItemDecoder {
 public:
  virtual ~ItemDecoder() = default;
  virtual void Start(const uint8_t* raw) = 0;
  virtual void Read(ArithmeticDecoder& decoder) = 0;
};

class Point10Base : public ItemDecoder {
 public:
  const CorePoint& core() const { return last_.point; }

 protected:
  Point10State last_{};
  ModelFamily flagModels_{256, 256}, classModels_{256, 256}, userDataModels_{256, 256};
  SymbolModel changedValues_{64};
  IntegerDecompressor pointSource_{16};
};

class Point10V1 final : public Point10Base {
 public:
  void Start(const uint8_t* raw) override {
    last_ = StateOf(raw);
    std::memset(lastDx_, 0, sizeof lastDx_);
    std::memset(lastDy_, 0, sizeof lastDy_);
    next_ = 0;
    for (IntegerDecompressor* ic : {&dx_, &dy_, &z_, &intensity_, &scanAngle_, &pointSource_}) ic->Reset();
    changedValues_.Reset();
    flagModels_.Reset();
    classModels_.Reset();
    userDataModels_.Reset();
  }
  void Read(ArithmeticDecoder& d) override {
    CorePoint& p = last_.point;
    const int32_t dx = dx_.Decompress(d, Median3(lastDx_));
    p.x = WrappingAdd(p.x, dx);
    uint32_t k = dx_.k();
    const int32_t dy = dy_.Decompress(d, Median3(lastDy_), k < 19 ? k : 19);
    p.y = WrappingAdd(p.y, dy);
    k = (k + dy_.k()) / 2;
    p.z = z_.Decompress(d, p.z, k < 19 ? k : 19);
    if (const uint32_t changed = d.DecodeSymbol(changedValues_)) {
      if (changed & 32) intensity_.Decompress(d, 0);
      if (changed & 16) last_.flags = static_cast<uint8_t>(d.DecodeSymbol(flagModels_[last_.flags]));
      if (changed & 8) p.classification = static_cast<uint8_t>(d.DecodeSymbol(classModels_[p.classification]));
      if (changed & 4) scanAngle_.Decompress(d, 0, k < 3);
      if (changed & 2) last_.userData = static_cast<uint8_t>(d.DecodeSymbol(userDataModels_[last_.userData]));
      if (changed & 1) pointSource_.Decompress(d, 0);
    }
    lastDx_[next_] = dx;
    lastDy_[next_] = dy;
    next_ = next_ == 2 ? 0 : next_ + 1;
  }

 private:
  static int32_t Median3(const int32_t* v) {
    if (v[0] < v[1]) return v[1] < v[2] ? v[1] : (v[0] < v[2] ? v[2] : v[0]);
    return v[0] < v[2] ? v[0] : (v[1] < v[2] ? v[2] : v[1]);
  }

  IntegerDecompressor dx_{32}, dy_{32, 20}, z_{32, 20}, intensity_{16}, scanAngle_{8, 2};
  int32_t lastDx_[3], lastDy_[3];
  unsigned next_ = 0;
};

class Point10V2 final : public Point10Base {
 public:
  void Start(const uint8_t* raw) override {
    last_ = StateOf(raw);
    for (int i = 0; i < 16; ++i) {
      medianX_[i].Reset();
      medianY_[i].Reset();
      lastHeight_[i / 2] = 0;
    }
    for (IntegerDecompressor* ic : {&dx_, &dy_, &z_, &intensity_, &pointSource_}) ic->Reset();
    changedValues_.Reset();
    scanAngleModels_[0].Reset();
    scanAngleModels_[1].Reset();
    flagModels_.Reset();
    classModels_.Reset();
    userDataModels_.Reset();
  }
  void Read(ArithmeticDecoder& d) override {
    CorePoint& p = last_.point;
    if (const uint32_t changed = d.DecodeSymbol(changedValues_)) {
      if (changed & 32) last_.flags = static_cast<uint8_t>(d.DecodeSymbol(flagModels_[last_.flags]));
      const unsigned m = kReturnMap[last_.n()][last_.r()];
      if (changed & 16) intensity_.Decompress(d, 0, m < 3 ? m : 3);
      if (changed & 8) p.classification = static_cast<uint8_t>(d.DecodeSymbol(classModels_[p.classification]));
      if (changed & 4) d.DecodeSymbol(scanAngleModels_[(last_.flags >> 6) & 1]);  // by scan direction
      if (changed & 2) last_.userData = static_cast<uint8_t>(d.DecodeSymbol(userDataModels_[last_.userData]));
      if (changed & 1) pointSource_.Decompress(d, 0);
    }
    const unsigned n = last_.n(), r = last_.r();
    const unsigned m = kReturnMap[n][r], l = ReturnLevel(n, r);
    const uint32_t single = n == 1;
    int32_t diff = dx_.Decompress(d, medianX_[m].Get(), single);
    p.x = WrappingAdd(p.x, diff);
    medianX_[m].Add(diff);
    uint32_t k = dx_.k();
    diff = dy_.Decompress(d, medianY_[m].Get(), single + (k < 20 ? k & ~1u : 20));
    p.y = WrappingAdd(p.y, diff);
    medianY_[m].Add(diff);
    k = (dx_.k() + dy_.k()) / 2;
    p.z = z_.Decompress(d, lastHeight_[l], single + (k < 18 ? k & ~1u : 18));
    lastHeight_[l] = p.z;
  }

 private:
  IntegerDecompressor dx_{32, 2}, dy_{32, 22}, z_{32, 20}, intensity_{16, 4};
  SymbolModel scanAngleModels_[2] = {SymbolModel(256), SymbolModel(256)};
  Median5 medianX_[16], medianY_[16];
  int32_t lastHeight_[8];
};

// Products of predictions wrap as 32-bit arithmetic does.
int32_t Multiply(int64_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b)); }

// GPS times: the difference to the previous time as a multiple of the last
// difference, or a new difference, or a new time in full; version 2 keeps
// four sequences of times and may jump between them. Only the differences
// steer the models, so only those that become the last difference are
// predicted; the times themselves are not needed.
class GpsTimeV1 final : public ItemDecoder {
 public:
  void Start(const uint8_t*) override {
    lastDiff_ = 0;
    extremeCount_ = 0;
    multi_.Reset();
    zeroDiff_.Reset();
    ic_.Reset();
  }
  void Read(ArithmeticDecoder& d) override {
    constexpr uint32_t kMultiMax = 512;
    if (lastDiff_ == 0) {
      const uint32_t multi = d.DecodeSymbol(zeroDiff_);
      if (multi == 1) lastDiff_ = ic_.Decompress(d, 0, 0);
      else if (multi == 2) SkipFullTime(d);
      return;
    }
    const uint32_t multi = d.DecodeSymbol(multi_);
    if (multi == 1) {
      lastDiff_ = ic_.Decompress(d, lastDiff_, 1);
      extremeCount_ = 0;
    } else if (multi == 0) {
      CountExtreme(ic_.Decompress(d, lastDiff_ / 4, 2));
    } else if (multi < kMultiMax - 2) {
      const int32_t diff = ic_.Decompress(d, Multiply(multi, lastDiff_), multi < 10 ? 3 : multi < 50 ? 4 : 5);
      if (multi == kMultiMax - 3) CountExtreme(diff);
    } else if (multi == kMultiMax - 2) {
      SkipFullTime(d);
    }
  }

 private:
  static void SkipFullTime(ArithmeticDecoder& d) {
    d.ReadInt();
    d.ReadInt();
  }
  void CountExtreme(int32_t diff) {
    if (++extremeCount_ > 3) {
      lastDiff_ = diff;
      extremeCount_ = 0;
    }
  }

  SymbolModel multi_{512}, zeroDiff_{3};
  IntegerDecompressor ic_{32, 6};
  int32_t lastDiff_ = 0;
  int extremeCount_ = 0;
};

class GpsTimeV2 final : public ItemDecoder {
 public:
  void Start(const uint8_t*) override {
    last_ = next_ = 0;
    std::fill(std::begin(lastDiff_), std::end(lastDiff_), 0);
    std::fill(std::begin(extremeCount_), std::end(extremeCount_), 0);
    multi_.Reset();
    zeroDiff_.Reset();
    ic_.Reset();
  }
  void Read(ArithmeticDecoder& d) override {
    // A valid stream switches sequence at most once a point; the bound keeps
    // a damaged one from spinning.
    for (int switches = 0; switches < 4; ++switches) {
      if (lastDiff_[last_] == 0) {
        const uint32_t multi = d.DecodeSymbol(zeroDiff_);
        if (multi == 1) {
          lastDiff_[last_] = ic_.Decompress(d, 0, 0);
          extremeCount_[last_] = 0;
        } else if (multi == 2) {
          StartSequence(d);
        } else if (multi > 2) {
          last_ = (last_ + multi - 2) & 3;
          continue;
        }
        return;
      }
      const uint32_t multi = d.DecodeSymbol(multi_);
      if (multi == 1) {
        ic_.Decompress(d, 0, 1);
        extremeCount_[last_] = 0;
      } else if (multi < kUnchanged) {
        Difference(d, multi);
      } else if (multi == kCodeFull) {
        StartSequence(d);
      } else if (multi > kCodeFull) {
        last_ = (last_ + multi - kCodeFull) & 3;
        continue;
      }
      return;
    }
  }

 private:
  static constexpr uint32_t kMulti = 500, kUnchanged = kMulti + 10 + 1, kCodeFull = kUnchanged + 1, kTotal = kUnchanged + 5;

  // Multiples from 1 to 499 and down to -9 in contexts 2, 3 and 5; the
  // extremes (0, 500, -10 and below) in 7, 4 and 6 become the next
  // difference when they repeat.
  void Difference(ArithmeticDecoder& d, uint32_t multi) {
    const int32_t lastDiff = lastDiff_[last_];
    if (multi == 0) CountExtreme(ic_.Decompress(d, 0, 7));
    else if (multi < kMulti) ic_.Decompress(d, 0, multi < 10 ? 2 : 3);
    else if (multi == kMulti) CountExtreme(ic_.Decompress(d, Multiply(kMulti, lastDiff), 4));
    else if (multi < kMulti + 10) ic_.Decompress(d, 0, 5);
    else CountExtreme(ic_.Decompress(d, Multiply(-10, lastDiff), 6));
  }
  void CountExtreme(int32_t diff) {
    if (++extremeCount_[last_] > 3) {
      lastDiff_[last_] = diff;
      extremeCount_[last_] = 0;
    }
  }
  void StartSequence(ArithmeticDecoder& d) {
    next_ = (next_ + 1) & 3;
    ic_.Decompress(d, 0, 8);  // the upper 32 bits, then the lower raw
    d.ReadInt();
    last_ = next_;
    lastDiff_[last_] = 0;
    extremeCount_[last_] = 0;
  }

  SymbolModel multi_{kTotal}, zeroDiff_{6};
  IntegerDecompressor ic_{32, 9};
  unsigned last_ = 0, next_ = 0;
  int32_t lastDiff_[4];
  int extremeCount_[4];
};

// Colour and extra bytes steer no model by their values, so only the
// symbols are read, in the order they were written.
class Rgb12V1 final : public ItemDecoder {
 public:
  void Start(const uint8_t*) override {
    used_.Reset();
    ic_.Reset();
  }
  void Read(ArithmeticDecoder& d) override {
    const uint32_t used = d.DecodeSymbol(used_);
    for (uint32_t byte = 0; byte < 6; ++byte) {
      if (used & (1u << byte)) ic_.Decompress(d, 0, byte);
    }
  }

 private:
  SymbolModel used_{64};
  IntegerDecompressor ic_{8, 6};
};

class Rgb12V2 final : public ItemDecoder {
 public:
  void Start(const uint8_t*) override {
    used_.Reset();
    for (SymbolModel& m : bytes_) m.Reset();
  }
  void Read(ArithmeticDecoder& d) override {
    const uint32_t used = d.DecodeSymbol(used_);
    // Red's two bytes; green and blue only when bit 6 says they differ from red.
    const int order[6] = {0, 1, 2, 4, 3, 5};
    for (int byte : order) {
      if (byte >= 2 && !(used & (1u << 6))) break;
      if (used & (1u << byte)) d.DecodeSymbol(bytes_[byte]);
    }
  }

 private:
  SymbolModel used_{128};
  std::vector<SymbolModel> bytes_ = std::vector<SymbolModel>(6, SymbolModel(256));
};

class BytesV1 final : public ItemDecoder {
 public:
  explicit BytesV1(uint32_t count) : count_(count), ic_(8, count) {}
  void Start(const uint8_t*) override { ic_.Reset(); }
  void Read(ArithmeticDecoder& d) override {
    for (uint32_t i = 0; i < count_; ++i) ic_.Decompress(d, 0, i);
  }

 private:
  uint32_t count_;
  IntegerDecompressor ic_;
};

class BytesV2 final : public ItemDecoder {
 public:
  explicit BytesV2(uint32_t count) : bytes_(count, SymbolModel(256)) {}
  void Start(const uint8_t*) override {
    for (SymbolModel& m : bytes_) m.Reset();
  }
  void Read(ArithmeticDecoder& d) override {
    for (SymbolModel& m : bytes_) d.DecodeSymbol(m);
  }

 private:
  std::vector<SymbolModel> bytes_;
};

std::unique_ptr<ItemDecoder> MakeItem(const Item& item) {
  const bool v1 = item.version == 1, v2 = item.version == 2;
  switch (item.type) {
    case kPoint10:
      if (item.size != 20) return nullptr;
      if (v1) return std::make_unique<Point10V1>();
      if (v2) return std::make_unique<Point10V2>();
      return nullptr;
    case kGpsTime11:
      if (item.size != 8) return nullptr;
      if (v1) return std::make_unique<GpsTimeV1>();
      if (v2) return std::make_unique<GpsTimeV2>();
      return nullptr;
    case kRgb12:
      if (item.size != 6) return nullptr;
      if (v1) return std::make_unique<Rgb12V1>();
      if (v2) return std::make_unique<Rgb12V2>();
      return nullptr;
    case kByte:
      if (item.size == 0) return nullptr;
      if (v1) return std::make_unique<BytesV1>(item.size);
      if (v2) return std::make_unique<BytesV2>(item.size);
      return nullptr;
    default:
      return nullptr;
  }
}

// The items of a point, decoded one after the other from one stream.
class Point10Chunks final : public ChunkDecoder {
 public:
  explicit Point10Chunks(std::vector<std::unique_ptr<ItemDecoder>> items, std::vector<uint16_t> sizes)
      : items_(std::move(items)), sizes_(std::move(sizes)), core_(&static_cast<Point10Base&>(*items_.front()).core()) {
    size_t total = 0;
    for (uint16_t size : sizes_) total += size;
    raw_.resize(total);
  }
  void StartChunk(std::FILE* file, uint64_t begin, uint64_t end) override {
    source_.Open(file, begin, end);
    source_.Read(raw_.data(), raw_.size());
    const uint8_t* raw = raw_.data();
    for (size_t i = 0; i < items_.size(); ++i) {
      items_[i]->Start(raw);
      raw += sizes_[i];
    }
    decoder_.Start(source_);
    first_ = true;
  }
  void Next(CorePoint& point) override {
    if (first_) first_ = false;
    else {
      for (const auto& item : items_) item->Read(decoder_);
    }
    point = *core_;
  }
  bool Damaged() const override { return source_.overrun() > kOverrunSlack; }

 private:
  std::vector<std::unique_ptr<ItemDecoder>> items_;
  std::vector<uint16_t> sizes_;
  const CorePoint* core_;
  std::vector<uint8_t> raw_;
  ByteSource source_;
  ArithmeticDecoder decoder_;
  bool first_ = false;
};

}  // namespace

std::unique_ptr<ChunkDecoder> MakePoint10Decoder(const std::vector<Item>& items, std::string& why) {
  std::vector<std::unique_ptr<ItemDecoder>> decoders;
  std::vector<uint16_t> sizes;
  for (const Item& item : items) {
    std::unique_ptr<ItemDecoder> decoder = MakeItem(item);
    // The core comes first, and only there.
    if (!decoder || decoders.empty() != (item.type == kPoint10)) {
      why = ItemName(item);
      return nullptr;
    }
    decoders.push_back(std::move(decoder));
    sizes.push_back(item.size);
  }
  if (decoders.empty()) {
    why = "an empty item list";
    return nullptr;
  }
  return std::make_unique<Point10Chunks>(std::move(decoders), std::move(sizes));
}

}  // namespace quarvelin::laz
