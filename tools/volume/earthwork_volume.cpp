#include "earthwork_volume.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "output_file.h"

namespace quarvelin {

namespace {

// Corners a piece can reach: a triangle cut by a trapezoid's four sides and
// another triangle's three, then at the zero line, gains at most eight.
constexpr int kMaxCorners = 16;

struct ConvexPolygon {
  PlanPoint corner[kMaxCorners];
  int count = 0;
};

struct Box {
  double minX, minY, maxX, maxY;

  bool Overlaps(const Box& b) const { return minX <= b.maxX && b.minX <= maxX && minY <= b.maxY && b.minY <= maxY; }
};

Box BoxOf(const PlanPoint* corners, int count) {
  Box b{corners[0].x, corners[0].y, corners[0].x, corners[0].y};
  for (int i = 1; i < count; ++i) {
    b.minX = std::min(b.minX, corners[i].x);
    b.maxX = std::max(b.maxX, corners[i].x);
    b.minY = std::min(b.minY, corners[i].y);
    b.maxY = std::max(b.maxY, corners[i].y);
  }
  return b;
}

// Twice the signed area of (a, b, p): positive when p is left of a->b.
double Side(PlanPoint a, PlanPoint b, PlanPoint p) { return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x); }

// Keeps the part of `in` where the linear function with corner values
// `value` is at least 0. Corners on the line are kept as they are, so a
// piece cut along an edge it shares gains no repeated corners.
void KeepNonNegative(const ConvexPolygon& in, const double* value, ConvexPolygon& out) {
  out.count = 0;
  for (int i = 0; i < in.count && out.count < kMaxCorners; ++i) {
    const int j = i + 1 == in.count ? 0 : i + 1;
    const double a = value[i], b = value[j];
    if (a >= 0) out.corner[out.count++] = in.corner[i];
    if (((a > 0 && b < 0) || (a < 0 && b > 0)) && out.count < kMaxCorners) {
      const double t = a / (a - b);
      const PlanPoint p = in.corner[i], q = in.corner[j];
      out.corner[out.count++] = {p.x + t * (q.x - p.x), p.y + t * (q.y - p.y)};
    }
  }
}

// Clips `piece` in place to the left of each side of the counter-clockwise
// convex polygon `clip`.
void ClipToConvex(ConvexPolygon& piece, const ConvexPolygon& clip) {
  double side[kMaxCorners];
  ConvexPolygon next;
  for (int k = 0; k < clip.count && piece.count >= 3; ++k) {
    const PlanPoint a = clip.corner[k], b = clip.corner[k + 1 == clip.count ? 0 : k + 1];
    bool allInside = true;
    for (int i = 0; i < piece.count; ++i) {
      side[i] = Side(a, b, piece.corner[i]);
      allInside = allInside && side[i] >= 0;
    }
    if (allInside) continue;
    KeepNonNegative(piece, side, next);
    piece = next;
  }
}

// A surface's height over the plan: z = z0 + gx (x - x0) + gy (y - y0)
// from one corner.
struct Plane {
  double x0 = 0, y0 = 0, z0 = 0, gx = 0, gy = 0;

  double At(PlanPoint p) const { return z0 + gx * (p.x - x0) + gy * (p.y - y0); }
};

// The kept triangles of a network in local coordinates, counter-clockwise,
// with their planes.
struct LocalNetwork {
  std::vector<PlanPoint> corners;  // three per triangle
  std::vector<Plane> planes;

