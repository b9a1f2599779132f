// The plane predicates of the engine, in plain double arithmetic and in one
// fixed order of operations, so that every build gives the same network byte
// for byte. Each first moves its points so that the origin lies at their
// centre. Only x and y are read.
//
// Sign convention: a triple is counter-clockwise (positive) when the turn from
// the first to the second to the third point is a left turn.
#pragma once

#include <cstdint>

#include "store/records.h"

namespace quarvelin {

struct PlanePosition {
  double x;
  double y;
};

inline PlanePosition PositionOf(const PointRecord& p) { return {p.x, p.y}; }

// Twice the signed area of p, q, r.
double OrientationXY(PlanePosition p, PlanePosition q, PlanePosition r);

// The same value, computed after moving all three by the midpoint of p and q.
double OrientationAboutMidpoint(PlanePosition p, PlanePosition q, PlanePosition r);

inline double Orientation(const PointRecord* points, int32_t a, int32_t b, int32_t c) {
  return OrientationXY(PositionOf(points[a]), PositionOf(points[b]), PositionOf(points[c]));
}

// Negative when d lies strictly inside the circle through a, b, c and a, b, c
// are counter-clockwise; positive outside; zero on it. Reversed for clockwise
// a, b, c.
double InCircle(const PointRecord* points, int32_t a, int32_t b, int32_t c, int32_t d);

}  // namespace quarvelin
