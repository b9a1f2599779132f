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
  PlanePosition corner[kMaxCorners];
  int count = 0;
};

struct Box {
  double minX, minY, maxX, maxY;

  bool Overlaps(const Box& b) const { return minX <= b.maxX && b.minX <= maxX && minY <= b.maxY && b.minY <= maxY; }
};

Box BoxOf(const PlanePosition* corners, int count) {
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
double Side(PlanePosition a, PlanePosition b, PlanePosition p) { return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x); }

// Keeps the part of `in` where the linear function with corner values
// `value` is at least 0, and gives the function's values at the part's
// corners in `outValue` when asked: 0 exactly where a side was cut. Corners
// on the line are kept as they are, so a piece cut along an edge it shares
// gains no repeated corners.
void KeepNonNegative(const ConvexPolygon& in, const double* value, ConvexPolygon& out, double* outValue = nullptr) {
  out.count = 0;
  for (int i = 0; i < in.count && out.count < kMaxCorners; ++i) {
    const int j = i + 1 == in.count ? 0 : i + 1;
    const double a = value[i], b = value[j];
    if (a >= 0) {
      if (outValue) outValue[out.count] = a;
      out.corner[out.count++] = in.corner[i];
    }
    if (((a > 0 && b < 0) || (a < 0 && b > 0)) && out.count < kMaxCorners) {
      const double t = a / (a - b);
      const PlanePosition p = in.corner[i], q = in.corner[j];
      if (outValue) outValue[out.count] = 0;
      out.corner[out.count++] = {p.x + t * (q.x - p.x), p.y + t * (q.y - p.y)};
    }
  }
}

void CopyPolygon(const ConvexPolygon& from, ConvexPolygon& to) {
  to.count = from.count;
  std::copy_n(from.corner, from.count, to.corner);
}

// Clips `piece` in place to the left of each side of the counter-clockwise
// convex polygon `clip`.
void ClipToConvex(ConvexPolygon& piece, const PlanePosition* clip, int clipCount) {
  double side[kMaxCorners];
  ConvexPolygon spare;
  ConvexPolygon *from = &piece, *to = &spare;
  for (int k = 0; k < clipCount && from->count >= 3; ++k) {
    const PlanePosition a = clip[k], b = clip[k + 1 == clipCount ? 0 : k + 1];
    bool allInside = true;
    for (int i = 0; i < from->count; ++i) {
      side[i] = Side(a, b, from->corner[i]);
      allInside = allInside && side[i] >= 0;
    }
    if (allInside) continue;
    KeepNonNegative(*from, side, *to);
    std::swap(from, to);
  }
  if (from != &piece) CopyPolygon(*from, piece);
}

// A kept triangle in local coordinates, counter-clockwise, with its plane:
// z = z0 + gx (x - x0) + gy (y - y0) from its first corner.
struct LocalTriangle {
  PlanePosition corner[3];
  double z0, gx, gy;

  double HeightAt(PlanePosition p) const { return z0 + gx * (p.x - corner[0].x) + gy * (p.y - corner[0].y); }
};

