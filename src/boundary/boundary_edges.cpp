#include "boundary/boundary_edges.h"

#include <cmath>

namespace quarvelin {

namespace {

// Slot of t's neighbour entry that names `from`; 0 when t is -1.
int32_t SlotFacing(const ModelStore& store, int32_t t, int32_t from) {
  if (t < 0) return 0;
  const int slot = NeighbourPosition(store.triangles[t], from);
  return slot < 0 ? 0 : slot;
}

// The edge of c opposite vertex[k], seen from the triangle beyond it.
BoundaryEdge EdgeBeyond(const ModelStore& store, int32_t c, int k) {
  const TriangleRecord& tri = store.triangles[c];
  const int32_t d = tri.neighbour[k];
  return {tri.vertex[(k + 2) % 3], tri.vertex[(k + 1) % 3], SlotFacing(store, d, c), d};
}

// Turning round a corner at position k of triangle c: forward is
// counter-clockwise, across the edge from the corner to vertex[k + 2]; back
// is clockwise, across the edge from the corner to vertex[k + 1].
int32_t ForwardNeighbour(const TriangleRecord& c, int k) { return c.neighbour[(k + 1) % 3]; }
int32_t BackNeighbour(const TriangleRecord& c, int k) { return c.neighbour[(k + 2) % 3]; }

// The counter-clockwise end of the corner's fan, from a triangle of it.
int32_t FanStart(const ModelStore& store, int32_t corner, int32_t t) {
  int32_t s = t;
  for (;;) {
    const TriangleRecord& c = store.triangles[s];
    const int32_t next = ForwardNeighbour(c, VertexPosition(c, corner));
    // A frame corner lies on the hull, so its fan is open; stopping where the
    // turn comes round to t keeps a damaged network from holding the build.
    if (next < 0 || next == t) return s;
    s = next;
  }
}

void CollectCornerFan(ModelStore& store, int32_t corner, BoundaryEdgeList& list) {
  const int32_t t = store.points[corner].incidentTriangle;
  if (t < 0 || t > store.lastTriangle || VertexPosition(store.triangles[t], corner) < 0) return;
  const int32_t s = FanStart(store, corner, t);
  for (int32_t c = s;;) {
    TriangleRecord& tri = store.triangles[c];
    const int k = VertexPosition(tri, corner);
    const int32_t back = BackNeighbour(tri, k);
    // The first and the last triangle of the fan rest on frame sides.
    if (c != s && back >= 0) list.push_back(EdgeBeyond(store, c, k));
    tri.state = kRemovedTriangle;
    if (back < 0 || back == s) return;
    c = back;
  }
}

bool Peelable(const ModelStore& store, const BoundaryEdge& edge, double maxBoundaryEdge) {
  // An edge on the hull has nothing inside it to peel.
  if (edge.triangle < 0) return false;
  return PlanLength(store, edge.from, edge.to) > maxBoundaryEdge &&
         store.triangles[edge.triangle].state != kRemovedTriangle;
}

// Removes the inner triangle of `edge`; returns the two edges it exposes,
// from edge.from to the apex and from the apex to edge.to.
std::pair<BoundaryEdge, BoundaryEdge> Peel(ModelStore& store, const BoundaryEdge& edge) {
  const int32_t g = edge.triangle;
  TriangleRecord& tri = store.triangles[g];
  const int l = edge.side;
  const int32_t apex = tri.vertex[l];
  tri.state = kRemovedTriangle;
  const int32_t first = tri.neighbour[(l + 2) % 3];
  const int32_t second = tri.neighbour[(l + 1) % 3];
  return {{edge.from, apex, SlotFacing(store, first, g), first},
          {apex, edge.to, SlotFacing(store, second, g), second}};
}

}  // namespace

BoundaryEdgeList CollectBoundaryEdges(ModelStore& store) {
  BoundaryEdgeList list;
  for (int32_t corner = 0; corner < 4; ++corner) CollectCornerFan(store, corner, list);
  return list;
}

double PlanLength(const ModelStore& store, int32_t from, int32_t to) {
  const double dx = store.points[from].x - store.points[to].x;
  const double dy = store.points[from].y - store.points[to].y;
  return std::sqrt(dx * dx + dy * dy);
}

BoundaryEdgeList PeelLongEdges(ModelStore& store, const BoundaryEdgeList& collected, double maxBoundaryEdge) {
  BoundaryEdgeList boundary;
  boundary.reserve(collected.size());
  // Edges still to be tested, the next one at the back: a peeled edge's two
  // successors go in second first, so that the walk order is kept.
  BoundaryEdgeList pending;
  for (const BoundaryEdge& start : collected) {
    pending.push_back(start);
    while (!pending.empty()) {
      const BoundaryEdge edge = pending.back();
      pending.pop_back();
      if (!Peelable(store, edge, maxBoundaryEdge)) {
        boundary.push_back(edge);
        continue;
      }
      const auto [first, second] = Peel(store, edge);
      pending.push_back(second);
      pending.push_back(first);
    }
  }
  return boundary;
}

}  // namespace quarvelin