  size_t size() const { return planes.size(); }
  const PlanPoint* Corners(size_t t) const { return &corners[3 * t]; }
};

LocalNetwork LocalTriangles(const FinishedProject& project, PlanPoint origin) {
  LocalNetwork network;
  for (size_t t = 0; t < project.triangles.size(); ++t) {
    if (!project.Kept(static_cast<int32_t>(t))) continue;
    const TriangleRecord& r = project.triangles[t];
    Vertex3 v[3];
    for (int i = 0; i < 3; ++i) {
      v[i] = project.Point(r.vertex[i]);
      v[i].x -= origin.x;
      v[i].y -= origin.y;
    }
    double twiceArea = (v[1].x - v[0].x) * (v[2].y - v[0].y) - (v[1].y - v[0].y) * (v[2].x - v[0].x);
    if (!(twiceArea != 0) || !std::isfinite(twiceArea)) continue;  // no plan area: nothing to integrate
    if (twiceArea < 0) {
      std::swap(v[1], v[2]);
      twiceArea = -twiceArea;
    }
    const double dz1 = v[1].z - v[0].z, dz2 = v[2].z - v[0].z;
    Plane plane{v[0].x, v[0].y, v[0].z, (dz1 * (v[2].y - v[0].y) - dz2 * (v[1].y - v[0].y)) / twiceArea,
                (dz2 * (v[1].x - v[0].x) - dz1 * (v[2].x - v[0].x)) / twiceArea};
    for (int i = 0; i < 3; ++i) network.corners.push_back({v[i].x, v[i].y});
    network.planes.push_back(plane);
  }
  return network;
}

// Items filed by their boxes in a grid of square cells, about one item a
// cell, so that the items near a box are found without looking at all.
class BoxGrid {
 public:
  void Build(const std::vector<Box>& boxes) {
    if (boxes.empty()) return;
    Box all = boxes[0];
    for (const Box& b : boxes) {
      all = {std::min(all.minX, b.minX), std::min(all.minY, b.minY), std::max(all.maxX, b.maxX),
             std::max(all.maxY, b.maxY)};
    }
    origin_ = {all.minX, all.minY};
    const double width = std::max(all.maxX - all.minX, 1e-9), height = std::max(all.maxY - all.minY, 1e-9);
    cell_ = std::max(std::sqrt(width * height / static_cast<double>(boxes.size())), 1e-9);
    // A sparse grid over a long thin region would be mostly empty cells.
    constexpr double kMaxSide = 8192;
    cell_ = std::max({cell_, width / kMaxSide, height / kMaxSide});
    columns_ = static_cast<int>(width / cell_) + 1;
    rows_ = static_cast<int>(height / cell_) + 1;
    start_.assign(static_cast<size_t>(columns_) * static_cast<size_t>(rows_) + 1, 0);
    for (const Box& b : boxes) ForCells(b, [&](size_t c) { ++start_[c + 1]; });
    for (size_t c = 1; c < start_.size(); ++c) start_[c] += start_[c - 1];
    items_.resize(start_.back());
    std::vector<size_t> fill(start_.begin(), start_.end() - 1);
    for (size_t i = 0; i < boxes.size(); ++i) ForCells(boxes[i], [&](size_t c) { items_[fill[c]++] = static_cast<int32_t>(i); });
  }

  // Calls visit(item) for each item filed in a cell the box touches; an item
  // in several such cells comes once for each.
  template <typename Visit>
  void ForNear(const Box& b, Visit visit) const {
    if (items_.empty()) return;
    ForCells(b, [&](size_t c) {
      for (size_t k = start_[c]; k < start_[c + 1]; ++k) visit(items_[k]);
    });
  }

 private:
  int Column(double x) const { return std::clamp(static_cast<int>(std::floor((x - origin_.x) / cell_)), 0, columns_ - 1); }
  int Row(double y) const { return std::clamp(static_cast<int>(std::floor((y - origin_.y) / cell_)), 0, rows_ - 1); }

  template <typename Visit>
  void ForCells(const Box& b, Visit visit) const {
    const int c0 = Column(b.minX), c1 = Column(b.maxX), r0 = Row(b.minY), r1 = Row(b.maxY);
    for (int c = c0; c <= c1; ++c) {
      for (int r = r0; r <= r1; ++r) visit(static_cast<size_t>(c) * static_cast<size_t>(rows_) + static_cast<size_t>(r));
    }
  }

