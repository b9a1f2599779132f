#include "boundary/boundary_clipping.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "boundary/boundary_edges.h"
#include "boundary/edge_file.h"
#include "platform/text_scan.h"
#include "platform/text_writer.h"
#include "store/project_format.h"

namespace quarvelin {

namespace {

std::string RingLabel(size_t ring) {
  std::string text = "第";
  AppendInt(text, static_cast<int64_t>(ring) + 1);
  return text + "个边界环";
}

std::string PositionText(PlanePosition p) {
  std::string text = "X=";
  AppendFixed(text, p.x);
  text += " Y=";
  AppendFixed(text, p.y);
  return text;
}

std::string VertexLabel(size_t ring, int32_t number, PlanePosition p) {
  std::string text = RingLabel(ring) + "的第";
  AppendInt(text, number);
  return text + "个顶点（" + PositionText(p) + "）";
}

// ---------------------------------------------------------------------------
// Resolving and checking the rings.

// One segment of a resolved ring, from points[index] to the next point.
struct RingSegment {
  int32_t ring;
  int32_t index;
  int32_t from;
  int32_t to;
  double minX, maxX;
};

std::string SegmentLabel(const BoundaryRings& rings, const PointRecord* points, size_t ring, size_t index) {
  const BoundaryRing& r = rings.rings[ring];
  const size_t next = (index + 1) % r.points.size();
  std::string text = RingLabel(ring) + "的第";
  AppendInt(text, r.vertexNumbers[index]);
  text += "个顶点起的一段（" + PositionText(PositionOf(points[r.points[index]])) + " 至 " +
          PositionText(PositionOf(points[r.points[next]])) + "）";
  return text;
}

double Orient(const PointRecord* points, int32_t a, int32_t b, int32_t c) { return Orientation(points, a, b, c); }

// r, already known to lie on the line through p and q, lies within the
// segment's extent.
bool WithinExtent(const PointRecord* points, int32_t p, int32_t q, int32_t r) {
  const PointRecord &P = points[p], &Q = points[q], &R = points[r];
  return R.x >= std::min(P.x, Q.x) && R.x <= std::max(P.x, Q.x) && R.y >= std::min(P.y, Q.y) &&
         R.y <= std::max(P.y, Q.y);
}

bool Opposite(double a, double b) { return (a > 0 && b < 0) || (a < 0 && b > 0); }

// Two ring segments meet other than at a shared end: they cross, one touches
// the other, or they overlap along a line.
bool SegmentsMeet(const PointRecord* points, const RingSegment& s, const RingSegment& t) {
  const int32_t shared = (s.from == t.from || s.from == t.to) ? s.from : (s.to == t.from || s.to == t.to) ? s.to : -1;
  if (shared >= 0) {
    const int32_t x = s.from == shared ? s.to : s.from;
    const int32_t y = t.from == shared ? t.to : t.from;
    if (x == y) return true;  // the same segment twice
    // Sharing an end, they meet elsewhere only by running along each other.
    const PointRecord &V = points[shared], &X = points[x], &Y = points[y];
    return Orient(points, shared, x, y) == 0 && (X.x - V.x) * (Y.x - V.x) + (X.y - V.y) * (Y.y - V.y) > 0;
  }
  const double o1 = Orient(points, s.from, s.to, t.from), o2 = Orient(points, s.from, s.to, t.to);
  const double o3 = Orient(points, t.from, t.to, s.from), o4 = Orient(points, t.from, t.to, s.to);
  if (Opposite(o1, o2) && Opposite(o3, o4)) return true;
  return (o1 == 0 && WithinExtent(points, s.from, s.to, t.from)) ||
         (o2 == 0 && WithinExtent(points, s.from, s.to, t.to)) ||
         (o3 == 0 && WithinExtent(points, t.from, t.to, s.from)) ||
         (o4 == 0 && WithinExtent(points, t.from, t.to, s.to));
}

// Direction to d strictly inside the counter-clockwise turn round v from the
// direction to a to the direction to b.
bool InSector(const PointRecord* points, int32_t v, int32_t a, int32_t b, int32_t d) {
  if (Orient(points, v, a, b) > 0) return Orient(points, v, a, d) > 0 && Orient(points, v, d, b) > 0;
  return !(Orient(points, v, b, d) >= 0 && Orient(points, v, d, a) >= 0);
}

// The earliest survey point of the position's grid cell within the matching
// tolerance, for every position at once: one pass over the points in table
// order, which is the order of each cell's list once the points are filed.
std::vector<int32_t> MatchPositions(const ModelStore& store, const std::vector<PlanePosition>& positions) {
  const PointGrid& grid = store.grid;
  std::vector<int32_t> match(positions.size(), -1);
  std::vector<int32_t> firstInCell(grid.cells.size(), -1), nextInCell(positions.size(), -1);
  for (size_t k = 0; k < positions.size(); ++k) {
    const int32_t cell = grid.CellAt(positions[k].x, positions[k].y);
    if (cell < 0) continue;
    nextInCell[k] = firstInCell[static_cast<size_t>(cell)];
    firstInCell[static_cast<size_t>(cell)] = static_cast<int32_t>(k);
  }
  for (int32_t p = 4; p < store.pointCount; ++p) {
    const PointRecord& q = store.points[p];
    for (int32_t k = firstInCell[static_cast<size_t>(grid.CellAt(q.x, q.y))]; k >= 0; k = nextInCell[static_cast<size_t>(k)]) {
      const PlanePosition& v = positions[static_cast<size_t>(k)];
      if (match[static_cast<size_t>(k)] < 0 && std::fabs(q.x - v.x) < kMatchTolerance &&
          std::fabs(q.y - v.y) < kMatchTolerance) {
        match[static_cast<size_t>(k)] = p;
      }
    }
  }
  return match;
}

bool InsideFrame(const PointRecord* points, PlanePosition v) {
  int positive = 0, negative = 0;
  for (int i = 0; i < 4; ++i) {
    const double o = OrientationXY(PositionOf(points[i]), PositionOf(points[(i + 1) % 4]), v);
    positive += o > 0;
    negative += o < 0;
  }
  return positive == 4 || negative == 4;
}

// Fills points, resolvedFrom and vertexNumbers of every ring from the
// matches of its positions (in file order, all rings after each other).
Status AssignPoints(const ModelStore& store, BoundaryRings& rings, const std::vector<int32_t>& match) {
  size_t k = 0;
  for (size_t r = 0; r < rings.rings.size(); ++r) {
    BoundaryRing& ring = rings.rings[r];
    ring.points.clear();
    ring.resolvedFrom.clear();
    ring.vertexNumbers.clear();
    for (size_t j = 0; j < ring.positions.size(); ++j, ++k) {
      const PlanePosition v = ring.positions[j];
      const int32_t number = static_cast<int32_t>(j) + 1;
      if (!InsideFrame(store.points, v)) {
        return Failed(VertexLabel(r, number, v) + "在图框之外，请查错!");
      }
      if (match[k] < 0) {
        return Failed(VertexLabel(r, number, v) + "没有对应的数模点，请查错!");
      }
      if (!ring.points.empty() && ring.points.back() == match[k]) continue;
      ring.points.push_back(match[k]);
      ring.resolvedFrom.push_back(v);
      ring.vertexNumbers.push_back(number);
    }
    while (ring.points.size() > 1 && ring.points.back() == ring.points.front()) {
      ring.points.pop_back();
      ring.resolvedFrom.pop_back();
      ring.vertexNumbers.pop_back();
    }
    std::vector<int32_t> distinct = ring.points;
    std::sort(distinct.begin(), distinct.end());
    if (std::unique(distinct.begin(), distinct.end()) - distinct.begin() < 3) {
      return Failed(RingLabel(r) + "不足三个不同的顶点，请查错!");
    }
  }
  return Done();
}

// A ring passing a point twice is not simple; rings sharing a point must not
// share a segment there nor cross each other through it.
Status CheckSharedVertices(const ModelStore& store, const BoundaryRings& rings) {
  struct Visit {
    int32_t point, ring, index, previous, next;
  };
  std::vector<Visit> visits;
  for (size_t r = 0; r < rings.rings.size(); ++r) {
    const std::vector<int32_t>& p = rings.rings[r].points;
    const size_t n = p.size();
    for (size_t j = 0; j < n; ++j) {
      visits.push_back({p[j], static_cast<int32_t>(r), static_cast<int32_t>(j), p[(j + n - 1) % n], p[(j + 1) % n]});
    }
  }
  std::sort(visits.begin(), visits.end(), [](const Visit& a, const Visit& b) {
    return a.point != b.point ? a.point < b.point : a.ring != b.ring ? a.ring < b.ring : a.index < b.index;
  });
  for (size_t i = 0; i < visits.size(); ++i) {
    for (size_t j = i + 1; j < visits.size() && visits[j].point == visits[i].point; ++j) {
      const Visit &a = visits[i], &b = visits[j];
      const BoundaryRing& ring = rings.rings[static_cast<size_t>(b.ring)];
      const std::string where = VertexLabel(static_cast<size_t>(b.ring), ring.vertexNumbers[static_cast<size_t>(b.index)],
                                            ring.resolvedFrom[static_cast<size_t>(b.index)]);
      if (a.ring == b.ring) {
        return Failed(where + "与本环前面的顶点是同一个点，边界环自相交，请查错!");
      }
      const bool sharedSegment = b.previous == a.previous || b.previous == a.next || b.next == a.previous ||
                                 b.next == a.next;
      if (sharedSegment || InSector(store.points, a.point, a.previous, a.next, b.previous) !=
                               InSector(store.points, a.point, a.previous, a.next, b.next)) {
        return Failed(where + "处与" + RingLabel(static_cast<size_t>(a.ring)) + "相交或重叠，请查错!");
      }
    }
  }
  return Done();
}

// Every pair of ring segments whose x extents overlap, found by sweeping
// them in order of their smallest x.
Status CheckCrossings(const ModelStore& store, const BoundaryRings& rings) {
  const PointRecord* points = store.points;
  std::vector<RingSegment> segments;
  for (size_t r = 0; r < rings.rings.size(); ++r) {
    const std::vector<int32_t>& p = rings.rings[r].points;
    for (size_t j = 0; j < p.size(); ++j) {
      const int32_t a = p[j], b = p[(j + 1) % p.size()];
      segments.push_back({static_cast<int32_t>(r), static_cast<int32_t>(j), a, b, std::min(points[a].x, points[b].x),
                          std::max(points[a].x, points[b].x)});
    }
  }
  std::sort(segments.begin(), segments.end(), [](const RingSegment& a, const RingSegment& b) {
    return a.minX != b.minX ? a.minX < b.minX : a.ring != b.ring ? a.ring < b.ring : a.index < b.index;
  });
  for (size_t i = 0; i < segments.size(); ++i) {
    for (size_t j = i + 1; j < segments.size() && segments[j].minX <= segments[i].maxX; ++j) {
      const RingSegment *s = &segments[i], *t = &segments[j];
      if (!SegmentsMeet(points, *s, *t)) continue;
      if (s->ring > t->ring || (s->ring == t->ring && s->index > t->index)) std::swap(s, t);
      return Failed(SegmentLabel(rings, points, static_cast<size_t>(s->ring), static_cast<size_t>(s->index)) + "与" +
                SegmentLabel(rings, points, static_cast<size_t>(t->ring), static_cast<size_t>(t->index)) +
                "相交或重叠，请查错!");
    }
  }
  return Done();
}

// ---------------------------------------------------------------------------
// Forcing the rings in.

uint64_t EdgeKey(int32_t from, int32_t to) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(from)) << 32) | static_cast<uint32_t>(to);
}

