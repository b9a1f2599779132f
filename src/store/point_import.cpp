#include "store/point_import.h"

#include <cmath>
#include <cstdint>
#include <new>

#include "platform/system.h"
#include "platform/text_scan.h"
#include "platform/text_writer.h"
#include "store/cell_order.h"

namespace quarvelin {

namespace {

std::string PointLabel(int32_t index, const PointRecord& p) {
  std::string text = "第";
  AppendInt(text, index);
  text += "点（X=";
  AppendFixed(text, p.x);
  text += " Y=";
  AppendFixed(text, p.y);
  text += "）";
  return text;
}

// Every survey point must have finite coordinates and fall into a cell of the
// grid; one that does not would be filed outside the grid arrays.
bool CheckSurveyPoints(const ModelStore& store, std::string& message) {
  for (int32_t i = 4; i < store.pointCount; ++i) {
    const PointRecord& p = store.points[i];
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
      message = PointLabel(i, p) + "的坐标不是有效数字，请查错!";
      return false;
    }
    if (store.grid.CellAt(p.x, p.y) < 0) {
      message = PointLabel(i, p) + "超出点索引文件中的范围，请查错!";
      return false;
    }
  }
  for (int32_t i = 0; i < 4; ++i) {
    const PointRecord& p = store.points[i];
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
      message = "图框角点" + PointLabel(i, p) + "的坐标不是有效数字，请查错!";
      return false;
    }
  }
  return true;
}

}  // namespace

bool ReadPointIndex(const std::string& path, PointIndex& index, std::string& message) {
  TextScanner scan;
  if (!scan.Open(path)) {
    message = path;
    return false;
  }
  bool complete = scan.ReadInt(index.pointCount) && scan.ReadDouble(index.minX) && scan.ReadDouble(index.minY) &&
                  scan.ReadDouble(index.maxX) && scan.ReadDouble(index.maxY);
  if (!complete) {
    message = "点索引文件格式有误：" + path;
    return false;
  }
  // lastTriangle, a 32-bit index, reaches 2 * (pointCount - 4) + 1.
  constexpr int32_t kMostPoints = (INT32_MAX - 1) / 2 + 4;
  if (index.pointCount < 4 || index.pointCount > kMostPoints) {
    message = "点索引文件中的点数有误：" + path;
    return false;
  }
  if (!std::isfinite(index.minX) || !std::isfinite(index.minY) || !std::isfinite(index.maxX) ||
      !std::isfinite(index.maxY) || index.minX > index.maxX || index.minY > index.maxY) {
    message = "点索引文件中的坐标范围有误：" + path;
    return false;
  }
  return true;
}

bool ImportPoints(ModelStore& store, std::string& message) {
  PointIndex index;
  if (!ReadPointIndex(ProjectFilePath(store.projectDirectory, "PMAP", "PtIndex.idx"), index, message)) return false;
  store.pointCount = index.pointCount;

  std::string pointPath = ProjectFilePath(store.projectDirectory, "PMAP", "Point.xyz");
  std::string error;
  if (!store.pointFile.Open(pointPath, "MemMapping", &error)) {
    message = "无法打开点数据文件：" + pointPath;
    return false;
  }
  if (store.pointFile.size() / sizeof(PointRecord) < static_cast<uint64_t>(store.pointCount)) {
    store.pointFile.Close();
    message = "点数据文件中的点少于点索引文件中的点数：" + pointPath;
    return false;
  }
  store.points = reinterpret_cast<PointRecord*>(store.pointFile.data());

  // The triangle table is mapped only after the import, but a build whose
  // table is missing or too small must not have written the points either.
  std::string trianglePath = ProjectFilePath(store.projectDirectory, "PMAP", "TIN.tri");
  int64_t triangleBytes = FileSize(trianglePath);
  if (triangleBytes < 0) {
    message = "无法打开三角网文件：" + trianglePath;
    return false;
  }
  if (triangleBytes / static_cast<int64_t>(sizeof(TriangleRecord)) < store.TrianglesNeeded()) {
    message = "三角网文件太小，容纳不下所需的三角形：" + trianglePath;
    return false;
  }

  SizeGrid(store.grid, index.minX, index.minY, index.maxX, index.maxY);
  size_t cellCount = static_cast<size_t>(store.grid.columnCount) * static_cast<size_t>(store.grid.rowCount);
  try {
    store.grid.cells.assign(cellCount, GridCell{-1, -1, -1, 0});
  } catch (const std::bad_alloc&) {
    message = "网格数组分配内存失败!";
    return false;
  }
  try {
    store.cellOrder.resize(cellCount);
  } catch (const std::bad_alloc&) {
    message = "网格排序数组分配内存失败!";
    return false;
  }
  for (size_t k = 0; k < cellCount; ++k) store.cellOrder[k] = CellOrderEntry{static_cast<int32_t>(k), 0};
  store.occupiedCells = 0;

  if (!CheckSurveyPoints(store, message)) return false;
  BucketPoints(store);
  return true;
}

void BucketPoints(ModelStore& store) {
  PointGrid& grid = store.grid;
  for (int32_t i = 4; i < store.pointCount; ++i) {
    PointRecord& p = store.points[i];
    GridCell& cell = grid.cells[static_cast<size_t>(grid.CellAt(p.x, p.y))];
    if (cell.lastPoint == -1) {
      cell.firstPoint = i;
      cell.cursor = i;
    } else {
      store.points[cell.lastPoint].nextInCell = i;
    }
    cell.lastPoint = i;
    ++cell.count;
    p.incidentTriangle = -1;
  }
}

void BuildCellOrder(ModelStore& store) {
  int32_t occupied = 0;
  const int32_t cellCount = store.grid.columnCount * store.grid.rowCount;
  for (int32_t k = 0; k < cellCount; ++k) {
    const GridCell& cell = store.grid.cells[static_cast<size_t>(k)];
    if (cell.count > 0) store.cellOrder[static_cast<size_t>(occupied++)] = CellOrderEntry{k, cell.count};
  }
  store.occupiedCells = occupied;
  SortCellOrder(store.cellOrder.data(), occupied);
}

void RunInsertionWalk(ModelStore& store, const std::function<void()>& sweepStarted,
                      const std::function<void(int32_t)>& insert) {
  const int32_t occupied = store.occupiedCells;
  int32_t start = 0;
  int32_t sweep = 0;
  auto cellOf = [&](int32_t e) -> GridCell& {
    return store.grid.cells[static_cast<size_t>(store.cellOrder[static_cast<size_t>(e)].cell)];
  };
  while (start < occupied) {
    sweepStarted();
    for (int32_t e = start; e < occupied; ++e) {
      // The cells of one sweep lie all over the survey: fetch what the next
      // two insertions start from (their points, then the start triangle).
      if (e + 2 < occupied) {
        const GridCell& ahead = cellOf(e + 2);
        store.PrefetchPoint(ahead.cursor);
        store.PrefetchPoint(ahead.firstPoint);
      }
      if (e + 1 < occupied && store.triangles) {
        const int32_t first = cellOf(e + 1).firstPoint;
        if (first >= 0) store.PrefetchTriangle(store.points[first].incidentTriangle);
      }
      GridCell& cell = cellOf(e);
      int32_t p = cell.cursor;
      insert(p);
      cell.cursor = store.points[p].nextInCell;
    }
    ++sweep;
    while (start < occupied && store.cellOrder[static_cast<size_t>(start)].count == sweep) ++start;
  }
}

}  // namespace quarvelin
