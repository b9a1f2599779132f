#include "cli/console_reporter.h"

namespace quarvelin {

ConsoleReporter::ConsoleReporter(std::FILE* progress, std::FILE* summary, bool interactive, bool quiet)
    : progress_(progress, interactive, quiet), summary_(summary) {}

void ConsoleReporter::SetStatus(const std::string& text) { progress_.Status(text); }

void ConsoleReporter::SetCaptions(const std::string& totalCaption, const std::string& doneCaption) {
  totalCaption_ = totalCaption;
  doneCaption_ = doneCaption;
}

void ConsoleReporter::SetTotal(int32_t total) { progress_.Status(totalCaption_ + std::to_string(total)); }

std::string ConsoleReporter::DoneText() const { return doneCaption_ + std::to_string(done_); }

void ConsoleReporter::SetDone(int32_t done) {
  done_ = done;
  progress_.Bar(position_, DoneText());
}

void ConsoleReporter::ResetBar() {
  progress_.ResetBar();
  position_ = -1;
  SetBarPos(0);
}

void ConsoleReporter::SetBarPos(int32_t position) {
  // The build reports after every point; the line changes only with the
  // percentage (or with SetDone).
  if (position == position_) return;
  position_ = position;
  progress_.Bar(position, DoneText());
}

void ConsoleReporter::SetBarText(const std::string&) {
  // The bar shows its own percentage from its position, as the dialog's does.
}

void ConsoleReporter::ShowMessage(const std::string& text) {
  progress_.EndBar();
  std::string line = text;
  while (!line.empty() && line.back() == '\n') line.pop_back();
  std::fprintf(progress_.stream(), "quarvelin-cli: %s\n", line.c_str());
  std::fflush(progress_.stream());
}

void ConsoleReporter::ShowNote(const std::string& text) {
  if (progress_.quiet()) return;
  progress_.Status("quarvelin-cli: 注意：" + text);
}

void ConsoleReporter::ShowSummary(const BuildSummary& summary) {
  progress_.EndBar();
  std::fprintf(summary_, "总点数：%d\n三角形数：%d\n建网耗 时：%s\n建网速度:%s\n", summary.points, summary.triangles,
               summary.timeText.c_str(), summary.speedText.c_str());
  std::fflush(summary_);
}

}  // namespace quarvelin