// A piece of a ring in the network, directed as the ring runs.
struct RingEdge {
  int32_t ring;
  int32_t segment;
  int32_t from;
  int32_t to;
};

// The logged edges of one segment must lead from a to b, each starting where
// the one before ended; appends them to `edges` directed from a to b.
bool AppendChain(const std::vector<std::pair<int32_t, int32_t>>& log, int32_t ring, int32_t segment, int32_t a,
                 int32_t b, std::vector<RingEdge>& edges) {
  int32_t at = a;
  for (const auto& [u, v] : log) {
    if (at == b || (u != at && v != at)) return false;
    const int32_t next = u == at ? v : u;
    edges.push_back({ring, segment, at, next});
    at = next;
  }
  return at == b;
}

// The triangles on the left and on the right of the edge from u to v; the
// left one is -1 when u and v are not joined by a fixed edge.
struct EdgeSides {
  int32_t left = -1;
  int32_t right = -1;
};

EdgeSides SidesOfFixedEdge(const ModelStore& store, const SegmentInserter& segments, int32_t u, int32_t v) {
  StartWedge wedge;
  if (store.points[u].incidentTriangle < 0 || !segments.FindStartWedge(u, v, wedge)) return {};
  const TriangleRecord& t = store.triangles[wedge.triangle];
  // The wedge holds the direction to v, so an edge to v is one of its sides:
  // the one leaving u, with the wedge on its left, or the one coming in to u.
  const TriangleSide leaving{wedge.triangle, Cw(wedge.position)};
  const TriangleSide coming{wedge.triangle, Ccw(wedge.position)};
  if (leaving.To(store.triangles) == v && t.edgeMark[leaving.side] == kFixedEdge) {
    return {wedge.triangle, leaving.Neighbour(store.triangles)};
  }
  if (coming.From(store.triangles) == v && t.edgeMark[coming.side] == kFixedEdge) {
    return {coming.Neighbour(store.triangles), wedge.triangle};
  }
  return {};
}

