// Moving round the triangle table: how a record numbers its corners and
// sides, a handle for one side of one triangle, the turn round a vertex and
// the walk along a line. Every walk of the engine, the breakline cavity and
// the boundary goes through these. All inline: the walks run them once or
// more for every triangle they pass.
//
// A record's corners run counter-clockwise. Side i is the edge opposite
// vertex[i]; neighbour[i] and edgeMark[i] belong to it. It runs from
// vertex[Ccw(i)] to vertex[Cw(i)], with the triangle on its left:
/*
                            vertex[2]
                               /\
                              /  \
              side 1         /    \         side 0
         neighbour[1]       /      \       neighbour[0]
         edgeMark[1]       /        \      edgeMark[0]
                          /          \
               vertex[0] /____________\ vertex[1]

                              side 2
                  neighbour[2], edgeMark[2]
*/
// Round corner i, the side Ccw(i) is the edge that comes in to the corner
// (from vertex[Cw(i)]), and the side Cw(i) the edge that leaves it (to
// vertex[Ccw(i)]). Two triangles that share an edge run it in opposite
// directions, so the twin of a side runs from its `To` to its `From`.
#pragma once

#include <cstdint>

#include "store/records.h"

namespace quarvelin {

// The corner or side after i counter-clockwise, and the one before it.
// (By bits, neither remainders nor branches: the walks and the cavity search
// take these dozens of times per point; a remainder by 3 costs a multiply
// and shifts, a branch on i is mispredicted a third of the time.)
// Two bits per i of a small table; -1 (a side a broken link left unknown)
// gives what the remainders gave, 0 and 1, rather than a shift out of range.
constexpr int Ccw(int i) { return (0b00001001 >> (2 * (i & 3))) & 3; }
constexpr int Cw(int i) { return (0b01010010 >> (2 * (i & 3))) & 3; }
static_assert(Ccw(0) == 1 && Ccw(1) == 2 && Ccw(2) == 0 && Cw(0) == 2 && Cw(1) == 0 && Cw(2) == 1);
static_assert(Ccw(-1) == 0 && Cw(-1) == 1);

// One side of one triangle: the edge opposite vertex[side] of `triangle`.
// Where it names an edge with the triangle beyond it (a cavity's or the
// boundary's edge, an entry of the edge dictionary), it is the edge as a
// side of that triangle, and {-1, 0} when there is none.
struct TriangleSide {
  int32_t triangle = -1;
  int32_t side = 0;

  bool operator==(const TriangleSide&) const = default;

  // The next side counter-clockwise round the same triangle, and the one before.
  TriangleSide Next() const { return {triangle, Ccw(side)}; }
  TriangleSide Prev() const { return {triangle, Cw(side)}; }

  // The ends of the edge in the triangle's order, and the corner opposite it.
  int32_t From(const TriangleRecord* tris) const { return tris[triangle].vertex[Ccw(side)]; }
  int32_t To(const TriangleRecord* tris) const { return tris[triangle].vertex[Cw(side)]; }
  int32_t Apex(const TriangleRecord* tris) const { return tris[triangle].vertex[side]; }

  // The triangle across the side, -1 on the outer boundary.
  int32_t Neighbour(const TriangleRecord* tris) const { return tris[triangle].neighbour[side]; }

