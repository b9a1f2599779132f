// Finding the survey point at a line's vertex without walking a grid cell's
// list: on dense lidar a cell holds tens of thousands of points, and the
// vertices that prepare adds come last in their lists.
#pragma once

#include <cstdint>
#include <vector>

#include "store/model_store.h"
#include "tin/predicates.h"

namespace quarvelin {

// The survey points bucketed by a square key of side 2^-11 (about half a
// millimetre) in x and y, hashed into about half as many buckets as points.
// Answers what walking the position's cell list would: the earliest point of
// the cell within the tolerance in x and in y.
class VertexLookup {
 public:
  // Files the survey points of the store; false (and nothing filed) when a
  // coordinate is too large for a key, and the list walk must serve.
  bool Build(const ModelStore& store);

  // The point with the smallest index among those filed in `cell` whose x and
  // y both differ from the position's by less than `tolerance`, or -1.
  int32_t Find(const ModelStore& store, int32_t cell, PlanePosition position, double tolerance) const;

 private:
  size_t Bucket(int64_t keyX, int64_t keyY) const;

  std::vector<int32_t> start_;   // per bucket: its first entry in points_
  std::vector<int32_t> points_;  // point indices by bucket, ascending within one
  size_t mask_ = 0;
};

}  // namespace quarvelin
