#include "build/sjw_export.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdint>

#include "platform/system.h"
#include "platform/text_writer.h"

namespace quarvelin {

namespace {

// Text handed to the writer at a time: large enough that the per-call costs
// vanish, small enough to stay in the cache.
constexpr size_t kChunkSize = 256 * 1024;

void AppendMicros(std::string& out, uint64_t micros) {
  char digits[7] = {'.'};
  for (int i = 6; i > 0; --i, micros /= 10) digits[i] = static_cast<char>('0' + micros % 10);
  out.append(digits, sizeof digits);
}

// Triangles taken at a time. Their corners are scattered over the point
// table; loading all of a block's coordinates first, in a loop of
// independent loads, lets the processor wait for those cache misses
// together rather than one by one between the formatting.
constexpr int32_t kBlockSize = 512;

// The nine numbers of triangles first..last-1 into `out`, in file order.
void AppendTriangleBlock(std::string& out, const ModelStore& store, int32_t first, int32_t last,
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
  for (const double* m = numbers.data(); m < n; ++m) {
    AppendSixDecimals(out, *m);
    out.push_back('\n');
  }
}

}  // namespace

void AppendSixDecimals(std::string& out, double value) {
  const uint64_t bits = std::bit_cast<uint64_t>(value);
  const int exponent = static_cast<int>((bits >> 52) & 0x7ff);
  // |value| = mantissa / 2^shift with a 53-bit mantissa.
  const int shift = 1075 - exponent;
  // shift <= 50 keeps fraction * 5^6 below 2^64; outside lie zero, NaN,
  // infinities, subnormals, magnitudes below 4 and whole numbers of 2^52 on.
  if (exponent == 0 || exponent == 0x7ff || shift < 1 || shift > 50) {
    AppendFixed(out, value);
    return;
  }
  const uint64_t mantissa = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
  uint64_t whole = mantissa >> shift;
  const uint64_t fraction = mantissa & ((uint64_t{1} << shift) - 1);
  // fraction * 10^6 / 2^shift == fraction * 5^6 / 2^(shift - 6), exactly.
  const uint64_t scaled = fraction * 15625;
  uint64_t micros;
  if (shift <= 6) {
    micros = scaled << (6 - shift);
  } else {
    const int drop = shift - 6;
    micros = scaled >> drop;
    const uint64_t rest = scaled & ((uint64_t{1} << drop) - 1);
    const uint64_t half = uint64_t{1} << (drop - 1);
    if (rest > half || (rest == half && (micros & 1) != 0)) ++micros;
  }
  if (micros == 1000000) {
    ++whole;
    micros = 0;
  }
  if (bits >> 63) out.push_back('-');
  char digits[20];
  const auto result = std::to_chars(digits, digits + sizeof digits, whole);
  out.append(digits, result.ptr);
  AppendMicros(out, micros);
}

bool SjwExport(const ModelStore& store, ProgressReporter& reporter) {
  const std::string path = ProjectFilePath(store.projectDirectory, "PMAP", "TIN.sjw");
  TextWriter out;
  if (!out.Open(path)) {
    reporter.ShowMessage("无法打开TIN.sjw文件！");
    return false;
  }
  std::string chunk;
  std::array<double, 9 * kBlockSize> numbers;
  for (int32_t first = 0; first <= store.lastTriangle; first += kBlockSize) {
    const int32_t last = static_cast<int32_t>(std::min<int64_t>(int64_t{first} + kBlockSize, int64_t{store.lastTriangle} + 1));
    AppendTriangleBlock(chunk, store, first, last, numbers);
    if (chunk.size() >= kChunkSize) {
      out.Write(chunk);
      chunk.clear();
    }
  }
  chunk += "nil";
  out.Write(chunk);
  if (!out.Close()) {
    reporter.ShowMessage("写入TIN.sjw文件失败：" + path);
    return false;
  }
  return true;
}

}  // namespace quarvelin
