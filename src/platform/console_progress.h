// Progress of long work on a console: status lines, and a bar that redraws
// one line in place on a terminal; on a pipe or in a log, a line at every
// tenth instead, so that logs stay short. Quiet prints nothing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace quarvelin {

class ConsoleProgress {
 public:
  ConsoleProgress(std::FILE* out, bool interactive, bool quiet);
  ConsoleProgress(const ConsoleProgress&) = delete;
  ConsoleProgress& operator=(const ConsoleProgress&) = delete;
  ~ConsoleProgress() { EndBar(); }

  // A line of its own, after the bar's line if one is drawn.
  void Status(const std::string& text);
  // The bar at `percent` (above 100 shows a full bar), `trailing` after the
  // figure on a terminal. Unchanged figures are not drawn again.
  void Bar(int32_t percent, const std::string& trailing = {});
  // The bar at `done` of `total`.
  void Fraction(double done, double total, const std::string& trailing = {});
  // Work whose end is not known in advance: on a terminal, `text` redrawn
  // in place of the last; nothing on a pipe.
  void Counter(const std::string& text);
  // The next bar counts its tenths afresh.
  void ResetBar();
  // Ends the bar's line on a terminal, so that other text starts on a new one.
  void EndBar();

  bool quiet() const { return quiet_; }
  std::FILE* stream() const { return out_; }

 private:
  std::FILE* out_;
  bool interactive_;
  bool quiet_;
  int32_t percent_ = -1;
  int32_t lastTenth_ = -1;
  std::string trailing_;
  bool barShown_ = false;
};

}  // namespace quarvelin