std::string NotForcedMessage(const ModelStore& store, const BoundaryRings& rings, const RingEdge& e) {
  return SegmentLabel(rings, store.points, static_cast<size_t>(e.ring), static_cast<size_t>(e.segment)) +
         "无法嵌入三角网，未按边界线裁剪，请查错!";
}

double SignedArea(const PointRecord* points, const std::vector<int32_t>& ring) {
  const PointRecord& o = points[ring[0]];
  double area = 0;
  for (size_t j = 1; j + 1 < ring.size(); ++j) {
    const PointRecord &p = points[ring[j]], &q = points[ring[j + 1]];
    area += (p.x - o.x) * (q.y - o.y) - (q.x - o.x) * (p.y - o.y);
  }
  return area / 2;
}

struct Box {
  double minX, minY, maxX, maxY;
};

Box RingBox(const PointRecord* points, const BoundaryRing& ring) {
  Box box{points[ring.points[0]].x, points[ring.points[0]].y, points[ring.points[0]].x, points[ring.points[0]].y};
  for (int32_t v : ring.points) {
    box = {std::min(box.minX, points[v].x), std::min(box.minY, points[v].y), std::max(box.maxX, points[v].x),
           std::max(box.maxY, points[v].y)};
  }
  return box;
}

// How many rings hold the position (crossing-number test of each ring whose
// box holds it).
int32_t RingsHolding(const PointRecord* points, const BoundaryRings& rings, const std::vector<Box>& boxes,
                     PlanePosition c) {
  int32_t count = 0;
  for (size_t r = 0; r < rings.rings.size(); ++r) {
    const Box& b = boxes[r];
    if (c.x < b.minX || c.x > b.maxX || c.y < b.minY || c.y > b.maxY) continue;
    const std::vector<int32_t>& ring = rings.rings[r].points;
    bool inside = false;
    for (size_t j = 0, k = ring.size() - 1; j < ring.size(); k = j++) {
      const PointRecord &p = points[ring[j]], &q = points[ring[k]];
      if ((p.y > c.y) != (q.y > c.y) && c.x < (q.x - p.x) * (c.y - p.y) / (q.y - p.y) + p.x) inside = !inside;
    }
    count += inside;
  }
  return count;
}

