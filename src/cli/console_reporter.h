// The build's reports on a console: status lines and a one-line bar on
// stderr when it is a terminal (plain lines otherwise), messages on stderr,
// the summary on stdout.
#pragma once

#include <cstdio>
#include <string>

#include "build_run/build_run.h"
#include "platform/console_progress.h"

namespace quarvelin {

class ConsoleReporter : public ProgressReporter {
 public:
  ConsoleReporter(std::FILE* progress, std::FILE* summary, bool interactive, bool quiet);

  void SetStatus(const std::string& text) override;
  void SetCaptions(const std::string& totalCaption, const std::string& doneCaption) override;
  void SetTotal(int32_t total) override;
  void SetDone(int32_t done) override;
  void ResetBar() override;
  void SetBarPos(int32_t position) override;
  void SetBarText(const std::string& text) override;
  void ShowMessage(const std::string& text) override;
  void ShowNote(const std::string& text) override;
  void ShowSummary(const BuildSummary& summary) override;

 private:
  std::string DoneText() const;

  ConsoleProgress progress_;
  std::FILE* summary_;
  std::string totalCaption_;
  std::string doneCaption_;
  int32_t done_ = 0;
  int32_t position_ = 0;
};

}  // namespace quarvelin
