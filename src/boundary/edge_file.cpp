#include "boundary/edge_file.h"

#include "platform/system.h"
#include "platform/text_writer.h"

namespace quarvelin {

namespace {

std::string CountLine(int64_t count) {
  std::string line;
  AppendInt(line, count, 12);
  return line + "\n";
}

}  // namespace

void PointBoundaryToEdges(ModelStore& store, const BoundaryEdgeList& boundary) {
  for (const BoundaryEdge& edge : boundary) {
    if (edge.triangle >= 0) store.points[edge.from].incidentTriangle = edge.triangle;
  }
}

bool WriteEdgeFile(const ModelStore& store, const BoundaryEdgeList& boundary, std::string& message) {
  const std::string path = ProjectFilePath(store.projectDirectory, kLineFileFolder, "Edge.inf");
  TextWriter out;
  if (!out.Open(path)) {
    message = "无法创建Edge.inf文件：" + path;
    return false;
  }
  out.Write(CountLine(static_cast<int64_t>(boundary.size())));
  std::string line;
  for (const BoundaryEdge& edge : boundary) {
    const PointRecord& p = store.points[edge.from];
    line.clear();
    AppendInt(line, edge.from);
    line.push_back(' ');
    AppendFixedWidth(line, p.x, 12, 3);
    line.push_back(' ');
    AppendFixedWidth(line, p.y, 12, 3);
    line.push_back('\n');
    out.Write(line);
  }
  if (!out.Close()) {
    message = "写入Edge.inf文件失败：" + path;
    return false;
  }
  return true;
}

}  // namespace quarvelin
