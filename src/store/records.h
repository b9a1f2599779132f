// On-disk records of the point and triangle tables and the point grid.
// The tables are little-endian files shared with the host; these structs are
// laid over their mapped bytes, so their layout is the file layout.
#pragma once

#include <bit>
#include <cstdint>

namespace quarvelin {

static_assert(std::endian::native == std::endian::little,
              "the table files are little-endian and are mapped as they are");

// A point of Point.xyz. Records 0 to 3 are the frame corners, counter-clockwise;
// survey points begin at record 4. The reserved words are never read or written.
struct PointRecord {
  double x;
  double y;
  double z;
  int32_t nextInCell;        // next point of the same grid cell
  uint8_t reserved0[4];
  int32_t incidentTriangle;  // a triangle with this point as a corner, -1 if none
  uint8_t reserved1[4];
};
static_assert(sizeof(PointRecord) == 40);

constexpr char kOrdinaryEdge = 'a';
constexpr char kFixedEdge = 'f';
constexpr char kLiveTriangle = 'Y';
constexpr char kRemovedTriangle = 'N';
// The state breakline enforcement writes into the triangles it lays again:
// a zero byte, not 'Y'. Readers test for 'N' only, and TIN.tri has always
// held 0 there.
constexpr char kRelaidTriangle = 0;

// A triangle of TIN.tri, its corners counter-clockwise. neighbour[i] lies across
// the edge opposite vertex[i] (from vertex[i+1] to vertex[i+2], modulo 3), -1 on
// the outer boundary; links are symmetric. Readers test state against 'N' only.
struct TriangleRecord {
  int32_t vertex[3];
  int32_t neighbour[3];
  char edgeMark[3];
  char state;
};
static_assert(sizeof(TriangleRecord) == 28);

// One cell of the point grid, exactly as Grid.idx stores it.
struct GridCell {
  int32_t firstPoint;
  int32_t lastPoint;
  int32_t cursor;  // next point of the cell still to be inserted
  int32_t count;
};
static_assert(sizeof(GridCell) == 16);

struct CellOrderEntry {
  int32_t cell;
  int32_t count;
};
static_assert(sizeof(CellOrderEntry) == 8);

// The first of three slots holding `value` (0, 1 or 2), or -1. Without
// branches on the matches: which slot matches is as good as random, and the
// walks and the cavity search ask this several times per point.
inline int FirstMatch(const int32_t (&slots)[3], int32_t value) {
  const int m0 = slots[0] == value, m1 = slots[1] == value, m2 = slots[2] == value;
  const int from2 = 3 * m2 - 1;                   // 2 or -1
  const int from1 = m1 + (1 - m1) * from2;        // 1, else the above
  return (1 - m0) * from1;                        // 0, else the above
}

// Position of `vertex` among the corners of t, or -1.
inline int VertexPosition(const TriangleRecord& t, int32_t vertex) { return FirstMatch(t.vertex, vertex); }

// Position of `triangle` among the neighbours of t, or -1.
inline int NeighbourPosition(const TriangleRecord& t, int32_t triangle) { return FirstMatch(t.neighbour, triangle); }

}  // namespace quarvelin
