#include "platform/text_writer.h"

#include "platform/system.h"

#include <charconv>

namespace quarvelin {

namespace {
constexpr size_t kFlushSize = 1 << 20;
}

bool TextWriter::Open(const std::string& path) {
  Close();
  file_ = OpenFile(path, "wb");
  failed_ = false;
  return file_ != nullptr;
}

void TextWriter::Flush() {
  if (!file_ || buffer_.empty()) return;
  if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) failed_ = true;
  buffer_.clear();
}

bool TextWriter::Close() {
  if (!file_) return true;
  Flush();
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

void TextWriter::Write(std::string_view text) {
  if (!file_) return;
  for (size_t start = 0;;) {
    size_t lf = text.find('\n', start);
    if (lf == std::string_view::npos) {
      buffer_.append(text.substr(start));
      break;
    }
    buffer_.append(text.substr(start, lf - start));
    buffer_.append("\r\n");
    start = lf + 1;
  }
  if (buffer_.size() >= kFlushSize) Flush();
}

void AppendFixed(std::string& out, double value, int decimals) {
  char buffer[400];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (ec != std::errc()) {
    out.append("nan");
    return;
  }
  out.append(buffer, end);
}

void AppendFixedWidth(std::string& out, double value, int width, int decimals) {
  std::string text;
  AppendFixed(text, value, decimals);
  if (static_cast<int>(text.size()) < width) out.append(static_cast<size_t>(width) - text.size(), ' ');
  out.append(text);
}

void AppendInt(std::string& out, int64_t value, int width) {
  char buffer[24];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  (void)ec;
  size_t length = static_cast<size_t>(end - buffer);
  if (static_cast<int>(length) < width) out.append(static_cast<size_t>(width) - length, ' ');
  out.append(buffer, length);
}

}  // namespace quarvelin
