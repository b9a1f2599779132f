// Buffered output for the tools: numbers as the shortest text that reads back
// to the same double, independent of the locale, and files written in large
// blocks so that exports run at the speed of the disk.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace quarvelin {

// The shortest decimal text that reads back as exactly `value`.
inline void AppendShortest(std::string& out, double value) {
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  (void)ec;  // 32 characters hold every double
  out.append(buffer, end);
}

// A file written byte for byte (no line-end translation) through a large
// buffer. Close() reports whether every write reached the file.
class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile() { Close(); }

  bool Open(const std::string& path);
  bool Close();
  void Write(std::string_view bytes);
  // The caller's buffer, appended to freely and flushed by Write / Close.
  std::string& buffer() { return buffer_; }
  // Called after every block written with the bytes written so far, to show
  // progress.
  void OnFlush(std::function<void(uint64_t)> written) { onFlush_ = std::move(written); }
  // Writes the buffer out once it has grown large.
  void FlushIfFull() {
    if (buffer_.size() >= kBlock) Flush();
  }

 private:
  static constexpr size_t kBlock = 1 << 22;
  void Flush();

  std::FILE* file_ = nullptr;
  std::string buffer_;
  bool failed_ = false;
  uint64_t written_ = 0;
  std::function<void(uint64_t)> onFlush_;
};

}  // namespace quarvelin