// The kept triangles of a network in local coordinates, in the order of a
// Z-order curve through their centroids, so that the triangles met one after
// another, and the candidates each one finds in the other network, lie
// together in memory instead of all over the survey as the build's insertion
// order left them. Triangles of no plan area are left out: there is nothing
// to integrate over them.
std::vector<LocalTriangle> LocalTriangles(const FinishedProject& project, PlanePosition origin) {
  auto corner = [&](const TriangleRecord& r, int i) {
    Vertex3 v = project.Point(r.vertex[i]);
    return Vertex3{v.x - origin.x, v.y - origin.y, v.z};
  };
  auto centre = [&](const TriangleRecord& r) {
    const Vertex3 a = corner(r, 0), b = corner(r, 1), c = corner(r, 2);
    return PlanePosition{(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3};
  };
  std::vector<uint32_t> kept;
  Box all{0, 0, 0, 0};
  for (size_t t = 0; t < project.triangles.size(); ++t) {
    if (!project.Kept(static_cast<int32_t>(t))) continue;
    const PlanePosition c = centre(project.triangles[t]);
    all = kept.empty() ? Box{c.x, c.y, c.x, c.y}
                       : Box{std::min(all.minX, c.x), std::min(all.minY, c.y), std::max(all.maxX, c.x), std::max(all.maxY, c.y)};
    kept.push_back(static_cast<uint32_t>(t));
  }
  const double scale = 65535 / std::max({all.maxX - all.minX, all.maxY - all.minY, 1e-9});
  auto spread = [](uint32_t v) {  // the 16 bits of v to the even bits
    v = (v | (v << 8)) & 0x00FF00FFu;
    v = (v | (v << 4)) & 0x0F0F0F0Fu;
    v = (v | (v << 2)) & 0x33333333u;
    return (v | (v << 1)) & 0x55555555u;
  };
  std::vector<std::pair<uint32_t, uint32_t>> order(kept.size());
  for (size_t k = 0; k < kept.size(); ++k) {
    const PlanePosition c = centre(project.triangles[kept[k]]);
    const auto x = static_cast<uint32_t>((c.x - all.minX) * scale), y = static_cast<uint32_t>((c.y - all.minY) * scale);
    order[k] = {spread(x) | (spread(y) << 1), kept[k]};
  }
  kept = {};
  std::sort(order.begin(), order.end());

  std::vector<LocalTriangle> network;
  network.reserve(order.size());
  for (const auto& [key, t] : order) {
    const TriangleRecord& r = project.triangles[t];
    Vertex3 v[3] = {corner(r, 0), corner(r, 1), corner(r, 2)};
    double twiceArea = (v[1].x - v[0].x) * (v[2].y - v[0].y) - (v[1].y - v[0].y) * (v[2].x - v[0].x);
    if (!(twiceArea != 0) || !std::isfinite(twiceArea)) continue;
    if (twiceArea < 0) {
      std::swap(v[1], v[2]);
      twiceArea = -twiceArea;
    }
    const double dz1 = v[1].z - v[0].z, dz2 = v[2].z - v[0].z;
    network.push_back({{{v[0].x, v[0].y}, {v[1].x, v[1].y}, {v[2].x, v[2].y}},
                       v[0].z,
                       (dz1 * (v[2].y - v[0].y) - dz2 * (v[1].y - v[0].y)) / twiceArea,
                       (dz2 * (v[1].x - v[0].x) - dz1 * (v[2].x - v[0].x)) / twiceArea});
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
  // Clamped before the conversion: a box far off the grid is no cell count.
  static int Cell(double offset, double cell, int count) {
    return static_cast<int>(std::clamp(std::floor(offset / cell), 0.0, static_cast<double>(count - 1)));
  }
  int Column(double x) const { return Cell(x - origin_.x, cell_, columns_); }
  int Row(double y) const { return Cell(y - origin_.y, cell_, rows_); }

  template <typename Visit>
  void ForCells(const Box& b, Visit visit) const {
    const int c0 = Column(b.minX), c1 = Column(b.maxX), r0 = Row(b.minY), r1 = Row(b.maxY);
    for (int c = c0; c <= c1; ++c) {
      for (int r = r0; r <= r1; ++r) visit(static_cast<size_t>(c) * static_cast<size_t>(rows_) + static_cast<size_t>(r));
    }
  }

  PlanePosition origin_{};
  double cell_ = 1;
  int columns_ = 0, rows_ = 0;
  std::vector<size_t> start_;
  std::vector<int32_t> items_;
};

// The even-odd region of the rings as trapezoids with horizontal top and
// bottom: between two successive vertex heights the ring edges that span
// the band, in order along x, bound the region pairwise. False when two
// edges change order within a band, that is when rings cross.
bool RegionTrapezoids(const std::vector<PlanRing>& rings, PlanePosition origin, std::vector<ConvexPolygon>& trapezoids,
                      std::string& error) {
  struct Edge {
    PlanePosition low, high;
    double XAt(double y) const {
      if (y == low.y) return low.x;
      if (y == high.y) return high.x;
      return low.x + (high.x - low.x) * ((y - low.y) / (high.y - low.y));
    }
  };
  std::vector<Edge> edges;
  std::vector<double> heights;
  for (const PlanRing& ring : rings) {
    for (size_t i = 0; i < ring.size(); ++i) {
      PlanePosition a{ring[i].x - origin.x, ring[i].y - origin.y};
      const PlanePosition& n = ring[(i + 1) % ring.size()];
      PlanePosition b{n.x - origin.x, n.y - origin.y};
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
      for (PlanePosition p : {PlanePosition{left.XAt(y0), y0}, PlanePosition{right.XAt(y0), y0}, PlanePosition{right.XAt(y1), y1},
                          PlanePosition{left.XAt(y1), y1}}) {
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
  bool toLevel = true;
  double level = 0;
  bool clipped = false;  // to a boundary
  std::vector<LocalTriangle> baseNetwork, otherNetwork;
  BoxGrid otherGrid;
  std::vector<ConvexPolygon> region;
  std::vector<Box> regionBoxes;
  BoxGrid regionGrid;

  // Splits a piece at the zero line of the difference and hands on both sides.
  void Emit(const ConvexPolygon& piece, const LocalTriangle& base, const LocalTriangle* other, OverlayPieceSink& sink) const {
    double difference[kMaxCorners], negated[kMaxCorners];
    bool above = false, below = false;
    for (int i = 0; i < piece.count; ++i) {
      difference[i] = base.HeightAt(piece.corner[i]) - (other ? other->HeightAt(piece.corner[i]) : level);
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
      double values[kMaxCorners];
      KeepNonNegative(piece, negated, part, values);
      PlanePosition zero[2];
      int zeros = 0;
      for (int i = 0; i < part.count; ++i) {
        if (values[i] == 0 && zeros < 2) zero[zeros++] = part.corner[i];
        values[i] *= sign;
      }
      if (part.count >= 3) sink.Piece(part.corner, values, part.count);
      if (sign == 1 && zeros == 2) sink.ZeroLine(zero[0], zero[1]);
    }
  }
};

SurfaceOverlay::SurfaceOverlay() : data_(std::make_unique<Data>()) {}

SurfaceOverlay::~SurfaceOverlay() = default;

bool SurfaceOverlay::Prepare(const FinishedProject& base, const ComparedSurface& compared,
                             const std::vector<PlanRing>& boundary, std::string& error) {
  Data& d = *data_;
  const Extent extent = KeptExtent(base);
  origin_ = extent.empty ? PlanePosition{0, 0} : PlanePosition{extent.minX, extent.minY};
  d.baseNetwork = LocalTriangles(base, origin_);
  d.toLevel = compared.other == nullptr;
  d.level = compared.level;
  if (compared.other) {
    d.otherNetwork = LocalTriangles(*compared.other, origin_);
    std::vector<Box> boxes(d.otherNetwork.size());
    for (size_t t = 0; t < boxes.size(); ++t) boxes[t] = BoxOf(d.otherNetwork[t].corner, 3);
    d.otherGrid.Build(boxes);
  }
  d.clipped = !boundary.empty();
  if (!d.clipped) return true;
  if (!RegionTrapezoids(boundary, origin_, d.region, error)) return false;
  for (const ConvexPolygon& z : d.region) d.regionBoxes.push_back(BoxOf(z.corner, z.count));
  d.regionGrid.Build(d.regionBoxes);
  return true;
}

void SurfaceOverlay::Run(OverlayPieceSink& sink, const std::function<void(double)>& progress) const {
  const Data& d = *data_;
  std::vector<uint32_t> seenOther(d.otherNetwork.size(), 0), seenRegion(d.region.size(), 0);
  std::vector<int32_t> others;
  std::vector<ConvexPolygon> parts;
  constexpr size_t kProgressStep = 1 << 16;
  for (size_t t = 0; t < d.baseNetwork.size(); ++t) {
    if (progress && t % kProgressStep == 0) progress(static_cast<double>(t) / static_cast<double>(d.baseNetwork.size()));
    const uint32_t stamp = static_cast<uint32_t>(t) + 1;
    const LocalTriangle& base = d.baseNetwork[t];
    const Box box = BoxOf(base.corner, 3);
    ConvexPolygon triangle;
    triangle.count = 3;
    std::copy_n(base.corner, 3, triangle.corner);

    parts.clear();
    if (!d.clipped) {
      parts.push_back(triangle);
    } else {
      d.regionGrid.ForNear(box, [&](int32_t z) {
        const auto k = static_cast<size_t>(z);
        if (seenRegion[k] == stamp || !d.regionBoxes[k].Overlaps(box)) return;
        seenRegion[k] = stamp;
        ConvexPolygon part;
        CopyPolygon(triangle, part);
        ClipToConvex(part, d.region[k].corner, d.region[k].count);
        if (part.count >= 3) parts.push_back(part);
      });
    }
    if (parts.empty()) continue;
    if (d.toLevel) {
      for (const ConvexPolygon& part : parts) d.Emit(part, base, nullptr, sink);
      continue;
    }
    others.clear();
    d.otherGrid.ForNear(box, [&](int32_t u) {
      const auto k = static_cast<size_t>(u);
      if (seenOther[k] == stamp) return;
      seenOther[k] = stamp;
      if (BoxOf(d.otherNetwork[k].corner, 3).Overlaps(box)) others.push_back(u);
    });
    for (const ConvexPolygon& part : parts) {
      const Box partBox = parts.size() == 1 ? box : BoxOf(part.corner, part.count);
      for (int32_t u : others) {
        const auto k = static_cast<size_t>(u);
        if (parts.size() > 1 && !BoxOf(d.otherNetwork[k].corner, 3).Overlaps(partBox)) continue;
        ConvexPolygon piece;
        CopyPolygon(part, piece);
        ClipToConvex(piece, d.otherNetwork[k].corner, 3);
        if (piece.count >= 3) d.Emit(piece, base, &d.otherNetwork[k], sink);
      }
    }
  }
}

void CompensatedSum::Add(double term) {
  const double t = sum_ + term;
  compensation_ += std::fabs(sum_) >= std::fabs(term) ? (sum_ - t) + term : (term - t) + sum_;
  sum_ = t;
}

void VolumeIntegrator::Piece(const PlanePosition* corners, const double* difference, int count) {
  // Fan from the first corner: the integral of a linear function over a
  // triangle is its area times the mean of its corner values.
  double area = 0, integral = 0;
  for (int i = 1; i + 1 < count; ++i) {
    const double a = Side(corners[0], corners[i], corners[i + 1]) / 2;
    area += a;
    integral += a * ((difference[0] + difference[i] + difference[i + 1]) / 3);
  }
  if (!(area > 0)) return;
  for (int i = 0; i < count; ++i) {
    deepestCut_ = std::max(deepestCut_, difference[i]);
    deepestFill_ = std::max(deepestFill_, -difference[i]);
  }
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
  v.deepestCut = deepestCut_;
  v.deepestFill = deepestFill_;
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
                             const std::vector<PlanRing>& boundary, EarthworkVolumes& volumes, std::string& error) {
  SurfaceOverlay overlay;
  if (!overlay.Prepare(base, compared, boundary, error)) return false;
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
                "area       %16.3f m2\n"
                "deepest    %16.3f m cut, %.3f m fill\n",
                v.cut, v.cutArea, v.fill, v.fillArea, v.Net(), v.area, v.deepestCut, v.deepestFill);
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
  add("deepest_cut", v.deepestCut);
  add("deepest_fill", v.deepestFill);
  if (v.empty) return json + ", \"extent\": null}\n";
  json += ", \"extent\": {";
  add("min_x", v.minX);
  add("min_y", v.minY);
  add("max_x", v.maxX);
  add("max_y", v.maxY);
  return json + "}}\n";
}

}  // namespace quarvelin
