#include "test_network.h"

#include <algorithm>
#include <set>

#include "store/point_import.h"
#include "tin/network_validation.h"

namespace quarvelin::testing {

namespace {

struct Box {
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
};

Box BoundingBox(const std::vector<XY>& survey) {
  Box box;
  if (!survey.empty()) {
    box.minX = box.maxX = survey[0].x;
    box.minY = box.maxY = survey[0].y;
  }
  for (const XY& p : survey) {
    box.minX = std::min(box.minX, p.x);
    box.maxX = std::max(box.maxX, p.x);
    box.minY = std::min(box.minY, p.y);
    box.maxY = std::max(box.maxY, p.y);
  }
  return box;
}

std::vector<XY> FrameAround(const std::vector<XY>& survey, double margin) {
  const Box b = BoundingBox(survey);
  return {{b.minX - margin, b.minY - margin}, {b.maxX + margin, b.minY - margin}, {b.maxX + margin, b.maxY + margin},
          {b.minX - margin, b.maxY + margin}};
}

}  // namespace

TestNetwork::TestNetwork(const std::vector<XY>& survey, double margin) : inserter_(store_, work_) {
  Init(FrameAround(survey, margin), survey);
}

TestNetwork::TestNetwork(const std::vector<XY>& frame, const std::vector<XY>& survey) : inserter_(store_, work_) {
  Init(frame, survey);
}

void TestNetwork::Init(const std::vector<XY>& frame, const std::vector<XY>& survey) {
  points.assign(survey.size() + 4, PointRecord{});
  for (size_t i = 0; i < points.size(); ++i) {
    const XY& p = i < 4 ? frame[i] : survey[i - 4];
    points[i].x = p.x;
    points[i].y = p.y;
    points[i].z = 0;
    points[i].nextInCell = -1;
    points[i].incidentTriangle = -1;
  }
  store_.points = points.data();
  store_.pointCount = static_cast<int32_t>(points.size());
  triangles.assign(static_cast<size_t>(store_.TrianglesNeeded()), TriangleRecord{});
  store_.triangles = triangles.data();
  store_.triangleCapacity = static_cast<int64_t>(triangles.size());

  const Box box = BoundingBox(survey);
  SizeGrid(store_.grid, box.minX, box.minY, box.maxX, box.maxY);
  size_t cells = static_cast<size_t>(store_.grid.columnCount) * static_cast<size_t>(store_.grid.rowCount);
  store_.grid.cells.assign(cells, GridCell{-1, -1, -1, 0});
  store_.cellOrder.resize(cells);
  for (size_t k = 0; k < cells; ++k) store_.cellOrder[k] = CellOrderEntry{static_cast<int32_t>(k), 0};
  BucketPoints(store_);
  BuildCellOrder(store_);
  OpenTriangleTable(store_);
}

void TestNetwork::InsertAll() {
  RunInsertionWalk(store_, [] {}, [this](int32_t p) { inserter_.InsertPoint(p); });
}

int OrientationSign(const PointRecord& a, const PointRecord& b, const PointRecord& c) {
  long double v = (static_cast<long double>(b.x) - a.x) * (static_cast<long double>(c.y) - a.y) -
                  (static_cast<long double>(b.y) - a.y) * (static_cast<long double>(c.x) - a.x);
  return v > 0 ? 1 : v < 0 ? -1 : 0;
}

std::vector<std::string> CheckNetwork(const ModelStore& store) {
  std::vector<std::string> errors;
  for (const NetworkFault& fault : ValidateNetwork(store)) errors.push_back(DescribeFault(fault));
  return errors;
}

std::vector<std::string> NonDelaunayEdges(const ModelStore& store) {
  std::vector<std::string> errors;
  for (int32_t t = 0; t <= store.lastTriangle; ++t) {
    const TriangleRecord& tri = store.triangles[t];
    for (int k = 0; k < 3; ++k) {
      const int32_t u = tri.neighbour[k];
      if (u < 0 || tri.edgeMark[k] == kFixedEdge) continue;
      const int back = NeighbourPosition(store.triangles[u], t);
      if (back < 0) continue;
      const PointRecord& d = store.points[store.triangles[u].vertex[back]];
      long double dx[3], dy[3], n[3];
      for (int j = 0; j < 3; ++j) {
        dx[j] = static_cast<long double>(store.points[tri.vertex[j]].x) - d.x;
        dy[j] = static_cast<long double>(store.points[tri.vertex[j]].y) - d.y;
        n[j] = dx[j] * dx[j] + dy[j] * dy[j];
      }
      const long double det = n[0] * (dx[1] * dy[2] - dx[2] * dy[1]) - n[1] * (dx[0] * dy[2] - dx[2] * dy[0]) +
                              n[2] * (dx[0] * dy[1] - dx[1] * dy[0]);
      const long double scale = n[0] + n[1] + n[2];
      if (det > 1e-9L * scale * scale && errors.size() < 20) {
        errors.push_back("triangles " + std::to_string(t) + " and " + std::to_string(u) + ": not Delaunay");
      }
    }
  }
  return errors;
}

std::vector<std::pair<int32_t, int32_t>> LiveEdges(const ModelStore& store) {
  std::set<std::pair<int32_t, int32_t>> edges;
  for (int32_t t = 0; t <= store.lastTriangle; ++t) {
    const TriangleRecord& tri = store.triangles[t];
    if (tri.state == kRemovedTriangle) continue;
    for (int k = 0; k < 3; ++k) {
      int32_t a = tri.vertex[k], b = tri.vertex[(k + 1) % 3];
      edges.insert({std::min(a, b), std::max(a, b)});
    }
  }
  return {edges.begin(), edges.end()};
}

}  // namespace quarvelin::testing
