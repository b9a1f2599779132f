#include "build_run/sjw_export.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/system.h"
#include "platform/text_writer.h"

namespace quarvelin {

namespace {

// Longest "%lf" text of any double (-DBL_MAX has 309 digits before the
// point), with room to spare.
constexpr size_t kLongestNumber = 400;

// Text handed to the writer at a time: large enough that the per-call costs
// vanish, small enough to stay in the cache.
constexpr size_t kChunkSize = 256 * 1024;

// Triangles taken at a time. Their corners are scattered over the point
// table; loading all of a block's coordinates first, in a loop of
// independent loads, lets the processor wait for those cache misses
// together rather than one by one between the formatting.
constexpr int32_t kBlockSize = 512;

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

char* WritePair(char* out, uint64_t pair) {
  std::memcpy(out, kDigitPairs + 2 * pair, 2);
  return out + 2;
}

// "%lf" of `value` at `out` (room for kLongestNumber characters); returns
// the end.
char* WriteSixDecimals(char* out, double value) {
  const uint64_t bits = std::bit_cast<uint64_t>(value);
  // |value| = mantissa / 2^shift with a 53-bit mantissa.
  const int shift = 1075 - static_cast<int>((bits >> 52) & 0x7ff);
  // The fast range, 7 <= shift <= 50, holds the magnitudes from 4 to 2^46;
  // shift <= 50 keeps fraction * 5^6 below 2^64. Zero, subnormals, NaN and
  // the infinities lie outside it too.
  if (shift < 7 || shift > 50) {
    std::string text;
    AppendFixed(text, value);
    return std::copy(text.begin(), text.end(), out);
  }
  const uint64_t mantissa = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
  uint64_t whole = mantissa >> shift;
  const uint64_t fraction = mantissa & ((uint64_t{1} << shift) - 1);
  // fraction * 10^6 / 2^shift == fraction * 5^6 / 2^drop, exactly; rounded
  // to nearest with ties to even, as the C library rounds the exact binary
  // value. Adding half - 1, and one more when the truncated result is odd,
  // carries into the result exactly when it must round up; without a branch,
  // since the digits dropped are as good as random.
  const int drop = shift - 6;
  const uint64_t scaled = fraction * 15625;
  const uint64_t half = uint64_t{1} << (drop - 1);
  uint64_t micros = (scaled + (half - 1) + ((scaled >> drop) & 1)) >> drop;
  if (micros == 1000000) {
    ++whole;
    micros = 0;
  }
  if (bits >> 63) *out++ = '-';
  out = std::to_chars(out, out + 20, whole).ptr;
  *out++ = '.';
  out = WritePair(out, micros / 10000);
  out = WritePair(out, micros / 100 % 100);
  return WritePair(out, micros % 100);
}

// Text gathered for the writer, in a buffer that always has room for one
// more number line.
class SjwChunk {
 public:
  explicit SjwChunk(TextWriter& out) : out_(out), text_(kChunkSize + kLongestNumber + 1) {}
  void Line(double value) {
    char* end = WriteSixDecimals(text_.data() + used_, value);
    *end++ = '\n';
    used_ = static_cast<size_t>(end - text_.data());
    if (used_ >= kChunkSize) Flush();
  }
  void Flush() {
    out_.Write({text_.data(), used_});
    used_ = 0;
  }

 private:
  TextWriter& out_;
  std::vector<char> text_;
  size_t used_ = 0;
};

// The nine lines of triangles first..last-1, in file order.
void WriteTriangleBlock(SjwChunk& chunk, const ModelStore& store, int32_t first, int32_t last,
                        std::array<double, 9 * kBlockSize>& numbers) {
  double* n = numbers.data();
  for (int32_t t = first; t < last; ++t) {
    for (int32_t v : store.triangles[t].vertex) {
      const PointRecord& p = store.points[v];
      *n++ = p.x;
      *n++ = p.y;
      *n++ = p.z;
    }
  }
  for (const double* m = numbers.data(); m < n; ++m) chunk.Line(*m);
}

}  // namespace

void AppendSixDecimals(std::string& out, double value) {
  char text[kLongestNumber];
  out.append(text, WriteSixDecimals(text, value));
}

Status SjwExport(const ModelStore& store) {
  const std::string path = ProjectFilePath(store.projectDirectory, kProjectFolder, "TIN.sjw");
  TextWriter out;
  if (!out.Open(path)) return Failed("无法打开TIN.sjw文件！");
  SjwChunk chunk(out);
  std::array<double, 9 * kBlockSize> numbers;
  const int64_t records = int64_t{store.lastTriangle} + 1;
  for (int64_t first = 0; first < records; first += kBlockSize) {
    const int64_t last = std::min(first + kBlockSize, records);
    WriteTriangleBlock(chunk, store, static_cast<int32_t>(first), static_cast<int32_t>(last), numbers);
  }
  chunk.Flush();
  // No line break after "nil": readers take nine numbers at a time until
  // they meet it, and the file has always ended so.
  out.Write("nil");
  if (!out.Close()) return Failed("写入TIN.sjw文件失败：" + path);
  return Done();
}

}  // namespace quarvelin