  // The same edge seen from the triangle across it: {-1, 0} on the outer
  // boundary; side -1 when that triangle does not name this one back, which
  // only a broken network allows.
  TriangleSide Twin(const TriangleRecord* tris) const {
    const int32_t u = Neighbour(tris);
    if (u < 0) return {};
    return {u, NeighbourPosition(tris[u], triangle)};
  }
};

// Turning round a corner of a triangle: counter-clockwise across the edge
// that comes in to it, clockwise across the one that leaves it. The values
// are chosen so that the side crossed is (corner + turn) mod 3.
enum class Turn : int { kCounterClockwise = 1, kClockwise = 2 };

// The triangle next round `corner` of `tri`, -1 where the turn meets the
// outer boundary.
inline int32_t NextRoundCorner(const TriangleRecord& tri, int corner, Turn turn) {
  return tri.neighbour[(corner + static_cast<int>(turn)) % 3];
}

enum class TurnEnd {
  kFound,     // the visitor accepted `triangle`
  kBoundary,  // the next triangle would be -1: `triangle` is the last one round
  kClosed,    // the next triangle is the first again: `triangle` is the last one
  kBroken,    // a triangle lacks the vertex, or the step budget ran out
};

struct TurnStop {
  int32_t triangle;  // the one accepted, or the last one visited
  int corner;        // of the vertex in `triangle`
  TurnEnd end;
};

// Visits the triangles round `vertex` from `first`, turning one way:
// visit(t, corner) for each, `first` included, until it returns true. Each
// visit costs one of `steps`: in a sound network a turn ends within the
// triangles round the vertex, and the budget stops one in a broken network.
template <class Visit>
inline TurnStop TurnRoundVertex(const TriangleRecord* tris, int32_t vertex, int32_t first, Turn turn, int64_t& steps,
                                Visit&& visit) {
  for (int32_t t = first;;) {
    const int corner = VertexPosition(tris[t], vertex);
    if (corner < 0 || --steps < 0) return {t, corner, TurnEnd::kBroken};
    const int32_t next = NextRoundCorner(tris[t], corner, turn);
    // Asked for before the visit reads the corners, so that the miss overlaps.
    if (next >= 0) __builtin_prefetch(tris + next);
    if (visit(t, corner)) return {t, corner, TurnEnd::kFound};
    if (next < 0) return {t, corner, TurnEnd::kBoundary};
    if (next == first) return {t, corner, TurnEnd::kClosed};
    t = next;
  }
}

// The triangle round `vertex` that `accept(t, corner)` picks: searched
// counter-clockwise from `start` and, only when that turn meets the outer
// boundary (the vertex lies on it), clockwise from `start`, which is not
// visited again. Any other end is a miss; `triangle` is -1 when none is
// found. The point location and the breakline's start both search so.
template <class Accept>
inline TurnStop FindRoundVertex(const TriangleRecord* tris, int32_t vertex, int32_t start, int64_t steps,
                                Accept&& accept) {
  const TurnStop ccw = TurnRoundVertex(tris, vertex, start, Turn::kCounterClockwise, steps, accept);
  if (ccw.end == TurnEnd::kFound) return ccw;
  if (ccw.end == TurnEnd::kBoundary) {
    const int corner = VertexPosition(tris[start], vertex);
    const int32_t next = NextRoundCorner(tris[start], corner, Turn::kClockwise);
    if (next >= 0) {
      const TurnStop cw = TurnRoundVertex(tris, vertex, next, Turn::kClockwise, steps, accept);
      if (cw.end == TurnEnd::kFound) return cw;
    }
  }
  return {-1, -1, ccw.end};
}

// Walking along a line: the line entered a triangle across side `entry`, and
// leaves it across one of the other two, the one on the far side of the apex
// (vertex[entry]) from the line: across side Ccw(entry) when the apex lies
// strictly left of the line, else, the apex on the line included, across
// side Cw(entry).
inline int ExitSide(int entry, bool apexLeft) { return apexLeft ? Ccw(entry) : Cw(entry); }

enum class WalkEnd {
  kStopped,      // the step function stopped in `at`
  kLeftNetwork,  // the line leaves across an outer edge, `at`
  kBrokenLink,   // the triangle entered does not name the previous one back
                 // (`at` is that triangle, with side -1)
  kTooLong,      // the step budget ran out
};

struct WalkStop {
  TriangleSide at;  // the side the line entered the last triangle by
  WalkEnd end;
};

// Walks along a line from side `exit`: crosses it, and for every triangle
// entered calls step(entry), which returns the side to leave by (ExitSide),
// or -1 to stop there. A straight walk enters each triangle at most once;
// `maxSteps` entries stop a broken network that leads it round in a circle.
template <class Step>
inline WalkStop WalkAlongLine(const TriangleRecord* tris, TriangleSide exit, int64_t maxSteps, Step&& step) {
  for (int64_t n = 0;; ++n) {
    const TriangleSide entry = exit.Twin(tris);
    if (entry.triangle < 0) return {exit, WalkEnd::kLeftNetwork};
    if (n >= maxSteps) return {entry, WalkEnd::kTooLong};
    if (entry.side < 0) return {entry, WalkEnd::kBrokenLink};
    const int out = step(entry);
    if (out < 0) return {entry, WalkEnd::kStopped};
    exit = {entry.triangle, out};
  }
}

}  // namespace quarvelin
