// Point insertion by cavity re-triangulation: every triangle whose circumcircle
// holds the new point is removed, and the hole is filled with a fan around the
// point that reuses the removed records and appends exactly two. Fixed edges
// are never crossed. The network is Delaunay after every insertion.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "store/model_store.h"
#include "store/triangle_moves.h"
#include "tin/location_index.h"
#include "tin/work_stack.h"

namespace quarvelin {

// One edge of the cavity's boundary, directed so that the cavity lies on its
// left, and the same edge as a side of the triangle beyond ({-1, 0} on the
// outer boundary), whose link the fan triangle takes over.
struct CavityEdge {
  int32_t from;
  int32_t to;
  TriangleSide beyond;
  int32_t newTriangle;
};

// An item of the cavity search: a side the search entered a triangle by,
// which is tested for the cavity, or a side of a cavity triangle that bounds
// the cavity.
struct CavityWork {
  enum Kind : int32_t { kEnter, kBound };
  TriangleSide side;
  Kind kind;
};

struct InsertionCounts {
  int32_t inserted = 0;
  int32_t repeated = 0;   // x and y equal to a corner of the located triangle
  int32_t unplaced = 0;   // outside the network, or the walk could not find it
  int32_t degenerate = 0;  // no consistent cavity could be formed
  int32_t locatedByIndex = 0;  // points the location index placed without the walk
  int32_t disagreements = 0;   // with checking on: index and walk named different triangles
};

class PointInserter {
 public:
  PointInserter(ModelStore& store, WorkStack& work);

  // Locates point p and inserts it. Points that cannot be placed, exact
  // repeats of a vertex and points without a sound cavity are skipped and
  // counted (counts()); the network is then unchanged. Nothing to report to
  // the caller: the walk goes on whatever became of the point.
  void InsertPoint(int32_t p);
  // Re-triangulates the cavity of p around the triangle t0 that holds it.
  void InsertByCavity(int32_t t0, int32_t p);

  const InsertionCounts& counts() const { return counts_; }

  // Locates through a LocationIndex over the store from now on, which the
  // inserter keeps up to date. With `checking` set the walk runs as well for
  // every point the index places, its answer is the one used, and the points
  // where the two differ are counted.
  void UseLocationIndex(bool checking);
  // Frees the index; location goes back to the walk alone.
  void DropLocationIndex() { index_.Close(); }
  // Asks the cache for what the coming insertions will read first;
  // upcoming[d - 1] is the point d insertions ahead. Called before every
  // insertion, so each point passes through every stage, each stage reading
  // what the one before fetched.
  void Prefetch(const int32_t* upcoming, int count) const;

 private:
  // The located triangle: the index's answer when it has one, else the walk's.
  int32_t Locate(int32_t p);
  void GiveWayWhenFailing(bool placed);
  static constexpr int kWalkLookahead = 7;
  // What the walk's lookahead reached for one point: its cell, the cell's
  // first point, then a triangle (-1: nothing more to ask for).
  struct WalkAhead {
    int32_t point;
    int32_t at;
  };
  mutable std::array<WalkAhead, 8> walkAhead_{};
  static_assert(kWalkLookahead < 8);
  void PrefetchWalkStart(int32_t p, int distance, WalkAhead& slot) const;
  // The cavity search from t0. With `starShaped` set, a triangle joins only
  // when the boundary stays visible from p, which yields a smaller but sound
  // cavity where rounding made the in-circle results inconsistent.
  bool CollectCavity(int32_t t0, int32_t p, bool starShaped);
  void PushAcrossEdge(TriangleSide out);
  // p lies left of the edge from `from` to `to`, or on it where nothing lies
  // beyond (`beyond` -1).
  bool Visible(int32_t from, int32_t to, int32_t beyond, int32_t p) const;
  bool CavityClosesAround(int32_t p) const;
  void FillCavity(int32_t t0, int32_t p);
  bool InCavity(int32_t t) const;
  // Adds t (after t0) to the cavity.
  void JoinCavity(int32_t t);
  void MarkVisited(int32_t t) { visit_[static_cast<size_t>(t)] = stamp_; }

  ModelStore& store_;
  WorkStack& work_;
  std::vector<CavityEdge> edges_;
  int32_t t0_ = -1;
  std::vector<int32_t> removed_;  // triangles removed after t0, in removal order
  // Membership of a cavity is looked up in scanned_ (t0, then the removed
  // triangles, -1 in the slots not used) and the rest of removed_ while it
  // is small, which stays in the cache; a large cavity marks its triangles
  // in visit_ (one stamp per search) instead, where a look-up costs a miss
  // but no scan, and which takes four bytes per triangle record.
  std::array<int32_t, 16> scanned_{};
  std::vector<uint32_t> visit_;
  uint32_t stamp_ = 0;
  bool marking_ = false;  // the current cavity is marked in visit_
  InsertionCounts counts_;
  LocationIndex index_;
  bool checking_ = false;
  uint32_t sequence_ = 0;  // InsertPoint calls so far
  int32_t attempts_ = 0;  // index attempts since it was laid, and how many placed the point
  int32_t placed_ = 0;
  uint32_t retryAt_ = 0;  // the insertion at which the index given way is laid again, or 0
};

}  // namespace quarvelin
