// Forcing a straight segment between two points of the network into it as
// fixed edges ('f' on both sides): by marking the edge that is already
// there, by cutting the segment at the points that lie exactly on it, or by
// taking out the triangles it crosses and laying both sides again into the
// same records. No record is ever added or removed, so lastTriangle stays as
// it was, and a segment that cannot be enforced leaves the network as it was.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "breaklines/cavity_retriangulation.h"
#include "breaklines/vertex_lookup.h"
#include "store/model_store.h"
#include "store/triangle_moves.h"
#include "tin/predicates.h"
#include "tin/work_stack.h"

namespace quarvelin {

// The triangle around a whose angle at a holds the direction to b.
struct StartWedge {
  int32_t triangle = -1;
  int position = -1;  // of a in the triangle
  double o1 = 0;      // orientation of (a, b, corner after a): <= 0
  double o2 = 0;      // orientation of (a, b, corner before a): >= 0
};

// The result of an enforcement, by its documented values.
enum SegmentResult : int32_t {
  kSegmentEnforced = 1,  // marked, re-laid, or cut into pieces
  kSegmentOutside = 0,   // nothing changed: not in the network, or leaving it
  kSegmentRefused = -1,  // nothing changed: an end matches no point, or no wedge
};

// What the user is told, once for every piece of a segment whose cavity
// found no memory for its edges. The text is the program's own, word for
// word, English and with its line feed.
inline constexpr char kNoMemoryMessage[] = "No enough memory !\n";

// One per build; holds the storage that every enforcement reuses.
class SegmentInserter {
 public:
  SegmentInserter(ModelStore& store, WorkStack& work) : store_(store), work_(work) {}

  // Enforces the segment between the points at `start` and `end`.
  SegmentResult InsertSegment(PlanePosition start, PlanePosition end);
  // InsertSegment for every pair of consecutive positions, in order. Looks
  // all the line's points up first, so that the memory they need is fetched
  // together rather than one miss after the other.
  void InsertPolyline(const std::vector<PlanePosition>& line);

  // The point filed in the grid cell of `position` that lies within 0.0001
  // of it in x and in y (the earliest of the cell's list), or -1.
  int32_t FindVertexAt(PlanePosition position) const;
  // The same by walking the cell's list from firstPoint, as the import built
  // it; FindVertexAt answers from a lookup built over all survey points.
  int32_t FindVertexInList(PlanePosition position) const;

  // Turns round a from its incidentTriangle: counter-clockwise, then, from
  // the boundary of the network, clockwise. False when neither turn finds the
  // wedge, or after a full turn (which only a broken network allows).
  bool FindStartWedge(int32_t a, int32_t b, StartWedge& wedge) const;

  CavityWorkspace& workspace() { return workspace_; }

  // The messages for the user from the enforcements since the last call,
  // in the order they arose; the caller shows them.
  std::vector<std::string> TakeMessages() { return std::exchange(messages_, {}); }

  // When set, every edge an enforcement marks fixed is appended to it, as
  // its two ends: the pieces that one segment became in the network.
  void LogFixedEdges(std::vector<std::pair<int32_t, int32_t>>* log) { fixedEdgeLog_ = log; }

 private:
  // One piece: the result, and in `cuts` the points on the segment at which
  // it has to be cut (the network is then unchanged).
  SegmentResult EnforcePiece(PlanePosition start, PlanePosition end, std::vector<int32_t>& cuts);
  int32_t ResolveVertex(PlanePosition position);
  void MarkEdge(int32_t t, int k);
  void Retriangulate();

  ModelStore& store_;
  WorkStack& work_;
  CavityWorkspace workspace_;
  struct Piece {
    PlanePosition start;
    PlanePosition end;
  };
  std::vector<Piece> pending_;
  std::vector<int32_t> cuts_;
  std::vector<int32_t> lineVertices_;  // of the points of the line in hand
  // The latest two resolutions, the newer one replacing the older: the start
  // of a line's next segment is the end of this one. Positions and the grid
  // do not change during enforcement, so a resolution stays valid.
  struct Resolution {
    PlanePosition position{0, 0};
    int32_t vertex = -2;  // -2: none yet
  };
  Resolution resolved_[2];
  int newerResolution_ = 0;
  // Built at the first look-up; positions never change during enforcement.
  mutable VertexLookup lookup_;
  mutable int lookupState_ = 0;  // 0 not built yet, 1 built, -1 the list walk serves
  std::vector<std::pair<int32_t, int32_t>>* fixedEdgeLog_ = nullptr;
  std::vector<std::string> messages_;
};

}  // namespace quarvelin
