// Bounds on the rounding of orientation values. With them a sign, or a
// distance from a line, is shown by the short formula, without the
// quotients of the engine's own arithmetic, wherever that arithmetic's
// answer is then certain; elsewhere the caller computes it as always.
#pragma once

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "tin/predicates.h"

namespace quarvelin {

// An orientation value computed from points whose x and y each spread over at
// most D lies within kRounding * D * D of the exact value, for both
// OrientationXY and OrientationAboutMidpoint (a bound several times the
// worst case of their dozen roundings, each within half an epsilon).
constexpr double kRounding = 64 * DBL_EPSILON;
// Relative slack for the square roots, quotients and products of bounds,
// each of which rounds by at most one epsilon.
constexpr double kSlack = 1e-12;

inline double RoundingBound(double spread) { return kRounding * spread * spread + DBL_MIN; }

// The spread of three points in x or y, rounded up.
inline double Spread(PlanePosition a, PlanePosition b, PlanePosition c) {
  const double dx = std::max({a.x, b.x, c.x}) - std::min({a.x, b.x, c.x});
  const double dy = std::max({a.y, b.y, c.y}) - std::min({a.y, b.y, c.y});
  return std::max(dx, dy) * (1 + kSlack);
}

// A lower bound of left - right, two products of rounded differences (the
// short orientation formula), from the bound on its rounding by their
// magnitude.
inline double DifferenceBelow(double left, double right) {
  return (left - right) - (4 * DBL_EPSILON * (std::fabs(left) + std::fabs(right)) + DBL_MIN);
}

// A lower bound of the exact orientation value of a, b, c less the rounding
// of the engine's: when positive, OrientationXY and OrientationAboutMidpoint
// of a, b, c are positive too.
inline double OrientationBeyondRounding(PlanePosition a, PlanePosition b, PlanePosition c) {
  return DifferenceBelow((b.x - a.x) * (c.y - a.y), (b.y - a.y) * (c.x - a.x)) - RoundingBound(Spread(a, b, c));
}

}  // namespace quarvelin
