// Text files for the host: every line feed is written as CR LF, on every
// platform, and numbers are formatted the same under every locale.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace quarvelin {

class TextWriter {
 public:
  TextWriter() = default;
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;
  ~TextWriter() { Close(); }

  // Creates or truncates the file. Returns false, and writes nothing anywhere,
  // when it cannot be created.
  bool Open(const std::string& path);
  // Flushes and closes; false when a write failed on the way.
  bool Close();
  bool isOpen() const { return file_ != nullptr; }

  // Writes `text`, each '\n' as "\r\n".
  void Write(std::string_view text);

 private:
  void Flush();

  std::FILE* file_ = nullptr;
  std::string buffer_;
  bool failed_ = false;
};

// "%lf": fixed notation with six decimals, as the C library prints it in the
// "C" locale. Appends to `out`.
void AppendFixed(std::string& out, double value, int decimals = 6);
// "%W.Dlf": right-aligned in `width` characters.
void AppendFixedWidth(std::string& out, double value, int width, int decimals);
// "%d" and "%Wd".
void AppendInt(std::string& out, int64_t value, int width = 0);

}  // namespace quarvelin
