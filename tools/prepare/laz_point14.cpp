#include "laz_point14.h"

namespace quarvelin::laz {

namespace {

// Contexts of a return r of n (four bits each), as in the point10 models
// but over sixteen returns and folded into 6 groups; and the distance from
// the pulse's last return, at most 7.
constexpr uint8_t kReturnMap6[16][16] = {
    {0, 1, 2, 3, 4, 5, 3, 4, 4, 5, 5, 5, 5, 5, 5, 5}, {1, 0, 1, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3},
    {2, 1, 2, 4, 4, 4, 4, 4, 4, 4, 4, 3, 3, 3, 3, 3}, {3, 3, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4},
    {4, 3, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4}, {5, 3, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4},
    {3, 3, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4}, {4, 3, 4, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4},
    {4, 3, 4, 4, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4}, {5, 3, 4, 4, 4, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4},
    {5, 3, 4, 4, 4, 4, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4}, {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 4, 4, 4},
    {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5, 4, 4}, {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5, 4},
    {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5}, {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5}};
constexpr unsigned ReturnLevel8(unsigned n, unsigned r) {
  const unsigned level = n > r ? n - r : r - n;
  return level < 7 ? level : 7;
}

constexpr unsigned kPoint14Layers = 9;  // returns and x y, z, class, flags, intensity, scan angle, user data, source, GPS time
enum Layer { kReturnsXY = 0, kZ = 1, kClass = 2 };

// The fields of a point that steer the models.
struct ReturnState {
  CorePoint point{};
  unsigned returnNumber = 0, returns = 0;
};

// The previous point of one scanner channel and the models it steers.
struct ChannelContext : ReturnState {
  bool used = false;
  bool gpsTimeChanged = false;

  std::vector<SymbolModel> changedValues = std::vector<SymbolModel>(8, SymbolModel(128));
  SymbolModel scannerChannel{3}, returnNumberSameTime{13};
  ModelFamily returnsModels{16, 16}, returnNumberModels{16, 16}, classModels{64, 256};
  IntegerDecompressor dx{32, 2}, dy{32, 22}, z{32, 20};
  Median5 medianX[12], medianY[12];
  int32_t lastZ[8];

  // Starts the channel from `seed`, the last point of the channel before it.
  void Start(const ReturnState& seed) {
    static_cast<ReturnState&>(*this) = seed;
    gpsTimeChanged = false;
    for (SymbolModel& m : changedValues) m.Reset();
    scannerChannel.Reset();
    returnNumberSameTime.Reset();
    returnsModels.Reset();
    returnNumberModels.Reset();
    classModels.Reset();
    dx.Reset();
    dy.Reset();
    z.Reset();
    for (int i = 0; i < 12; ++i) {
      medianX[i].Reset();
      medianY[i].Reset();
    }
    std::fill(std::begin(lastZ), std::end(lastZ), point.z);
    used = true;
  }
};

class Point14Chunks final : public ChunkDecoder {
 public:
  Point14Chunks(uint32_t rawSize, uint32_t layerCount) : raw_(rawSize), layerBytes_(layerCount) {}

  void StartChunk(std::FILE* file, uint64_t begin, uint64_t end) override {
    damaged_ = false;
    header_.Open(file, begin, end);
    header_.Read(raw_.data(), raw_.size());
    uint8_t word[4];
    header_.Read(word, 4);  // the chunk's point count: the chunk table has it too
    uint64_t layersBegin = begin + raw_.size() + 4 * (1 + layerBytes_.size()), total = 0;
    for (uint32_t& bytes : layerBytes_) {
      header_.Read(word, 4);
      bytes = Load<uint32_t>(word);
      total += bytes;
    }
    damaged_ = header_.overrun() > 0 || layersBegin + total > end;
    uint64_t at = layersBegin;
    for (unsigned layer = kReturnsXY; layer <= kClass; ++layer) {
      layers_[layer].Open(file, at, at + layerBytes_[layer]);
      at += layerBytes_[layer];
    }
    if (layerBytes_[kZ] > 0) decoders_[kZ].Start(layers_[kZ]);
    if (layerBytes_[kClass] > 0) decoders_[kClass].Start(layers_[kClass]);
    started_ = false;

    for (ChannelContext& c : channels_) c.used = false;
    ReturnState seed;
    seed.point = {Load<int32_t>(&raw_[0]), Load<int32_t>(&raw_[4]), Load<int32_t>(&raw_[8]), raw_[16]};
    seed.returnNumber = raw_[14] & 15u;
    seed.returns = raw_[14] >> 4;
    current_ = (raw_[15] >> 4) & 3u;
    channels_[current_].Start(seed);
    first_ = true;
  }

