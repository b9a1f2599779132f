// Networks held in memory for the tests: the same ModelStore a build uses,
// over vectors instead of mapped files, and checks of it that do not reuse
// the engine's own predicates.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/model_store.h"
#include "tin/point_insertion.h"
#include "tin/work_stack.h"

namespace quarvelin::testing {

struct XY {
  double x;
  double y;
};

// A store over in-memory tables: frame corners (counter-clockwise) followed
// by the survey points, the grid sized over the survey's bounding box and
// filled, the cell order sorted and the starting triangles laid. Room is left
// for every point to be inserted.
class TestNetwork {
 public:
  // Frame: the bounding box of `survey` widened by `margin` on each side.
  explicit TestNetwork(const std::vector<XY>& survey, double margin = 10.0);
  TestNetwork(const std::vector<XY>& frame, const std::vector<XY>& survey);

  // Inserts every survey point through the insertion walk, as a build does.
  void InsertAll();

  ModelStore& store() { return store_; }
  PointInserter& inserter() { return inserter_; }
  WorkStack& work() { return work_; }
  const TriangleRecord& triangle(int32_t t) const { return store_.triangles[t]; }

  std::vector<PointRecord> points;
  std::vector<TriangleRecord> triangles;

 private:
  void Init(const std::vector<XY>& frame, const std::vector<XY>& survey);
  ModelStore store_;
  WorkStack work_;
  PointInserter inserter_;
};

// The network's faults as ValidateNetwork finds them, as text (empty when
// sound), so that a failing test names them.
std::vector<std::string> CheckNetwork(const ModelStore& store);

// Ordinary edges between two triangles across which the network is not
// Delaunay: the far corner of one lies strictly inside the other's
// circumcircle (long double, with a relative margin for rounding). A
// constrained Delaunay network has none; fixed edges are exempt.
std::vector<std::string> NonDelaunayEdges(const ModelStore& store);

// Undirected edges of the live triangles (state not 'N'), each as (low, high).
std::vector<std::pair<int32_t, int32_t>> LiveEdges(const ModelStore& store);

// Sign of the orientation of three points, computed in long double from the
// differences: an independent check of the engine's own predicate.
int OrientationSign(const PointRecord& a, const PointRecord& b, const PointRecord& c);

}  // namespace quarvelin::testing
