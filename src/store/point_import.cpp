#include "store/point_import.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <new>

#include "platform/system.h"
#include "platform/text_scan.h"
#include "platform/text_writer.h"
#include "store/cell_order.h"
#include "tin/predicates.h"

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

// Every survey point must have finite coordinates and height and fall into a
// cell of the grid; one that does not would be filed outside the grid arrays,
// and a height that is no number would reach every output.
Status CheckSurveyPoints(const ModelStore& store) {
  for (int32_t i = 4; i < store.pointCount; ++i) {
    const PointRecord& p = store.points[i];
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return Failed(PointLabel(i, p) + "的坐标不是有效数字，请查错!");
    if (!std::isfinite(p.z)) return Failed(PointLabel(i, p) + "的高程不是有效数字，请查错!");
    if (store.grid.CellAt(p.x, p.y) < 0) return Failed(PointLabel(i, p) + "超出点索引文件中的范围，请查错!");
  }
  return Done();
}

// Beyond this extent the in-circle test's fourth powers of coordinate
// differences overflow.
constexpr double kLargestFrameExtent = 1e75;

// The two starting triangles (0, 1, 2) and (2, 3, 0) must be
// counter-clockwise and hold every survey point: the corners must turn left
// at each corner, a convex frame round the box (points on its edge are
// allowed), and stay within what the predicates can compute.
Status CheckFrame(const ModelStore& store) {
  PlanePosition corner[4];
  double low = 0, high = 0;
  for (int32_t i = 0; i < 4; ++i) {
    const PointRecord& p = store.points[i];
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
      return Failed("图框角点" + PointLabel(i, p) + "的坐标或高程不是有效数字，请查错!");
    }
    corner[i] = PositionOf(p);
    low = std::min({low, p.x, p.y});
    high = std::max({high, p.x, p.y});
  }
  const PointGrid& g = store.grid;
  if (high - low > kLargestFrameExtent) return Failed("图框角点的坐标过大，无法计算，请查错!");
  const PlanePosition box[4] = {{g.minX, g.minY}, {g.maxX, g.minY}, {g.maxX, g.maxY}, {g.minX, g.maxY}};
  for (int i = 0; i < 4; ++i) {
    if (!(OrientationXY(corner[i], corner[(i + 1) % 4], corner[(i + 2) % 4]) > 0)) {
      return Failed("图框的四个角点不是按逆时针排列的凸四边形，请查错!");
    }
  }
  for (int i = 0; i < 4; ++i) {
    for (const PlanePosition& b : box) {
      if (!(OrientationXY(corner[i], corner[(i + 1) % 4], b) >= 0)) {
        return Failed("图框没有包住点索引文件中的坐标范围，请查错!");
      }
    }
  }
  return Done();
}

// PtIndex.idx: the point count and the bounding box.
struct PointIndex {
  int32_t pointCount = 0;
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
};

Status ReadPointIndex(const std::string& path, PointIndex& index) {
  TextScanner scan;
  // The message is the bare path: the text users have always seen here.
  if (!scan.Open(path)) return Failed(path);
  bool complete = scan.ReadInt(index.pointCount) && scan.ReadDouble(index.minX) && scan.ReadDouble(index.minY) &&
                  scan.ReadDouble(index.maxX) && scan.ReadDouble(index.maxY);
  if (!complete) return Failed("点索引文件格式有误：" + path);
  // lastTriangle, a 32-bit index, reaches 2 * (pointCount - 4) + 1.
  constexpr int32_t kMostPoints = (INT32_MAX - 1) / 2 + 4;
  if (index.pointCount < 4 || index.pointCount > kMostPoints) return Failed("点索引文件中的点数有误：" + path);
  if (!std::isfinite(index.minX) || !std::isfinite(index.minY) || !std::isfinite(index.maxX) ||
      !std::isfinite(index.maxY) || index.minX > index.maxX || index.minY > index.maxY) {
    return Failed("点索引文件中的坐标范围有误：" + path);
  }
  return Done();
}

}  // namespace

