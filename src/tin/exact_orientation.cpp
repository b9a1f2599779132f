#include "tin/exact_orientation.h"

#include <cmath>
#include <initializer_list>

namespace quarvelin {

namespace {

// Error-free transformations: hi + lo is exactly the sum (difference,
// product) of the two doubles, as long as nothing overflows or underflows.
struct Exact {
  double hi, lo;
};

Exact TwoSum(double a, double b) {
  const double x = a + b;
  const double bv = x - a;
  const double av = x - bv;
  return {x, (a - av) + (b - bv)};
}

Exact TwoDiff(double a, double b) { return TwoSum(a, -b); }

Exact Split(double a) {
  const double c = 134217729.0 * a;  // 2^27 + 1
  const double hi = c - (c - a);
  return {hi, a - hi};
}

Exact TwoProduct(double a, double b) {
  const double x = a * b;
  const Exact sa = Split(a), sb = Split(b);
  const double err = ((x - sa.hi * sb.hi) - sa.lo * sb.hi) - sa.hi * sb.lo;
  return {x, sa.lo * sb.lo - err};
}

// Parts whose products and splits stay clear of overflow and underflow.
bool SafeForExactProducts(const Exact& d) {
  for (double v : {d.hi, d.lo}) {
    const double m = std::fabs(v);
    if (!(m == 0 || (m > 1e-140 && m < 1e140))) return false;
  }
  return true;
}

}  // namespace

// The sign of (bx - ax)(cy - ay) - (by - ay)(cx - ax): the sixteen partial
// products are summed into an expansion without rounding, whose parts do not
// overlap and grow in magnitude, so the last part that is not zero
// outweighs all before it and gives the sign.
//
// Most calls are far from zero: the rounded determinant decides them when
// it exceeds its error bound, (3 + 16 eps) eps (|left| + |right|) for eps =
// 2^-53, which covers the rounding of the differences too. Only within the
// range of the exact sum, so that both ways give the same answers.
int ExactOrientationSign(const PointRecord& a, const PointRecord& b, const PointRecord& c) {
  const Exact d[4] = {TwoDiff(b.x, a.x), TwoDiff(c.y, a.y), TwoDiff(b.y, a.y), TwoDiff(c.x, a.x)};
  for (const Exact& e : d) {
    if (!SafeForExactProducts(e)) return kSignUnknown;
  }
  const double left = d[0].hi * d[1].hi, right = d[2].hi * d[3].hi, det = left - right;
  constexpr double kHalfEpsilon = 0x1p-53;
  const double bound = (3 + 16 * kHalfEpsilon) * kHalfEpsilon * (std::fabs(left) + std::fabs(right));
  if (det > bound) return 1;
  if (-det > bound) return -1;
  double expansion[32];
  int size = 0;
  auto add = [&](double term) {
    for (int k = 0; k < size; ++k) {
      const Exact s = TwoSum(term, expansion[k]);
      expansion[k] = s.lo;
      term = s.hi;
    }
    expansion[size++] = term;
  };
  for (int pair = 0; pair < 2; ++pair) {
    const Exact& u = d[2 * pair];
    const Exact& v = d[2 * pair + 1];
    const double sign = pair == 0 ? 1.0 : -1.0;
    for (double p : {u.hi, u.lo}) {
      for (double q : {v.hi, v.lo}) {
        const Exact product = TwoProduct(p, q);
        add(sign * product.hi);
        add(sign * product.lo);
      }
    }
  }
  for (int k = size; k-- > 0;) {
    if (expansion[k] != 0) return expansion[k] > 0 ? 1 : -1;
  }
  return 0;
}


}  // namespace quarvelin
