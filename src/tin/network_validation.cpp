#include "tin/network_validation.h"

#include "store/triangle_moves.h"
#include "tin/exact_orientation.h"

#ifdef QUARVELIN_CHECK_NETWORK
#include <cstdio>
#include <cstdlib>
#endif

namespace quarvelin {

namespace {

class Validator {
 public:
  explicit Validator(const ModelStore& store) : store_(store) {}

  std::vector<NetworkFault> Run() {
    if (!CheckLastTriangle()) return faults_;
    for (int32_t t = 0; t <= store_.lastTriangle && faults_.size() < kMaxFaults; ++t) CheckTriangle(t);
    for (int32_t p = 0; p < store_.pointCount && faults_.size() < kMaxFaults; ++p) CheckIncident(p);
    return faults_;
  }

 private:
  void Add(NetworkCheck check, int32_t t, int32_t side = -1, int32_t point = -1) {
    if (faults_.size() < kMaxFaults) faults_.push_back({check, t, side, point});
  }

  // Records 0..lastTriangle are in use, and point insertion, the only
  // operation that adds records, adds two for every point it places.
  bool CheckLastTriangle() {
    if (store_.lastTriangle < 1 || store_.lastTriangle >= store_.triangleCapacity) {
      Add(NetworkCheck::kLastTriangle, store_.lastTriangle);
      return false;
    }
    int64_t placed = 0;
    for (int32_t p = 4; p < store_.pointCount; ++p) placed += store_.points[p].incidentTriangle >= 0;
    if (store_.lastTriangle != 2 * placed + 1) Add(NetworkCheck::kLastTriangle, store_.lastTriangle);
    return true;
  }

  void CheckTriangle(int32_t t) {
    const TriangleRecord& tri = store_.triangles[t];
    for (int32_t v : tri.vertex) {
      if (v < 0 || v >= store_.pointCount) {
        Add(NetworkCheck::kVertexIndex, t, -1, v);
        return;
      }
    }
    bool onOuterBoundary = false;
    for (int k = 0; k < 3; ++k) {
      onOuterBoundary |= tri.neighbour[k] == -1;
      CheckSide({t, k});
    }
    const PointRecord* points = store_.points;
    const int sign = ExactOrientationSign(points[tri.vertex[0]], points[tri.vertex[1]], points[tri.vertex[2]]);
    if (sign < 0) Add(NetworkCheck::kClockwise, t);
    if (sign == 0 && !onOuterBoundary) Add(NetworkCheck::kZeroAreaInside, t);
  }

  // Links are symmetric and name the same edge from both sides, and a fixed
  // edge is fixed on both.
  void CheckSide(TriangleSide side) {
    const TriangleRecord* tris = store_.triangles;
    const char mark = tris[side.triangle].edgeMark[side.side];
    if (mark != kOrdinaryEdge && mark != kFixedEdge) Add(NetworkCheck::kEdgeMark, side.triangle, side.side);
    const int32_t u = side.Neighbour(tris);
    if (u == -1) return;
    if (u < 0 || u > store_.lastTriangle) {
      Add(NetworkCheck::kNeighbourIndex, side.triangle, side.side);
      return;
    }
    const TriangleSide twin = side.Twin(tris);
    if (twin.side < 0) {
      Add(NetworkCheck::kLinkNotReturned, side.triangle, side.side);
      return;
    }
    if (twin.From(tris) != side.To(tris) || twin.To(tris) != side.From(tris)) {
      Add(NetworkCheck::kLinkWrongEdge, side.triangle, side.side);
    }
    if ((mark == kFixedEdge) != (tris[twin.triangle].edgeMark[twin.side] == kFixedEdge)) {
      Add(NetworkCheck::kMarkUnpaired, side.triangle, side.side);
    }
  }

  void CheckIncident(int32_t p) {
    const int32_t t = store_.points[p].incidentTriangle;
    if (t < 0) return;
    if (t > store_.lastTriangle || VertexPosition(store_.triangles[t], p) < 0) {
      Add(NetworkCheck::kIncidentTriangle, -1, -1, p);
    }
  }

  const ModelStore& store_;
  std::vector<NetworkFault> faults_;
};

const char* CheckText(NetworkCheck check) {
  switch (check) {
    case NetworkCheck::kLastTriangle:
      return "beyond the table, or not 2 x (survey points in the network) + 1";
    case NetworkCheck::kVertexIndex:
      return "a corner names no point";
    case NetworkCheck::kNeighbourIndex:
      return "the neighbour lies beyond lastTriangle";
    case NetworkCheck::kLinkNotReturned:
      return "the neighbour does not name it back";
    case NetworkCheck::kLinkWrongEdge:
      return "the neighbour names it back across another edge";
    case NetworkCheck::kClockwise:
      return "corners clockwise";
    case NetworkCheck::kZeroAreaInside:
      return "zero area away from the outer boundary";
    case NetworkCheck::kEdgeMark:
      return "edge mark neither 'a' nor 'f'";
    case NetworkCheck::kMarkUnpaired:
      return "fixed on this side of the edge only";
    case NetworkCheck::kIncidentTriangle:
      return "incidentTriangle does not have it as a corner";
  }
  return "";
}

}  // namespace

std::vector<NetworkFault> ValidateNetwork(const ModelStore& store) { return Validator(store).Run(); }

std::string DescribeFault(const NetworkFault& fault) {
  std::string text;
  if (fault.check == NetworkCheck::kLastTriangle) {
    text = "lastTriangle " + std::to_string(fault.triangle);
  } else if (fault.triangle >= 0) {
    text = "triangle " + std::to_string(fault.triangle);
    if (fault.side >= 0) text += ", side " + std::to_string(fault.side);
  }
  if (fault.point >= 0 || fault.check == NetworkCheck::kVertexIndex) {
    text += (text.empty() ? "point " : ", point ") + std::to_string(fault.point);
  }
  return text + ": " + CheckText(fault.check);
}

#ifdef QUARVELIN_CHECK_NETWORK
void CheckNetworkAfter(const ModelStore& store, const char* phase) {
  const std::vector<NetworkFault> faults = ValidateNetwork(store);
  if (faults.empty()) return;
  std::fprintf(stderr, "network check failed after %s: %s (%zu fault%s found)\n", phase,
               DescribeFault(faults.front()).c_str(), faults.size(), faults.size() == 1 ? "" : "s");
  std::abort();
}
#endif

}  // namespace quarvelin
