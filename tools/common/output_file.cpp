#include "output_file.h"

namespace quarvelin {

bool OutputFile::Open(const std::string& path) {
  Close();
  file_ = std::fopen(path.c_str(), "wb");
  failed_ = false;
  written_ = 0;
  buffer_.clear();
  buffer_.reserve(kBlock + (1 << 16));
  return file_ != nullptr;
}

void OutputFile::Flush() {
  if (!file_ || buffer_.empty()) return;
  if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) failed_ = true;
  written_ += buffer_.size();
  buffer_.clear();
  if (onFlush_) onFlush_(written_);
}

void OutputFile::Write(std::string_view bytes) {
  buffer_.append(bytes);
  FlushIfFull();
}

bool OutputFile::Close() {
  if (!file_) return true;
  Flush();
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

}  // namespace quarvelin
