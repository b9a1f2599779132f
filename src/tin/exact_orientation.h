// The sign of the orientation of three points without rounding, for the
// decisions that must not depend on it: whether a point lies exactly on a
// segment, and whether a triangle of the network is counter-clockwise.
#pragma once

#include "store/records.h"

namespace quarvelin {

// Returned when the coordinates lie too far apart in magnitude for the exact
// sum (beyond any survey: differences outside about 1e-140 to 1e140).
constexpr int kSignUnknown = 2;

// +1 when a, b, c turn left, -1 when they turn right, 0 when they lie on one
// line, decided exactly from x and y; kSignUnknown beyond its range.
int ExactOrientationSign(const PointRecord& a, const PointRecord& b, const PointRecord& c);

}  // namespace quarvelin
