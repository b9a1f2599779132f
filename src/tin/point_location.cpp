#include "tin/point_location.h"

namespace quarvelin {

int TriangleContains(const ModelStore& store, int32_t t, PlanePosition q) {
  const TriangleRecord& tri = store.triangles[t];
  const PlanePosition a = PositionOf(store.points[tri.vertex[0]]);
  const PlanePosition b = PositionOf(store.points[tri.vertex[1]]);
  const PlanePosition c = PositionOf(store.points[tri.vertex[2]]);
  constexpr double kTolerance = -0.00000001;
  if (!(OrientationAboutMidpoint(a, b, q) >= kTolerance)) return 0;
  if (!(OrientationAboutMidpoint(b, c, q) >= kTolerance)) return 0;
  if (!(OrientationAboutMidpoint(c, a, q) >= kTolerance)) return 0;
  return 1;
}

namespace {

// Finds the wedge triangle around the anchor whose angle holds the direction
// to q: counter-clockwise from the start first, clockwise from it only when
// the first turn meets the outer boundary. -1 when neither finds it.
int32_t FindWedge(const ModelStore& store, int32_t start, int32_t anchor, PlanePosition q, int64_t& steps) {
  const PlanePosition A = PositionOf(store.points[anchor]);
  auto isWedge = [&](const TriangleRecord& t, int i) {
    const double o1 = OrientationXY(A, q, PositionOf(store.points[t.vertex[(i + 1) % 3]]));
    const double o2 = OrientationXY(A, q, PositionOf(store.points[t.vertex[(i + 2) % 3]]));
    return !(o1 > 0) && !(o2 < 0);
  };
  for (int direction = 1; direction <= 2; ++direction) {
    // direction 1: counter-clockwise, across the edge from E to the anchor;
    // direction 2: clockwise, across the edge from the anchor to B.
    int32_t t = start;
    if (direction == 2) {
      t = store.triangles[start].neighbour[(VertexPosition(store.triangles[start], anchor) + 2) % 3];
    }
    while (t >= 0) {
      if (--steps < 0) return -1;
      const TriangleRecord& tri = store.triangles[t];
      int i = VertexPosition(tri, anchor);
      if (i < 0) return -1;
      if (isWedge(tri, i)) return t;
      t = tri.neighbour[(i + direction) % 3];
    }
  }
  return -1;
}

}  // namespace

int32_t LocateTriangle(const ModelStore& store, int32_t p) {
  const PlanePosition q = PositionOf(store.points[p]);
  int32_t start = -1;
  int32_t cell = store.grid.CellAt(q.x, q.y);
  if (cell >= 0) {
    int32_t first = store.grid.cells[static_cast<size_t>(cell)].firstPoint;
    if (first >= 0) start = store.points[first].incidentTriangle;
  }
  if (start < 0) start = store.lastTriangle;

  const int32_t anchor = store.triangles[start].vertex[0];
  int64_t steps = static_cast<int64_t>(store.lastTriangle) + 1;
  const int32_t wedge = FindWedge(store, start, anchor, q, steps);
  if (wedge < 0) return -1;
  if (TriangleContains(store, wedge, q)) return wedge;

  // Walk along the line from the anchor to q.
  const PlanePosition A = PositionOf(store.points[anchor]);
  int32_t prev = wedge;
  int32_t t = store.triangles[wedge].neighbour[VertexPosition(store.triangles[wedge], anchor)];
  for (steps = static_cast<int64_t>(store.lastTriangle) + 1; t >= 0 && steps > 0; --steps) {
    if (TriangleContains(store, t, q)) return t;
    const TriangleRecord& tri = store.triangles[t];
    const int k = NeighbourPosition(tri, prev);
    if (k < 0) return -1;
    const PlanePosition D = PositionOf(store.points[tri.vertex[k]]);
    const int32_t next = OrientationXY(A, q, D) > 0 ? tri.neighbour[(k + 1) % 3] : tri.neighbour[(k + 2) % 3];
    prev = t;
    t = next;
  }
  return -1;
}

}  // namespace quarvelin
