// The outer boundary of the network as a list of directed edges: collected
// round the frame corners' fans, whose triangles are removed, then peeled
// inwards wherever an edge is longer than the limit.
#pragma once

#include <cstdint>
#include <vector>

#include "store/model_store.h"
#include "store/triangle_moves.h"

namespace quarvelin {

// One directed edge of the boundary, from `from` to `to`, with the triangle
// beyond it seen from the removed side: `beyond` is the edge as a side of the
// triangle on its inner side (its left), the one that may be peeled, so that
// from == beyond.From and to == beyond.To. It is {-1, 0} only where the edge
// lies on the network's hull, which happens when survey points lie on a side
// of the frame.
struct BoundaryEdge {
  int32_t from;
  int32_t to;
  TriangleSide beyond;
};

// In list order the edges walk round the data counter-clockwise: the edges
// one frame corner contributes form a chain (each edge's `to` is the next
// one's `from`), and the chains of the four corners join wherever the
// triangle on a frame side has a survey point as its third corner.
using BoundaryEdgeList = std::vector<BoundaryEdge>;

// Marks every triangle with a frame corner as a vertex removed, and lists
// the edges opposite the corner of every triangle of each corner's fan but
// the two on the frame sides, corners 0 to 3 in turn, each fan clockwise.
BoundaryEdgeList CollectBoundaryEdges(ModelStore& store);

// Length of the edge in plan: z takes no part.
double PlanLength(const ModelStore& store, int32_t from, int32_t to);

// Peels depth-first along the list: an edge longer than `maxBoundaryEdge`
// whose inner triangle is still live loses that triangle and is replaced by
// the two edges it exposes, first the one from its `from` to the removed
// triangle's apex, which is followed inwards before the one from the apex
// to its `to` is looked at. Returns the boundary that remains, in walk order.
// Every edge between a kept and a removed triangle is in it once, with the
// kept one inside; an edge with removed triangles on both sides is in it
// once in each direction.
BoundaryEdgeList PeelLongEdges(ModelStore& store, const BoundaryEdgeList& collected, double maxBoundaryEdge);

}  // namespace quarvelin
