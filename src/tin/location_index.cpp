#include "tin/location_index.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <climits>
#include <cmath>

#include "store/triangle_moves.h"
#include "tin/orientation_bounds.h"
#include "tin/point_location.h"

namespace quarvelin {

namespace {

// Long-reach triangles filed over more fine cells than this are tested one
// by one instead; with more such triangles alive than kFarTests, the index
// gives way to the walk.
constexpr int64_t kMostFiledCells = 64;
constexpr size_t kFarTests = 64;
constexpr int kThinnessOffset = 1100;
// Levels of the pyramid with fewer cells than this stay in the cache.
constexpr size_t kCachedCells = 4096;

// The binary exponent of a positive finite value, or one below it for
// values too small for a normal double, so that 2^result never exceeds it.
// (std::ilogb, exact for normal values, is a library call.)
int BinaryExponentFloor(double value) {
  const int field = static_cast<int>((std::bit_cast<uint64_t>(value) >> 52) & 0x7ff);
  return field == 0 ? -1075 : field - 1023;
}

double Spread(std::initializer_list<PlanePosition> points) {
  double loX = points.begin()->x, hiX = loX, loY = points.begin()->y, hiY = loY;
  for (const PlanePosition& p : points) {
    loX = std::min(loX, p.x);
    hiX = std::max(hiX, p.x);
    loY = std::min(loY, p.y);
    hiY = std::max(hiY, p.y);
  }
  return std::max(hiX - loX, hiY - loY) * (1 + kSlack);
}

double SquaredLength(PlanePosition a, PlanePosition b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  return dx * dx + dy * dy;
}

PlanePosition Corner(const ModelStore& store, const TriangleRecord& t, int k) {
  return PositionOf(store.points[t.vertex[k]]);
}

}  // namespace

// What the proof needs of one live triangle (Shape): whether it is certainly
// counter-clockwise, a lower bound of its least altitude, and how far beyond
// itself TriangleContains may accept a point (its reach), with the box that
// reach covers.
//
// The acceptance region of a triangle lies within its three edges each moved
// outward by tau = (tolerance + rounding) / (shortest edge). That region is
// the triangle scaled about its incentre by (r + tau) / r, r the inradius =
// 2 area / perimeter, so no point of it lies farther from the triangle than
// tau / r times the longest edge.
//
// This runs for every triangle SurelyPlain leaves open and every one removed
// that is not plain: no roots, no quotients, and the area from its own short
// formula, whose rounding is bounded by the magnitude of its two products.
LocationIndex::Sides LocationIndex::SidesOf(int32_t t) const {
  const TriangleRecord& tri = store_->triangles[t];
  const PlanePosition a = Corner(*store_, tri, 0), b = Corner(*store_, tri, 1), c = Corner(*store_, tri, 2);
  const double abx = b.x - a.x, aby = b.y - a.y, acx = c.x - a.x, acy = c.y - a.y, bcx = c.x - b.x, bcy = c.y - b.y;
  return {abx, aby, acx, acy, abx * abx + aby * aby, acx * acx + acy * acy, bcx * bcx + bcy * bcy};
}

LocationIndex::Shape LocationIndex::ShapeOf(int32_t t) const {
  const TriangleRecord& tri = store_->triangles[t];
  return ShapeFrom(SidesOf(t), Corner(*store_, tri, 0), Corner(*store_, tri, 1), Corner(*store_, tri, 2));
}

LocationIndex::Shape LocationIndex::ShapeFrom(const Sides& sides, PlanePosition a, PlanePosition b,
                                              PlanePosition c) const {
  Shape shape;
  const double doubleArea = DifferenceBelow(sides.abx * sides.acy, sides.aby * sides.acx);
  if (!(doubleArea > 0)) return shape;
  shape.certain = true;
  const double ab = sides.ab, ac = sides.ac, bc = sides.bc;
  // Squares of the longest and shortest edge, bounded from above and below.
  const double most = std::max(std::max(ab, ac), bc);
  const double longest2 = most * (1 + kSlack), longest2Below = most * (1 - kSlack);
  const double shortest2 = std::min(std::min(ab, ac), bc) * (1 - kSlack);
  // The least altitude, doubleArea / longest, is more than 2^altitudeExponent:
  // doubleArea >= 2^eA and longest < 2^((eL + 1) / 2) for longest2 < 2^(eL + 1).
  // (A certain triangle has doubleArea > DBL_MIN, so longest2 is normal.)
  shape.altitudeExponent = BinaryExponentFloor(doubleArea) - (BinaryExponentFloor(longest2) + 2) / 2;
  // A point within one longest edge of the triangle spreads with any edge
  // over at most three longest edges. The reach, tau * 3 longest^2 / area
  // with tau = (tolerance + rounding) / shortest, is compared without its two
  // quotients: reachArea = reach * area * shortest, bounded from above. Both
  // sides of each comparison are positive and squared, so that no edge
  // length needs a root; past kHugeLength2 the squares could overflow.
  constexpr double kHugeLength2 = 1e40;
  if (!(longest2 < kHugeLength2)) {
    shape.reach = INFINITY;
    return shape;
  }
  const double reachArea = (kLocationTolerance + kRounding * 9 * longest2 + DBL_MIN) * 3 * longest2 * (1 + kSlack);
  const double reachArea2 = reachArea * reachArea * (1 + kSlack);
  const double areaShortest2 = doubleArea * doubleArea * shortest2 * (1 - kSlack);
  // Beyond one longest edge the bound above does not hold; past it the
  // rounding grows with the square of the distance while the distance to an
  // outward-moved edge grows only linearly, so the triangle must also stay
  // clear at the far side of the frame (the gap is concave in between):
  // shortest * frame * area / (3 longest^2) beyond the acceptance there,
  // with (longest + frame)^2 <= 2 longest^2 + 2 frame^2.
  const double frame2 = frameSpread_ * frameSpread_;
  const double farAcceptance =
      3 * longest2 * (kLocationTolerance + kRounding * 2 * (longest2 + frame2) + DBL_MIN) * (1 + kSlack);
  const bool farClear = areaShortest2 * frame2 * (1 - kSlack) > farAcceptance * farAcceptance * (1 + kSlack);
  if (!(reachArea2 <= areaShortest2 * longest2Below * (1 - kSlack)) || !farClear) {
    shape.reach = INFINITY;
    return shape;
  }
  if (reachArea2 <= areaShortest2 * reachLimit_ * reachLimit_ * (1 - kSlack)) {
    shape.reach = reachLimit_;  // at most: not filed, so no box needed
    return shape;
  }
  shape.reach = reachArea / (doubleArea * std::sqrt(shortest2) * (1 - kSlack)) * (1 + kSlack);
  const double magnitude = std::max({std::fabs(a.x), std::fabs(b.x), std::fabs(c.x), std::fabs(a.y),
                                     std::fabs(b.y), std::fabs(c.y)});
  const double grow = shape.reach * (1 + 1e-6) + magnitude * kSlack;
  shape.box[0] = std::min({a.x, b.x, c.x}) - grow;
  shape.box[1] = std::min({a.y, b.y, c.y}) - grow;
  shape.box[2] = std::max({a.x, b.x, c.x}) + grow;
  shape.box[3] = std::max({a.y, b.y, c.y}) + grow;
  return shape;
}

// A test that a triangle is plain, a few products in place of ShapeFrom's
// chain: for a longest edge within [plainLongest2_[0], plainLongest2_[1]]
// (squared) every bound ShapeFrom compares is at most a fixed multiple of a
// power of the longest edge, and those multiples (worked out in Open, grown
// by a part in 1e9 to cover every rounding on both sides) make its three
// tests follow from the two here. False says nothing: ShapeFrom decides.
bool LocationIndex::SurelyPlain(const Sides& sides) const {
  const double doubleArea = DifferenceBelow(sides.abx * sides.acy, sides.aby * sides.acx);
  const double most = std::max(std::max(sides.ab, sides.ac), sides.bc);
  const double least = std::min(std::min(sides.ab, sides.ac), sides.bc);
  if (!(doubleArea > 0) || !(most >= plainLongest2_[0]) || !(most <= plainLongest2_[1])) return false;
  const double area2 = doubleArea * doubleArea;
  return area2 >= plainAltitude_ * most && area2 * least >= plainReach_ * (most * most);
}

int32_t LocationIndex::FineIndex(double value, double origin, int32_t limit) const {
  // Monotone in the value, so a box's cells include those of its points.
  const double scaled = (value - origin) * perSide_;
  if (!(scaled > 0)) return 0;
  if (scaled >= limit - 1) return limit - 1;
  return static_cast<int32_t>(scaled);
}

int32_t LocationIndex::FineCell(double x, double y) const {
  return FineIndex(x, minX_, columns_) * rows_ + FineIndex(y, minY_, rows_);
}

size_t LocationIndex::FilingLevel(const Shape& shape, CellRange& cells) const {
  const CellRange fine{FineIndex(shape.box[0], minX_, columns_), FineIndex(shape.box[2], minX_, columns_),
                       FineIndex(shape.box[1], minY_, rows_), FineIndex(shape.box[3], minY_, rows_)};
  for (size_t k = 0;; ++k) {
    cells = {fine.c0 >> k, fine.c1 >> k, fine.r0 >> k, fine.r1 >> k};
    if (cells.Count() <= kMostFiledCells || k + 1 == levels_.size()) return k;
  }
}

// Most triangles are plain: certainly counter-clockwise, no thinner than
// 2^plainExponent_ and of short reach. Nothing is kept of them but that,
// one bit, so that removing one costs a test; the others are counted by
// thinness, filed or counted as doubtful, and worked out again on removal.
void LocationIndex::File(int32_t t, int sign) {
  if (!IsOpen()) return;
  if (sign < 0) {
    uint64_t& word = special_[static_cast<size_t>(t) >> 6];
    const uint64_t bit = uint64_t{1} << (t & 63);
    if (!(word & bit)) return;
    word &= ~bit;
  }
  if (sign > 0 && SurelyPlain(SidesOf(t))) return;
  const Shape shape = ShapeOf(t);
  if (!IsPlain(shape)) FileShape(t, sign, shape);  // (only when laid: a removed one had its bit)
}

// The fan round a new point: consecutive triangles share a side and a
// corner, (from, to, p) then (to, next, p), so the differences and squares
// of the side from p to `to` serve both, with the values ShapeOf would give.
void LocationIndex::RememberFan(int32_t p, int32_t first, size_t count) {
  if (!IsOpen() || count == 0) return;
  const TriangleRecord* tris = store_->triangles;
  const PlanePosition c = PositionOf(store_->points[p]);
  PlanePosition a = PositionOf(store_->points[tris[first].vertex[0]]);
  double acx = c.x - a.x, acy = c.y - a.y;
  double ac = acx * acx + acy * acy;
  for (int32_t t = first; count > 0; --count, t = tris[t].neighbour[0]) {
    const PlanePosition b = PositionOf(store_->points[tris[t].vertex[1]]);
    const double abx = b.x - a.x, aby = b.y - a.y, bcx = c.x - b.x, bcy = c.y - b.y;
    const double bc = bcx * bcx + bcy * bcy;
    const Sides sides{abx, aby, acx, acy, abx * abx + aby * aby, ac, bc};
    if (!SurelyPlain(sides)) {
      const Shape shape = ShapeFrom(sides, a, b, c);
      if (!IsPlain(shape)) FileShape(t, 1, shape);
    }
    a = b;
    acx = bcx;
    acy = bcy;
    ac = bc;
  }
}

void LocationIndex::FileShape(int32_t t, int sign, const Shape& shape) {
  if (sign > 0) special_[static_cast<size_t>(t) >> 6] |= uint64_t{1} << (t & 63);
  if (!shape.certain) {
    doubtful_ += sign;
    return;
  }
  const int e = std::clamp(shape.altitudeExponent + kThinnessOffset, 0, static_cast<int>(thinness_.size()) - 1);
  thinness_[static_cast<size_t>(e)] += sign;
  if (sign > 0) lowestThinness_ = std::min(lowestThinness_, e);
  if (!(shape.reach > reachLimit_)) return;
  if (!std::isfinite(shape.reach)) {
    if (sign > 0) farReaching_.insert(t);
    else farReaching_.erase(t);
    return;
  }
  CellRange cells;
  const size_t k = FilingLevel(shape, cells);
  Level& level = levels_[k];
  for (int64_t c = cells.c0; c <= cells.c1; ++c) {
    for (int64_t r = cells.r0; r <= cells.r1; ++r) {
      const size_t cell = static_cast<size_t>(c * level.rows + r);
      level.cells[cell].reaching += sign;
      if (sign > 0) {
        filed_[FiledKey(k, cell)].push_back(t);
        continue;
      }
      // The order within a cell means nothing: the last takes t's place.
      const auto here = filed_.find(FiledKey(k, cell));
      if (here == filed_.end()) continue;
      std::vector<int32_t>& list = here->second;
      const auto at = std::find(list.begin(), list.end(), t);
      if (at == list.end()) continue;
      *at = list.back();
      list.pop_back();
      if (list.empty()) filed_.erase(here);
    }
  }
}

void LocationIndex::Open(const ModelStore& store) {
  Close();
  store_ = &store;
  const PointGrid& grid = store.grid;
  minX_ = grid.minX;
  minY_ = grid.minY;
  const double width = grid.maxX - grid.minX, height = grid.maxY - grid.minY;
  // Four points a cell: finer cells start the walk a step or two closer but
  // spread the cells a point reads over more cache lines, and cost more.
  const double cells = std::max(1.0, (store.pointCount - 4) / 4.0);
  side_ = std::max(std::sqrt(width * height / cells), std::max(width, height) / cells);
  if (!(side_ > 0) || !std::isfinite(side_)) side_ = 1;
  perSide_ = 1 / side_;
  columns_ = static_cast<int32_t>(std::min(width / side_ + 1, 4 * cells + 1));
  rows_ = static_cast<int32_t>(std::min(height / side_ + 1, 4 * cells + 1));
  for (int32_t c = columns_, r = rows_;; c = (c + 1) / 2, r = (r + 1) / 2) {
    const size_t cells = static_cast<size_t>(c) * static_cast<size_t>(r);
    levels_.push_back({c, r, std::vector<Cell>(cells, Cell{-1, 0})});
    if (c == 1 && r == 1) break;
  }
  reachLimit_ = side_ * 1e-4;
  // Tables that stay in the last-level cache (some 25 MB) gain less from the
  // rings round the located triangle than their reads cost: there the
  // lookahead stops at the triangle.
  ringsAhead_ = store.pointCount > (1 << 18);
  // A triangle this thin next to the survey's spacing is rare, and the
  // walk's band is far narrower still.
  plainExponent_ = BinaryExponentFloor(side_) - 12;
  special_.assign((static_cast<size_t>(store.triangleCapacity) + 63) / 64, 0);

  PlanePosition corner[4];
  for (int k = 0; k < 4; ++k) corner[k] = PositionOf(store.points[k]);
  frameConvex_ = true;
  for (int k = 0; k < 4; ++k) {
    const PlanePosition a = corner[k], b = corner[(k + 1) % 4], c = corner[(k + 2) % 4];
    if (!(OrientationXY(a, b, c) - RoundingBound(Spread(a, b, c)) > 0)) frameConvex_ = false;
  }
  // Every point of the network lies within the frame's box and the survey's.
  const double spread = Spread({corner[0], corner[1], corner[2], corner[3], {grid.minX, grid.minY},
                                {grid.maxX, grid.maxY}});
  frameSpread_ = 1.5 * spread;  // covers any distance within the box
  bandArea_ = RoundingBound(spread);
  if (!std::isfinite(bandArea_)) frameConvex_ = false;
  SetPlainBounds();
  for (int32_t t = 0; t <= store.lastTriangle; ++t) Remember(t);
}

// SurelyPlain's bounds. With L the longest edge squared, S the shortest
// squared and A the doubled area, ShapeFrom's three tests are, up to
// factors within a part in 1e11 of 1:
//  - its altitude exponent: A^2 >= 2^(2 plainExponent_ + 5) L suffices (each
//    binary exponent lies within one of the logarithm, the halving adds one);
//  - the reach within reachLimit_ (and so within the longest edge, for
//    L >= reachLimit_^2): 3 L (tolerance + 9 kRounding L) <= A sqrt(S)
//    reachLimit_, and with L at most plainLongest2_[1] the bracket is at most
//    that of the largest L;
//  - clear at the frame's far side: 3 L (tolerance + 2 kRounding (L + F^2))
//    < A sqrt(S) F, likewise.
// Off (an empty range) where a bound is not a normal number.
void LocationIndex::SetPlainBounds() {
  constexpr double kWiden = 1 + 1e-9;
  // Longest edges up to 64 fine cells: the few longer ones are decided by
  // ShapeFrom, and a larger bound would raise the rounding term for all.
  const double high = side_ * side_ * 4096;
  const double low = reachLimit_ * reachLimit_ * kWiden;
  const double frame2 = frameSpread_ * frameSpread_;
  const double reachRate = 3 * (kLocationTolerance + kRounding * 9 * high + DBL_MIN);
  const double farRate = 3 * (kLocationTolerance + kRounding * 2 * (high + frame2) + DBL_MIN);
  plainAltitude_ = std::ldexp(kWiden, 2 * plainExponent_ + 5);
  plainReach_ = std::max(reachRate * reachRate / (reachLimit_ * reachLimit_), farRate * farRate / frame2) * kWiden;
  plainLongest2_[0] = low;
  plainLongest2_[1] = high;
  // (The products at the least L normal too: the area passing them is then
  // normal, and its binary exponent that of its logarithm.)
  const bool normal = std::isnormal(plainAltitude_ * low) && std::isnormal(plainReach_ * low * low) &&
                      std::isnormal(high) && high < 1e39 && low <= high;
  if (!normal) plainLongest2_[1] = 0;
}

void LocationIndex::Close() {
  store_ = nullptr;
  std::vector<Level>().swap(levels_);
  farReaching_.clear();
  filed_.clear();
  std::vector<uint64_t>().swap(special_);
  thinness_.fill(0);
  lowestThinness_ = static_cast<int32_t>(thinness_.size());
  bandThinnest_ = INT_MIN;
  doubtful_ = 0;
}

void LocationIndex::PointInserted(int32_t p) {
  if (!IsOpen()) return;
  const PointRecord& q = store_->points[p];
  const int32_t column = FineIndex(q.x, minX_, columns_), row = FineIndex(q.y, minY_, rows_);
  for (size_t k = 0; k < levels_.size(); ++k) {
    Level& level = levels_[k];
    level.cells[level.Above(column, row, k)].point = p;
  }
}

int32_t LocationIndex::RecentNear(double x, double y) const {
  const int32_t column = FineIndex(x, minX_, columns_), row = FineIndex(y, minY_, rows_);
  for (size_t k = 0; k < levels_.size(); ++k) {
    const Level& level = levels_[k];
    const int32_t p = level.cells[level.Above(column, row, k)].point;
    if (p >= 0) return p;
  }
  return -1;
}

// One step of a walk towards q from t: the first edge, in an order that
// turns with every step, with q beyond it, or -1 when q lies on the inner
// side of all three.
int LocationIndex::StepToward(PlanePosition q, int32_t t, int step) const {
  // Only a candidate comes of this walk, so the short orientation formula
  // does: the answer is proved with the walk's own values afterwards.
  const TriangleRecord& tri = store_->triangles[t];
  const PlanePosition v[3] = {Corner(*store_, tri, 0), Corner(*store_, tri, 1), Corner(*store_, tri, 2)};
  // All three edges, then the first beyond in the turning order, without a
  // branch on each: which one q lies beyond is as good as random.
  unsigned beyond = 0;
  for (int k = 0; k < 3; ++k) {
    const PlanePosition a = v[Ccw(k)], b = v[Cw(k)];
    beyond |= static_cast<unsigned>((b.x - a.x) * (q.y - a.y) < (b.y - a.y) * (q.x - a.x)) << k;
  }
  const int first = step % 3;
  const unsigned turned = ((beyond >> first) | (beyond << (3 - first))) & 7;
  if (turned == 0) return -1;
  const int n = std::countr_zero(turned);
  return (first + n) % 3;
}

// A walk towards q; -1 when it leaves the network or runs long. Its answer
// is only a candidate.
int32_t LocationIndex::Candidate(PlanePosition q, int32_t from) const {
  constexpr int kSteps = 256;
  int32_t t = from;
  for (int step = 0; step < kSteps && t >= 0; ++step) {
    const int across = StepToward(q, t, step);
    if (across < 0) return t;
    t = store_->triangles[t].neighbour[across];
    store_->PrefetchTriangle<ModelStore::kReadNow>(t);
  }
  return -1;
}

// The sides of t that q lies inside of and farther from than reachLimit_
// (ClearOfSide), a bit each, and those of them it also lies clear of the
// walk's band from. With all three, t alone holds q; with two, q lies on or
// next to the third; past a second side that fails there is nothing to show.
LocationIndex::Clearance LocationIndex::SidesClear(int32_t t, PlanePosition q, double band2) const {
  const TriangleRecord& tri = store_->triangles[t];
  Clearance clearance;
  int failed = 0;
  for (int side = 0; side < 3 && failed < 2; ++side) {
    Margins margins{band2, true};
    if (!ClearOfSide(tri, side, q, margins)) {
      ++failed;
      continue;
    }
    clearance.sides |= 1u << side;
    if (margins.clearOfBand) clearance.band |= 1u << side;
  }
  return clearance;
}

// q lies left of side `side` of tri, farther from it than reachLimit_. The
// distance is value / length; both sides are squared to spare the root.
// The exact orientation value exceeds the rounding bound of the one that
// TriangleContains computes, so that one is positive and tri accepts q; the
// short formula with its own bound shows it without that one's quotients.
bool LocationIndex::ClearOfSide(const TriangleRecord& tri, int side, PlanePosition q, Margins& margins) const {
  const PlanePosition a = Corner(*store_, tri, Ccw(side)), b = Corner(*store_, tri, Cw(side));
  const double value = OrientationBeyondRounding(a, b, q);
  if (!(value > 0)) return false;
  const double value2 = value * value * (1 - kSlack), length2 = SquaredLength(a, b) * (1 + kSlack);
  if (!(value2 > reachLimit_ * reachLimit_ * length2)) return false;
  if (!(value2 > margins.band2 * length2)) margins.clearOfBand = false;
  return true;
}

// The distance a vertex must keep from q for the walk towards q to be sure
// (WalkReaches), squared: no live triangle is thin enough to lie inside the
// rounding band of a line from such a vertex to q.
double LocationIndex::BandDistance2() const {
  while (lowestThinness_ < static_cast<int32_t>(thinness_.size()) &&
         thinness_[static_cast<size_t>(lowestThinness_)] == 0) {
    ++lowestThinness_;
  }
  // thinnest > 4 bandArea / distance, the thinnest altitude being at least
  // 2^(lowestThinness_ - kThinnessOffset), and that of a plain triangle
  // 2^plainExponent_.
  // It changes only with the thinnest triangle, and is asked for every point.
  const int thinnest = std::min(lowestThinness_ - kThinnessOffset, plainExponent_);
  if (thinnest == bandThinnest_) return band2_;
  const double distance = std::ldexp(4 * bandArea_ * (1 + kSlack), -thinnest) * (1 + kSlack);
  bandThinnest_ = thinnest;
  band2_ = distance * distance * (1 + kSlack);
  return band2_;
}

// No live triangle other than t can accept q: the short-reach ones are
// farther from q than their reach (q lies deeper inside t), and those of long
// reach, filed over q's cells or too far-reaching to file, are asked with the
// walk's own test.
bool LocationIndex::NoOtherReaches(int32_t t, int32_t u, PlanePosition q) const {
  const int32_t column = FineIndex(q.x, minX_, columns_), row = FineIndex(q.y, minY_, rows_);
  int32_t filed = 0;
  for (size_t k = 0; k < levels_.size(); ++k) {
    const Level& level = levels_[k];
    filed += level.cells[level.Above(column, row, k)].reaching;
  }
  if (filed > static_cast<int32_t>(kFarTests)) return false;
  for (size_t k = 0; filed > 0 && k < levels_.size(); ++k) {
    const Level& level = levels_[k];
    const size_t cell = level.Above(column, row, k);
    if (level.cells[cell].reaching == 0) continue;
    filed -= level.cells[cell].reaching;
    const auto here = filed_.find(FiledKey(k, cell));
    if (here == filed_.end()) return false;
    for (int32_t f : here->second) {
      if (f != t && f != u && TriangleContains(*store_, f, q)) return false;
    }
  }
  if (farReaching_.size() > kFarTests) return false;
  for (int32_t f : farReaching_) {
    if (f != t && f != u && TriangleContains(*store_, f, q)) return false;
  }
  return true;
}

// The walk from its documented start reaches the triangle that holds q: the
// sides of the line from the anchor to q can come out wrong only for
// vertices within bandArea_ / |anchor q| of it, and no live triangle is thin
// enough to lie inside that band. The anchor is a vertex, so it lies at
// least as far from q as the edges round q; only when those are not far
// enough is the anchor itself read, which costs the misses of the walk's
// start.
bool LocationIndex::WalkReaches(PlanePosition q, const Margins& margins) const {
  if (margins.clearOfBand) return true;
  const int32_t start = WalkStart(*store_, q);
  const PlanePosition anchor = PositionOf(store_->points[store_->triangles[start].vertex[0]]);
  return SquaredLength(anchor, q) * (1 - kSlack) > margins.band2;
}

int32_t LocationIndex::Locate(int32_t p, int32_t hint) const {
  if (!IsOpen() || !frameConvex_ || doubtful_ > 0) return -1;
  const PlanePosition q = PositionOf(store_->points[p]);
  int32_t from = hint;
  if (from < 0) {
    const int32_t near = RecentNear(q.x, q.y);
    from = near >= 0 ? store_->points[near].incidentTriangle : WalkStart(*store_, q);
  }
  const double band2 = BandDistance2();
  // The lookahead's walk mostly ended in the triangle that holds q already:
  // the margin test shows it, and the candidate walk is spared. (Any record
  // up to lastTriangle is a live triangle, stale hint or not.) A point on
  // an edge of it fails the test, and the candidate walk mostly stays put.
  int32_t t = hint;
  Clearance clearance;
  if (t >= 0) clearance = SidesClear(t, q, band2);
  if (clearance.sides != kAllSides) {
    const int32_t found = Candidate(q, from);
    if (found < 0) return -1;
    if (found != t) clearance = SidesClear(found, q, band2);
    t = found;
  }
  Margins margins{band2, true};
  if (clearance.sides == kAllSides) {
    margins.clearOfBand = clearance.band == kAllSides;
    return NoOtherReaches(t, -1, q) && WalkReaches(q, margins) ? t : -1;
  }
  for (int side = 0; side < 3; ++side) {
    const unsigned others = kAllSides & ~(1u << side);
    if ((clearance.sides & others) != others) continue;
    margins.clearOfBand = (clearance.band & others) == others;
    return LocateOnSide({t, side}, q, margins);
  }
  return -1;
}

// q lies clear of every edge of t but `side`, on or next to which it lies:
// on lattices and gridded data, exactly on it. With the triangle u beyond,
// t and u form a quadrilateral that q lies inside, clear of its four outer
// edges, so no other short-reach triangle accepts q, and the walk reaches
// the two. Where only one of them accepts q, it is the answer. Where both
// do, the walk enters first the one on its anchor's side of the edge, since
// the line from the anchor meets q from that side; an anchor at an end of
// the edge finds one of the two in its first turn, and the walk returns it.
int32_t LocationIndex::LocateOnSide(TriangleSide side, PlanePosition q, Margins& margins) const {
  const TriangleRecord* tris = store_->triangles;
  const TriangleSide beyond = side.Twin(tris);
  if (beyond.triangle < 0 || beyond.side < 0) return -1;
  const int32_t t = side.triangle, u = beyond.triangle;
  if (!ClearOfSide(tris[u], Ccw(beyond.side), q, margins) || !ClearOfSide(tris[u], Cw(beyond.side), q, margins) ||
      !NoOtherReaches(t, u, q) || !WalkReaches(q, margins)) {
    return -1;
  }
  const bool inT = TriangleContains(*store_, t, q) != 0, inU = TriangleContains(*store_, u, q) != 0;
  if (inT != inU) return inT ? t : u;
  if (!inT) return -1;
  const PlanePosition a = PositionOf(store_->points[side.From(tris)]), b = PositionOf(store_->points[side.To(tris)]);
  const int32_t start = WalkStart(*store_, q), anchor = tris[start].vertex[0];
  if (anchor == side.From(tris) || anchor == side.To(tris)) {
    const int32_t wedge = FindWedge(*store_, start, anchor, q);
    return wedge == t || wedge == u ? wedge : -1;
  }
  const PlanePosition c = PositionOf(store_->points[anchor]);
  const double o = OrientationXY(a, b, c), bound = RoundingBound(Spread(a, b, c));
  if (!(o > bound) && !(o < -bound)) return LocateInLine(side, beyond, start, q);
  // The line from the anchor crosses the edge at q, and the walk comes to q
  // on the anchor's side, unless it passes an end of the edge on the side
  // that rounding gives it: then it may come along the edge from the other.
  if (!EndsApart(c, q, a, b)) return -1;
  return o > bound ? t : u;
}

// a and b lie on opposite sides of the line from the anchor A to q, and the
// walk's orientation values, OrientationXY(A, q, corner), say so beyond
// their rounding.
bool LocationIndex::EndsApart(PlanePosition A, PlanePosition q, PlanePosition a, PlanePosition b) {
  const double oa = OrientationXY(A, q, a), ob = OrientationXY(A, q, b);
  const double ba = RoundingBound(Spread(A, q, a)), bb = RoundingBound(Spread(A, q, b));
  return (oa > ba && ob < -bb) || (oa < -ba && ob > bb);
}

// The anchor lies on the line of the edge that q lies on, or as near it as
// rounding can tell (on lattices and gridded data, exactly): the walk comes
// along the edge. It sorts each corner it meets by the sign of
// OrientationXY(anchor, q, corner), left when positive, and passes a corner
// on the other side from its own: the end of the edge before q (on the
// anchor's side) then decides. With the far corners of t and u sorted to
// opposite sides, the walk passes that end on the side of the one sorted
// the other way from it, and enters that triangle first: the other can be
// entered only across the edge itself, or from beyond q. A zero sorts
// right, except in the walk's first turn round the anchor, which sorts the
// corners of the triangle it stops in by their place in it.
int32_t LocationIndex::LocateInLine(TriangleSide side, TriangleSide beyond, int32_t start, PlanePosition q) const {
  const TriangleRecord* tris = store_->triangles;
  const int32_t anchor = tris[start].vertex[0];
  const int32_t apexT = side.Apex(tris), apexU = beyond.Apex(tris);
  if (anchor == apexT || anchor == apexU) return -1;
  const PlanePosition A = PositionOf(store_->points[anchor]);
  auto sideOf = [&](int32_t v) { return OrientationXY(A, q, PositionOf(store_->points[v])); };
  const PlanePosition from = PositionOf(store_->points[side.From(tris)]);
  const PlanePosition to = PositionOf(store_->points[side.To(tris)]);
  // The end before q is the one whose offset from q points back at the anchor.
  const double dx = q.x - A.x, dy = q.y - A.y;
  const double fromAlong = (from.x - q.x) * dx + (from.y - q.y) * dy;
  const double toAlong = (to.x - q.x) * dx + (to.y - q.y) * dy;
  if (!((fromAlong < 0) != (toAlong < 0)) || fromAlong == 0 || toAlong == 0) return -1;
  const int32_t end = fromAlong < 0 ? side.From(tris) : side.To(tris);
  const double before = sideOf(end);
  const double t = sideOf(apexT), u = sideOf(apexU);
  if (t == 0 || u == 0 || (t > 0) == (u > 0)) return -1;
  bool endLeft = before > 0;
  if (before == 0) {
    // The turn stops where the line leaves across the side opposite the
    // anchor, from its corner Ccw, taken as right, to its corner Cw, taken
    // as left: a zero is either.
    const int32_t wedge = FindWedge(*store_, start, anchor, q);
    if (wedge < 0) return -1;
    const int at = VertexPosition(tris[wedge], anchor);
    if (at < 0) return -1;
    endLeft = tris[wedge].vertex[Cw(at)] == end;
  }
  // The triangle whose far corner is sorted opposite to the end before q.
  return (t > 0) != endLeft ? side.triangle : beyond.triangle;
}

// The points whose lookahead is done cost a test: they are most of those
// ahead.
void LocationIndex::Prefetch(const int32_t* upcoming, int count, uint32_t sequence) const {
  if (!IsOpen()) return;
  for (int d = count; d >= 1; --d) {
    Lookahead& a = ahead_[(sequence + static_cast<uint32_t>(d)) % ahead_.size()];
    const int32_t p = upcoming[d - 1];
    if (a.point != p) {
      a = {p, Lookahead::kPoint, -1, 0};
    } else if (a.stage == Lookahead::kReady) {
      continue;
    }
    Advance(a);
  }
}

// One stage of the lookahead of point p per call, each reading only what the
// stage before asked the cache for, one insertion earlier. The walk towards
// p takes two stages a step: the triangle's record, then its corners.
// Insertions in between may change the triangles on the way (they lie far
// off as a rule); any live triangle is a sound start for Candidate, so a
// stale one costs a few steps, nothing more.
void LocationIndex::Advance(Lookahead& a) const {
  const int32_t p = a.point;
  switch (a.stage) {
    case Lookahead::kPoint:
      store_->PrefetchPoint(p);
      a.stage = Lookahead::kCell;
      return;
    case Lookahead::kCell: {
      // The counts of long-reach triangles are read at every level, and the
      // finer levels are too large to stay in the cache.
      const PointRecord& q = store_->points[p];
      const int32_t column = FineIndex(q.x, minX_, columns_), row = FineIndex(q.y, minY_, rows_);
      for (size_t k = 0; k < levels_.size() && levels_[k].cells.size() > kCachedCells; ++k) {
        const Level& level = levels_[k];
        const size_t cell = level.Above(column, row, k);
        __builtin_prefetch(&level.cells[cell]);
      }
      a.stage = Lookahead::kNear;
      return;
    }
    case Lookahead::kNear: {
      const PointRecord& q = store_->points[p];
      const int32_t near = RecentNear(q.x, q.y);
      a.triangle = near;
      store_->PrefetchPoint(near);
      a.stage = near < 0 ? Lookahead::kReady : Lookahead::kStart;
      return;
    }
    case Lookahead::kStart:
      a.triangle = store_->points[a.triangle].incidentTriangle;
      store_->PrefetchTriangle(a.triangle);
      a.stage = a.triangle < 0 ? Lookahead::kReady : Lookahead::kCorners;
      return;
    case Lookahead::kCorners:
      for (int32_t v : store_->triangles[a.triangle].vertex) store_->PrefetchPoint(v);
      a.stage = Lookahead::kStep;
      return;
    case Lookahead::kStep: {
      const int across = StepToward(PositionOf(store_->points[p]), a.triangle, a.steps++);
      if (across < 0) {
        if (!ringsAhead_) {
          a.stage = Lookahead::kReady;
          return;
        }
        for (int32_t u : store_->triangles[a.triangle].neighbour) store_->PrefetchTriangle(u);
        a.stage = Lookahead::kRing;
        return;
      }
      a.triangle = store_->triangles[a.triangle].neighbour[across];
      store_->PrefetchTriangle(a.triangle);
      a.stage = a.triangle < 0 || a.steps >= kLookaheadSteps ? Lookahead::kReady : Lookahead::kCorners;
      return;
    }
    case Lookahead::kRing:
    case Lookahead::kOuterRing:
      // The cavity search reads the neighbours and their far corners, and
      // where the cavity grows, the same of the neighbours' neighbours.
      // Those already asked for (the way back) are asked again: a test of
      // which they are would miss its branch a third of the time, dearer
      // than the prefetch.
      for (int32_t u : store_->triangles[a.triangle].neighbour) {
        if (u < 0) continue;
        for (int k = 0; k < 3; ++k) {
          if (a.stage == Lookahead::kRing) store_->PrefetchPoint(store_->triangles[u].vertex[k]);
          else store_->PrefetchTriangle(store_->triangles[u].neighbour[k]);
        }
      }
      a.stage = a.stage == Lookahead::kRing ? Lookahead::kOuterRing : Lookahead::kOuterCorners;
      return;
    case Lookahead::kOuterCorners:
      for (int32_t u : store_->triangles[a.triangle].neighbour) {
        if (u < 0) continue;
        for (int32_t w : store_->triangles[u].neighbour) {
          if (w < 0) continue;
          for (int32_t v : store_->triangles[w].vertex) store_->PrefetchPoint(v);
        }
      }
      a.stage = Lookahead::kThirdRing;
      return;
    case Lookahead::kThirdRing:
    case Lookahead::kThirdCorners:
      // A cavity of four triangles, the most common, reaches a third ring
      // from the one it took there: its triangles, then their far corners.
      // (The ring beyond the way back is left out: nine triangles more.)
      for (int32_t u : store_->triangles[a.triangle].neighbour) {
        if (u < 0) continue;
        for (int32_t w : store_->triangles[u].neighbour) {
          if (w < 0 || w == a.triangle) continue;
          for (int32_t x : store_->triangles[w].neighbour) {
            if (a.stage == Lookahead::kThirdRing) {
              store_->PrefetchTriangle(x);
            } else if (x >= 0) {
              const int far = NeighbourPosition(store_->triangles[x], w);
              if (far >= 0) store_->PrefetchPoint(store_->triangles[x].vertex[far]);
            }
          }
        }
      }
      a.stage = a.stage == Lookahead::kThirdRing ? Lookahead::kThirdCorners : Lookahead::kReady;
      return;
    default:
      return;
  }
}

int32_t LocationIndex::Hint(int32_t p, uint32_t sequence) const {
  const Lookahead& a = ahead_[sequence % ahead_.size()];
  return a.point == p && a.stage >= Lookahead::kCorners ? a.triangle : -1;
}

}  // namespace quarvelin
