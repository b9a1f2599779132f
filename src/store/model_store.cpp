#include "store/model_store.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "platform/system.h"
#include "platform/text_writer.h"

namespace quarvelin {

int32_t PointGrid::Index(double value, double origin, int32_t limit) const {
  double scaled = (value - origin) / cellSize + kCellNudge;
  // Truncation toward zero maps (-1, 0) to 0, like the import's integer cast.
  if (!(scaled > -1.0 && scaled < static_cast<double>(limit))) return -1;
  return static_cast<int32_t>(scaled);
}

int32_t PointGrid::CellAt(double x, double y) const {
  int32_t column = Index(x, minX, columnCount);
  int32_t row = Index(y, minY, rowCount);
  if (column < 0 || row < 0) return -1;
  return column * rowCount + row;
}

namespace {

// Cell sizes are multiples of kCellStep that a double holds exactly, as the
// sizing's steps need: at most 2^53.
constexpr double kMostCellSteps = 90071992547409.0;  // 2^53 / 100, rounded down

}  // namespace

bool SizeGrid(PointGrid& grid, double minX, double minY, double maxX, double maxY) {
  grid.minX = minX;
  grid.minY = minY;
  grid.maxX = maxX;
  grid.maxY = maxY;
  grid.cells.clear();
  const double width = maxX - minX;
  const double height = maxY - minY;
  if (!(width >= 0 && height >= 0 && width <= DBL_MAX && height <= DBL_MAX)) return false;
  // The rule steps cellSize by kCellStep from kCellStep until both counts,
  // integer part of (extent / cellSize + kCellNudge) + 1, are at most
  // kMostCellsAcross, that is until both quotients plus the nudge are below
  // it. Rounded division and addition never increase a quotient when
  // cellSize grows, so the sizes that pass are all those from the first one
  // on: it is found by counting down and up from an estimate instead, with
  // the same arithmetic at each size.
  auto fits = [&](double steps) {
    const double cellSize = kCellStep * steps;
    return width / cellSize + kCellNudge < kMostCellsAcross && height / cellSize + kCellNudge < kMostCellsAcross;
  };
  double steps = std::max(1.0, std::ceil(std::max(width, height) / 49999.9));
  if (steps > kMostCellSteps) return false;
  while (steps > 1 && fits(steps - 1)) --steps;
  while (!fits(steps)) ++steps;
  if (steps > kMostCellSteps) return false;
  grid.cellSize = kCellStep * steps;
  grid.columnCount = static_cast<int32_t>(width / grid.cellSize + kCellNudge) + 1;
  grid.rowCount = static_cast<int32_t>(height / grid.cellSize + kCellNudge) + 1;
  return true;
}

void OpenTriangleTable(ModelStore& store) {
  TriangleRecord* t = store.triangles;
  t[0] = TriangleRecord{{0, 1, 2}, {-1, 1, -1}, {kOrdinaryEdge, kOrdinaryEdge, kOrdinaryEdge}, kLiveTriangle};
  t[1] = TriangleRecord{{2, 3, 0}, {-1, 0, -1}, {kOrdinaryEdge, kOrdinaryEdge, kOrdinaryEdge}, kLiveTriangle};
  store.points[0].incidentTriangle = 0;
  store.points[1].incidentTriangle = 0;
  store.points[2].incidentTriangle = 0;
  store.points[3].incidentTriangle = 1;
  store.lastTriangle = 1;
}

std::string TableOpenMessage(const MappedFile& file, const std::string& unavailable, const std::string& path) {
  switch (file.failure()) {
    case MappedFile::Failure::kInUse:
      return "另一个程序正在使用此文件（可能正在构建同一工程），请等它结束后再构建：" + path;
    case MappedFile::Failure::kNoSpace:
      return "磁盘空间不足，无法为此文件分配空间：" + path;
    case MappedFile::Failure::kTooLarge: {
      std::string text = "文件太大（";
      AppendInt(text, FileSize(path));
      return text + " 字节），超出本程序可用的地址空间，无法映射到内存：" + path;
    }
    default:
      return unavailable + path;
  }
}

Status MapTriangleTable(ModelStore& store) {
  std::string path = ProjectFilePath(store.projectDirectory, kProjectFolder, "TIN.tri");
  std::string error;
  if (!store.triangleFile.Open(path, "MemMapT", &error)) {
    return Failed(TableOpenMessage(store.triangleFile, "无法打开三角网文件：", path));
  }
  int64_t capacity = static_cast<int64_t>(store.triangleFile.size() / sizeof(TriangleRecord));
  if (capacity < store.TrianglesNeeded()) {
    store.triangleFile.Close();
    return Failed("三角网文件太小，容纳不下所需的三角形：" + path);
  }
  store.triangles = reinterpret_cast<TriangleRecord*>(store.triangleFile.data());
  store.triangleCapacity = capacity;
  return Done();
}


void CloseModelStore(ModelStore& store) {
  store.pointFile.Close();
  store.points = nullptr;
  store.grid.cells = {};
  store.cellOrder = {};
  store.occupiedCells = 0;
  store.triangleFile.Close();
  store.triangles = nullptr;
}

}  // namespace quarvelin
