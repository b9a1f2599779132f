// Reading of the host's text files in the manner of the C scan formats: numbers
// separated by any white space, line breaks without meaning. Each read skips
// white space and takes the longest prefix that forms the item, like "%d",
// "%lf" and "%s" do; a read that finds no such item fails and consumes nothing
// but the white space. Numbers are parsed the same under every locale.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace quarvelin {

class TextScanner {
 public:
  TextScanner() = default;
  TextScanner(const TextScanner&) = delete;
  TextScanner& operator=(const TextScanner&) = delete;
  ~TextScanner() { Close(); }

  bool Open(const std::string& path);
  // Scans text held in memory (for tests and for files read whole).
  void OpenText(std::string text);
  void Close();
  bool isOpen() const { return file_ != nullptr || inMemory_; }

  // Items longer than this are refused (overlong() tells), so that a file
  // without end, such as a link to a device, cannot be read for ever.
  static constexpr size_t kLongestItem = size_t{1} << 20;

  bool ReadInt(int32_t& value);    // "%d"; fails on a number out of range
  bool ReadDouble(double& value);  // "%lf"
  bool ReadWord(std::string& word);  // "%s"
  // Whether the last read failed on an item longer than kLongestItem.
  bool overlong() const { return overlong_; }

 private:
  int Peek();
  void Advance() { ++pos_; }
  void SkipSpace();
  // Marks the read overlong when the item grew past kLongestItem.
  bool TooLong(const std::string& token);

  std::FILE* file_ = nullptr;
  bool inMemory_ = false;
  std::string buffer_;
  size_t pos_ = 0;
  bool eof_ = false;
  bool overlong_ = false;
};

// How the C library reads a number text that from_chars finds out of range
// (a minus sign or none, then the digits, after "0x" when `hex`): the nearest
// double, by way of long double where that holds the number, otherwise
// infinity for a magnitude above the range and zero below it.
double OutOfRangeNumber(const char* first, const char* last, bool hex);

}  // namespace quarvelin
