#include "breaklines/segment_insertion.h"

#include <algorithm>
#include <cmath>

#include "store/project_format.h"

namespace quarvelin {

namespace {

inline void Prefetch(const void* address) {
#if defined(__GNUC__)
  __builtin_prefetch(address);
#else
  (void)address;
#endif
}

}  // namespace

int32_t SegmentInserter::FindVertexAt(PlanePosition position) const {
  const PointGrid& grid = store_.grid;
  const int32_t cell = grid.CellAt(position.x, position.y);
  if (cell < 0 || static_cast<size_t>(cell) >= grid.cells.size()) return -1;
  if (lookupState_ == 0) lookupState_ = lookup_.Build(store_) ? 1 : -1;
  if (lookupState_ > 0) return lookup_.Find(store_, cell, position, kMatchTolerance);
  return FindVertexInList(position);
}

int32_t SegmentInserter::FindVertexInList(PlanePosition position) const {
  const PointGrid& grid = store_.grid;
  const int32_t cell = grid.CellAt(position.x, position.y);
  if (cell < 0 || static_cast<size_t>(cell) >= grid.cells.size()) return -1;
  const GridCell& c = grid.cells[static_cast<size_t>(cell)];
  // The list ends after lastPoint: the nextInCell of a cell's last point is
  // whatever the host stored there. The count bounds a list made circular.
  int32_t p = c.firstPoint;
  for (int32_t steps = 0; p >= 0 && p < store_.pointCount && steps < store_.pointCount; ++steps) {
    const PointRecord& q = store_.points[p];
    if (std::fabs(q.x - position.x) < kMatchTolerance && std::fabs(q.y - position.y) < kMatchTolerance) return p;
    if (p == c.lastPoint) break;
    p = q.nextInCell;
  }
  return -1;
}

int32_t SegmentInserter::ResolveVertex(PlanePosition position) {
  for (const Resolution& r : resolved_) {
    if (r.vertex != -2 && r.position.x == position.x && r.position.y == position.y) return r.vertex;
  }
  newerResolution_ = 1 - newerResolution_;
  resolved_[newerResolution_] = {position, FindVertexAt(position)};
  return resolved_[newerResolution_].vertex;
}

bool SegmentInserter::FindStartWedge(int32_t a, int32_t b, StartWedge& wedge) const {
  const TriangleRecord* tris = store_.triangles;
  // Neighbours round a share a corner: its side of a->b is known already.
  struct KnownSide {
    int32_t vertex = -1;
    double side = 0;
  } known;
  auto side = [&](int32_t c) { return c == known.vertex ? known.side : Orientation(store_.points, a, b, c); };
  // The wedge has c1, the corner after a, right of a->b or on it, and c2,
  // the corner before a, left of it or on it.
  auto isStartWedge = [&](int32_t t, int i) {
    const int32_t c1 = tris[t].vertex[Ccw(i)];
    const int32_t c2 = tris[t].vertex[Cw(i)];
    wedge.o1 = side(c1);
    if (!(wedge.o1 <= 0)) {
      known = {c1, wedge.o1};
      return false;
    }
    wedge.o2 = side(c2);
    known = {c2, wedge.o2};
    return wedge.o2 >= 0;
  };
  const int64_t steps = int64_t{store_.lastTriangle} + 1;
  const TurnStop stop = FindRoundVertex(tris, a, store_.points[a].incidentTriangle, steps, isStartWedge);
  wedge.triangle = stop.triangle;
  wedge.position = stop.corner;
  return stop.end == TurnEnd::kFound;
}

void SegmentInserter::MarkEdge(int32_t t, int k) {
  TriangleRecord& tri = store_.triangles[t];
  const TriangleSide edge{t, k};
  tri.edgeMark[k] = kFixedEdge;
  if (fixedEdgeLog_) fixedEdgeLog_->emplace_back(edge.From(store_.triangles), edge.To(store_.triangles));
  const TriangleSide twin = edge.Twin(store_.triangles);
  if (twin.triangle >= 0 && twin.side >= 0) store_.triangles[twin.triangle].edgeMark[twin.side] = kFixedEdge;
}

void SegmentInserter::Retriangulate() {
  CavityWorkspace& w = workspace_;
  const int32_t last = TriangulateChain(store_, work_, w, w.leftChain, 0);
  std::reverse(w.rightChain.begin(), w.rightChain.end());
  TriangulateChain(store_, work_, w, w.rightChain, last + 1);
  // Both first triangles have the segment opposite vertex[2]: (a, b, left
  // apex) and (b, a, right apex).
  const int32_t t0 = w.crossedTriangles[0];
  const int32_t t1 = w.crossedTriangles[static_cast<size_t>(last + 1)];
  TriangleRecord* tris = store_.triangles;
  tris[t0].neighbour[2] = t1;
  tris[t1].neighbour[2] = t0;
  tris[t0].edgeMark[2] = kFixedEdge;
  tris[t1].edgeMark[2] = kFixedEdge;
  if (fixedEdgeLog_) fixedEdgeLog_->emplace_back(tris[t0].vertex[0], tris[t0].vertex[1]);
}

SegmentResult SegmentInserter::EnforcePiece(PlanePosition start, PlanePosition end, std::vector<int32_t>& cuts) {
  const int32_t a = ResolveVertex(start);
  const int32_t b = ResolveVertex(end);
  if (a == -1 || b == -1) return kSegmentRefused;
  // A point repeated in a line, or two within the tolerance: nothing to force.
  if (a == b) return kSegmentOutside;
  if (store_.points[a].incidentTriangle == -1) return kSegmentOutside;
  StartWedge wedge;
  if (!FindStartWedge(a, b, wedge)) return kSegmentRefused;

  const TriangleRecord& t = store_.triangles[wedge.triangle];
  const int i = wedge.position;
  const int32_t c1 = t.vertex[Ccw(i)];
  const int32_t c2 = t.vertex[Cw(i)];
  // The edge a-c1 leaves a (side Cw(i)), the edge c2-a comes in to it (side Ccw(i)).
  if (c1 == b || c2 == b) {
    MarkEdge(wedge.triangle, c1 == b ? Cw(i) : Ccw(i));
    return kSegmentEnforced;
  }
  // A corner exactly on the segment lies between a and b: the wedge holds
  // the direction to b, so it cannot lie behind a.
  const PointRecord* points = store_.points;
  if (wedge.o1 == 0 || LiesOnSegment(points, a, b, c1)) {
    cuts.push_back(c1);
    return kSegmentEnforced;
  }
  if (wedge.o2 == 0 || LiesOnSegment(points, a, b, c2)) {
    cuts.push_back(c2);
    return kSegmentEnforced;
  }

  SegmentResult result = kSegmentEnforced;
  switch (CollectCavity(store_, workspace_, wedge.triangle, i, a, b)) {
    case CavityWalk::kReachedEnd:
      if (workspace_.onSegmentVertices.empty()) Retriangulate();
      else cuts = workspace_.onSegmentVertices;
      break;
    case CavityWalk::kLeftNetwork:
      result = kSegmentOutside;
      break;
    case CavityWalk::kNotCollected:
      result = kSegmentRefused;
      break;
    case CavityWalk::kNoMemory:
      messages_.emplace_back(kNoMemoryMessage);
      result = kSegmentRefused;
      break;
  }
  workspace_.Release();
  return result;
}

void SegmentInserter::InsertPolyline(const std::vector<PlanePosition>& line) {
  // The lookups are independent of each other, so their cache misses overlap
  // instead of stalling every segment in turn; the enforcement then finds
  // the triangles round each point and their corners in the cache. The
  // results are the segments', whatever is fetched.
  lineVertices_.clear();
  for (const PlanePosition& p : line) lineVertices_.push_back(FindVertexAt(p));
  const TriangleRecord* tris = store_.triangles;
  for (int32_t v : lineVertices_) {
    if (v >= 0 && store_.points[v].incidentTriangle >= 0) Prefetch(&tris[store_.points[v].incidentTriangle]);
  }
  for (int32_t v : lineVertices_) {
    if (v < 0 || store_.points[v].incidentTriangle < 0) continue;
    const TriangleRecord& tri = tris[store_.points[v].incidentTriangle];
    for (int k = 0; k < 3; ++k) {
      if (tri.neighbour[k] >= 0) Prefetch(&tris[tri.neighbour[k]]);
      Prefetch(&store_.points[tri.vertex[k]]);
    }
  }
  for (size_t j = 1; j < line.size(); ++j) {
    resolved_[0] = {line[j - 1], lineVertices_[j - 1]};
    resolved_[1] = {line[j], lineVertices_[j]};
    InsertSegment(line[j - 1], line[j]);
  }
}

SegmentResult SegmentInserter::InsertSegment(PlanePosition start, PlanePosition end) {
  // The pieces of cut segments are enforced depth first, in order along the
  // segment, from a list rather than by recursion, so that a long run of
  // points on one line cannot exhaust the call stack. Every genuine cut is at
  // a point strictly inside its piece, and pieces never overlap, so a
  // segment is cut at each point at most once: more cuts than points means
  // that points lying on top of each other hand the same pieces round, and
  // the rest is dropped.
  pending_.clear();
  pending_.push_back({start, end});
  int64_t budget = store_.pointCount;
  SegmentResult result = kSegmentOutside;
  for (bool first = true; !pending_.empty(); first = false) {
    const Piece piece = pending_.back();
    pending_.pop_back();
    cuts_.clear();
    const SegmentResult r = EnforcePiece(piece.start, piece.end, cuts_);
    if (first) result = r;
    if (cuts_.empty()) continue;
    budget -= static_cast<int64_t>(cuts_.size());
    if (budget < 0) continue;
    PlanePosition next = piece.end;
    for (size_t k = cuts_.size(); k-- > 0;) {
      const PlanePosition cut = PositionOf(store_.points[cuts_[k]]);
      pending_.push_back({cut, next});
      next = cut;
    }
    pending_.push_back({piece.start, next});
  }
  return result;
}

}  // namespace quarvelin