  PlanPoint origin_{};
  double cell_ = 1;
  int columns_ = 0, rows_ = 0;
  std::vector<size_t> start_;
  std::vector<int32_t> items_;
};

// The even-odd region of the rings as trapezoids with horizontal top and
// bottom: between two successive vertex heights the ring edges that span
// the band, in order along x, bound the region pairwise. False when two
// edges change order within a band, that is when rings cross.
bool RegionTrapezoids(const std::vector<BoundaryRing>& rings, PlanPoint origin, std::vector<ConvexPolygon>& trapezoids,
                      std::string& error) {
  struct Edge {
    PlanPoint low, high;
    double XAt(double y) const {
      if (y == low.y) return low.x;
      if (y == high.y) return high.x;
      return low.x + (high.x - low.x) * ((y - low.y) / (high.y - low.y));
    }
  };
  std::vector<Edge> edges;
  std::vector<double> heights;
  for (const BoundaryRing& ring : rings) {
    for (size_t i = 0; i < ring.size(); ++i) {
      PlanPoint a{ring[i].x - origin.x, ring[i].y - origin.y};
      const PlanPoint& n = ring[(i + 1) % ring.size()];
      PlanPoint b{n.x - origin.x, n.y - origin.y};
      heights.push_back(a.y);
      if (a.y == b.y) continue;  // a level edge bounds no band
      edges.push_back(a.y < b.y ? Edge{a, b} : Edge{b, a});
    }
  }
  std::sort(heights.begin(), heights.end());
  heights.erase(std::unique(heights.begin(), heights.end()), heights.end());
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.low.y < b.low.y; });
  std::vector<const Edge*> active;
  size_t next = 0;
  for (size_t k = 0; k + 1 < heights.size(); ++k) {
    const double y0 = heights[k], y1 = heights[k + 1], middle = y0 + (y1 - y0) / 2;
    std::erase_if(active, [&](const Edge* e) { return e->high.y <= y0; });
    while (next < edges.size() && edges[next].low.y <= y0) active.push_back(&edges[next++]);
    std::sort(active.begin(), active.end(), [&](const Edge* a, const Edge* b) { return a->XAt(middle) < b->XAt(middle); });
    for (size_t i = 0; i + 1 < active.size(); ++i) {
      if (active[i]->XAt(y0) > active[i + 1]->XAt(y0) || active[i]->XAt(y1) > active[i + 1]->XAt(y1)) {
        char where[96];
        std::snprintf(where, sizeof where, "%.3f", y0 + origin.y);
        error = std::string("the boundary's rings cross each other between y = ") + where + " and the next vertex";
        return false;
      }
    }
    for (size_t i = 0; i + 1 < active.size(); i += 2) {
      const Edge &left = *active[i], &right = *active[i + 1];
      ConvexPolygon z;
      for (PlanPoint p : {PlanPoint{left.XAt(y0), y0}, PlanPoint{right.XAt(y0), y0}, PlanPoint{right.XAt(y1), y1},
                          PlanPoint{left.XAt(y1), y1}}) {
        if (z.count > 0 && p.x == z.corner[z.count - 1].x && p.y == z.corner[z.count - 1].y) continue;
        z.corner[z.count++] = p;
      }
      if (z.count >= 3) trapezoids.push_back(z);
    }
  }
  return true;
}

}  // namespace

struct SurfaceOverlay::Data {
  const FinishedProject& base;
  ComparedSurface compared;
  const std::vector<BoundaryRing>& boundary;
  LocalNetwork baseNetwork, otherNetwork;
  BoxGrid otherGrid;
  std::vector<ConvexPolygon> region;
  std::vector<Box> regionBoxes;
  BoxGrid regionGrid;

  // Splits a piece at the zero line of the difference and hands on both sides.
  void Emit(const ConvexPolygon& piece, const Plane& basePlane, const Plane* otherPlane, OverlayPieceSink& sink) const {
    double difference[kMaxCorners], negated[kMaxCorners];
    bool above = false, below = false;
    for (int i = 0; i < piece.count; ++i) {
      difference[i] = basePlane.At(piece.corner[i]) - (otherPlane ? otherPlane->At(piece.corner[i]) : compared.level);
      above = above || difference[i] > 0;
      below = below || difference[i] < 0;
    }
    if (!(above && below)) {
      sink.Piece(piece.corner, difference, piece.count);
      return;
    }
    ConvexPolygon part;
    for (int sign : {1, -1}) {
      for (int i = 0; i < piece.count; ++i) negated[i] = sign * difference[i];
      KeepNonNegative(piece, negated, part);
      double values[kMaxCorners];
      PlanPoint zero[2];
      int zeros = 0;
      for (int i = 0; i < part.count; ++i) {
        values[i] = sign * basePlane.At(part.corner[i]) -
                    sign * (otherPlane ? otherPlane->At(part.corner[i]) : compared.level);
        // Corners on the zero line lie on it: their values are rounding.
        if (!(values[i] > 0)) {
          values[i] = 0;
          if (zeros < 2) zero[zeros++] = part.corner[i];
        }
        values[i] *= sign;
      }
      if (part.count >= 3) sink.Piece(part.corner, values, part.count);
      if (sign == 1 && zeros == 2) sink.ZeroLine(zero[0], zero[1]);
    }
  }
};

