#include "tin/point_insertion.h"

#include <algorithm>

#include "tin/orientation_bounds.h"
#include "tin/point_location.h"
#include "tin/predicates.h"

namespace quarvelin {

PointInserter::PointInserter(ModelStore& store, WorkStack& work) : store_(store), work_(work) {}

void PointInserter::UseLocationIndex(bool checking) {
  index_.Open(store_);
  checking_ = checking;
}

void PointInserter::Prefetch(const int32_t* upcoming, int count) const {
  if (index_.IsOpen()) {
    index_.Prefetch(upcoming, count, sequence_);
    return;
  }
  for (int d = std::min(count, kWalkLookahead); d >= 1; --d) {
    PrefetchWalkStart(upcoming[d - 1], d, walkAhead_[(sequence_ + static_cast<uint32_t>(d)) % walkAhead_.size()]);
  }
}

// The walk's start, a stage per insertion: the point, its cell, the cell's
// first point, that point's triangle, its corners (the anchor first), then
// the first triangle its turn round the anchor meets, and that one's corners.
// Each stage reads what the one before asked for and keeps it in the
// point's slot: the cell's place takes two quotients.
void PointInserter::PrefetchWalkStart(int32_t p, int distance, WalkAhead& slot) const {
  if (distance == kWalkLookahead) {
    slot = {p, -1};
    store_.PrefetchPoint(p);
    return;
  }
  if (slot.point != p) return;  // came in late, at the walk's end
  if (distance == kWalkLookahead - 1) {
    const PointRecord& q = store_.points[p];
    slot.at = store_.grid.CellAt(q.x, q.y);
    if (slot.at >= 0) __builtin_prefetch(&store_.grid.cells[static_cast<size_t>(slot.at)]);
    return;
  }
  if (slot.at < 0) return;
  switch (distance) {
    case kWalkLookahead - 2:  // the cell's first point
      slot.at = store_.grid.cells[static_cast<size_t>(slot.at)].firstPoint;
      store_.PrefetchPoint(slot.at);
      return;
    case kWalkLookahead - 3:  // its triangle
      slot.at = store_.points[slot.at].incidentTriangle;
      store_.PrefetchTriangle(slot.at);
      return;
    case kWalkLookahead - 4:
      for (int32_t v : store_.triangles[slot.at].vertex) store_.PrefetchPoint(v);
      return;
    case kWalkLookahead - 5:
      // The turn goes counter-clockwise round vertex[0] first: across side 1.
      slot.at = store_.triangles[slot.at].neighbour[1];
      store_.PrefetchTriangle(slot.at);
      return;
    default:
      for (int32_t v : store_.triangles[slot.at].vertex) store_.PrefetchPoint(v);
      return;
  }
}

int32_t PointInserter::Locate(int32_t p) {
  if (retryAt_ > 0 && sequence_ >= retryAt_) {
    retryAt_ = 0;
    index_.Open(store_);
  }
  const int32_t known = index_.IsOpen() ? index_.Locate(p, index_.Hint(p, sequence_)) : -1;
  if (index_.IsOpen() && !checking_) GiveWayWhenFailing(known >= 0);
  if (known < 0) return LocateTriangle(store_, p);
  ++counts_.locatedByIndex;
  if (!checking_) return known;
  const int32_t walked = LocateTriangle(store_, p);
  if (walked != known) ++counts_.disagreements;
  return walked;
}

// Where most points lie on edges the walk decides between their two
// triangles by a path the index cannot always foresee (on a lattice, along
// the grid lines through the walk's anchor), and asking it first only adds
// its upkeep and its failed attempts to the walk: it is dropped when fewer
// than a quarter of its attempts since it was laid succeeded (looked at
// every 16,384). Such runs can be a phase of the build (a lattice's first
// sweeps), so it is laid again over the network when the build has gone
// twice as far, at the cost of one pass over the triangles.
void PointInserter::GiveWayWhenFailing(bool placed) {
  constexpr int32_t kAttempts = 16384;
  attempts_ += 1;
  placed_ += placed ? 1 : 0;
  if (attempts_ % kAttempts != 0 || 4 * placed_ >= attempts_) return;
  index_.Close();
  retryAt_ = sequence_ * 2;
  attempts_ = placed_ = 0;
}

void PointInserter::InsertPoint(int32_t p) {
  const int32_t t = Locate(p);
  ++sequence_;
  if (t < 0) {
    ++counts_.unplaced;
    return;
  }
  const PointRecord& q = store_.points[p];
  for (int32_t v : store_.triangles[t].vertex) {
    const PointRecord& corner = store_.points[v];
    if (corner.x == q.x && corner.y == q.y) {
      ++counts_.repeated;
      return;
    }
  }
  InsertByCavity(t, p);
}

// Side `out` of a cavity triangle: the search goes on into the triangle
// beyond it, unless the side is a fixed edge or on the outer boundary, where
// it bounds the cavity.
void PointInserter::PushAcrossEdge(TriangleSide out) {
  const TriangleRecord* tris = store_.triangles;
  if (out.Neighbour(tris) == -1 || tris[out.triangle].edgeMark[out.side] == kFixedEdge) {
    work_.Push(CavityWork{out, CavityWork::kBound});
    return;
  }
  const TriangleSide entry = out.Twin(tris);
  // The in-circle test of the triangle beyond reads its corner across the side.
  if (entry.side >= 0) store_.PrefetchPoint<ModelStore::kReadNow>(entry.Apex(tris));
  work_.Push(CavityWork{entry, CavityWork::kEnter});
}

bool PointInserter::Visible(int32_t from, int32_t to, int32_t beyond, int32_t p) const {
  const double o = Orientation(store_.points, from, to, p);
  // On the outer boundary a point on the edge is the documented degenerate
  // case: its triangle has zero area but the network stays consistent.
  return o > 0 || (o == 0 && beyond == -1);
}

bool PointInserter::InCavity(int32_t t) const {
  if (marking_) return visit_[static_cast<size_t>(t)] == stamp_;
  // All the slots, without a branch on each: where a search would stop is as
  // good as random. Lane masks rather than bools, so that the compiler
  // compares four slots an instruction. The few cavities larger than the
  // slots scan the rest.
  int32_t found = 0;
  for (int32_t s : scanned_) found |= s == t ? -1 : 0;
  if (removed_.size() >= scanned_.size()) {
    found |= std::find(removed_.begin() + (scanned_.size() - 1), removed_.end(), t) != removed_.end();
  }
  return found != 0;
}

void PointInserter::JoinCavity(int32_t t) {
  constexpr size_t kScanLimit = 32;
  removed_.push_back(t);
  const size_t count = removed_.size() + 1;  // t0 included
  if (marking_) {
    MarkVisited(t);
  } else if (count <= scanned_.size()) {
    scanned_[count - 1] = t;
  } else if (removed_.size() == kScanLimit) {
    if (visit_.size() < static_cast<size_t>(store_.triangleCapacity)) {
      visit_.resize(static_cast<size_t>(store_.triangleCapacity), 0);
    }
    if (++stamp_ == 0) {
      std::fill(visit_.begin(), visit_.end(), 0);
      stamp_ = 1;
    }
    marking_ = true;
    MarkVisited(t0_);
    for (int32_t r : removed_) MarkVisited(r);
  }
}

bool PointInserter::CollectCavity(int32_t t0, int32_t p, bool starShaped) {
  edges_.clear();
  removed_.clear();
  t0_ = t0;
  marking_ = false;
  scanned_.fill(-1);
  scanned_[0] = t0;
  const TriangleRecord* tris = store_.triangles;
  bool consistent = true;
  auto visible = [&](TriangleSide side) { return Visible(side.From(tris), side.To(tris), side.Neighbour(tris), p); };
  for (int32_t u : tris[t0].neighbour) store_.PrefetchTriangle<ModelStore::kReadNow>(u);
  for (int i = 0; i < 3; ++i) {
    work_.Clear();
    PushAcrossEdge({t0, i});
    CavityWork item;
    while (work_.Pop(item)) {
      const TriangleSide side = item.side;
      if (item.kind == CavityWork::kBound) {
        edges_.push_back({side.From(tris), side.To(tris), side.Twin(tris), -1});
        continue;
      }
      // The search entered side.triangle across side.side, from the cavity.
      if (side.side < 0 || InCavity(side.triangle)) {
        // Reached twice, or the links do not name each other: the in-circle
        // results (or the network) are inconsistent here.
        consistent = false;
        continue;
      }
      const TriangleRecord& tri = tris[side.triangle];
      bool joins = InCircle(store_.points, tri.vertex[0], tri.vertex[1], tri.vertex[2], p) < 0;
      if (starShaped) {
        const bool entryVisible = Visible(side.To(tris), side.From(tris), 0, p);
        joins = (joins || !entryVisible) && visible(side.Next()) && visible(side.Prev());
      }
      if (joins) {
        JoinCavity(side.triangle);
        store_.PrefetchTriangle<ModelStore::kReadNow>(side.Next().Neighbour(tris));
        store_.PrefetchTriangle<ModelStore::kReadNow>(side.Prev().Neighbour(tris));
        PushAcrossEdge(side.Prev());
        PushAcrossEdge(side.Next());
      } else {
        edges_.push_back({side.To(tris), side.From(tris), side, -1});
      }
    }
  }
  return consistent && CavityClosesAround(p);
}

// The boundary must be one cycle of (removed + 3) edges, each seeing p on its
// left, for the fan to fill the hole exactly once. Nearly always p lies
// clearly left, which the short formula shows without Orientation's
// quotients; only the others are asked the engine's way.
bool PointInserter::CavityClosesAround(int32_t p) const {
  const size_t n = edges_.size();
  if (n != removed_.size() + 3) return false;
  const PlanePosition q = PositionOf(store_.points[p]);
  for (size_t k = 0; k < n; ++k) {
    const CavityEdge& e = edges_[k];
    if (e.to != edges_[(k + 1) % n].from) return false;
    const PlanePosition a = PositionOf(store_.points[e.from]), b = PositionOf(store_.points[e.to]);
    if (!(OrientationBeyondRounding(a, b, q) > 0) && !Visible(e.from, e.to, e.beyond.triangle, p)) return false;
  }
  return true;
}

void PointInserter::InsertByCavity(int32_t t0, int32_t p) {
  if (store_.lastTriangle + 2 >= store_.triangleCapacity) {
    ++counts_.degenerate;
    return;
  }
  if (!CollectCavity(t0, p, false) && !CollectCavity(t0, p, true)) {
    ++counts_.degenerate;
    return;
  }
  FillCavity(t0, p);
  ++counts_.inserted;
}

void PointInserter::FillCavity(int32_t t0, int32_t p) {
  TriangleRecord* tris = store_.triangles;
  // Slots: t0, the two appended records (newest first), then the removed
  // triangles from the last removed to the first.
  int32_t appended[2];
  for (int32_t& slot : appended) {
    slot = ++store_.lastTriangle;
    tris[slot] = TriangleRecord{{-1, -1, -1}, {-1, -1, -1}, {kOrdinaryEdge, kOrdinaryEdge, kOrdinaryEdge}, kLiveTriangle};
  }
  if (index_.IsOpen()) {
    index_.Forget(t0);
    for (int32_t r : removed_) index_.Forget(r);
  }
  auto slotAt = [&](size_t k) -> int32_t {
    if (k == 0) return t0;
    if (k == 1) return appended[1];
    if (k == 2) return appended[0];
    return removed_[removed_.size() - (k - 2)];
  };
  const size_t n = edges_.size();
  for (size_t k = 0; k < n; ++k) {
    CavityEdge& e = edges_[k];
    const int32_t s = slotAt(k);
    tris[s].vertex[0] = e.from;
    tris[s].vertex[1] = e.to;
    tris[s].vertex[2] = p;
    tris[s].neighbour[2] = e.beyond.triangle;
    if (e.beyond.triangle != -1) tris[e.beyond.triangle].neighbour[e.beyond.side] = s;
    store_.points[e.from].incidentTriangle = s;
    e.newTriangle = s;
  }
  store_.points[p].incidentTriangle = t0;
  for (size_t k = 0; k < n; ++k) {
    const int32_t s = edges_[k].newTriangle;
    const int32_t next = edges_[(k + 1) % n].newTriangle;
    tris[s].neighbour[0] = next;
    tris[next].neighbour[1] = s;
  }
  if (index_.IsOpen()) {
    index_.RememberFan(p, t0, n);
    index_.PointInserted(p);
  }
}

}  // namespace quarvelin
