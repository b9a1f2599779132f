#include "tin/point_location.h"

namespace quarvelin {

namespace {

// A point this little outside an edge (an orientation value) still counts
// as inside, so that a point on an edge that rounding puts a hair outside is
// found in the first triangle tried that has the edge. Which triangle a point
// is located in decides the network: the value stays.
constexpr double kTolerance = -0.00000001;

// One edge test of TriangleContains: q on the edge from a to b or left of
// it, within the tolerance. A value that is not a number fails.
bool WithinEdge(PlanePosition a, PlanePosition b, PlanePosition q) {
  return OrientationAboutMidpoint(a, b, q) >= kTolerance;
}

// TriangleContains with the edge opposite corner `first` tested first. The
// result is the same whatever the order, as it needs all three tests to
// pass; the walk tests first the edge through which the line leaves, the one
// that fails unless the triangle holds q.
int ContainsTestingFirst(const ModelStore& store, const TriangleRecord& tri, int first, PlanePosition q) {
  const PlanePosition v[3] = {PositionOf(store.points[tri.vertex[0]]), PositionOf(store.points[tri.vertex[1]]),
                              PositionOf(store.points[tri.vertex[2]])};
  for (int n = 0; n < 3; ++n) {
    const int k = (first + n) % 3;
    if (!WithinEdge(v[(k + 1) % 3], v[(k + 2) % 3], q)) return 0;
  }
  return 1;
}

}  // namespace

int TriangleContains(const ModelStore& store, int32_t t, PlanePosition q) {
  // The edges opposite corners 2, 0 and 1: a-b, b-c, c-a.
  return ContainsTestingFirst(store, store.triangles[t], 2, q);
}

namespace {

// Finds the wedge triangle around the anchor whose angle holds the direction
// to q: counter-clockwise from the start first, clockwise from it only when
// the first turn meets the outer boundary. -1 when neither finds it.
//
// Consecutive triangles of a turn share an edge from the anchor, so one of
// the two orientations of a triangle is the other one of the triangle
// before, computed from the same three positions: it is carried over.
int32_t FindWedge(const ModelStore& store, int32_t start, int32_t anchor, PlanePosition q, int64_t& steps) {
  const PlanePosition A = PositionOf(store.points[anchor]);
  auto side = [&](int32_t corner) { return OrientationXY(A, q, PositionOf(store.points[corner])); };
  for (int direction = 1; direction <= 2; ++direction) {
    // direction 1: counter-clockwise, across the edge from E to the anchor,
    // whose E is B of the next triangle; direction 2: clockwise, across the
    // edge from the anchor to B, which is E of the next triangle.
    int32_t t = start;
    if (direction == 2) {
      t = store.triangles[start].neighbour[(VertexPosition(store.triangles[start], anchor) + 2) % 3];
    }
    bool carried = false;
    double shared = 0;
    while (t >= 0) {
      if (--steps < 0) return -1;
      const TriangleRecord& tri = store.triangles[t];
      int i = VertexPosition(tri, anchor);
      if (i < 0) return -1;
      store.PrefetchTriangle(tri.neighbour[(i + direction) % 3]);
      const int32_t b = tri.vertex[(i + 1) % 3], e = tri.vertex[(i + 2) % 3];
      const double o1 = carried && direction == 1 ? shared : side(b);
      const double o2 = carried && direction == 2 ? shared : side(e);
      if (!(o1 > 0) && !(o2 < 0)) return t;
      shared = direction == 1 ? o2 : o1;
      carried = true;
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
    const TriangleRecord& tri = store.triangles[t];
    const int k = NeighbourPosition(tri, prev);
    if (k < 0) return TriangleContains(store, t, q) ? t : -1;
    // The line leaves across one of the two edges it did not enter by.
    store.PrefetchTriangle(tri.neighbour[(k + 1) % 3]);
    store.PrefetchTriangle(tri.neighbour[(k + 2) % 3]);
    // Apex D left of the line from A to q: the line leaves across the edge
    // from vertex k+2 to D (opposite k+1); otherwise, on the line included,
    // across the edge from D to vertex k+1 (opposite k+2).
    const bool left = OrientationXY(A, q, PositionOf(store.points[tri.vertex[k]])) > 0;
    const int exit = left ? (k + 1) % 3 : (k + 2) % 3;
    if (ContainsTestingFirst(store, tri, exit, q)) return t;
    prev = t;
    t = tri.neighbour[exit];
  }
  return -1;
}

}  // namespace quarvelin
