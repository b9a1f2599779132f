// A shortcut for point location on dense surveys. The walk of LocateTriangle
// starts at a triangle of the first point of the point's grid cell, and a
// grid cell holds tens of thousands of points on lidar: the walk then crosses
// hundreds of triangles, nearly each a cache miss. The index finds the
// triangle from a point inserted recently close by instead, and answers only
// when it can show that the walk would answer the same triangle:
//
//  1. The walk returns only a triangle that accepts the point (TriangleContains
//     within its tolerance). The point lies inside the candidate T by more than
//     any other triangle's acceptance region reaches beyond that triangle, so
//     T is the only triangle of the network that accepts it. The reach of
//     every live triangle is kept: small for most, and the few with a long
//     reach (needles, slivers) are filed over the fine cells their reach
//     covers, or, when it covers many, tested one by one.
//  2. The walk reaches T rather than leaving the network or tripping its
//     guard. Every live triangle is certainly counter-clockwise (zero-area and
//     doubtful ones switch the shortcut off while they live), the frame is
//     certainly convex, so the network tiles the frame; the walk's turns and
//     steps follow the sides of the line from its anchor to the point, and a
//     side can come out wrong only for a vertex within the rounding band of
//     that line. No live triangle is thin enough to lie inside the band, so
//     every vertex in it has neighbours certainly on both sides, the walk's
//     left and right vertex sets stay connected and it follows one path
//     through the network that passes T.
//  3. A point on an edge (within the tolerance of both its triangles) is
//     accepted by both: the walk returns the one it meets first, the one on
//     its anchor's side of the edge where the walk's values put the edge's
//     ends on opposite sides of its line, or for an anchor at an end of the
//     edge the one its first turn finds (LocateOnSide), or for an anchor on
//     the edge's line the one on the far side of the edge's nearer end from
//     the side the walk sorts that end to (LocateInLine).
//
// Anything the index cannot show goes to the walk. Nothing here changes the
// network.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "store/model_store.h"
#include "store/point_import.h"
#include "store/triangle_moves.h"
#include "tin/predicates.h"

namespace quarvelin {

class LocationIndex {
 public:
  // Sizes the fine grid for the store's survey (about four points per cell)
  // and files the starting triangles. The store's triangle table is open.
  void Open(const ModelStore& store);
  // Frees the index; it answers nothing afterwards.
  void Close();
  bool IsOpen() const { return store_ != nullptr; }

  // Triangle t is about to be overwritten / has just been laid.
  void Forget(int32_t t) { File(t, -1); }
  void Remember(int32_t t) { File(t, 1); }
  // The same for the `count` triangles laid round point p, from `first` on
  // across each one's side 0: each is (from, to, p), and its `to` is the
  // `from` of the next.
  void RememberFan(int32_t p, int32_t first, size_t count);
  // Point p is now a vertex of the network.
  void PointInserted(int32_t p);

  // The triangle that LocateTriangle would return for point p, or -1 when
  // that cannot be shown here. The search starts from `hint` when it is a
  // triangle (any live one will do), else from a point inserted close by.
  int32_t Locate(int32_t p, int32_t hint = -1) const;

  // Asks the cache early for what Locate and the cavity search will read
  // for the coming points, upcoming[d - 1] being the point of insertion
  // sequence + d (d up to count, at most kInsertionLookahead). Called once
  // per insertion, it takes each of them one stage further (the point, its
  // fine cell, the recent point there, its triangle, then a step of the walk
  // towards the point at a time, and last, on tables larger than the
  // last-level cache, three rings of triangles round the one reached, with
  // their corners).
  void Prefetch(const int32_t* upcoming, int count, uint32_t sequence) const;
  // The triangle the lookahead of p reached (a start for Locate), or -1.
  int32_t Hint(int32_t p, uint32_t sequence) const;

 private:
  struct Shape {
    bool certain = false;
    int altitudeExponent = 0;  // the least altitude exceeds 2^altitudeExponent
    double reach = 0;              // infinite: too far to bound
    double box[4] = {0, 0, 0, 0};  // min x, min y, max x, max y, grown by the reach; only of filed ones
  };
  // The differences from corner a of a triangle a, b, c to b and c, and the
  // squares of its three sides, from which ShapeOf works.
  struct Sides {
    double abx, aby, acx, acy;
    double ab, ac, bc;
  };
  Sides SidesOf(int32_t t) const;
  Shape ShapeOf(int32_t t) const;
  bool SurelyPlain(const Sides& sides) const;
  void SetPlainBounds();
  Shape ShapeFrom(const Sides& sides, PlanePosition a, PlanePosition b, PlanePosition c) const;
  void File(int32_t t, int sign);
  bool IsPlain(const Shape& shape) const {
    return shape.certain && shape.altitudeExponent >= plainExponent_ && !(shape.reach > reachLimit_);
  }
  // Counts and files a triangle that is not plain, laid (sign 1) or removed.
  void FileShape(int32_t t, int sign, const Shape& shape);
  int32_t FineCell(double x, double y) const;
  int32_t FineIndex(double value, double origin, int32_t limit) const;
  // The point inserted last in the smallest cell around (x, y) that has one,
  // or -1.
  int32_t RecentNear(double x, double y) const;
  int StepToward(PlanePosition q, int32_t t, int step) const;
  int32_t Candidate(PlanePosition q, int32_t from) const;
  struct Margins {
    double band2;      // BandDistance2()
    bool clearOfBand;  // every edge tested lies that far from q
  };
  double BandDistance2() const;
  struct Clearance {
    unsigned sides = 0;  // bit i: side i
    unsigned band = 0;
  };
  static constexpr unsigned kAllSides = 7;
  Clearance SidesClear(int32_t t, PlanePosition q, double band2) const;
  bool ClearOfSide(const TriangleRecord& tri, int side, PlanePosition q, Margins& margins) const;
  int32_t LocateOnSide(TriangleSide side, PlanePosition q, Margins& margins) const;
  static bool EndsApart(PlanePosition A, PlanePosition q, PlanePosition a, PlanePosition b);
  int32_t LocateInLine(TriangleSide side, TriangleSide beyond, int32_t start, PlanePosition q) const;
  bool WalkReaches(PlanePosition q, const Margins& margins) const;
  // No live triangle but t and u (-1: t alone) accepts q.
  bool NoOtherReaches(int32_t t, int32_t u, PlanePosition q) const;

