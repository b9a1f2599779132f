// Boundary trimming: the frame triangles and the long triangles along the
// outer edge of the data are marked removed, and the boundary that remains is
// written to Edge.inf.
#pragma once

#include <string>

#include "store/model_store.h"

namespace quarvelin {

// Marks the triangles on the frame corners and peels every boundary triangle
// whose outer edge is longer than `maxBoundaryEdge` (metres, in plan), then
// writes Edge.inf and points each boundary point at its inner triangle.
// Fails when Edge.inf could not be written; the triangles are trimmed in any
// case. Removed triangles keep their records, with state 'N'.
Status TrimBoundary(ModelStore& store, double maxBoundaryEdge);

}  // namespace quarvelin
