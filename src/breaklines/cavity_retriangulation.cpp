#include "breaklines/cavity_retriangulation.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "store/triangle_moves.h"
#include "tin/exact_orientation.h"
#include "tin/predicates.h"

namespace quarvelin {

namespace {

// Records the boundary edge u-w of the cavity, the side `inner` of a crossed
// triangle, with the triangle beyond it. An edge already present keeps its
// entry and only counts one more use. Nothing when it is recorded; else how
// the walk ends.
std::optional<CavityWalk> RegisterBoundaryEdge(const ModelStore& store, CavityWorkspace& workspace, int32_t u,
                                               int32_t w, TriangleSide inner) {
  TriangleSide beyond = inner.Twin(store.triangles);
  if (beyond.side < 0) return CavityWalk::kNotCollected;
  if (!workspace.edges.LookupOrAddEdge(u, w, beyond)) return CavityWalk::kNoMemory;
  return std::nullopt;
}

// Joins side `side` of the new triangle t, the edge u-w on the cavity's
// boundary, to what lies beyond it. Met for the second time (the walk
// recorded it first), the edge links t to the triangle beyond, whose mark t
// takes over so that an earlier fixed edge stays fixed on both sides.
// Otherwise t waits there for a partner laid later.
void LinkBoundaryEdge(ModelStore& store, CavityWorkspace& workspace, int32_t t, int side, int32_t u, int32_t w) {
  TriangleSide beyond{t, side};
  // The walk recorded every pair of consecutive chain vertices, so this
  // lookup finds its entry and never has to allocate.
  EdgeEntry* entry = workspace.edges.LookupOrAddEdge(u, w, beyond);
  if (!entry) return;
  TriangleRecord& tri = store.triangles[t];
  if (entry->useCount == 2) {
    tri.neighbour[side] = beyond.triangle;
    if (beyond.triangle != -1) {
      TriangleRecord& x = store.triangles[beyond.triangle];
      tri.edgeMark[side] = x.edgeMark[beyond.side];
      x.neighbour[beyond.side] = t;
    }
  } else {
    entry->useCount = 1;
    entry->beyond = {t, side};
  }
}

// A sub-polygon still to be laid: chain positions lo..hi, into the record
// crossedTriangles[record].
struct ChainWork {
  int32_t record;
  int32_t lo;
  int32_t hi;
};

// Just above 1, the largest cosine, so that a cosine rounded a little above
// 1 still wins the first comparison. Another start value could pick another
// apex in flat or degenerate chains and lay other triangles: it stays.
constexpr double kNoApexYet = 1.000001;

// The chain position over lo..hi whose vertex sees the base V[lo]-V[hi]
// under the largest angle; among equal cosines the later position. The start
// value kNoApexYet lets any real cosine win the first comparison, and a
// cosine that is not a number never wins (lo + 1 stays then, which keeps the
// polygon's partition sound even for coincident points). The cosines are
// computed first, from the chain's coordinates laid out side by side, in a
// loop that the compiler can run several at a time: the search is quadratic
// in the chain's length, and long chains are where it counts.
int32_t ChooseApex(CavityWorkspace& w, int32_t lo, int32_t hi) {
  const double* xs = w.chainX.data();
  const double* ys = w.chainY.data();
  double* cosines = w.cosines.data();
  const double px = xs[lo], py = ys[lo], qx = xs[hi], qy = ys[hi];
  const double dpq = SquaredDistance(px, py, qx, qy);
  for (int32_t j = lo + 1; j < hi; ++j) {
    cosines[j] = ApexCosine(SquaredDistance(px, py, xs[j], ys[j]), SquaredDistance(qx, qy, xs[j], ys[j]), dpq);
  }
  int32_t m = lo + 1;
  double best = kNoApexYet;
  for (int32_t j = lo + 1; j < hi; ++j) {
    if (cosines[j] <= best) {
      best = cosines[j];
      m = j;
    }
  }
  return m;
}

}  // namespace

bool LiesOnSegment(const PointRecord* points, int32_t a, int32_t b, int32_t c) {
  const PointRecord& pa = points[a];
  const PointRecord& pb = points[b];
  const PointRecord& pc = points[c];
  const bool between = std::min(pa.x, pb.x) <= pc.x && pc.x <= std::max(pa.x, pb.x) &&
                       std::min(pa.y, pb.y) <= pc.y && pc.y <= std::max(pa.y, pb.y) &&
                       !(pc.x == pa.x && pc.y == pa.y) && !(pc.x == pb.x && pc.y == pb.y);
  return between && ExactOrientationSign(pa, pb, pc) == 0;
}

void CavityWorkspace::Release() {
  crossedTriangles.clear();
  leftChain.clear();
  rightChain.clear();
  edges.ClearEdgeDictionary();
}

CavityWalk CollectCavity(const ModelStore& store, CavityWorkspace& workspace, int32_t t, int i, int32_t a,
                         int32_t b) {
  const TriangleRecord* tris = store.triangles;
  workspace.onSegmentVertices.clear();
  workspace.crossedTriangles.clear();
  workspace.leftChain.clear();
  workspace.rightChain.clear();
  workspace.crossedTriangles.push_back(t);

  // The segment leaves the start across the side opposite a, from c1 (right
  // of it) to c2 (left); the sides before and after it run from a.
  const TriangleSide out{t, i};
  const int32_t c1 = out.From(tris);
  const int32_t c2 = out.To(tris);
  workspace.leftChain = {a, c2};
  workspace.rightChain = {a, c1};
  if (auto end = RegisterBoundaryEdge(store, workspace, a, c2, out.Next())) return *end;
  if (auto end = RegisterBoundaryEdge(store, workspace, a, c1, out.Prev())) return *end;

  // How the walk ends where it stops: nothing when it reached b, else why it
  // could not go on. The crossed triangles, the start included, can be no
  // more than the records.
  std::optional<CavityWalk> end;
  const WalkStop stop = WalkAlongLine(tris, out, int64_t{store.lastTriangle}, [&](TriangleSide entry) {
    workspace.crossedTriangles.push_back(entry.triangle);
    // The edge just crossed runs from its From (left of the segment) to its
    // To (right); w is the far corner. The cavity's boundary goes on along
    // the side before the entry on the left, the one after it on the right.
    const int32_t w = entry.Apex(tris);
    if (w == b) {
      end = RegisterBoundaryEdge(store, workspace, workspace.leftChain.back(), b, entry.Prev());
      if (!end) end = RegisterBoundaryEdge(store, workspace, workspace.rightChain.back(), b, entry.Next());
      workspace.leftChain.push_back(b);
      workspace.rightChain.push_back(b);
      return -1;
    }
    const double o = Orientation(store.points, a, b, w);
    // On the segment whichever side the rounding puts it: the segment is then
    // cut there, and the side only steers the rest of the walk.
    if (o == 0 || LiesOnSegment(store.points, a, b, w)) workspace.onSegmentVertices.push_back(w);
    const bool left = o > 0;
    std::vector<int32_t>& chain = left ? workspace.leftChain : workspace.rightChain;
    end = RegisterBoundaryEdge(store, workspace, chain.back(), w, left ? entry.Prev() : entry.Next());
    if (end) return -1;
    chain.push_back(w);
    return ExitSide(entry.side, left);
  });
  switch (stop.end) {
    case WalkEnd::kStopped:
      return end.value_or(CavityWalk::kReachedEnd);
    case WalkEnd::kLeftNetwork:
      return CavityWalk::kLeftNetwork;
    case WalkEnd::kBrokenLink:
    case WalkEnd::kTooLong:
      break;
  }
  return CavityWalk::kNotCollected;
}

int32_t TriangulateChain(ModelStore& store, WorkStack& work, CavityWorkspace& workspace,
                         const std::vector<int32_t>& chain, int32_t s) {
  TriangleRecord* tris = store.triangles;
  const std::vector<int32_t>& records = workspace.crossedTriangles;
  work.Clear();
  work.Push(ChainWork{s, 0, static_cast<int32_t>(chain.size()) - 1});
  // Record positions are handed out as sub-polygons are pushed, so after a
  // triangle is laid its right part, pushed last, is laid next.
  int32_t last = s;
  workspace.chainX.clear();
  workspace.chainY.clear();
  for (int32_t v : chain) {
    workspace.chainX.push_back(store.points[v].x);
    workspace.chainY.push_back(store.points[v].y);
  }
  workspace.cosines.resize(chain.size());
  ChainWork item;
  while (work.Pop(item)) {
    const int32_t lo = item.lo;
    const int32_t hi = item.hi;
    const int32_t m = ChooseApex(workspace, lo, hi);
    const int32_t t = records[static_cast<size_t>(item.record)];
    TriangleRecord& tri = tris[t];
    // neighbour[2], across the base, was set by the parent triangle or, for
    // the first triangle, is set by the caller.
    tri.vertex[0] = chain[lo];
    tri.vertex[1] = chain[hi];
    tri.vertex[2] = chain[m];
    tri.edgeMark[0] = tri.edgeMark[1] = tri.edgeMark[2] = kOrdinaryEdge;
    tri.state = kRelaidTriangle;
    for (int32_t v : tri.vertex) store.points[v].incidentTriangle = t;

    int32_t added = 0;
    if (m - lo >= 2) {
      const int32_t child = records[static_cast<size_t>(last + 1)];
      tri.neighbour[1] = child;
      tris[child].neighbour[2] = t;
      work.Push(ChainWork{last + 1, lo, m});
      added = 1;
    } else {
      LinkBoundaryEdge(store, workspace, t, 1, chain[lo], chain[m]);
    }
    if (hi - m >= 2) {
      const int32_t position = last + added + 1;
      const int32_t child = records[static_cast<size_t>(position)];
      tri.neighbour[0] = child;
      tris[child].neighbour[2] = t;
      work.Push(ChainWork{position, m, hi});
      ++added;
    } else {
      LinkBoundaryEdge(store, workspace, t, 0, chain[m], chain[hi]);
    }
    last += added;
  }
  return last;
}

}  // namespace quarvelin