SurfaceOverlay::SurfaceOverlay(const FinishedProject& base, const ComparedSurface& compared,
                               const std::vector<BoundaryRing>& boundary)
    : data_(new Data{base, compared, boundary, {}, {}, {}, {}, {}, {}}) {
  const Extent extent = KeptExtent(base);
  if (!extent.empty) origin_ = {extent.minX, extent.minY};
}

SurfaceOverlay::~SurfaceOverlay() = default;

bool SurfaceOverlay::Prepare(std::string& error) {
  Data& d = *data_;
  d.baseNetwork = LocalTriangles(d.base, origin_);
  if (d.compared.other) {
    d.otherNetwork = LocalTriangles(*d.compared.other, origin_);
    std::vector<Box> boxes(d.otherNetwork.size());
    for (size_t t = 0; t < boxes.size(); ++t) boxes[t] = BoxOf(d.otherNetwork.Corners(t), 3);
    d.otherGrid.Build(boxes);
  }
  if (d.boundary.empty()) return true;
  if (!RegionTrapezoids(d.boundary, origin_, d.region, error)) return false;
  for (const ConvexPolygon& z : d.region) d.regionBoxes.push_back(BoxOf(z.corner, z.count));
  d.regionGrid.Build(d.regionBoxes);
  return true;
}

void SurfaceOverlay::Run(OverlayPieceSink& sink) const {
  const Data& d = *data_;
  std::vector<uint32_t> seenOther(d.otherNetwork.size(), 0), seenRegion(d.region.size(), 0);
  std::vector<int32_t> others, regions;
  std::vector<ConvexPolygon> parts;
  for (size_t t = 0; t < d.baseNetwork.size(); ++t) {
    const uint32_t stamp = static_cast<uint32_t>(t) + 1;
    ConvexPolygon triangle;
    triangle.count = 3;
    std::copy_n(d.baseNetwork.Corners(t), 3, triangle.corner);
    const Box box = BoxOf(triangle.corner, 3);
    const Plane& plane = d.baseNetwork.planes[t];

    parts.clear();
    if (d.region.empty() && d.boundary.empty()) {
      parts.push_back(triangle);
    } else {
      d.regionGrid.ForNear(box, [&](int32_t z) {
        if (seenRegion[static_cast<size_t>(z)] == stamp || !d.regionBoxes[static_cast<size_t>(z)].Overlaps(box)) return;
        seenRegion[static_cast<size_t>(z)] = stamp;
        ConvexPolygon part = triangle;
        ClipToConvex(part, d.region[static_cast<size_t>(z)]);
        if (part.count >= 3) parts.push_back(part);
      });
    }
    if (parts.empty()) continue;
    if (!d.compared.other) {
      for (const ConvexPolygon& part : parts) d.Emit(part, plane, nullptr, sink);
      continue;
    }
    others.clear();
    d.otherGrid.ForNear(box, [&](int32_t u) {
      if (seenOther[static_cast<size_t>(u)] == stamp) return;
      seenOther[static_cast<size_t>(u)] = stamp;
      others.push_back(u);
    });
    for (const ConvexPolygon& part : parts) {
      const Box partBox = BoxOf(part.corner, part.count);
      for (int32_t u : others) {
        const PlanPoint* corners = d.otherNetwork.Corners(static_cast<size_t>(u));
        if (!BoxOf(corners, 3).Overlaps(partBox)) continue;
        ConvexPolygon clip, piece = part;
        clip.count = 3;
        std::copy_n(corners, 3, clip.corner);
        ClipToConvex(piece, clip);
        if (piece.count >= 3) d.Emit(piece, plane, &d.otherNetwork.planes[static_cast<size_t>(u)], sink);
      }
    }
  }
}

