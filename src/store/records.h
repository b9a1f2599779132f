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

// Position of `vertex` among the corners of t, or -1.
inline int VertexPosition(const TriangleRecord& t, int32_t vertex) {
  return t.vertex[0] == vertex ? 0 : t.vertex[1] == vertex ? 1 : t.vertex[2] == vertex ? 2 : -1;
}

// Position of `triangle` among the neighbours of t, or -1.
inline int NeighbourPosition(const TriangleRecord& t, int32_t triangle) {
  return t.neighbour[0] == triangle ? 0
         : t.neighbour[1] == triangle ? 1
         : t.neighbour[2] == triangle ? 2
                                      : -1;
}

}  // namespace quarvelin
