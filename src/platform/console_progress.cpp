#include "platform/console_progress.h"

#include <algorithm>

namespace quarvelin {

ConsoleProgress::ConsoleProgress(std::FILE* out, bool interactive, bool quiet)
    : out_(out), interactive_(interactive), quiet_(quiet) {}

void ConsoleProgress::Status(const std::string& text) {
  if (quiet_) return;
  EndBar();
  std::fprintf(out_, "%s\n", text.c_str());
  std::fflush(out_);
}

void ConsoleProgress::Bar(int32_t percent, const std::string& trailing) {
  if (quiet_ || (percent == percent_ && trailing == trailing_)) return;
  percent_ = percent;
  trailing_ = trailing;
  if (interactive_) {
    constexpr int kWidth = 40;
    const int filled = std::clamp(percent, 0, 100) * kWidth / 100;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kWidth - filled), '.');
    std::fprintf(out_, "\r[%s] %3d%%  %s", bar.c_str(), percent, trailing.c_str());
    std::fflush(out_);
    barShown_ = true;
    return;
  }
  const int32_t tenth = std::clamp(percent, 0, 100) / 10;
  if (tenth != lastTenth_) {
    lastTenth_ = tenth;
    std::fprintf(out_, "%d%%\n", tenth * 10);
    std::fflush(out_);
  }
}

void ConsoleProgress::Fraction(double done, double total, const std::string& trailing) {
  Bar(total > 0 ? static_cast<int32_t>(std::clamp(done / total, 0.0, 1.0) * 100) : 100, trailing);
}

void ConsoleProgress::Counter(const std::string& text) {
  if (quiet_ || !interactive_) return;
  // Spaces clear what a longer text before it left on the line.
  const size_t width = std::max(text.size(), trailing_.size());
  std::fprintf(out_, "\r%-*s", static_cast<int>(width), text.c_str());
  std::fflush(out_);
  trailing_ = text;
  barShown_ = true;
}

void ConsoleProgress::ResetBar() {
  percent_ = -1;
  lastTenth_ = -1;
  trailing_.clear();
}

void ConsoleProgress::EndBar() {
  if (!barShown_) return;
  std::fputc('\n', out_);
  std::fflush(out_);
  barShown_ = false;
}

}  // namespace quarvelin