class RingClipper {
 public:
  RingClipper(ModelStore& store, SegmentInserter& segments, const BoundaryRings& rings)
      : store_(store), segments_(segments), rings_(rings) {}

  Status ForceRings();
  Status FloodDepths();
  Status CheckGeometry() const;
  void MarkOutside();
  BoundaryEdgeList KeptBoundary() const;

 private:
  bool Kept(int32_t t) const { return t >= 0 && store_.triangles[t].state != kRemovedTriangle; }
  // Depth change from triangle t across its side k, or 0 when that is not a
  // ring edge.
  int32_t DepthStep(int32_t t, int k) const;
  std::vector<BoundaryEdge> TraceWalk(int32_t t, int k, std::vector<uint8_t>& listed) const;

  ModelStore& store_;
  SegmentInserter& segments_;
  const BoundaryRings& rings_;
  std::vector<RingEdge> edges_;
  std::vector<EdgeSides> sides_;  // beside edges_
  std::unordered_map<uint64_t, int32_t> ringOfEdge_;
  std::vector<bool> counterClockwise_;
  std::vector<int32_t> depth_;
};

Status RingClipper::ForceRings() {
  std::vector<std::pair<int32_t, int32_t>> log;
  segments_.LogFixedEdges(&log);
  for (size_t r = 0; r < rings_.rings.size(); ++r) {
    const BoundaryRing& ring = rings_.rings[r];
    const size_t n = ring.points.size();
    for (size_t j = 0; j < n; ++j) {
      log.clear();
      segments_.InsertSegment(ring.resolvedFrom[j], ring.resolvedFrom[(j + 1) % n]);
      if (!AppendChain(log, static_cast<int32_t>(r), static_cast<int32_t>(j), ring.points[j], ring.points[(j + 1) % n],
                       edges_)) {
        segments_.LogFixedEdges(nullptr);
        return Failed(NotForcedMessage(store_, rings_, {static_cast<int32_t>(r), static_cast<int32_t>(j), 0, 0}));
      }
    }
  }
  segments_.LogFixedEdges(nullptr);
  // A later ring meets an earlier one at shared points only, so it cannot
  // have replaced an earlier ring's edge; a network that says otherwise is
  // not clipped.
  ringOfEdge_.reserve(edges_.size());
  for (const RingEdge& e : edges_) {
    const EdgeSides sides = SidesOfFixedEdge(store_, segments_, e.from, e.to);
    if (sides.left < 0 || sides.right < 0) {
      return Failed(NotForcedMessage(store_, rings_, e));
    }
    sides_.push_back(sides);
    ringOfEdge_[EdgeKey(e.from, e.to)] = e.ring;
  }
  for (const BoundaryRing& ring : rings_.rings) counterClockwise_.push_back(SignedArea(store_.points, ring.points) > 0);
  return Done();
}

