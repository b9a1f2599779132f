// Networks laid by hand for the boundary tests, and checks of a trimmed
// boundary that work from the triangles alone, not from the peeling's steps.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "boundary/boundary_edges.h"
#include "store/model_store.h"
#include "test_network.h"

namespace quarvelin::testing {

// A store over the given points (frame corners first) and counter-clockwise
// triangles, neighbours linked across shared edges, every point's
// incidentTriangle its first triangle, all triangles live.
class HandNetwork {
 public:
  HandNetwork(const std::vector<XY>& points, const std::vector<std::array<int32_t, 3>>& triangles);
  ModelStore& store() { return store_; }

 private:
  std::vector<PointRecord> points_;
  std::vector<TriangleRecord> triangles_;
  ModelStore store_;
};

// Violations of what a trimmed boundary must be (empty when sound), for the
// boundary `boundary` left by trimming with `limit`:
//  - every listed edge lies opposite vertex[side] of its triangle, and no
//    directed edge is listed twice;
//  - every edge between a live and a removed triangle is listed, with the
//    live one inside, and is no longer than the limit;
//  - every listed edge with a removed triangle inside has its reverse listed;
//  - every removed triangle is joined to a frame triangle through removed
//    triangles, and every removed triangle without a frame corner has an
//    edge longer than the limit shared with a removed triangle (it was
//    peeled from the outside);
//  - with `closedWalk`, each edge ends where the next begins, round to the
//    first.
std::vector<std::string> BoundaryViolations(const ModelStore& store, const BoundaryEdgeList& boundary, double limit,
                                            bool closedWalk);

// Plan length in long double, apart from the trimming's own arithmetic.
long double EdgeLength(const ModelStore& store, int32_t a, int32_t b);

}  // namespace quarvelin::testing
