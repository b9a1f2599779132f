#include "laz_arithmetic.h"

#include <algorithm>
#include <cstdio>

namespace quarvelin::laz {

namespace {

constexpr size_t kBlockSize = 1 << 16;
constexpr uint32_t kBitLengthShift = 13;  // bit models: probabilities of 13 bits
constexpr uint32_t kBitMaxCount = 1u << kBitLengthShift;
constexpr uint32_t kSymbolLengthShift = 15;  // symbol models: distributions of 15 bits
constexpr uint32_t kSymbolMaxCount = 1u << kSymbolLengthShift;

}  // namespace

void ByteSource::Open(std::FILE* file, uint64_t begin, uint64_t end) {
  file_ = file;
  next_ = begin;
  end_ = std::max(begin, end);
  block_.resize(kBlockSize);
  pos_ = filled_ = 0;
  overrun_ = 0;
}

void ByteSource::Refill() {
  pos_ = filled_ = 0;
  if (next_ < end_ && fseeko(file_, static_cast<off_t>(next_), SEEK_SET) == 0) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(kBlockSize, end_ - next_));
    filled_ = std::fread(block_.data(), 1, want, file_);
    next_ = filled_ == want ? next_ + want : end_;  // a short read: the file ends early
  }
  if (filled_ == 0) {
    block_[0] = 0;
    filled_ = 1;
    ++overrun_;
  }
}

void BitModel::Reset() {
  bit0Count_ = 1;
  bitCount_ = 2;
  bit0Probability_ = 1u << (kBitLengthShift - 1);
  updateCycle_ = bitsUntilUpdate_ = 4;  // adapt quickly at first
}

void BitModel::Update() {
  if ((bitCount_ += updateCycle_) > kBitMaxCount) {
    bitCount_ = (bitCount_ + 1) >> 1;
    bit0Count_ = (bit0Count_ + 1) >> 1;
    if (bit0Count_ == bitCount_) ++bitCount_;
  }
  const uint32_t scale = 0x80000000u / bitCount_;
  bit0Probability_ = (bit0Count_ * scale) >> (31 - kBitLengthShift);
  updateCycle_ = std::min<uint32_t>((5 * updateCycle_) >> 2, 64);
  bitsUntilUpdate_ = updateCycle_;
}

SymbolModel::SymbolModel(uint32_t symbols) : symbols_(symbols), lastSymbol_(symbols - 1) {
  if (symbols > 16) {
    uint32_t tableBits = 3;
    while (symbols > (1u << (tableBits + 2))) ++tableBits;
    tableSize_ = 1u << tableBits;
    tableShift_ = kSymbolLengthShift - tableBits;
    table_.resize(tableSize_ + 2);
  }
  distribution_.resize(symbols);
  counts_.resize(symbols);
  Reset();
}

void SymbolModel::Reset() {
  std::fill(counts_.begin(), counts_.end(), 1u);
  totalCount_ = 0;
  updateCycle_ = symbols_;
  Update();
  symbolsUntilUpdate_ = updateCycle_ = (symbols_ + 6) >> 1;
}

void SymbolModel::Update() {
  if ((totalCount_ += updateCycle_) > kSymbolMaxCount) {
    totalCount_ = 0;
    for (uint32_t& count : counts_) totalCount_ += (count = (count + 1) >> 1);
  }
  const uint32_t scale = 0x80000000u / totalCount_;
  uint32_t sum = 0, s = 0;
  for (uint32_t k = 0; k < symbols_; ++k) {
    distribution_[k] = (scale * sum) >> (31 - kSymbolLengthShift);
    sum += counts_[k];
    if (tableSize_ == 0) continue;
    const uint32_t w = distribution_[k] >> tableShift_;
    while (s < w) table_[++s] = k - 1;
  }
  if (tableSize_ != 0) {
    table_[0] = 0;
    while (s <= tableSize_) table_[++s] = symbols_ - 1;
  }
  updateCycle_ = std::min((5 * updateCycle_) >> 2, (symbols_ + 6) << 3);
  symbolsUntilUpdate_ = updateCycle_;
}

void ArithmeticDecoder::Start(ByteSource& source) {
  source_ = &source;
  length_ = 0xFFFFFFFFu;
  value_ = 0;
  for (int i = 0; i < 4; ++i) value_ = value_ << 8 | source.Next();
}

uint32_t ArithmeticDecoder::DecodeBit(BitModel& m) {
  const uint32_t x = m.bit0Probability_ * (length_ >> kBitLengthShift);
  const uint32_t bit = value_ >= x;
  if (bit == 0) {
    length_ = x;
    ++m.bit0Count_;
  } else {
    value_ -= x;
    length_ -= x;
  }
  if (length_ < kMinLength) Renormalize();
  if (--m.bitsUntilUpdate_ == 0) m.Update();
  return bit;
}