void CompensatedSum::Add(double term) {
  const double t = sum_ + term;
  compensation_ += std::fabs(sum_) >= std::fabs(term) ? (sum_ - t) + term : (term - t) + sum_;
  sum_ = t;
}

void VolumeIntegrator::Piece(const PlanPoint* corners, const double* difference, int count) {
  // Fan from the first corner: the integral of a linear function over a
  // triangle is its area times the mean of its corner values.
  double area = 0, integral = 0;
  for (int i = 1; i + 1 < count; ++i) {
    const double a = Side(corners[0], corners[i], corners[i + 1]) / 2;
    area += a;
    integral += a * ((difference[0] + difference[i] + difference[i + 1]) / 3);
  }
  if (!(area > 0)) return;
  if (integral > 0) {
    cut_.Add(integral);
    cutArea_.Add(area);
  } else if (integral < 0) {
    fill_.Add(-integral);
    fillArea_.Add(area);
  } else {
    levelArea_.Add(area);
  }
  const Box b = BoxOf(corners, count);
  if (empty_) {
    minX_ = b.minX, minY_ = b.minY, maxX_ = b.maxX, maxY_ = b.maxY;
    empty_ = false;
  }
  minX_ = std::min(minX_, b.minX);
  minY_ = std::min(minY_, b.minY);
  maxX_ = std::max(maxX_, b.maxX);
  maxY_ = std::max(maxY_, b.maxY);
}

EarthworkVolumes VolumeIntegrator::Result() const {
  EarthworkVolumes v;
  v.cut = cut_.Value();
  v.fill = fill_.Value();
  v.cutArea = cutArea_.Value();
  v.fillArea = fillArea_.Value();
  CompensatedSum area = cutArea_;
  area.Add(fillArea_.Value());
  area.Add(levelArea_.Value());
  v.area = area.Value();
  v.empty = empty_;
  if (!empty_) {
    v.minX = minX_ + origin_.x;
    v.minY = minY_ + origin_.y;
    v.maxX = maxX_ + origin_.x;
    v.maxY = maxY_ + origin_.y;
  }
  return v;
}

bool ComputeEarthworkVolumes(const FinishedProject& base, const ComparedSurface& compared,
                             const std::vector<BoundaryRing>& boundary, EarthworkVolumes& volumes, std::string& error) {
  SurfaceOverlay overlay(base, compared, boundary);
  if (!overlay.Prepare(error)) return false;
  VolumeIntegrator integrator(overlay.origin());
  overlay.Run(integrator);
  volumes = integrator.Result();
  return true;
}

std::string VolumeReport(const EarthworkVolumes& v) {
  char text[640];
  std::snprintf(text, sizeof text,
                "cut        %16.3f m3  over %14.3f m2\n"
                "fill       %16.3f m3  over %14.3f m2\n"
                "net        %16.3f m3  (fill - cut)\n"
                "area       %16.3f m2\n",
                v.cut, v.cutArea, v.fill, v.fillArea, v.Net(), v.area);
  std::string report = text;
  if (v.empty) return report + "extent     none: the region is empty\n";
  std::snprintf(text, sizeof text, "extent     x %.3f to %.3f, y %.3f to %.3f\n", v.minX, v.maxX, v.minY, v.maxY);
  return report + text;
}

std::string VolumeJson(const EarthworkVolumes& v) {
  std::string json = "{";
  auto add = [&json](const char* key, double value) {
    if (json.back() != '{') json += ", ";
    json += '"';
    json += key;
    json += "\": ";
    AppendShortest(json, value);
  };
  add("cut", v.cut);
  add("fill", v.fill);
  add("cut_area", v.cutArea);
  add("fill_area", v.fillArea);
  add("area", v.area);
  add("net", v.Net());
  if (v.empty) return json + ", \"extent\": null}\n";
  json += ", \"extent\": {";
  add("min_x", v.minX);
  add("min_y", v.minY);
  add("max_x", v.maxX);
  add("max_y", v.maxY);
  return json + "}}\n";
}

}  // namespace quarvelin
