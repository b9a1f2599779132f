// The entropy coding under compressed LAS: an adaptive arithmetic decoder
// (32-bit range, bytes most significant first) with its bit and symbol
// models, raw bits, and the integer decompressor that codes a value as a
// correction to a prediction, its bit length first, then the bits.
//
// A damaged stream must never stop the program: bytes past the end of the
// stream's range read as zero and are counted, and whoever owns the stream
// judges the count when the chunk is done.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

namespace quarvelin::laz {

// A byte range of an open file, read in blocks.
class ByteSource {
 public:
  void Open(std::FILE* file, uint64_t begin, uint64_t end);
  uint8_t Next() {
    if (pos_ == filled_) Refill();
    return block_[pos_++];
  }
  void Read(uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) bytes[i] = Next();
  }
  // Bytes asked for beyond the range (or that the file could not give).
  uint64_t overrun() const { return overrun_; }

 private:
  void Refill();

  std::FILE* file_ = nullptr;
  uint64_t next_ = 0, end_ = 0;  // file offsets of the next block and of the range's end
  std::vector<uint8_t> block_;
  size_t pos_ = 0, filled_ = 0;
  uint64_t overrun_ = 0;
};

class BitModel {
 public:
  BitModel() { Reset(); }
  void Reset();

 private:
  friend class ArithmeticDecoder;
  void Update();
  uint32_t bit0Count_, bitCount_, bit0Probability_, updateCycle_, bitsUntilUpdate_;
};

class SymbolModel {
 public:
  explicit SymbolModel(uint32_t symbols = 2);
  void Reset();

 private:
  friend class ArithmeticDecoder;
  void Update();

  uint32_t symbols_, lastSymbol_;
  uint32_t tableSize_ = 0, tableShift_ = 0;
  // Alphabets above 16 symbols search a table of the cumulative
  // distribution first, indexed by its top bits.
  std::vector<uint32_t> distribution_, counts_, table_;
  uint32_t totalCount_ = 0, updateCycle_ = 0, symbolsUntilUpdate_ = 0;
};

class ArithmeticDecoder {
 public:
  // Starts decoding at the source's position: the first four bytes.
  void Start(ByteSource& source);
  uint32_t DecodeBit(BitModel& model);
  uint32_t DecodeSymbol(SymbolModel& model);
  uint32_t ReadBits(uint32_t bits);  // 1 to 32 raw bits
  uint32_t ReadInt() {
    uint32_t low = ReadShort();
    return ReadShort() << 16 | low;
  }

 private:
  uint32_t ReadShort();
  void Renormalize() {
    do {
      value_ = value_ << 8 | source_->Next();
      length_ <<= 8;
    } while (length_ < kMinLength);
  }

  static constexpr uint32_t kMinLength = 0x01000000u;
  ByteSource* source_ = nullptr;
  uint32_t value_ = 0, length_ = 0;
};

// Integers of `bits` bits coded as corrections to a prediction, in
// `contexts` separate sets of models.
class IntegerDecompressor {
 public:
  explicit IntegerDecompressor(uint32_t bits = 16, uint32_t contexts = 1);
  void Reset();
  int32_t Decompress(ArithmeticDecoder& decoder, int32_t prediction, uint32_t context = 0);
  // Bit length of the last correction: the next field's context.
  uint32_t k() const { return k_; }

 private:
  int32_t ReadCorrector(ArithmeticDecoder& decoder, SymbolModel& bitsModel);

  static constexpr uint32_t kBitsHigh = 8;  // longer corrections send their low bits raw
  uint32_t correctorBits_, correctorRange_;
  int32_t correctorMin_;
  uint32_t k_ = 0;
  std::vector<SymbolModel> bitModels_;  // one per context: the corrector's bit length
  BitModel corrector0_;                 // the corrector when its length is 0
  std::vector<SymbolModel> correctors_; // by bit length, 1 to correctorBits_
};

}  // namespace quarvelin::laz
