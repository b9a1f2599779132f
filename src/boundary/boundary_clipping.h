// Clipping the network to boundary rings the user drew instead of trimming
// it by edge length: every ring is forced in as fixed edges, and every
// triangle outside the outer rings or inside a hole is marked removed. Rings
// nested in another ring are holes, rings nested in a hole are kept again.
//
// The ring file is in block form: per ring a vertex count, then that many
// "x y z" (z is not used); a ring's last vertex may repeat its first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "breaklines/segment_insertion.h"
#include "store/model_store.h"
#include "tin/predicates.h"

namespace quarvelin {

// The project's own ring file in PMAP, when it has one: every build of the
// project is then clipped to it.
inline constexpr const char* kProjectRingFile = "ClipRings.pl";

struct BoundaryRing {
  std::vector<PlanePosition> positions;  // as the file gives them
  // Filled by ResolveBoundaryRings: the ring's points in order, repeats of
  // the previous vertex and of the first dropped; beside each, the position
  // it was resolved from and its number in the file's ring (from 1).
  std::vector<int32_t> points;
  std::vector<PlanePosition> resolvedFrom;
  std::vector<int32_t> vertexNumbers;
};

struct BoundaryRings {
  std::string path;
  std::vector<BoundaryRing> rings;
};

// Reads the ring file. Fails when it cannot be opened, holds no ring, or
// holds a word that is not a number where one is due.
Status ReadBoundaryRings(const std::string& path, BoundaryRings& rings);

// Resolves every ring vertex to the survey point at its position by the rule
// that segment insertion matches line vertices with (the earliest point of
// the vertex's grid cell within 0.0001 in x and in y), and checks that every
// vertex lies inside the frame, that every ring has three distinct vertices,
// passes no vertex twice and crosses neither itself nor another ring, and
// that rings meet only at shared vertices without crossing there. It reads
// the mapped points with the grid sized, before the points are filed, so
// that a refused ring leaves the tables as they were. Fails naming the ring,
// and the vertex or the segments.
Status ResolveBoundaryRings(const ModelStore& store, BoundaryRings& rings);

enum class ClipEnd {
  kClipped,         // clipped, Edge.inf written
  kEdgeFileFailed,  // clipped, but Edge.inf could not be written (message)
  kRefused,         // a ring segment could not be forced in: nothing removed (message)
};

// Forces the resolved rings into the network through `segments`, after the
// breaklines and contours, so that a ring replaces the fixed edges it
// crosses. Then the triangles are told inside from outside by a flood fill
// from the frame that counts ring edges crossed, in or out by the side of
// the ring (checked against a point-in-ring test of the geometry), and every
// triangle outside the outer rings or inside a hole is marked removed.
// Edge.inf gets the walks round the kept triangles in the trimmed format,
// joined into one closed walk by there-and-back steps from the first walk's
// start point, and each point on them its inner triangle, as after trimming.
Result<ClipEnd> ClipToRings(ModelStore& store, SegmentInserter& segments, const BoundaryRings& rings);

}  // namespace quarvelin
