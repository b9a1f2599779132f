// The plane predicates: sign conventions, the documented values, and the
// properties the engine relies on (translation, height never read).
#include "tin/predicates.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

namespace quarvelin {
namespace {

// Distance in units in the last place between two doubles of the same sign.
int64_t UlpDistance(double a, double b) {
  return std::llabs(std::bit_cast<int64_t>(a) - std::bit_cast<int64_t>(b));
}

std::vector<PointRecord> Points(std::initializer_list<PlanePosition> positions) {
  std::vector<PointRecord> points;
  for (PlanePosition p : positions) points.push_back(PointRecord{p.x, p.y, 0, -1, {}, -1, {}});
  return points;
}

TEST(Predicates, OrientationSigns) {
  const auto p = Points({{0, 0}, {1, 0}, {0, 1}, {2, 0}});
  EXPECT_EQ(Orientation(p.data(), 0, 1, 2), 1.0);
  EXPECT_EQ(Orientation(p.data(), 0, 2, 1), -1.0);
  EXPECT_EQ(Orientation(p.data(), 0, 1, 3), 0.0);
  EXPECT_EQ(OrientationXY({0, 0}, {1, 0}, {0, 1}), 1.0);
  EXPECT_EQ(OrientationAboutMidpoint({0, 0}, {1, 0}, {0, 1}), 1.0);
  EXPECT_EQ(OrientationAboutMidpoint({0, 0}, {1, 0}, {0.5, 0}), 0.0);
}

TEST(Predicates, OrientationDoesNotDependOnTheOrigin) {
  std::mt19937_64 rng(4);
  std::uniform_real_distribution<double> u(-50, 50);
  for (double offset : {0.0, 500000.0, 3000000.0, 21531281.0, 1e8}) {
    for (int i = 0; i < 200; ++i) {
      PlanePosition a{u(rng), u(rng)}, b{u(rng), u(rng)}, c{u(rng), u(rng)};
      const double near = OrientationXY(a, b, c);
      const double far = OrientationXY({a.x + offset, a.y + offset}, {b.x + offset, b.y + offset},
                                       {c.x + offset, c.y + offset});
      // Moving by the centre first keeps the error at the rounding of the
      // offset coordinates themselves.
      EXPECT_NEAR(far, near, 1e-14 * (offset + 100) * 100) << offset;
      const double mid = OrientationAboutMidpoint({a.x + offset, a.y + offset}, {b.x + offset, b.y + offset},
                                                  {c.x + offset, c.y + offset});
      EXPECT_NEAR(mid, near, 1e-14 * (offset + 100) * 100) << offset;
    }
  }
}

TEST(Predicates, InCircleDocumentedValues) {
  const auto p = Points({{0, 0}, {1, 0}, {0, 1}, {0.3, 0.3}, {2, 2}, {1, 1}});
  // In the documented order of operations these come out one rounding away
  // from the exact -0.42 and 4.0.
  const double inside = InCircle(p.data(), 0, 1, 2, 3);
  const double outside = InCircle(p.data(), 0, 1, 2, 4);
  EXPECT_LE(UlpDistance(inside, -0.42000000000000004), 2) << inside;
  EXPECT_LE(UlpDistance(outside, 4.000000000000001), 2) << outside;
  EXPECT_LT(inside, 0);
  EXPECT_GT(outside, 0);
  EXPECT_LT(std::abs(InCircle(p.data(), 0, 1, 2, 5)), 1e-15);
  // Clockwise a, b, c reverse the sign.
  EXPECT_GT(InCircle(p.data(), 1, 0, 2, 3), 0);
  EXPECT_LT(InCircle(p.data(), 1, 0, 2, 4), 0);
  EXPECT_EQ(InCircle(p.data(), 1, 0, 2, 3), -inside);
  // d on a corner: zero up to rounding.
  EXPECT_LT(std::abs(InCircle(p.data(), 0, 1, 2, 1)), 1e-15);
}

TEST(Predicates, InCircleOnSurveyCoordinates) {
  // A circle of radius 5 about a centre far from the origin: points just
  // inside and just outside are told apart at survey coordinates.
  const double cx = 21531281.5, cy = 6783186.25;
  const auto p = Points({{cx + 5, cy}, {cx, cy + 5}, {cx - 5, cy}, {cx + 0.001, cy + 4.99}, {cx, cy - 5.01}});
  EXPECT_LT(InCircle(p.data(), 0, 1, 2, 3), 0);
  EXPECT_GT(InCircle(p.data(), 0, 1, 2, 4), 0);
}

TEST(Predicates, HeightIsNeverRead) {
  auto p = Points({{0, 0}, {1, 0}, {0, 1}, {0.3, 0.3}});
  const double orientation = Orientation(p.data(), 0, 1, 2);
  const double inCircle = InCircle(p.data(), 0, 1, 2, 3);
  for (PointRecord& r : p) r.z = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(std::bit_cast<uint64_t>(Orientation(p.data(), 0, 1, 2)), std::bit_cast<uint64_t>(orientation));
  EXPECT_EQ(std::bit_cast<uint64_t>(InCircle(p.data(), 0, 1, 2, 3)), std::bit_cast<uint64_t>(inCircle));
}

}  // namespace
}  // namespace quarvelin
