// Edge.inf: the outer boundary that remains after trimming, for the host.
#pragma once

#include <string>

#include "boundary/boundary_edges.h"
#include "store/model_store.h"

namespace quarvelin {

// Sets the incidentTriangle of the start point of every listed edge to the
// edge's inner triangle, in list order, so that where a point starts more
// than one edge the last one decides. Hull edges (no inner triangle) leave
// their point as it is.
void PointBoundaryToEdges(ModelStore& store, const BoundaryEdgeList& boundary);

// Writes Edge.inf of the store's project: the count line "%12d", then
// "%d %12.3lf %12.3lf" with the start point, its x and y, of every edge in
// list order; CR LF line ends. Fails when the file could not be created or
// written.
Status WriteEdgeFile(const ModelStore& store, const BoundaryEdgeList& boundary);

}  // namespace quarvelin
