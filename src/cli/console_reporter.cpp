#include "cli/console_reporter.h"

#include <algorithm>

namespace quarvelin {

ConsoleReporter::ConsoleReporter(std::FILE* progress, std::FILE* summary, bool interactive, bool quiet)
    : progress_(progress), summary_(summary), interactive_(interactive), quiet_(quiet) {}

ConsoleReporter::~ConsoleReporter() { EndBarLine(); }

void ConsoleReporter::EndBarLine() {
  if (barShown_) {
    std::fputc('\n', progress_);
    std::fflush(progress_);
    barShown_ = false;
  }
}

void ConsoleReporter::SetStatus(const std::string& text) {
  if (quiet_) return;
  EndBarLine();
  std::fprintf(progress_, "%s\n", text.c_str());
  std::fflush(progress_);
}

void ConsoleReporter::SetCaptions(const std::string& totalCaption, const std::string& doneCaption) {
  totalCaption_ = totalCaption;
  doneCaption_ = doneCaption;
}

void ConsoleReporter::SetTotal(int32_t total) {
  total_ = total;
  if (quiet_) return;
  EndBarLine();
  std::fprintf(progress_, "%s%d\n", totalCaption_.c_str(), total);
  std::fflush(progress_);
}

void ConsoleReporter::SetDone(int32_t done) {
  done_ = done;
  if (interactive_ && barShown_) DrawBar();
}

void ConsoleReporter::ResetBar() {
  position_ = -1;
  lastPlainStep_ = -1;
  SetBarPos(0);
}

void ConsoleReporter::DrawBar() {
  constexpr int kWidth = 40;
  const int filled = std::clamp(position_, 0, 100) * kWidth / 100;
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(kWidth - filled), '.');
  std::fprintf(progress_, "\r[%s] %3d%%  %s%d", bar.c_str(), position_, doneCaption_.c_str(), done_);
  std::fflush(progress_);
  barShown_ = true;
}

void ConsoleReporter::SetBarPos(int32_t position) {
  if (position == position_) return;
  position_ = position;
  if (quiet_) return;
  if (interactive_) {
    DrawBar();
    return;
  }
  // Plain output: a line at every tenth.
  const int32_t step = std::min(position, 100) / 10;
  if (step != lastPlainStep_) {
    lastPlainStep_ = step;
    std::fprintf(progress_, "%d%%\n", step * 10);
    std::fflush(progress_);
  }
}

void ConsoleReporter::SetBarText(const std::string&) {
  // The bar shows its own percentage from its position, as the dialog's does.
}

void ConsoleReporter::ShowMessage(const std::string& text) {
  EndBarLine();
  std::string line = text;
  while (!line.empty() && line.back() == '\n') line.pop_back();
  std::fprintf(progress_, "quarvelin-cli: %s\n", line.c_str());
  std::fflush(progress_);
}

void ConsoleReporter::ShowSummary(const BuildSummary& summary) {
  EndBarLine();
  std::fprintf(summary_, "总点数：%d\n三角形数：%d\n建网耗 时：%s\n建网速度:%s\n", summary.points, summary.triangles,
               summary.timeText.c_str(), summary.speedText.c_str());
  std::fflush(summary_);
}

}  // namespace quarvelin