Status ImportPoints(ModelStore& store, const ImportCheck& check) {
  PointIndex index;
  const std::string indexPath = ProjectFilePath(store.projectDirectory, kProjectFolder, "PtIndex.idx");
  if (Status read = ReadPointIndex(indexPath, index); !read.ok()) return read;
  store.pointCount = index.pointCount;

  // Both tables are opened and checked before either is written, so that a
  // build refused for one leaves the other as it was.
  std::string pointPath = ProjectFilePath(store.projectDirectory, kProjectFolder, "Point.xyz");
  std::string error;
  if (!store.pointFile.Open(pointPath, "MemMapping", &error)) {
    return Failed(TableOpenMessage(store.pointFile, "无法打开点数据文件：", pointPath));
  }
  if (store.pointFile.size() / sizeof(PointRecord) < static_cast<uint64_t>(store.pointCount)) {
    store.pointFile.Close();
    return Failed("点数据文件中的点少于点索引文件中的点数：" + pointPath);
  }
  store.points = reinterpret_cast<PointRecord*>(store.pointFile.data());
  if (Status mapped = MapTriangleTable(store); !mapped.ok()) return mapped;

  if (!SizeGrid(store.grid, index.minX, index.minY, index.maxX, index.maxY)) {
    return Failed("点索引文件中的坐标范围过大，点网格无法容纳：" + indexPath);
  }
  size_t cellCount = static_cast<size_t>(store.grid.columnCount) * static_cast<size_t>(store.grid.rowCount);
  try {
    store.grid.cells.assign(cellCount, GridCell{-1, -1, -1, 0});
  } catch (const std::bad_alloc&) {
    return Failed("网格数组分配内存失败!");
  }
  try {
    store.cellOrder.resize(cellCount);
  } catch (const std::bad_alloc&) {
    return Failed("网格排序数组分配内存失败!");
  }
  for (size_t k = 0; k < cellCount; ++k) store.cellOrder[k] = CellOrderEntry{static_cast<int32_t>(k), 0};
  store.occupiedCells = 0;

  if (Status points = CheckSurveyPoints(store); !points.ok()) return points;
  if (Status frame = CheckFrame(store); !frame.ok()) return frame;
  if (check) {
    if (Status checked = check(store); !checked.ok()) return checked;
  }
  // From here the tables change: the summary of an earlier build must not
  // stay to vouch for them if this one ends early.
  const std::string infoPath = ProjectFilePath(store.projectDirectory, kProjectFolder, "TIN.inf");
  if (!RemoveFile(infoPath)) return Failed("无法删除上次构建留下的TIN.inf文件：" + infoPath);
  BucketPoints(store);
  return Done();
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

namespace {

// The points of the insertion walk in order. Each cell's cursor moves on as
// its point is handed out, which may be some insertions before the point is
// inserted: nothing reads the cursors during the walk, and each ends where
// the walk leaves it.
class WalkOrder {
 public:
  explicit WalkOrder(ModelStore& store) : store_(store) {}

  // The next point, and whether it opens a sweep; false after the last.
  bool Next(int32_t& p, bool& opensSweep) {
    const int32_t occupied = store_.occupiedCells;
    if (entry_ == occupied) {
      ++sweep_;
      while (start_ < occupied && store_.cellOrder[static_cast<size_t>(start_)].count == sweep_) ++start_;
      entry_ = start_;
    }
    if (entry_ >= occupied) return false;
    opensSweep = entry_ == start_;
    GridCell& cell = store_.grid.cells[static_cast<size_t>(store_.cellOrder[static_cast<size_t>(entry_++)].cell)];
    p = cell.cursor;
    cell.cursor = store_.points[p].nextInCell;
    // Handing out a point reads its cell and the point's link, and with many
    // occupied cells neither is still in the cache from the sweep before: the
    // cells of the coming entries are asked for early, and, once a cell has
    // arrived, the point its cursor names. Past the sweep's end the entries
    // ahead are those the next sweep starts with, near enough for a hint.
    // (In the body of Next: a function of prefetches alone has no effect the
    // compiler must keep, and calls of it are dropped.)
    if (const GridCell* far = CellAhead(kCellsAhead)) __builtin_prefetch(far);
    const GridCell* near = CellAhead(kPointsAhead);
    if (near && near->cursor >= 0 && near->cursor < store_.pointCount) store_.PrefetchPoint(near->cursor);
    return true;
  }

 private:
  static constexpr int32_t kCellsAhead = 16, kPointsAhead = 8;
  // The cell of the entry `distance` after the next, or null.
  const GridCell* CellAhead(int32_t distance) const {
    const int32_t occupied = store_.occupiedCells;
    int32_t e = entry_ + distance;
    if (e >= occupied) e = start_ + (e - occupied);
    if (e >= occupied) return nullptr;
    return &store_.grid.cells[static_cast<size_t>(store_.cellOrder[static_cast<size_t>(e)].cell)];
  }

  ModelStore& store_;
  int32_t start_ = 0;  // the first entry of the current sweep
  int32_t entry_ = 0;  // the next entry to hand out
  int32_t sweep_ = 0;
};

}  // namespace

void RunInsertionWalk(ModelStore& store, const std::function<void()>& sweepStarted,
                      const std::function<void(int32_t)>& insert,
                      const std::function<void(const int32_t* upcoming, int count)>& lookahead) {
  // The cells of one sweep lie all over the survey, so nearly every read of
  // an insertion misses the cache: the points of the next insertions, across
  // the end of a sweep too, are known early so that their reads can start.
  // pending[0] is the next insertion; a sweep opens before sweepOpens[0].
  std::array<int32_t, kInsertionLookahead + 1> pending{};
  std::array<bool, kInsertionLookahead + 1> sweepOpens{};
  int count = 0;
  WalkOrder order(store);
  auto fill = [&] {
    for (bool opens = false; count < static_cast<int>(pending.size()) && order.Next(pending[count], opens); ++count) {
      sweepOpens[count] = opens;
    }
  };
  fill();
  while (count > 0) {
    if (lookahead && count > 1) lookahead(pending.data() + 1, count - 1);
    const int32_t p = pending[0];
    if (sweepOpens[0]) sweepStarted();
    std::copy(pending.begin() + 1, pending.begin() + count, pending.begin());
    std::copy(sweepOpens.begin() + 1, sweepOpens.begin() + count, sweepOpens.begin());
    --count;
    insert(p);
    fill();
  }
}

}  // namespace quarvelin
