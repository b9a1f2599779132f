// Reading the survey points and filing them into the point grid, ordering the
// occupied cells, and the insertion walk that hands the points to the engine
// one per occupied cell per sweep.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "store/model_store.h"

namespace quarvelin {

// Reads PtIndex.idx, maps Point.xyz and TIN.tri and files every survey point
// into its grid cell. Everything is checked before the first byte of either
// table is written: that both open for this build alone with their blocks on
// disk, their sizes, the box, that every survey point has finite coordinates
// and height and a cell inside the grid, the frame, and then `check`, when
// given, on the mapped points and the sized grid. Then the TIN.inf of an
// earlier build is removed.
using ImportCheck = std::function<Status(const ModelStore&)>;
Status ImportPoints(ModelStore& store, const ImportCheck& check = nullptr);

// Files the survey points 4..pointCount-1 of an open store into the sized grid
// (the grid must already be sized and the points validated).
void BucketPoints(ModelStore& store);

// Packs the occupied cells to the front of cellOrder and sorts them by
// ascending count, in the order the partition below gives (see cell_order).
void BuildCellOrder(ModelStore& store);

// The insertion walk: in sweep s every cell with more than s points hands its
// (s+1)-th point to `insert`, cells taken in cellOrder order. `sweepStarted`
// runs at the start of every sweep. `lookahead`, when given, is told before
// every insertion of the points that the next insertions take (up to
// kInsertionLookahead, fewer at the walk's end): upcoming[d - 1] is the
// point d insertions ahead. Their reads can then start early.
constexpr int kInsertionLookahead = 24;
void RunInsertionWalk(ModelStore& store, const std::function<void()>& sweepStarted,
                      const std::function<void(int32_t)>& insert,
                      const std::function<void(const int32_t* upcoming, int count)>& lookahead = {});

}  // namespace quarvelin
