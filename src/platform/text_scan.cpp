#include "platform/text_scan.h"

#include "platform/system.h"

#include <cerrno>
#include <algorithm>
#include <charconv>

namespace quarvelin {

namespace {

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }
int Lower(int c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

}  // namespace

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

void TextScanner::SkipSpace() {
  while (IsSpace(Peek())) Advance();
}

bool TextScanner::ReadInt(int32_t& value) {
  if (!isOpen()) return false;
  SkipSpace();
  std::string token;
  int c = Peek();
  if (c == '+' || c == '-') {
    token.push_back(static_cast<char>(c));
    Advance();
  }
  while (IsDigit(Peek())) {
    token.push_back(static_cast<char>(Peek()));
    Advance();
  }
  size_t start = token[0] == '+' ? 1 : 0;
  if (token.size() == start || !IsDigit(token.back())) return false;
  int32_t parsed = 0;
  auto [end, ec] = std::from_chars(token.data() + start, token.data() + token.size(), parsed);
  if (ec != std::errc() || end != token.data() + token.size()) return false;
  value = parsed;
  return true;
}

bool TextScanner::ReadDouble(double& value) {
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
    while (IsDigit(Peek())) {
      take();
      digits = true;
    }
    if (Peek() == '.') {
      take();
      while (IsDigit(Peek())) {
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
      while (IsDigit(Peek())) {
        take();
        expDigits = true;
      }
      if (!expDigits) number = mantissa;
    }
  }
  const char* first = token.data() + (token[0] == '+' ? 1 : 0);
  const char* last = token.data() + std::min(number, token.size());
  double parsed = 0;
  auto [end, ec] = std::from_chars(first, last, parsed);
  if (end != last) return false;
  if (ec == std::errc::result_out_of_range) {
    // from_chars leaves the value unset where the C library gives infinity or
    // a denormal or zero; the wider type decides which, by its own rounding.
    long double wide = 0;
    std::from_chars(first, last, wide);
    parsed = static_cast<double>(wide);
  } else if (ec != std::errc()) {
    return false;
  }
  value = parsed;
  return true;
}

bool TextScanner::ReadWord(std::string& word) {
  if (!isOpen()) return false;
  SkipSpace();
  std::string token;
  for (int c = Peek(); c != EOF && !IsSpace(c); c = Peek()) {
    token.push_back(static_cast<char>(c));
    Advance();
  }
  if (token.empty()) return false;
  word = std::move(token);
  return true;
}

}  // namespace quarvelin