  struct Lookahead {
    enum Stage { kPoint, kCell, kNear, kStart, kCorners, kStep, kRing, kOuterRing, kOuterCorners, kThirdRing, kThirdCorners, kReady };
    int32_t point;
    Stage stage;
    int32_t triangle;  // the recent point at kStart, then the walk's triangle
    int steps;
  };
  void Advance(Lookahead& a) const;
  static constexpr int kLookaheadSteps = 8;
  bool ringsAhead_ = false;  // the lookahead asks for the rings round the triangle (kRing on)
  mutable std::array<Lookahead, 32> ahead_{};
  static_assert(kInsertionLookahead < 32);

  const ModelStore* store_ = nullptr;
  double minX_ = 0, minY_ = 0, side_ = 1;
  double perSide_ = 1;  // 1 / side_: cells are found by a product, several times per point
  int32_t columns_ = 0, rows_ = 0;
  // The fine grid and coarser grids over it, each of cells twice as wide as
  // the one before, down to a single cell. A point falls into the fine cell
  // (column, row) and into (column >> k, row >> k) of level k. Per cell:
  //  - the point inserted there last: early in a build, while the fine
  //    cells are still mostly empty, a coarser level gives a point close by;
  //  - the long-reach triangles filed over it, each at the finest level
  //    where the box of its reach covers few cells.
  // Side by side, so that one read brings both for a located point.
  struct Cell {
    int32_t point;
    int32_t reaching;
  };
  struct Level {
    int32_t columns;
    int32_t rows;
    std::vector<Cell> cells;
    // The cell of this level, the k-th, over the fine cell (column, row).
    size_t Above(int32_t column, int32_t row, size_t k) const {
      return static_cast<size_t>((column >> k) * rows + (row >> k));
    }
  };
  std::vector<Level> levels_;
  // The cells of level k over the fine rows and columns c0..c1, r0..r1.
  struct CellRange {
    int32_t c0, c1, r0, r1;
    int64_t Count() const { return (static_cast<int64_t>(c1) - c0 + 1) * (static_cast<int64_t>(r1) - r0 + 1); }
  };
  // The level at which a triangle of finite reach is filed, and its cells.
  size_t FilingLevel(const Shape& shape, CellRange& cells) const;
  // The long-reach triangles by the cells they are filed over, asked one by
  // one for the points that fall there.
  static uint64_t FiledKey(size_t level, size_t cell) { return (static_cast<uint64_t>(level) << 40) | cell; }
  // (A cell's list is a vector: the coarser cells hold dozens, and a removal
  // scans for its triangle.)
  std::unordered_map<uint64_t, std::vector<int32_t>> filed_;
  // Triangles whose reach cannot be bounded: asked one by one.
  std::unordered_set<int32_t> farReaching_;
  // Live triangles that are not plain, by the binary exponent of a lower
  // bound of their least altitude; the lowest bucket in use, or failing it
  // plainExponent_, bounds every altitude from below.
  std::array<int32_t, 2200> thinness_{};
  mutable int32_t lowestThinness_ = 2200;
  // BandDistance2() and the thinnest exponent it was worked out for.
  mutable int bandThinnest_ = INT_MIN;
  mutable double band2_ = 0;
  // Per triangle record, one bit: the triangle is not plain (File).
  std::vector<uint64_t> special_;
  int plainExponent_ = 0;
  // SurelyPlain's bounds (SetPlainBounds).
  double plainLongest2_[2] = {1, 0};
  double plainAltitude_ = 0;
  double plainReach_ = 0;
  int64_t doubtful_ = 0;   // live triangles not certainly counter-clockwise
  bool frameConvex_ = false;
  double reachLimit_ = 0;  // reach below which a triangle is not filed
  double frameSpread_ = 0;  // spread in x or y of every point of the network
  double bandArea_ = 0;    // bound of an orientation's rounding error over the frame
};

}  // namespace quarvelin