int32_t RingClipper::DepthStep(int32_t t, int k) const {
  const TriangleRecord& tri = store_.triangles[t];
  if (tri.edgeMark[k] != kFixedEdge) return 0;
  const int32_t p = tri.vertex[Ccw(k)], q = tri.vertex[Cw(k)];
  // t lies on the left of p->q; the left of a counter-clockwise ring is its
  // inside.
  auto ring = ringOfEdge_.find(EdgeKey(p, q));
  bool tLeft = true;
  if (ring == ringOfEdge_.end()) {
    ring = ringOfEdge_.find(EdgeKey(q, p));
    if (ring == ringOfEdge_.end()) return 0;
    tLeft = false;
  }
  const bool tInside = tLeft == counterClockwise_[static_cast<size_t>(ring->second)];
  return tInside ? -1 : 1;
}

Status RingClipper::FloodDepths() {
  constexpr int32_t kUnknown = std::numeric_limits<int32_t>::min();
  const std::string failure = "边界线内外判断不一致，未按边界线裁剪：" + rings_.path;
  depth_.assign(static_cast<size_t>(store_.lastTriangle) + 1, kUnknown);
  const int32_t start = store_.points[0].incidentTriangle;
  if (start < 0 || start > store_.lastTriangle) {
    return Failed(failure);
  }
  std::vector<int32_t> pending{start};
  depth_[static_cast<size_t>(start)] = 0;
  while (!pending.empty()) {
    const int32_t t = pending.back();
    pending.pop_back();
    for (int k = 0; k < 3; ++k) {
      const int32_t u = store_.triangles[t].neighbour[k];
      if (u < 0) continue;
      const int32_t d = depth_[static_cast<size_t>(t)] + DepthStep(t, k);
      int32_t& known = depth_[static_cast<size_t>(u)];
      if (known == kUnknown) {
        known = d;
        pending.push_back(u);
      } else if (known != d) {
        return Failed(failure);
      }
    }
  }
  if (std::count(depth_.begin(), depth_.end(), kUnknown) > 0) {
    return Failed(failure);
  }
  return Done();
}