uint32_t ArithmeticDecoder::DecodeSymbol(SymbolModel& m) {
  // The searches choose by conditional moves rather than branches: which
  // way they go is what the stream says, so no branch predictor could guess.
  const uint32_t* distribution = m.distribution_.data();
  uint32_t symbol, x, y = length_;
  length_ >>= kSymbolLengthShift;
  if (m.tableSize_ != 0) {
    const uint32_t dv = value_ / length_;
    // Only a damaged stream can point past the table.
    const uint32_t t = std::min(dv >> m.tableShift_, m.tableSize_);
    symbol = m.table_[t];
    uint32_t n = m.table_[t + 1] + 1;
    while (n > symbol + 1) {
      const uint32_t k = (symbol + n) >> 1;
      const bool above = distribution[k] > dv;
      n = above ? k : n;
      symbol = above ? symbol : k;
    }
    x = distribution[symbol] * length_;
    if (symbol != m.lastSymbol_) y = distribution[symbol + 1] * length_;
  } else {
    x = symbol = 0;
    uint32_t n = m.symbols_, k = n >> 1;
    do {
      const uint32_t z = length_ * distribution[k];
      const bool above = z > value_;
      n = above ? k : n;
      y = above ? z : y;
      symbol = above ? symbol : k;
      x = above ? x : z;
    } while ((k = (symbol + n) >> 1) != symbol);
  }
  value_ -= x;
  length_ = y - x;
  if (length_ < kMinLength) Renormalize();
  ++m.counts_[symbol];
  if (--m.symbolsUntilUpdate_ == 0) m.Update();
  return symbol;
}

uint32_t ArithmeticDecoder::ReadBits(uint32_t bits) {
  if (bits > 19) {
    const uint32_t low = ReadShort();
    return ReadBits(bits - 16) << 16 | low;
  }
  length_ >>= bits;
  const uint32_t bitsValue = value_ / length_;
  value_ -= length_ * bitsValue;
  if (length_ < kMinLength) Renormalize();
  return bitsValue;
}

uint32_t ArithmeticDecoder::ReadShort() {
  length_ >>= 16;
  const uint32_t shortValue = value_ / length_;
  value_ -= length_ * shortValue;
  if (length_ < kMinLength) Renormalize();
  return shortValue;
}

IntegerDecompressor::IntegerDecompressor(uint32_t bits, uint32_t contexts) {
  if (bits > 0 && bits < 32) {
    correctorBits_ = bits;
    correctorRange_ = 1u << bits;
    correctorMin_ = -static_cast<int32_t>(correctorRange_ / 2);
  } else {
    correctorBits_ = 32;
    correctorRange_ = 0;  // the whole 32-bit range: arithmetic wraps by itself
    correctorMin_ = INT32_MIN;
  }
  bitModels_.assign(contexts, SymbolModel(correctorBits_ + 1));
  for (uint32_t i = 1; i <= correctorBits_; ++i) correctors_.emplace_back(1u << std::min(i, kBitsHigh));
}

void IntegerDecompressor::Reset() {
  for (SymbolModel& m : bitModels_) m.Reset();
  corrector0_.Reset();
  for (SymbolModel& m : correctors_) m.Reset();
}

int32_t IntegerDecompressor::Decompress(ArithmeticDecoder& decoder, int32_t prediction, uint32_t context) {
  const int32_t corrector = ReadCorrector(decoder, bitModels_[context]);
  if (correctorRange_ == 0) return static_cast<int32_t>(static_cast<uint32_t>(prediction) + static_cast<uint32_t>(corrector));
  int64_t real = static_cast<int64_t>(prediction) + corrector;
  if (real < 0) real += correctorRange_;
  else if (real >= correctorRange_) real -= correctorRange_;
  return static_cast<int32_t>(real);
}

int32_t IntegerDecompressor::ReadCorrector(ArithmeticDecoder& decoder, SymbolModel& bitsModel) {
  k_ = decoder.DecodeSymbol(bitsModel);
  if (k_ == 0) return static_cast<int32_t>(decoder.DecodeBit(corrector0_));
  if (k_ == 32) return correctorMin_;
  uint32_t c = decoder.DecodeSymbol(correctors_[k_ - 1]);
  if (k_ > kBitsHigh) {
    const uint32_t lowBits = k_ - kBitsHigh;
    c = c << lowBits | decoder.ReadBits(lowBits);
  }
  // Corrections of length k fill [-(2^k - 1), -2^(k-1)] and [2^(k-1), 2^k].
  return static_cast<int32_t>(c >= (1u << (k_ - 1)) ? c + 1 : c - ((1u << k_) - 1));
}

}  // namespace quarvelin::laz
