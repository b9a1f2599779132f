#include "store/grid_index.h"

#include <cstdio>

#include "platform/system.h"

namespace quarvelin {

void FillGridLine(GridCell* cells, int64_t first, int64_t stride, int32_t m) {
  auto at = [&](int32_t k) -> int32_t& { return cells[first + k * stride].firstPoint; };
  int32_t lo = 0;
  while (lo < m && at(lo) == -1) ++lo;
  if (lo == m) return;
  int32_t hi = m - 1;
  while (at(hi) == -1) --hi;
  if (lo > 0) at(lo - 1) = at(lo);
  if (hi < m - 1) ++hi;
  // at(lo) is occupied, so k - 1 never leaves the line.
  for (int32_t k = lo; k <= hi; ++k) {
    if (at(k) == -1) at(k) = at(k - 1);
  }
}

void FillEmptyCells(PointGrid& grid) {
  GridCell* cells = grid.cells.data();
  // Cell (c, r) is c * rowCount + r: along a row the stride is rowCount.
  for (int32_t r = 0; r < grid.rowCount; ++r) FillGridLine(cells, r, grid.rowCount, grid.columnCount);
  for (int32_t c = 0; c < grid.columnCount; ++c) {
    FillGridLine(cells, static_cast<int64_t>(c) * grid.rowCount, 1, grid.rowCount);
  }
}

Status WriteGridIndex(ModelStore& store) {
  FillEmptyCells(store.grid);
  const std::string path = ProjectFilePath(store.projectDirectory, kProjectFolder, "Grid.idx");
  std::FILE* file = OpenFile(path, "wb");
  if (!file) return Failed("无法创建Grid.idx文件：" + path);
  const std::vector<GridCell>& cells = store.grid.cells;
  // GridCell is the file's record, little-endian as the records check.
  const bool written =
      cells.empty() || std::fwrite(cells.data(), sizeof(GridCell), cells.size(), file) == cells.size();
  if (std::fclose(file) != 0 || !written) return Failed("写入Grid.idx文件失败：" + path);
  return Done();
}

}  // namespace quarvelin
