// Boundary trimming: the frame triangles and the long triangles along the
// outer edge of the data are marked removed, and the boundary that remains is
// written to Edge.inf.
#pragma once

#include <string>

#include "store/model_store.h"

namespace quarvelin {

// Returns false, with `message` set, when Edge.inf could not be written; the
// triangles are trimmed in any case.
bool TrimBoundary(ModelStore& store, double maxBoundaryEdge, std::string& message);

}  // namespace quarvelin
