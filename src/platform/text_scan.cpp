#include "platform/text_scan.h"

#include "platform/system.h"

#include <cerrno>
#include <algorithm>
#include <charconv>
#include <cmath>

namespace quarvelin {

namespace {

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }
int Lower(int c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }
bool IsHexDigit(int c) { return IsDigit(c) || (Lower(c) >= 'a' && Lower(c) <= 'f'); }

}  // namespace

double OutOfRangeNumber(const char* first, const char* last, bool hex) {
  long double wide = 0;
  const auto format = hex ? std::chars_format::hex : std::chars_format::general;
  if (std::from_chars(first, last, wide, format).ec == std::errc()) return static_cast<double>(wide);
  // Beyond even long double: the power of the base at the first significant
  // digit says on which side of the range the number lies, since no number
  // out of range lies anywhere near 1.
  auto digit = hex ? IsHexDigit : IsDigit;
  const char* p = first;
  const double sign = p < last && *p == '-' ? -1.0 : 1.0;
  if (sign < 0) ++p;
  int64_t order = 0;
  bool significant = false;
  for (; p < last && digit(*p); ++p) {
    if (*p != '0') significant = true;
    if (significant) ++order;
  }
  if (p < last && *p == '.') {
    for (++p; p < last && digit(*p); ++p) {
      if (significant) continue;
      if (*p != '0') significant = true;
      else --order;
    }
  }
  int64_t exponent = 0;
  if (p < last && Lower(*p) == (hex ? 'p' : 'e')) {
    ++p;
    const bool negative = p < last && *p == '-';
    if (p < last && (*p == '+' || *p == '-')) ++p;
    for (; p < last && IsDigit(*p); ++p) exponent = std::min<int64_t>(exponent * 10 + (*p - '0'), int64_t{1} << 40);
    if (negative) exponent = -exponent;
  }
  const int64_t power = (hex ? 4 * order : order) + exponent;
  return sign * (power > 0 ? HUGE_VAL : 0.0);
}

bool TextScanner::Open(const std::string& path) {
  Close();
  file_ = OpenFile(path, "rb");
  return file_ != nullptr;
}

void TextScanner::OpenText(std::string text) {
  Close();
  buffer_ = std::move(text);
  inMemory_ = true;
  eof_ = true;
}

void TextScanner::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  inMemory_ = false;
  buffer_.clear();
  pos_ = 0;
  eof_ = false;
}

int TextScanner::Peek() {
  if (pos_ < buffer_.size()) return static_cast<unsigned char>(buffer_[pos_]);
  if (eof_ || !file_) return EOF;
  // Keep the unread tail: an item being scanned may span two reads.
  buffer_.erase(0, pos_);
  pos_ = 0;
  char chunk[65536];
  size_t n = std::fread(chunk, 1, sizeof chunk, file_);
  if (n == 0) {
    eof_ = true;
    return EOF;
  }
  buffer_.append(chunk, n);
  return static_cast<unsigned char>(buffer_[pos_]);
}

bool TextScanner::TooLong(const std::string& token) {
  overlong_ = token.size() > kLongestItem;
  return overlong_;
}

void TextScanner::SkipSpace() {
  while (IsSpace(Peek())) Advance();
}

bool TextScanner::ReadInt(int32_t& value) {
  overlong_ = false;
  if (!isOpen()) return false;
  SkipSpace();
  std::string token;
  int c = Peek();
  if (c == '+' || c == '-') {
    token.push_back(static_cast<char>(c));
    Advance();
  }
  while (IsDigit(Peek()) && token.size() <= kLongestItem) {
    token.push_back(static_cast<char>(Peek()));
    Advance();
  }
  if (TooLong(token)) return false;
  size_t start = token[0] == '+' ? 1 : 0;
  if (token.size() == start || !IsDigit(token.back())) return false;
  int32_t parsed = 0;
  auto [end, ec] = std::from_chars(token.data() + start, token.data() + token.size(), parsed);
  if (ec != std::errc() || end != token.data() + token.size()) return false;
  value = parsed;
  return true;
}

bool TextScanner::ReadDouble(double& value) {
  overlong_ = false;
  if (!isOpen()) return false;
  SkipSpace();
  std::string token;
  size_t number = std::string::npos;  // length of the token's number part
  auto take = [&] {
    token.push_back(static_cast<char>(Peek()));
    Advance();
  };
  if (Peek() == '+' || Peek() == '-') take();
  if (Lower(Peek()) == 'i' || Lower(Peek()) == 'n') {
    // "inf", "infinity" and "nan" in any case.
    const char* words[] = {"infinity", "nan"};
    const char* word = Lower(Peek()) == 'i' ? words[0] : words[1];
    size_t matched = 0;
    while (word[matched] && Lower(Peek()) == word[matched]) {
      take();
      ++matched;
    }
    bool isInf = word == words[0];
    if (!(isInf ? (matched == 3 || matched == 8) : matched == 3)) return false;
  } else {
    bool digits = false;
    while (IsDigit(Peek()) && token.size() <= kLongestItem) {
      take();
      digits = true;
    }
    if (Peek() == '.') {
      take();
      while (IsDigit(Peek()) && token.size() <= kLongestItem) {
        take();
        digits = true;
      }
    }
    if (!digits) return false;
    if (Lower(Peek()) == 'e') {
      // The C library takes the 'e' and its sign in any case, but they add to
      // the number only when digits follow: "1e" reads as 1, the 'e' consumed.
      const size_t mantissa = token.size();
      take();
      if (Peek() == '+' || Peek() == '-') take();
      bool expDigits = false;
      while (IsDigit(Peek()) && token.size() <= kLongestItem) {
        take();
        expDigits = true;
      }
      if (!expDigits) number = mantissa;
    }
  }
  if (TooLong(token)) return false;
  const char* first = token.data() + (token[0] == '+' ? 1 : 0);
  const char* last = token.data() + std::min(number, token.size());
  double parsed = 0;
  auto [end, ec] = std::from_chars(first, last, parsed);
  if (end != last) return false;
  if (ec == std::errc::result_out_of_range) {
    // from_chars leaves the value unset where the C library gives infinity or
    // a denormal or zero.
    parsed = OutOfRangeNumber(first, last, false);
  } else if (ec != std::errc()) {
    return false;
  }
  value = parsed;
  return true;
}

bool TextScanner::ReadWord(std::string& word) {
  overlong_ = false;
  if (!isOpen()) return false;
  SkipSpace();
  std::string token;
  for (int c = Peek(); c != EOF && !IsSpace(c) && token.size() <= kLongestItem; c = Peek()) {
    token.push_back(static_cast<char>(c));
    Advance();
  }
  if (token.empty() || TooLong(token)) return false;
  word = std::move(token);
  return true;
}

}  // namespace quarvelin
