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
    if (edge.beyond.triangle >= 0) store.points[edge.from].incidentTriangle = edge.beyond.triangle;
  }
}

Status WriteEdgeFile(const ModelStore& store, const BoundaryEdgeList& boundary) {
  const std::string path = ProjectFilePath(store.projectDirectory, kLineFileFolder, "Edge.inf");
  TextWriter out;
  if (!out.Open(path)) return Failed("无法创建Edge.inf文件：" + path);
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
  if (!out.Close()) return Failed("写入Edge.inf文件失败：" + path);
  return Done();
}

}  // namespace quarvelin
