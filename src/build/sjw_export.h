// TIN.sjw: the network in the text form of the surveying software that reads it.
#pragma once

#include "build/build_run.h"
#include "store/model_store.h"

namespace quarvelin {

// Writes every triangle record 0..lastTriangle; false (after its message)
// when the file cannot be created.
bool SjwExport(const ModelStore& store, ProgressReporter& reporter);

}  // namespace quarvelin
