// The invariants of the network, checked by the program itself: every
// operation that changes the network (point insertion, breakline
// enforcement, boundary trimming and clipping) keeps them between its calls.
// The tests check every network they make with it, and the sanitizer build
// after every phase of a build.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/model_store.h"

namespace quarvelin {

enum class NetworkCheck {
  kLastTriangle,      // lastTriangle beyond the table, or not 2 × (survey points in the network) + 1
  kVertexIndex,       // a corner that names no point
  kNeighbourIndex,    // a neighbour beyond lastTriangle
  kLinkNotReturned,   // the neighbour across a side does not name the triangle back
  kLinkWrongEdge,     // the two name each other across different edges
  kClockwise,         // corners clockwise
  kZeroAreaInside,    // zero area without an edge on the outer boundary
  kEdgeMark,          // a mark neither 'a' nor 'f'
  kMarkUnpaired,      // a fixed edge fixed on one side only
  kIncidentTriangle,  // a point's incidentTriangle beyond lastTriangle or without it as a corner
};

struct NetworkFault {
  NetworkCheck check;
  int32_t triangle;  // -1 for a fault of a point
  int32_t side;      // the side concerned, -1 for none
  int32_t point;     // the point concerned, -1 for none
};

// What the network breaks of its invariants, in table order: the first
// kMaxFaults faults, none when it is sound. Triangles of zero area are sound
// where they rest on the outer boundary: a point inserted exactly on an outer
// edge leaves one. Removed triangles ('N') keep their links and are checked
// like the others. The orientation is decided exactly, not by the engine's
// own rounding.
constexpr size_t kMaxFaults = 20;
std::vector<NetworkFault> ValidateNetwork(const ModelStore& store);

// "triangle 12, side 1: neighbour 40 does not name it back".
std::string DescribeFault(const NetworkFault& fault);

// In the sanitizer build (QUARVELIN_CHECK_NETWORK), validates the network
// and ends the process with the first fault and `phase` when it is broken;
// nothing in other builds.
#ifdef QUARVELIN_CHECK_NETWORK
void CheckNetworkAfter(const ModelStore& store, const char* phase);
#else
inline void CheckNetworkAfter(const ModelStore&, const char*) {}
#endif

}  // namespace quarvelin
