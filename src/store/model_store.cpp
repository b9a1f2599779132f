#include "store/model_store.h"

#include <cmath>

#include "platform/system.h"

namespace quarvelin {

int32_t PointGrid::Index(double value, double origin, int32_t limit) const {
  double scaled = (value - origin) / cellSize + 0.001;
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

void SizeGrid(PointGrid& grid, double minX, double minY, double maxX, double maxY) {
  grid.minX = minX;
  grid.minY = minY;
  grid.maxX = maxX;
  grid.maxY = maxY;
  double width = maxX - minX;
  double height = maxY - minY;
  // The import refuses such boxes; a single cell keeps the loop finite anyway.
  if (!std::isfinite(width) || !std::isfinite(height) || width < 0 || height < 0) width = height = 0;
  double cellSize = 0;
  int64_t columns = 0, rows = 0;
  do {
    cellSize += 100;
    // Counts are computed in double first: a huge box must not overflow the
    // integer conversion before the loop has grown the cells.
    double c = width / cellSize + 0.001;
    double r = height / cellSize + 0.001;
    columns = c < 1e9 ? static_cast<int64_t>(c) + 1 : INT64_MAX;
    rows = r < 1e9 ? static_cast<int64_t>(r) + 1 : INT64_MAX;
    if (columns > 500 || rows > 500) {
      // Jump close to the answer instead of stepping by 100 through a box of
      // continental size; the multiples of 100 below it all fail the test.
      double needed = std::max(width, height) / 500.0;
      double jump = std::floor(needed / 100.0) * 100.0 - 100.0;
      if (jump > cellSize) cellSize = jump;
    }
  } while (columns > 500 || rows > 500);
  grid.cellSize = cellSize;
  grid.columnCount = static_cast<int32_t>(columns);
  grid.rowCount = static_cast<int32_t>(rows);
  grid.cells.clear();
}

void LayStartingTriangles(ModelStore& store) {
  TriangleRecord* t = store.triangles;
  t[0] = TriangleRecord{{0, 1, 2}, {-1, 1, -1}, {kOrdinaryEdge, kOrdinaryEdge, kOrdinaryEdge}, kLiveTriangle};
  t[1] = TriangleRecord{{2, 3, 0}, {-1, 0, -1}, {kOrdinaryEdge, kOrdinaryEdge, kOrdinaryEdge}, kLiveTriangle};
  store.points[0].incidentTriangle = 0;
  store.points[1].incidentTriangle = 0;
  store.points[2].incidentTriangle = 0;
  store.points[3].incidentTriangle = 1;
  store.lastTriangle = 1;
}

bool OpenTriangleTable(ModelStore& store, std::string& message) {
  std::string path = ProjectFilePath(store.projectDirectory, "PMAP", "TIN.tri");
  std::string error;
  if (!store.triangleFile.Open(path, "MemMapT", &error)) {
    message = "无法打开三角网文件：" + path;
    return false;
  }
  int64_t capacity = static_cast<int64_t>(store.triangleFile.size() / sizeof(TriangleRecord));
  if (capacity < store.TrianglesNeeded()) {
    store.triangleFile.Close();
    message = "三角网文件太小，容纳不下所需的三角形：" + path;
    return false;
  }
  store.triangles = reinterpret_cast<TriangleRecord*>(store.triangleFile.data());
  store.triangleCapacity = capacity;
  LayStartingTriangles(store);
  return true;
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
