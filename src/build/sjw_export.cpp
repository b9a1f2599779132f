#include "build/sjw_export.h"

namespace quarvelin {

bool SjwExport(const ModelStore&, ProgressReporter&) { return true; }

}  // namespace quarvelin
