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

  bool ReadInt(int32_t& value);    // "%d"; fails on a number out of range
  bool ReadDouble(double& value);  // "%lf"
  bool ReadWord(std::string& word);  // "%s"

 private:
  int Peek();
  void Advance() { ++pos_; }
  void SkipSpace();

  std::FILE* file_ = nullptr;
  bool inMemory_ = false;
  std::string buffer_;
  size_t pos_ = 0;
  bool eof_ = false;
};

}  // namespace quarvelin
