// The cavity of a segment a-b that is not an edge of the network: the walk
// along the segment that records the crossed triangles and the cavity's
// boundary on either side, and the re-triangulation of each side into the
// records of the crossed triangles.
//
// Over each base edge the re-triangulation takes the chain vertex that sees
// it under the largest angle; by the inscribed-angle theorem that vertex's
// circle through the base holds none of the other candidates, so each side of
// the fixed segment is laid in the Delaunay manner.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "breaklines/edge_dictionary.h"
#include "store/model_store.h"
#include "tin/work_stack.h"

namespace quarvelin {

// The storage of one enforcement. The lists grow as needed, so a segment
// crossing any number of triangles fits. Release() empties all but
// onSegmentVertices, which every walk refills.
struct CavityWorkspace {
  void Release();

  // The start wedge, then every triangle in the order the walk enters it; the
  // last one has b as a corner. Their records receive the new triangles.
  std::vector<int32_t> crossedTriangles;
  // a, the vertices strictly left of a->b in the order met, b.
  std::vector<int32_t> leftChain;
  // a, the vertices right of or on a->b in the order met, b.
  std::vector<int32_t> rightChain;
  // The vertices lying exactly on the segment, from a toward b.
  std::vector<int32_t> onSegmentVertices;
  // Every boundary edge of the cavity with the triangle outside it.
  EdgeDictionary edges;
  // Scratch of the re-triangulation: the coordinates of the chain in hand
  // and the cosines of one apex search.
  std::vector<double> chainX, chainY, cosines;
};

enum class CavityWalk {
  kReachedEnd,    // the walk reached b
  kLeftNetwork,   // it had to cross an edge with no triangle behind it
  kNotCollected,  // the links are inconsistent
  kNoMemory,      // the edge dictionary found no memory for an edge
};

// Walks from a along a->b, starting in t, the triangle around a (a at
// position i) whose angle at a holds the direction to b, with neither other
// corner on the line. Reads the network only.
CavityWalk CollectCavity(const ModelStore& store, CavityWorkspace& workspace, int32_t t, int i, int32_t a,
                         int32_t b);

// Whether c lies on the segment a-b, strictly between its ends, decided
// without rounding. Orientation works about the centre of its three points,
// so a point exactly on a slanted segment can come out a tiny amount to one
// side; laid as a corner over the segment, it would make a triangle of no
// area. False where the coordinates are too far apart in magnitude for the
// exact test (beyond any survey), as if off the segment.
bool LiesOnSegment(const PointRecord* points, int32_t a, int32_t b, int32_t c);

// Lays the n - 2 triangles of the polygon `chain` (n >= 3, closed by the
// segment chain[n-1]-chain[0]) into crossedTriangles[s..s+n-3] and joins
// them to each other and to the outer triangles. The first record gets the
// triangle on the segment, (chain[0], chain[n-1], apex), with the segment
// opposite vertex[2]; its neighbour[2] is left for the caller. Returns the
// position of the last record filled.
int32_t TriangulateChain(ModelStore& store, WorkStack& work, CavityWorkspace& workspace,
                         const std::vector<int32_t>& chain, int32_t s);

// (y difference)^2 + (x difference)^2 of the points (ax, ay) and (bx, by).
inline double SquaredDistance(double ax, double ay, double bx, double by) {
  const double dy = ay - by;
  const double dx = ax - bx;
  return dy * dy + dx * dx;
}

// Cosine of the angle at r between the directions to p and to q, by the law
// of cosines from the squared distances p-r, q-r and p-q.
inline double ApexCosine(double dpr, double dqr, double dpq) {
  return (dpr + dqr - dpq) / (2 * std::sqrt(dpr) * std::sqrt(dqr));
}

}  // namespace quarvelin
