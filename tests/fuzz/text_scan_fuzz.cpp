// The text scanner against the C library's sscanf: a run of "%lf" and "%d"
// items over the same text must succeed and fail together and give the same
// values, the scanner consuming what sscanf consumes.
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "platform/text_scan.h"

using quarvelin::fuzz::Fail;

namespace {

constexpr size_t kMaxText = 4096;
constexpr int kMaxItems = 64;

// Hexadecimal numbers are no form of the host's files, and sscanf, which can
// put back only one character, fails on "0x" with no digit after it where
// strtod reads 0: the comparison stops at a hexadecimal prefix. An integer
// beyond 32 bits is undefined for "%d"; the scanner refuses it.
bool OutsideTheComparedForms(const char* text, bool integer) {
  const char* p = text + std::strspn(text, " \t\n\v\f\r");
  if (*p == '+' || *p == '-') ++p;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) return true;
  if (!integer) return false;
  errno = 0;
  const long long value = std::strtoll(text, nullptr, 10);
  return errno == ERANGE || value < INT32_MIN || value > INT32_MAX;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte chooses which items are integers; the text follows, up to
  // its first NUL (sscanf sees no further).
  const unsigned selector = data[0];
  std::string text(reinterpret_cast<const char*>(data + 1), std::min(size - 1, kMaxText));
  text.resize(std::strlen(text.c_str()));
  quarvelin::TextScanner ours;
  ours.OpenText(text);
  const char* c = text.c_str();
  for (int item = 0; item < kMaxItems; ++item) {
    const bool integer = (selector >> (item % 8)) & 1u;
    int consumed = -1;
    double cValue = 0, ourValue = 0;
    int cInt = 0;
    int32_t ourInt = 0;
    const bool cRead = integer ? std::sscanf(c, "%d%n", &cInt, &consumed) == 1
                               : std::sscanf(c, "%lf%n", &cValue, &consumed) == 1;
    if (OutsideTheComparedForms(c, integer)) return 0;
    const bool ourRead = integer ? ours.ReadInt(ourInt) : ours.ReadDouble(ourValue);
    if (cRead != ourRead) {
      Fail(std::string("item ") + std::to_string(item) + (integer ? " (%d)" : " (%lf)") + ": sscanf " +
           (cRead ? "reads" : "fails") + ", the scanner " + (ourRead ? "reads" : "fails"));
    }
    if (!cRead) return 0;
    if (integer ? cInt != ourInt
                : !(std::isnan(cValue) ? std::isnan(ourValue) : std::memcmp(&cValue, &ourValue, sizeof cValue) == 0)) {
      char both[96];
      std::snprintf(both, sizeof both, "sscanf %.17g, the scanner %.17g", integer ? cInt : cValue,
                    integer ? ourInt : ourValue);
      Fail("item " + std::to_string(item) + ": " + both);
    }
    c += consumed;
  }
  return 0;
}
