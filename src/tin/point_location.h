// Point location: a walk through the network from a triangle of a point of the
// sought point's grid cell (or from the newest triangle), first turning around
// one fixed corner of the start triangle until it faces the point, then along
// the line from that corner to the point.
#pragma once

#include <cstdint>

#include "store/model_store.h"
#include "tin/predicates.h"

namespace quarvelin {

// A point this little outside an edge (an orientation value) still counts
// as inside, so that a point on an edge that rounding puts a hair outside is
// found in the first triangle tried that has the edge. Which triangle a point
// is located in decides the network: the value stays.
constexpr double kLocationTolerance = 0.00000001;

// 1 when q lies inside triangle t or on it, within kLocationTolerance per
// edge; else 0. A value that is not a number counts as outside.
int TriangleContains(const ModelStore& store, int32_t t, PlanePosition q);

// The walk's start for a point at q: a triangle of the first point of q's
// grid cell, else the newest triangle. Its vertex[0] is the walk's anchor.
int32_t WalkStart(const ModelStore& store, PlanePosition q);

// The walk's first part: the triangle round `anchor`, found turning from
// `start`, whose angle holds the direction to q. -1 when neither turn finds it.
int32_t FindWedge(const ModelStore& store, int32_t start, int32_t anchor, PlanePosition q);

// A triangle that holds point p, or -1 when the walk leaves the network. Every
// turn and walk is bounded by the number of triangle records, so a network
// made inconsistent by degenerate input cannot make it cycle: it gives -1 then.
int32_t LocateTriangle(const ModelStore& store, int32_t p);

}  // namespace quarvelin