  void Next(CorePoint& point) override {
    if (first_) {
      first_ = false;
    } else {
      if (!started_) {  // a chunk of one point has no layers at all
        decoders_[kReturnsXY].Start(layers_[kReturnsXY]);
        started_ = true;
      }
      Decode();
    }
    point = channels_[current_].point;
  }

  bool Damaged() const override {
    uint64_t overrun = 0;
    for (const ByteSource& layer : layers_) overrun += layer.overrun();
    return damaged_ || overrun > kOverrunSlack;
  }

 private:
  void Decode() {
    ArithmeticDecoder& xy = decoders_[kReturnsXY];
    ChannelContext* c = &channels_[current_];
    // The models of what changed are chosen by the previous point of the
    // channel: first and/or last return, and whether its GPS time changed.
    const unsigned previous = (c->returnNumber == 1 ? 1u : 0u) + (c->returnNumber >= c->returns ? 2u : 0u) +
                              (c->gpsTimeChanged ? 4u : 0u);
    const uint32_t changed = xy.DecodeSymbol(c->changedValues[previous]);
    if (changed & (1u << 6)) {
      const unsigned channel = (current_ + xy.DecodeSymbol(c->scannerChannel) + 1) % 4;
      if (!channels_[channel].used) channels_[channel].Start(*c);
      current_ = channel;
      c = &channels_[channel];
    }
    const bool gpsTimeChanged = changed & (1u << 4);
    if (changed & (1u << 2)) c->returns = xy.DecodeSymbol(c->returnsModels[c->returns]);
    switch (changed & 3u) {
      case 1:
        c->returnNumber = (c->returnNumber + 1) % 16;
        break;
      case 2:
        c->returnNumber = (c->returnNumber + 15) % 16;
        break;
      case 3:
        if (gpsTimeChanged) c->returnNumber = xy.DecodeSymbol(c->returnNumberModels[c->returnNumber]);
        else c->returnNumber = (c->returnNumber + xy.DecodeSymbol(c->returnNumberSameTime) + 2) % 16;
        break;
      default:
        break;
    }
    const unsigned n = c->returns, r = c->returnNumber;
    const unsigned m = kReturnMap6[n][r], l = ReturnLevel8(n, r);
    const uint32_t single = n == 1;
    const unsigned median = m << 1 | (gpsTimeChanged ? 1u : 0u);
    CorePoint& p = c->point;
    int32_t diff = c->dx.Decompress(xy, c->medianX[median].Get(), single);
    p.x = WrappingAdd(p.x, diff);
    c->medianX[median].Add(diff);
    uint32_t k = c->dx.k();
    diff = c->dy.Decompress(xy, c->medianY[median].Get(), single + (k < 20 ? k & ~1u : 20));
    p.y = WrappingAdd(p.y, diff);
    c->medianY[median].Add(diff);
    if (layerBytes_[kZ] > 0) {  // an empty layer: z stays as in the first point
      k = (c->dx.k() + c->dy.k()) / 2;
      p.z = c->z.Decompress(decoders_[kZ], c->lastZ[l], single + (k < 18 ? k & ~1u : 18));
      c->lastZ[l] = p.z;
    }
    if (layerBytes_[kClass] > 0) {
      const bool singleReturn = r == 1 && r >= n;
      const unsigned model = (p.classification & 0x1Fu) << 1 | (singleReturn ? 1u : 0u);
      p.classification = static_cast<uint8_t>(decoders_[kClass].DecodeSymbol(c->classModels[model]));
    }
    c->gpsTimeChanged = gpsTimeChanged;
  }

  std::vector<uint8_t> raw_;
  std::vector<uint32_t> layerBytes_;  // every layer of every item, in file order
  ByteSource header_, layers_[3];
  ArithmeticDecoder decoders_[3];
  ChannelContext channels_[4];
  unsigned current_ = 0;
  bool first_ = false, started_ = false, damaged_ = false;
};

}  // namespace

std::unique_ptr<ChunkDecoder> MakePoint14Decoder(const std::vector<Item>& items, std::string& why) {
  uint32_t rawSize = 0, layers = 0;
  for (const Item& item : items) {
    const bool first = rawSize == 0;
    bool known = item.version == 3 && first == (item.type == kPoint14);
    if (item.type == kPoint14) known = known && item.size == 30, layers += kPoint14Layers;
    else if (item.type == kRgb14) known = known && item.size == 6, layers += 1;
    else if (item.type == kRgbNir14) known = known && item.size == 8, layers += 2;
    else if (item.type == kByte14) known = known && item.size > 0, layers += item.size;
    else known = false;
    if (!known) {
      why = ItemName(item);
      return nullptr;
    }
    rawSize += item.size;
  }
  if (rawSize == 0) {
    why = "an empty item list";
    return nullptr;
  }
  return std::make_unique<Point14Chunks>(rawSize, layers);
}

}  // namespace quarvelin::laz
