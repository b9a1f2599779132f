#include "boundary_network.h"

#include <cmath>
#include <map>
#include <set>

namespace quarvelin::testing {

HandNetwork::HandNetwork(const std::vector<XY>& points, const std::vector<std::array<int32_t, 3>>& triangles) {
  points_.assign(points.size(), PointRecord{});
  for (size_t i = 0; i < points.size(); ++i) {
    points_[i].x = points[i].x;
    points_[i].y = points[i].y;
    points_[i].nextInCell = -1;
    points_[i].incidentTriangle = -1;
  }
  std::map<std::pair<int32_t, int32_t>, std::pair<int32_t, int>> edgeOwner;
  triangles_.assign(triangles.size(), TriangleRecord{});
  for (size_t t = 0; t < triangles.size(); ++t) {
    TriangleRecord& tri = triangles_[t];
    for (int k = 0; k < 3; ++k) {
      tri.vertex[k] = triangles[t][k];
      tri.neighbour[k] = -1;
      tri.edgeMark[k] = kOrdinaryEdge;
      edgeOwner[{triangles[t][(k + 1) % 3], triangles[t][(k + 2) % 3]}] = {static_cast<int32_t>(t), k};
      int32_t& incident = points_[static_cast<size_t>(tri.vertex[k])].incidentTriangle;
      if (incident < 0) incident = static_cast<int32_t>(t);
    }
    tri.state = kLiveTriangle;
  }
  for (const auto& [edge, owner] : edgeOwner) {
    auto twin = edgeOwner.find({edge.second, edge.first});
    if (twin != edgeOwner.end()) triangles_[owner.first].neighbour[owner.second] = twin->second.first;
  }
  store_.points = points_.data();
  store_.pointCount = static_cast<int32_t>(points_.size());
  store_.triangles = triangles_.data();
  store_.triangleCapacity = static_cast<int64_t>(triangles_.size());
  store_.lastTriangle = static_cast<int32_t>(triangles_.size()) - 1;
}

long double EdgeLength(const ModelStore& store, int32_t a, int32_t b) {
  const long double dx = static_cast<long double>(store.points[a].x) - store.points[b].x;
  const long double dy = static_cast<long double>(store.points[a].y) - store.points[b].y;
  return std::sqrt(dx * dx + dy * dy);
}

namespace {

bool Removed(const ModelStore& store, int32_t t) { return store.triangles[t].state == kRemovedTriangle; }

bool OnFrame(const ModelStore& store, int32_t t) {
  for (int32_t v : store.triangles[t].vertex) {
    if (v < 4) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> BoundaryViolations(const ModelStore& store, const BoundaryEdgeList& boundary, double limit,
                                            bool closedWalk) {
  std::vector<std::string> errors;
  auto report = [&](const std::string& what) {
    if (errors.size() < 20) errors.push_back(what);
  };
  auto name = [](int32_t a, int32_t b) { return std::to_string(a) + "->" + std::to_string(b); };

  std::map<std::pair<int32_t, int32_t>, const BoundaryEdge*> listed;
  for (const BoundaryEdge& e : boundary) {
    if (!listed.emplace(std::pair{e.from, e.to}, &e).second) report("listed twice: " + name(e.from, e.to));
    if (e.beyond.triangle < 0) continue;
    if (e.beyond.From(store.triangles) != e.from || e.beyond.To(store.triangles) != e.to) {
      report("not opposite its side: " + name(e.from, e.to));
    }
  }
  for (const BoundaryEdge& e : boundary) {
    if (e.beyond.triangle >= 0 && Removed(store, e.beyond.triangle) && !listed.count({e.to, e.from})) {
      report("removed inside, reverse missing: " + name(e.from, e.to));
    }
  }

  for (int32_t t = 0; t <= store.lastTriangle; ++t) {
    const TriangleRecord& tri = store.triangles[t];
    const bool removed = Removed(store, t);
    bool peeledFromOutside = false;
    for (int k = 0; k < 3; ++k) {
      const int32_t u = tri.neighbour[k];
      const int32_t a = tri.vertex[(k + 1) % 3], b = tri.vertex[(k + 2) % 3];
      if (u < 0 || !Removed(store, u)) continue;
      if (removed) {
        peeledFromOutside |= EdgeLength(store, a, b) > limit;
        continue;
      }
      auto it = listed.find({a, b});
      if (it == listed.end() || it->second->beyond.triangle != t) report("kept|removed edge not listed: " + name(a, b));
      if (EdgeLength(store, a, b) > limit) report("kept|removed edge too long: " + name(a, b));
    }
    if (removed && !OnFrame(store, t) && !peeledFromOutside) {
      report("removed with no long edge to the outside: triangle " + std::to_string(t));
    }
  }

  // Removed triangles reachable from the frame through removed triangles.
  std::vector<char> reached(static_cast<size_t>(store.lastTriangle + 1), 0);
  std::vector<int32_t> todo;
  for (int32_t t = 0; t <= store.lastTriangle; ++t) {
    if (OnFrame(store, t)) {
      if (!Removed(store, t)) report("frame triangle kept: " + std::to_string(t));
      reached[static_cast<size_t>(t)] = 1;
      todo.push_back(t);
    }
  }
  while (!todo.empty()) {
    const int32_t t = todo.back();
    todo.pop_back();
    for (int32_t u : store.triangles[t].neighbour) {
      if (u < 0 || reached[static_cast<size_t>(u)] || !Removed(store, u)) continue;
      reached[static_cast<size_t>(u)] = 1;
      todo.push_back(u);
    }
  }
  for (int32_t t = 0; t <= store.lastTriangle; ++t) {
    if (Removed(store, t) && !reached[static_cast<size_t>(t)]) report("removed but cut off: " + std::to_string(t));
  }

  if (closedWalk) {
    for (size_t i = 0; i < boundary.size(); ++i) {
      const BoundaryEdge& next = boundary[(i + 1) % boundary.size()];
      if (boundary[i].to != next.from) report("walk breaks after " + name(boundary[i].from, boundary[i].to));
    }
  }
  return errors;
}

}  // namespace quarvelin::testing
