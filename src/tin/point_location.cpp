#include "tin/point_location.h"

#include "store/triangle_moves.h"

namespace quarvelin {

namespace {

// One edge test of TriangleContains: q on the edge from a to b or left of
// it, within the tolerance. A value that is not a number fails.
bool WithinEdge(PlanePosition a, PlanePosition b, PlanePosition q) {
  return OrientationAboutMidpoint(a, b, q) >= -kLocationTolerance;
}

// TriangleContains with the edge opposite corner `first` tested first. The
// result is the same whatever the order, as it needs all three tests to
// pass; the walk tests first the edge through which the line leaves, the one
// that fails unless the triangle holds q.
int ContainsTestingFirst(const ModelStore& store, const TriangleRecord& tri, int first, PlanePosition q) {
  const PlanePosition v[3] = {PositionOf(store.points[tri.vertex[0]]), PositionOf(store.points[tri.vertex[1]]),
                              PositionOf(store.points[tri.vertex[2]])};
  for (int k = first, n = 0; n < 3; k = Ccw(k), ++n) {
    if (!WithinEdge(v[Ccw(k)], v[Cw(k)], q)) return 0;
  }
  return 1;
}

}  // namespace

int TriangleContains(const ModelStore& store, int32_t t, PlanePosition q) {
  // The edges opposite corners 2, 0 and 1: a-b, b-c, c-a.
  return ContainsTestingFirst(store, store.triangles[t], 2, q);
}

namespace {

}  // namespace

// Consecutive triangles of a turn share an edge from the anchor, so one of
// the two orientations of a triangle is one of the triangle before, computed
// from the same three positions: it is carried over.
int32_t FindWedge(const ModelStore& store, int32_t start, int32_t anchor, PlanePosition q) {
  const PlanePosition A = PositionOf(store.points[anchor]);
  auto side = [&](int32_t corner) { return OrientationXY(A, q, PositionOf(store.points[corner])); };
  struct Known {
    int32_t corner = -1;
    double side = 0;
  } known[2];
  auto sideOf = [&](int32_t corner) {
    for (const Known& k : known) {
      if (k.corner == corner) return k.side;
    }
    return side(corner);
  };
  const TriangleRecord* tris = store.triangles;
  const TurnStop wedge = FindRoundVertex(tris, anchor, start, int64_t{store.lastTriangle} + 1, [&](int32_t t, int i) {
    const int32_t b = tris[t].vertex[Ccw(i)], e = tris[t].vertex[Cw(i)];
    const double o1 = sideOf(b);
    const double o2 = sideOf(e);
    known[0] = {b, o1};
    known[1] = {e, o2};
    return !(o1 > 0) && !(o2 < 0);
  });
  return wedge.triangle;
}

int32_t WalkStart(const ModelStore& store, PlanePosition q) {
  int32_t start = -1;
  int32_t cell = store.grid.CellAt(q.x, q.y);
  if (cell >= 0) {
    int32_t first = store.grid.cells[static_cast<size_t>(cell)].firstPoint;
    if (first >= 0) start = store.points[first].incidentTriangle;
  }
  return start < 0 ? store.lastTriangle : start;
}

int32_t LocateTriangle(const ModelStore& store, int32_t p) {
  const PlanePosition q = PositionOf(store.points[p]);
  const int32_t start = WalkStart(store, q);

  const TriangleRecord* tris = store.triangles;
  const int32_t anchor = tris[start].vertex[0];
  const int32_t wedge = FindWedge(store, start, anchor, q);
  if (wedge < 0) return -1;
  if (TriangleContains(store, wedge, q)) return wedge;

  // Walk along the line from the anchor to q, out of the wedge across the
  // side opposite the anchor.
  const PlanePosition A = PositionOf(store.points[anchor]);
  const TriangleSide out{wedge, VertexPosition(tris[wedge], anchor)};
  const WalkStop stop = WalkAlongLine(tris, out, int64_t{store.lastTriangle} + 1, [&](TriangleSide entry) {
    const TriangleRecord& tri = tris[entry.triangle];
    // The line leaves across one of the two edges it did not enter by.
    store.PrefetchTriangle<ModelStore::kReadNow>(tri.neighbour[Ccw(entry.side)]);
    store.PrefetchTriangle<ModelStore::kReadNow>(tri.neighbour[Cw(entry.side)]);
    const bool apexLeft = OrientationXY(A, q, PositionOf(store.points[entry.Apex(tris)])) > 0;
    const int exit = ExitSide(entry.side, apexLeft);
    return ContainsTestingFirst(store, tri, exit, q) ? -1 : exit;
  });
  switch (stop.end) {
    case WalkEnd::kStopped:
      return stop.at.triangle;
    case WalkEnd::kBrokenLink:
      return TriangleContains(store, stop.at.triangle, q) ? stop.at.triangle : -1;
    case WalkEnd::kLeftNetwork:
    case WalkEnd::kTooLong:
      break;
  }
  return -1;
}

}  // namespace quarvelin
