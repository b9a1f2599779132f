#include "build/line_sources.h"

namespace quarvelin {

void EnforceBreaklines(ModelStore&, WorkStack&, ProgressReporter&) {}

bool EnforceContours(ModelStore&, WorkStack&, ProgressReporter& reporter) {
  reporter.ResetBar();
  return true;
}

}  // namespace quarvelin
