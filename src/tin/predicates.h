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

// They are inline because the walks and the cavity search call them some
// twenty times per point; inlining leaves every operation and its order as
// written (no contraction, no reassociation), so the values are the same.

// Twice the signed area of p, q, r.
inline double OrientationXY(PlanePosition p, PlanePosition q, PlanePosition r) {
  const double mx = (p.x + q.x + r.x) / 3;
  const double my = (p.y + q.y + r.y) / 3;
  const double xa = p.x - mx, ya = p.y - my;
  const double xb = q.x - mx, yb = q.y - my;
  const double xc = r.x - mx, yc = r.y - my;
  return xa * (yb - yc) - xb * (ya - yc) + xc * (ya - yb);
}

// The same value, computed after moving all three by the midpoint of p and q.
inline double OrientationAboutMidpoint(PlanePosition p, PlanePosition q, PlanePosition r) {
  const double hx = (p.x + q.x) * 0.5;
  const double hy = (p.y + q.y) * 0.5;
  return OrientationXY({p.x - hx, p.y - hy}, {q.x - hx, q.y - hy}, {r.x - hx, r.y - hy});
}

inline double Orientation(const PointRecord* points, int32_t a, int32_t b, int32_t c) {
  return OrientationXY(PositionOf(points[a]), PositionOf(points[b]), PositionOf(points[c]));
}

// Negative when d lies strictly inside the circle through a, b, c and a, b, c
// are counter-clockwise; positive outside; zero on it. Reversed for clockwise
// a, b, c.
inline double InCircle(const PointRecord* points, int32_t a, int32_t b, int32_t c, int32_t d) {
  const PointRecord& A = points[a];
  const PointRecord& B = points[b];
  const PointRecord& C = points[c];
  const PointRecord& D = points[d];
  const double mx = (A.x + B.x + C.x) / 3;
  const double my = (A.y + B.y + C.y) / 3;
  const double xa = A.x - mx, ya = A.y - my;
  const double xb = B.x - mx, yb = B.y - my;
  const double xc = C.x - mx, yc = C.y - my;
  const double xd = D.x - mx, yd = D.y - my;
  const double na = xa * xa + ya * ya;
  const double nb = xb * xb + yb * yb;
  const double nc = xc * xc + yc * yc;
  const double nd = xd * xd + yd * yd;
  const double m1 = nd * yc - nc * yd;
  const double m2 = nd * yb - nb * yd;
  const double m3 = nc * yb - nb * yc;
  const double m4 = nd * ya - na * yd;
  const double m5 = nc * ya - na * yc;
  const double m6 = nb * ya - na * yb;
  const double tb = m1 * xb - m2 * xc + m3 * xd;
  const double ta = m1 * xa - m4 * xc + m5 * xd;
  const double tc = m2 * xa - m4 * xb + m6 * xd;
  const double td = m3 * xa - m5 * xb + m6 * xc;
  return (tc + (tb - ta)) - td;
}

}  // namespace quarvelin