// For every ring, the fattest triangle on its inner side: the rings that
// hold its centroid must number its depth.
Status RingClipper::CheckGeometry() const {
  const PointRecord* points = store_.points;
  const size_t ringCount = rings_.rings.size();
  std::vector<int32_t> fattest(ringCount, -1);
  std::vector<double> largestArea(ringCount, 0);
  for (size_t e = 0; e < edges_.size(); ++e) {
    const auto r = static_cast<size_t>(edges_[e].ring);
    const int32_t t = counterClockwise_[r] ? sides_[e].left : sides_[e].right;
    const TriangleRecord& tri = store_.triangles[t];
    const double area = Orientation(points, tri.vertex[0], tri.vertex[1], tri.vertex[2]);
    if (area > largestArea[r]) {
      fattest[r] = t;
      largestArea[r] = area;
    }
  }
  std::vector<Box> boxes;
  for (const BoundaryRing& ring : rings_.rings) boxes.push_back(RingBox(points, ring));
  for (int32_t t : fattest) {
    if (t < 0) continue;
    const TriangleRecord& tri = store_.triangles[t];
    const PlanePosition centroid{
        (points[tri.vertex[0]].x + points[tri.vertex[1]].x + points[tri.vertex[2]].x) / 3,
        (points[tri.vertex[0]].y + points[tri.vertex[1]].y + points[tri.vertex[2]].y) / 3};
    if (RingsHolding(points, rings_, boxes, centroid) != depth_[static_cast<size_t>(t)]) {
      return Failed("边界线内外判断与几何位置不符，未按边界线裁剪：" + rings_.path);
    }
  }
  return Done();
}

void RingClipper::MarkOutside() {
  for (int32_t t = 0; t <= store_.lastTriangle; ++t) {
    if (depth_[static_cast<size_t>(t)] % 2 == 0) store_.triangles[t].state = kRemovedTriangle;
  }
}

// From the edge opposite vertex[k] of kept triangle t, with t on its left,
// on along the edge of the kept triangles: round the edge's end clockwise
// through kept triangles to the first edge with no kept triangle beyond.
std::vector<BoundaryEdge> RingClipper::TraceWalk(int32_t t, int k, std::vector<uint8_t>& listed) const {
  std::vector<BoundaryEdge> walk;
  const TriangleRecord* tris = store_.triangles;
  int32_t c = t;
  int side = k;
  while (!(listed[static_cast<size_t>(c)] & (1u << side))) {
    listed[static_cast<size_t>(c)] |= static_cast<uint8_t>(1u << side);
    const TriangleSide edge{c, side};
    const int32_t at = edge.To(tris);
    walk.push_back({edge.From(tris), at, edge});
    // The walk goes on along the side that leaves `at` in the first triangle
    // round it, clockwise, with no kept triangle beyond.
    int64_t steps = int64_t{store_.lastTriangle} + 1;
    const TurnStop next = TurnRoundVertex(tris, at, c, Turn::kClockwise, steps, [&](int32_t u, int corner) {
      return !Kept(NextRoundCorner(tris[u], corner, Turn::kClockwise));
    });
    if (next.end != TurnEnd::kFound) break;
    c = next.triangle;
    side = Cw(next.corner);
  }
  return walk;
}

