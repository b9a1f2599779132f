// Grid.idx: the point grid handed to the host as a spatial index into the
// finished network, with empty cells filled from their neighbours.
#pragma once

#include <string>

#include "store/model_store.h"

namespace quarvelin {

// Fills the firstPoint of empty cells, then writes the cells. Returns false,
// with `message` set, when the file could not be written.
bool WriteGridIndex(ModelStore& store, std::string& message);

}  // namespace quarvelin
