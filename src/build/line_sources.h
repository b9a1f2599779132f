// The breakline and contour files of a project, read and forced into the
// network segment by segment.
#pragma once

#include "build/build_run.h"
#include "store/model_store.h"
#include "tin/work_stack.h"

namespace quarvelin {

// The breaklines named by SLine.txt. Never ends the run.
void EnforceBreaklines(ModelStore& store, WorkStack& work, ProgressReporter& reporter);

// The contour files counted by fnum. Returns false when the run must end.
bool EnforceContours(ModelStore& store, WorkStack& work, ProgressReporter& reporter);

}  // namespace quarvelin
