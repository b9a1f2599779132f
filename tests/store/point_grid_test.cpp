// Sizing of the point grid, the filing of the survey points into its cells
// and the sweeps of the insertion walk.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "store/model_store.h"
#include "store/point_import.h"
#include "support/test_network.h"

namespace quarvelin {
namespace {

PointGrid Sized(double width, double height) {
  PointGrid grid;
  SizeGrid(grid, 1000, 2000, 1000 + width, 2000 + height);
  return grid;
}

TEST(PointGrid, SizingTakesTheSmallestMultipleOfAHundred) {
  PointGrid g = Sized(49900, 1000);
  EXPECT_EQ(g.cellSize, 100);
  EXPECT_EQ(g.columnCount, 500);
  EXPECT_EQ(g.rowCount, 11);
  g = Sized(50000, 1000);
  EXPECT_EQ(g.cellSize, 200);
  EXPECT_EQ(g.columnCount, 251);
  EXPECT_EQ(g.rowCount, 6);
  g = Sized(0, 0);
  EXPECT_EQ(g.cellSize, 100);
  EXPECT_EQ(g.columnCount, 1);
  EXPECT_EQ(g.rowCount, 1);
  g = Sized(1000, 99999.95);  // 99999.95 / 200 + 0.001 = 500.00075: one cell too many
  EXPECT_EQ(g.cellSize, 300);
  EXPECT_EQ(g.rowCount, 334);
}

TEST(PointGrid, SizingAgreesWithSteppingByAHundred) {
  // The sizing skips ahead through large boxes; it must land where stepping
  // 100 at a time does.
  auto stepped = [](double width, double height) {
    double cellSize = 0;
    int64_t columns = 0, rows = 0;
    do {
      cellSize += 100;
      columns = static_cast<int64_t>(width / cellSize + 0.001) + 1;
      rows = static_cast<int64_t>(height / cellSize + 0.001) + 1;
    } while (columns > 500 || rows > 500);
    return cellSize;
  };
  auto expectStepped = [&](double width, double height) {
    PointGrid g = Sized(width, height);
    ASSERT_EQ(g.cellSize, stepped(width, height)) << width << " x " << height;
    EXPECT_EQ(g.columnCount, static_cast<int32_t>(width / g.cellSize + 0.001) + 1);
    EXPECT_EQ(g.rowCount, static_cast<int32_t>(height / g.cellSize + 0.001) + 1);
    EXPECT_LE(g.columnCount, 500);
    EXPECT_LE(g.rowCount, 500);
  };
  for (double width : {0.0, 1.0, 49899.0, 49900.0, 49950.0, 50000.0, 99999.95, 123456.7, 4e6, 4e7, 4e7 + 1}) {
    for (double height : {0.0, 777.0, 50000.0, 3e6}) expectStepped(width, height);
  }
  // Extents at and a rounding step either side of every threshold
  // 49999.95 * k, where the count of one size falls to 500, and at random.
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> anywhere(0, 2e7);
  for (int k = 1; k <= 400; ++k) {
    const double threshold = 49999.95 * k;
    for (double width : {std::nextafter(threshold, 0.0), threshold, std::nextafter(threshold, 1e300)}) {
      expectStepped(width, anywhere(rng));
      expectStepped(anywhere(rng) / 1e3, width);
    }
  }
}

TEST(PointGrid, BoxesTheGridCannotHoldAreRefused) {
  PointGrid grid;
  EXPECT_TRUE(SizeGrid(grid, 0, 0, 4.5e18, 1));  // cells of 9e15, still multiples of 100
  for (double maxX : {4.6e18, 1e20, std::nan("")}) EXPECT_FALSE(SizeGrid(grid, 0, 0, maxX, 1)) << maxX;
  EXPECT_FALSE(SizeGrid(grid, -1e308, 0, 1e308, 1));  // the width overflows
}

TEST(PointGrid, CellsAreNumberedColumnMajor) {
  PointGrid g = Sized(49900, 1000);
  EXPECT_EQ(g.CellAt(1000, 2000), 0);
  EXPECT_EQ(g.CellAt(1000, 2000 + 1000), 10);               // top row of column 0
  EXPECT_EQ(g.CellAt(1000 + 150, 2000 + 250), 1 * 11 + 2);  // column 1, row 2
  // The maximum x falls into the last column, not beyond it.
  EXPECT_EQ(g.CellAt(1000 + 49900, 2000), 499 * 11);
  // Just below the minimum still truncates to the first cell; a whole cell
  // below, beyond the grid, or not a number is outside.
  EXPECT_EQ(g.CellAt(1000 - 50, 2000 - 99), 0);
  EXPECT_EQ(g.CellAt(1000 - 150, 2000), -1);
  EXPECT_EQ(g.CellAt(1000 + 50000, 2000), -1);
  EXPECT_EQ(g.CellAt(1000, 2000 + 1100), -1);
  EXPECT_EQ(g.CellAt(std::nan(""), 2000), -1);
}

// An in-memory store with the given survey (frame corners zero) filed into a
// grid over the box.
struct FiledStore {
  FiledStore(const std::vector<testing::XY>& survey, double minX, double minY, double maxX, double maxY) {
    points.assign(survey.size() + 4, PointRecord{});
    for (size_t i = 0; i < points.size(); ++i) {
      points[i].nextInCell = 7000 + static_cast<int32_t>(i);  // what the host left there
      points[i].incidentTriangle = 1234;
      if (i >= 4) {
        points[i].x = survey[i - 4].x;
        points[i].y = survey[i - 4].y;
      }
    }
    store.points = points.data();
    store.pointCount = static_cast<int32_t>(points.size());
    SizeGrid(store.grid, minX, minY, maxX, maxY);
    const size_t cells = static_cast<size_t>(store.grid.columnCount * store.grid.rowCount);
    store.grid.cells.assign(cells, GridCell{-1, -1, -1, 0});
    store.cellOrder.resize(cells);
    for (size_t k = 0; k < cells; ++k) store.cellOrder[k] = {static_cast<int32_t>(k), 0};
    BucketPoints(store);
    BuildCellOrder(store);
  }
  std::vector<PointRecord> points;
  ModelStore store;
};

TEST(PointGrid, ListsRunInAscendingIndexAndLeaveTheLastLinkAlone) {
  // Three cells of a 300 x 100 box: cell 0 gets points 4, 6, 9; cell 1 gets 5;
  // cell 2 gets 7, 8.
  FiledStore f({{10, 10}, {150, 10}, {20, 20}, {250, 50}, {299, 99}, {30, 30}}, 0, 0, 299, 99);
  const auto& cells = f.store.grid.cells;
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(cells[0].firstPoint, 4);
  EXPECT_EQ(cells[0].lastPoint, 9);
  EXPECT_EQ(cells[0].cursor, 4);
  EXPECT_EQ(cells[0].count, 3);
  EXPECT_EQ(f.points[4].nextInCell, 6);
  EXPECT_EQ(f.points[6].nextInCell, 9);
  EXPECT_EQ(f.points[9].nextInCell, 7009);  // the last of its cell: untouched
  EXPECT_EQ(f.points[5].nextInCell, 7005);
  EXPECT_EQ(f.points[7].nextInCell, 8);
  EXPECT_EQ(f.points[8].nextInCell, 7008);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(f.points[i].nextInCell, 7000 + i) << "frame corner " << i;
  for (int i = 4; i < 10; ++i) EXPECT_EQ(f.points[i].incidentTriangle, -1);
  EXPECT_EQ(f.points[0].incidentTriangle, 1234);
  EXPECT_EQ(f.store.occupiedCells, 3);
}

TEST(PointGrid, SweepsTakeOnePointPerCellInCellOrder) {
  // Cells holding 3, 1 and 2 points, in cell number order.
  FiledStore f({{10, 10}, {20, 20}, {30, 30}, {150, 10}, {250, 10}, {260, 20}}, 0, 0, 299, 99);
  std::vector<int32_t> order;
  std::vector<size_t> sweepStarts;
  RunInsertionWalk(
      f.store, [&] { sweepStarts.push_back(order.size()); }, [&](int32_t p) { order.push_back(p); });
  // Sweep 0: the cells with 1, 2 and 3 points; sweep 1: those with 2 and 3;
  // sweep 2: the cell with 3.
  EXPECT_EQ(order, (std::vector<int32_t>{7, 8, 4, 9, 5, 6}));
  EXPECT_EQ(sweepStarts, (std::vector<size_t>{0, 3, 5}));
  // Each cursor ends at the nextInCell of its cell's last point.
  EXPECT_EQ(f.store.grid.cells[0].cursor, 7006);
  EXPECT_EQ(f.store.grid.cells[1].cursor, 7007);
  EXPECT_EQ(f.store.grid.cells[2].cursor, 7009);
}

TEST(PointGrid, NoSurveyPointsNoSweep) {
  FiledStore f({}, 0, 0, 0, 0);
  EXPECT_EQ(f.store.occupiedCells, 0);
  EXPECT_EQ(f.store.grid.cells.size(), 1u);
  EXPECT_EQ(f.store.grid.cells[0].firstPoint, -1);
  int sweeps = 0;
  RunInsertionWalk(f.store, [&] { ++sweeps; }, [](int32_t) {});
  EXPECT_EQ(sweeps, 0);
}

}  // namespace
}  // namespace quarvelin