BoundaryEdgeList RingClipper::KeptBoundary() const {
  std::vector<uint8_t> listed(static_cast<size_t>(store_.lastTriangle) + 1, 0);
  std::vector<std::vector<BoundaryEdge>> walks;
  for (int32_t t = 0; t <= store_.lastTriangle; ++t) {
    if (!Kept(t)) continue;
    for (int k = 0; k < 3; ++k) {
      if (!Kept(store_.triangles[t].neighbour[k]) && !(listed[static_cast<size_t>(t)] & (1u << k))) {
        walks.push_back(TraceWalk(t, k, listed));
      }
    }
  }
  // The host reads one closed walk: the walks after the first are reached
  // from its start point and left back to it, as trimming's walk runs out
  // along an edge and back. A walk through that point starts there.
  BoundaryEdgeList list;
  if (walks.empty()) return list;
  const int32_t home = walks[0][0].from;
  for (size_t w = 0; w < walks.size(); ++w) {
    std::vector<BoundaryEdge>& walk = walks[w];
    auto at = std::find_if(walk.begin(), walk.end(), [home](const BoundaryEdge& e) { return e.from == home; });
    if (at != walk.end()) std::rotate(walk.begin(), at, walk.end());
    const int32_t start = walk[0].from;
    if (start != home) list.push_back({home, start, {}});
    list.insert(list.end(), walk.begin(), walk.end());
    if (start != home) list.push_back({start, home, {}});
  }
  return list;
}

}  // namespace

Status ReadBoundaryRings(const std::string& path, BoundaryRings& rings) {
  rings.path = path;
  rings.rings.clear();
  TextScanner scan;
  if (!scan.Open(path)) {
    return Failed("无法打开边界线文件：" + path);
  }
  std::string word;
  while (scan.ReadWord(word)) {
    int32_t count = 0;
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), count);
    BoundaryRing ring;
    bool complete = ec == std::errc() && end == word.data() + word.size() && count >= 0;
    for (int32_t k = 0; complete && k < count; ++k) {
      PlanePosition p{0, 0};
      double z = 0;
      complete = scan.ReadDouble(p.x) && scan.ReadDouble(p.y) && scan.ReadDouble(z) && std::isfinite(p.x) &&
                 std::isfinite(p.y);
      ring.positions.push_back(p);
    }
    if (!complete) {
      return Failed("边界线文件数据有误（" + RingLabel(rings.rings.size()) + "）：" + path);
    }
    rings.rings.push_back(std::move(ring));
  }
  if (rings.rings.empty()) {
    return Failed("边界线文件中没有边界环：" + path);
  }
  return Done();
}

Status ResolveBoundaryRings(const ModelStore& store, BoundaryRings& rings) {
  std::vector<PlanePosition> positions;
  for (const BoundaryRing& ring : rings.rings) positions.insert(positions.end(), ring.positions.begin(), ring.positions.end());
  if (Status assigned = AssignPoints(store, rings, MatchPositions(store, positions)); !assigned.ok()) return assigned;
  if (Status shared = CheckSharedVertices(store, rings); !shared.ok()) return shared;
  return CheckCrossings(store, rings);
}

Result<ClipEnd> ClipToRings(ModelStore& store, SegmentInserter& segments, const BoundaryRings& rings) {
  RingClipper clipper(store, segments, rings);
  Status ready = clipper.ForceRings();
  if (ready.ok()) ready = clipper.FloodDepths();
  if (ready.ok()) ready = clipper.CheckGeometry();
  if (!ready.ok()) return {ClipEnd::kRefused, std::move(ready.message)};
  clipper.MarkOutside();
  const BoundaryEdgeList boundary = clipper.KeptBoundary();
  PointBoundaryToEdges(store, boundary);
  Status written = WriteEdgeFile(store, boundary);
  return {written.ok() ? ClipEnd::kClipped : ClipEnd::kEdgeFileFailed, std::move(written.message)};
}

}  // namespace quarvelin
