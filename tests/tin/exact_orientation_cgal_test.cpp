// The exact orientation sign against CGAL's exact predicate, on the triples
// where a rounded determinant is most often wrong: points on one line at
// survey offsets, and points a few units in the last place off it.
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tin/exact_orientation.h"

namespace quarvelin {
namespace {

using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;

int CgalSign(const PointRecord& a, const PointRecord& b, const PointRecord& c) {
  return static_cast<int>(CGAL::orientation(Kernel::Point_2(a.x, a.y), Kernel::Point_2(b.x, b.y),
                                            Kernel::Point_2(c.x, c.y)));
}

PointRecord At(double x, double y) { return PointRecord{x, y, 0, -1, {}, -1, {}}; }

TEST(ExactOrientation, AgreesWithCgalOnAndNextToLines) {
  std::mt19937_64 rng(21);
  std::uniform_real_distribution<double> u(0, 1);
  std::uniform_int_distribution<int> ulps(-3, 3);
  int collinear = 0;
  for (int i = 0; i < 200000; ++i) {
    const double ox = i % 2 ? 21500000 : 500000, oy = i % 3 ? 4400000 : 3000000;
    const PointRecord a = At(ox + 1000 * u(rng), oy + 1000 * u(rng));
    const PointRecord b = At(ox + 1000 * u(rng), oy + 1000 * u(rng));
    // A point on the line a-b as nearly as doubles allow, nudged by a few
    // units in the last place; on lattices exactly on it.
    const double t = std::round(u(rng) * 64) / 32 - 0.5;
    PointRecord c = i % 4 == 0 ? At(std::round(a.x) + 10 * std::round(t * 8), std::round(a.y) + 20 * std::round(t * 8))
                               : At(a.x + t * (b.x - a.x), a.y + t * (b.y - a.y));
    const PointRecord lattice = At(std::round(a.x), std::round(a.y)), step = At(lattice.x + 10, lattice.y + 20);
    const PointRecord& p = i % 4 == 0 ? lattice : a;
    const PointRecord& q = i % 4 == 0 ? step : b;
    for (int k = ulps(rng); k != 0; k += k > 0 ? -1 : 1) c.y = std::nextafter(c.y, k > 0 ? INFINITY : -INFINITY);
    const int expected = CgalSign(p, q, c);
    collinear += expected == 0;
    ASSERT_EQ(ExactOrientationSign(p, q, c), expected) << i;
  }
  EXPECT_GT(collinear, 5000);
}

}  // namespace
}  // namespace quarvelin
