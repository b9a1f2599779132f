#include "boundary/boundary_edges.h"

#include <cmath>

namespace quarvelin {

namespace {

// The same edge seen from the triangle beyond it; {-1, 0} on the hull, and
// side 0 where that triangle does not name the first one back.
TriangleSide SideBeyond(const ModelStore& store, TriangleSide side) {
  TriangleSide twin = side.Twin(store.triangles);
  if (twin.side < 0) twin.side = 0;
  return twin;
}

// The edge opposite the corner of the fan triangle c, seen from the
// triangle beyond it.
BoundaryEdge EdgeBeyond(const ModelStore& store, TriangleSide opposite) {
  return {opposite.To(store.triangles), opposite.From(store.triangles), SideBeyond(store, opposite)};
}

// The counter-clockwise end of the corner's fan, from a triangle of it. A
// frame corner lies on the hull, so its fan is open; stopping where the turn
// comes round to t keeps a damaged network from holding the build.
int32_t FanStart(const ModelStore& store, int32_t corner, int32_t t) {
  int64_t steps = int64_t{store.lastTriangle} + 1;
  return TurnRoundVertex(store.triangles, corner, t, Turn::kCounterClockwise, steps, [](int32_t, int) {
           return false;
         }).triangle;
}

void CollectCornerFan(ModelStore& store, int32_t corner, BoundaryEdgeList& list) {
  const int32_t t = store.points[corner].incidentTriangle;
  if (t < 0 || t > store.lastTriangle || VertexPosition(store.triangles[t], corner) < 0) return;
  const int32_t s = FanStart(store, corner, t);
  int64_t steps = int64_t{store.lastTriangle} + 1;
  TurnRoundVertex(store.triangles, corner, s, Turn::kClockwise, steps, [&](int32_t c, int k) {
    TriangleRecord& tri = store.triangles[c];
    // The first and the last triangle of the fan rest on frame sides.
    if (c != s && NextRoundCorner(tri, k, Turn::kClockwise) >= 0) list.push_back(EdgeBeyond(store, {c, k}));
    tri.state = kRemovedTriangle;
    return false;
  });
}

bool Peelable(const ModelStore& store, const BoundaryEdge& edge, double maxBoundaryEdge) {
  // An edge on the hull has nothing inside it to peel.
  if (edge.beyond.triangle < 0) return false;
  return PlanLength(store, edge.from, edge.to) > maxBoundaryEdge &&
         store.triangles[edge.beyond.triangle].state != kRemovedTriangle;
}

// Removes the inner triangle of `edge`; returns the two edges it exposes,
// from edge.from to the apex and from the apex to edge.to.
std::pair<BoundaryEdge, BoundaryEdge> Peel(ModelStore& store, const BoundaryEdge& edge) {
  const int32_t apex = edge.beyond.Apex(store.triangles);
  store.triangles[edge.beyond.triangle].state = kRemovedTriangle;
  return {{edge.from, apex, SideBeyond(store, edge.beyond.Prev())},
          {apex, edge.to, SideBeyond(store, edge.beyond.Next())}};
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
