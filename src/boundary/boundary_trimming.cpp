#include "boundary/boundary_trimming.h"

#include <new>

#include "boundary/boundary_edges.h"
#include "boundary/edge_file.h"

namespace quarvelin {

Status TrimBoundary(ModelStore& store, double maxBoundaryEdge) {
  BoundaryEdgeList boundary;
  try {
    boundary = PeelLongEdges(store, CollectBoundaryEdges(store), maxBoundaryEdge);
  } catch (const std::bad_alloc&) {
    // The triangles peeled so far stay removed; a partial boundary would
    // mislead the host more than none, so Edge.inf is not written.
    return Failed("内存不足，无法完成TIN边界调整，未输出Edge.inf文件！");
  }
  PointBoundaryToEdges(store, boundary);
  return WriteEdgeFile(store, boundary);
}

}  // namespace quarvelin
