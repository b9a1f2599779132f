// The line fill of Grid.idx, its two passes, and the file a build writes.
#include "store/grid_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>

#include "support/project_fixture.h"

namespace quarvelin {
namespace {

using testing::ReadFileBytes;
using testing::TempDirectory;

constexpr GridCell kEmpty = {-1, -1, -1, 0};

GridCell Occupied(int32_t first) { return {first, first + 1, 77, 2}; }
GridCell Filled(int32_t first) { return {first, -1, -1, 0}; }

bool operator==(const GridCell& a, const GridCell& b) {
  return a.firstPoint == b.firstPoint && a.lastPoint == b.lastPoint && a.cursor == b.cursor && a.count == b.count;
}

std::vector<int32_t> FirstPoints(const std::vector<GridCell>& cells) {
  std::vector<int32_t> first;
  for (const GridCell& c : cells) first.push_back(c.firstPoint);
  return first;
}

std::vector<GridCell> FilledLine(std::vector<GridCell> line) {
  FillGridLine(line.data(), 0, 1, static_cast<int32_t>(line.size()));
  return line;
}

TEST(FillGridLine, DocumentedExamples) {
  std::vector<GridCell> line(10, kEmpty);
  line[3] = Occupied(40);
  std::vector<GridCell> filled = FilledLine(line);
  EXPECT_EQ(FirstPoints(filled), (std::vector<int32_t>{-1, -1, 40, 40, 40, -1, -1, -1, -1, -1}));
  EXPECT_TRUE(filled[2] == Filled(40) && filled[3] == Occupied(40) && filled[4] == Filled(40));

  line.assign(10, kEmpty);
  line[2] = Occupied(20);
  line[6] = Occupied(60);
  EXPECT_EQ(FirstPoints(FilledLine(line)), (std::vector<int32_t>{-1, 20, 20, 20, 20, 20, 60, 60, -1, -1}));

  // Occupied at both ends: nothing to extend.
  line.assign(4, kEmpty);
  line[0] = Occupied(5);
  line[3] = Occupied(9);
  EXPECT_EQ(FirstPoints(FilledLine(line)), (std::vector<int32_t>{5, 5, 5, 9}));

  line.assign(6, kEmpty);
  EXPECT_EQ(FirstPoints(FilledLine(line)), std::vector<int32_t>(6, -1));
  line.assign(1, Occupied(8));
  EXPECT_EQ(FirstPoints(FilledLine(line)), std::vector<int32_t>{8});
}

TEST(FillGridLine, FollowsTheStride) {
  // Every third cell of a buffer from cell 1 on; the others are untouched.
  std::vector<GridCell> cells(14, kEmpty);
  cells[1 + 3 * 2] = Occupied(12);
  FillGridLine(cells.data(), 1, 3, 4);
  EXPECT_EQ(FirstPoints(cells), (std::vector<int32_t>{-1, -1, -1, -1, 12, -1, -1, 12, -1, -1, 12, -1, -1, -1}));
}

PointGrid GridOf(int32_t columns, int32_t rows) {
  PointGrid grid;
  grid.columnCount = columns;
  grid.rowCount = rows;
  grid.cells.assign(static_cast<size_t>(columns) * static_cast<size_t>(rows), kEmpty);
  return grid;
}

TEST(FillEmptyCells, RowsFirstThenColumnsOverTheFilledCells) {
  // Only the centre of 3 by 3: the row pass fills row 1, the column pass
  // then fills every column from it.
  PointGrid grid = GridOf(3, 3);
  grid.cells[1 * 3 + 1] = Occupied(4);
  FillEmptyCells(grid);
  EXPECT_EQ(FirstPoints(grid.cells), std::vector<int32_t>(9, 4));
  EXPECT_TRUE(grid.cells[0] == Filled(4));
  EXPECT_TRUE(grid.cells[4] == Occupied(4));

  // Cell numbers run down the columns: cell c * rowCount + r.
  grid = GridOf(4, 2);
  grid.cells[3 * 2 + 0] = Occupied(30);  // column 3, row 0
  FillEmptyCells(grid);
  // Row 0 gets 30 in column 2; columns 2 and 3 are then extended to row 1.
  EXPECT_EQ(FirstPoints(grid.cells), (std::vector<int32_t>{-1, -1, -1, -1, 30, 30, 30, 30}));
}

TEST(FillEmptyCells, ColumnsWithTheLastRowOccupiedAreNotExtended) {
  // More columns than rows: the column pass must stop at the last row.
  PointGrid grid = GridOf(5, 2);
  grid.cells[0 * 2 + 1] = Occupied(7);
  FillEmptyCells(grid);
  EXPECT_EQ(FirstPoints(grid.cells), (std::vector<int32_t>{7, 7, 7, 7, -1, -1, -1, -1, -1, -1}));
  EXPECT_EQ(grid.cells.size(), 10u);
}

class GridIndexFileTest : public ::testing::Test {
 protected:
  GridIndexFileTest() {
    std::filesystem::create_directories(dir_.path() / "PMAP");
    store_.projectDirectory = dir_.path().string();
    store_.grid = GridOf(3, 2);
    store_.grid.cells[2 * 2 + 1] = Occupied(11);
  }
  TempDirectory dir_;
  ModelStore store_;
};

TEST_F(GridIndexFileTest, CellsInCellNumberOrderSixteenBytesEach) {
  const Status written = WriteGridIndex(store_);
  ASSERT_TRUE(written.ok()) << written.message;
  const std::string bytes = ReadFileBytes(dir_.path() / "PMAP" / "Grid.idx");
  ASSERT_EQ(bytes.size(), 3u * 2u * 16u);
  // Row 1 fills column 1; the columns then reach down to row 0 in
  // columns 1 and 2.
  const int32_t expected[] = {-1, -1, -1, 0,  -1, -1, -1, 0,  11, -1, -1, 0,
                              11, -1, -1, 0,  11, -1, -1, 0,  11, 12, 77, 2};
  EXPECT_EQ(std::memcmp(bytes.data(), expected, sizeof expected), 0);
}

TEST_F(GridIndexFileTest, UncreatableFileIsReported) {
  std::filesystem::create_directory(dir_.path() / "PMAP" / "Grid.idx");
  const Status written = WriteGridIndex(store_);
  EXPECT_FALSE(written.ok());
  EXPECT_NE(written.message.find("Grid.idx"), std::string::npos) << written.message;
}

TEST(GridIndexBuild, OccupiedCellsKeepTheHostsLastLinkAsCursor) {
  // The host leaves its own values in nextInCell; the last point of every
  // cell keeps its value, and Grid.idx shows it as the cell's cursor.
  TempDirectory dir;
  std::mt19937_64 rng(2);
  std::uniform_real_distribution<double> u(0, 2000);
  std::vector<testing::SurveyXYZ> survey;
  survey.push_back({0, 0, 1});
  for (int i = 0; i < 3000; ++i) survey.push_back({u(rng), u(rng) / 3, 1});
  ASSERT_TRUE(testing::WriteProjectFiles(dir.path(), survey));
  const std::filesystem::path pmap = dir.path() / "PMAP";
  std::string table = ReadFileBytes(pmap / "Point.xyz");
  std::vector<PointRecord> before(table.size() / sizeof(PointRecord));
  std::memcpy(before.data(), table.data(), table.size());
  for (size_t p = 0; p < before.size(); ++p) before[p].nextInCell = 100000 + static_cast<int32_t>(p);
  ASSERT_TRUE(testing::WriteBytes(pmap / "Point.xyz", before.data(), table.size()));

  const testing::ProgramResult result =
      testing::RunProgram("quarvelin-cli", {"--project", dir.path().string(), "--quiet"});
  ASSERT_EQ(result.status, 0) << result.err;
  double maxX = 0, maxY = 0;
  for (const testing::SurveyXYZ& p : survey) maxX = std::max(maxX, p.x), maxY = std::max(maxY, p.y);
  PointGrid sized;
  SizeGrid(sized, 0, 0, maxX, maxY);
  const std::string bytes = ReadFileBytes(pmap / "Grid.idx");
  std::vector<GridCell> cells(bytes.size() / sizeof(GridCell));
  std::memcpy(cells.data(), bytes.data(), bytes.size());
  table = ReadFileBytes(pmap / "Point.xyz");
  std::vector<PointRecord> after(before.size());
  std::memcpy(after.data(), table.data(), table.size());

  ASSERT_EQ(cells.size(), static_cast<size_t>(sized.columnCount) * static_cast<size_t>(sized.rowCount));
  int occupied = 0;
  for (const GridCell& c : cells) {
    if (c.count == 0) {
      EXPECT_TRUE(c.lastPoint == -1 && c.cursor == -1);
      EXPECT_TRUE(c.firstPoint == -1 || (c.firstPoint >= 4 && c.firstPoint < static_cast<int32_t>(after.size())));
      continue;
    }
    ++occupied;
    EXPECT_EQ(c.cursor, 100000 + c.lastPoint);
    EXPECT_EQ(after[static_cast<size_t>(c.lastPoint)].nextInCell, 100000 + c.lastPoint);
  }
  EXPECT_GT(occupied, 100);
}

TEST(GridIndexBuild, UncreatableFileIsReportedAndTheBuildGoesOn) {
  TempDirectory dir;
  ASSERT_TRUE(testing::WriteProjectFiles(dir.path(), {{0, 0, 1}, {300, 0, 2}, {150, 200, 3}}));
  std::filesystem::create_directory(dir.path() / "PMAP" / "Grid.idx");
  const testing::ProgramResult result =
      testing::RunProgram("quarvelin-cli", {"--project", dir.path().string(), "--quiet"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("无法创建Grid.idx文件"), std::string::npos) << result.err;
  EXPECT_TRUE(std::filesystem::is_regular_file(dir.path() / "PMAP" / "TIN.inf"));
}

}  // namespace
}  // namespace quarvelin
