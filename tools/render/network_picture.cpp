#include "network_picture.h"

#include <cairo-svg.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace quarvelin {

namespace {

constexpr double kMargin = 24;
constexpr double kLegendWidth = 150;
constexpr double kTitleHeight = 32;
constexpr double kScaleBarHeight = 36;  // below the map
constexpr double kPadding = 8;          // between the map's frame and the survey
constexpr double kLegendTop = 20;       // from the map's top to the height bar's
constexpr double kShortestHeightBar = 80;
constexpr double kNorthArrowHeight = 60;
constexpr double kImageResolution = 1.5;  // image pixels per picture pixel in a large network's SVG

struct Colour {
  double r, g, b;
};

constexpr Colour kBreaklineColour{0.05, 0.20, 0.75};
constexpr Colour kBoundaryColour{0.75, 0.05, 0.05};
constexpr Colour kClipRingColour{0.15, 0.05, 0.05};
constexpr Colour kRemovedColour{0.86, 0.86, 0.86};
constexpr Colour kRemovedEdgeColour{0.62, 0.62, 0.62};
constexpr Colour kContourColour{0.30, 0.20, 0.10};
constexpr double kContourOpacity = 0.8;

// Hypsometric tints from low green through yellow and brown to pale high ground.
Colour HeightColour(double t) {
  static constexpr Colour kStops[] = {
      {0.16, 0.42, 0.24}, {0.45, 0.66, 0.31}, {0.90, 0.84, 0.47}, {0.72, 0.50, 0.29}, {0.93, 0.91, 0.88}};
  constexpr int kLast = static_cast<int>(std::size(kStops)) - 1;
  t = std::clamp(t, 0.0, 1.0) * kLast;
  int i = std::min(static_cast<int>(t), kLast - 1);
  double f = t - i;
  const Colour &a = kStops[i], &b = kStops[i + 1];
  return {a.r + f * (b.r - a.r), a.g + f * (b.g - a.g), a.b + f * (b.b - a.b)};
}

// Survey coordinates to pixels. Offsets are taken in double before Cairo
// sees them: its fixed-point device space cannot hold x near 21.5 million.
class MapView {
 public:
  MapView(const Extent& extent, double left, double top, double width, double height) : extent_(extent) {
    double spanX = std::max(extent.maxX - extent.minX, 1e-9), spanY = std::max(extent.maxY - extent.minY, 1e-9);
    scale_ = std::min(width / spanX, height / spanY);
    left_ = left + (width - spanX * scale_) / 2;
    bottom_ = top + height - (height - spanY * scale_) / 2;
  }
  double X(double x) const { return left_ + (x - extent_.minX) * scale_; }
  double Y(double y) const { return bottom_ - (y - extent_.minY) * scale_; }
  double scale() const { return scale_; }  // pixels per metre
  double left() const { return left_; }
  double bottom() const { return bottom_; }

 private:
  Extent extent_;
  double scale_ = 1, left_ = 0, bottom_ = 0;
};

// Extent of the survey points (the frame corners are left out, so that the
// map is not mostly frame when removed triangles are drawn).
Extent SurveyExtent(const FinishedProject& project) {
  Extent e = KeptExtent(project);
  for (size_t i = 4; i < project.points.size() && e.empty; ++i) {
    const PointRecord& p = project.points[i];
    e = {p.x, p.y, p.x, p.y, p.z, p.z, false};
  }
  for (size_t i = 4; i < project.points.size(); ++i) {
    const PointRecord& p = project.points[i];
    e.minX = std::min(e.minX, p.x);
    e.maxX = std::max(e.maxX, p.x);
    e.minY = std::min(e.minY, p.y);
    e.maxY = std::max(e.maxY, p.y);
  }
  return e;
}

class Painter {
 public:
  Painter(cairo_t* cr, const FinishedProject& project, const MapView& view, const Extent& heights, bool vector)
      : cr_(cr), project_(project), view_(view), heights_(heights), vector_(vector) {}

  // Reports the share of `passes` sweeps over the triangles done.
  void ReportTo(const std::function<void(double)>& progress, int passes) {
    progress_ = progress;
    total_ = static_cast<double>(project_.triangles.size()) * passes;
  }

  void Triangles(bool kept) {
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
    cairo_set_line_width(cr_, 1);
    for (int32_t t = 0; t < static_cast<int32_t>(project_.triangles.size()); ++t) {
      if (progress_ && ++swept_ % (1 << 12) == 0) progress_(static_cast<double>(swept_) / total_);
      if (project_.Kept(t) != kept) continue;
      TrianglePath(t);
      if (kept) {
        Colour c = Shaded(t);
        cairo_set_source_rgb(cr_, c.r, c.g, c.b);
        if (vector_) {
          cairo_fill_preserve(cr_);
          cairo_stroke(cr_);  // viewers smooth each edge, which shows a seam between neighbours
        } else {
          cairo_fill(cr_);  // unsmoothed fills tile the pixels without gaps
        }
      } else {
        cairo_set_source_rgb(cr_, kRemovedColour.r, kRemovedColour.g, kRemovedColour.b);
        cairo_fill_preserve(cr_);
        cairo_set_source_rgb(cr_, kRemovedEdgeColour.r, kRemovedEdgeColour.g, kRemovedEdgeColour.b);
        cairo_stroke(cr_);
      }
    }
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_DEFAULT);
  }

  void Line(const std::vector<Vertex3>& line, bool close) {
    if (line.empty()) return;
    cairo_move_to(cr_, view_.X(line[0].x), view_.Y(line[0].y));
    for (size_t i = 1; i < line.size(); ++i) cairo_line_to(cr_, view_.X(line[i].x), view_.Y(line[i].y));
    if (close) cairo_close_path(cr_);
    cairo_stroke(cr_);
  }

  void Ring(const std::vector<int32_t>& ring) {
    std::vector<Vertex3> line;
    for (int32_t v : ring) line.push_back(project_.Point(v));
    Line(line, true);
  }

 private:
  void TrianglePath(int32_t t) {
    const TriangleRecord& r = project_.triangles[static_cast<size_t>(t)];
    for (int i = 0; i < 3; ++i) {
      const PointRecord& p = project_.points[static_cast<size_t>(r.vertex[i])];
      (i == 0 ? cairo_move_to : cairo_line_to)(cr_, view_.X(p.x), view_.Y(p.y));
    }
    cairo_close_path(cr_);
  }

  // Tint of the mean height, darkened by the slope's turn away from a light
  // in the north-west, 45 degrees up.
  Colour Shaded(int32_t t) const {
    const TriangleRecord& r = project_.triangles[static_cast<size_t>(t)];
    Vertex3 a = project_.Point(r.vertex[0]), b = project_.Point(r.vertex[1]), c = project_.Point(r.vertex[2]);
    double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z, vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
    double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
    double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    double light = length > 0 ? (-nx * 0.5 + ny * 0.5 + nz * 0.70710678) / length : 1;
    double span = heights_.maxZ - heights_.minZ;
    Colour colour = HeightColour(span > 0 ? ((a.z + b.z + c.z) / 3 - heights_.minZ) / span : 0.5);
    double f = 0.55 + 0.45 * std::clamp(light, 0.0, 1.0) / 0.70710678 * 0.8;
    f = std::min(f, 1.1);
    return {std::min(colour.r * f, 1.0), std::min(colour.g * f, 1.0), std::min(colour.b * f, 1.0)};
  }

  cairo_t* cr_;
  const FinishedProject& project_;
  const MapView& view_;
  Extent heights_;
  bool vector_;
  std::function<void(double)> progress_;
  double total_ = 1;
  int64_t swept_ = 0;
};

std::string Metres(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f m", decimals, value);
  return text;
}

// 1, 2 or 5 times a power of ten: the largest such step of which `parts` fit
// in `span`.
double RoundStep(double span, double parts) {
  const double target = span / parts;
  const double power = std::pow(10, std::floor(std::log10(target)));
  double step = power;
  for (double m : {2.0, 5.0, 10.0}) {
    if (m * power <= target) step = m * power;
  }
  return step;
}

// Decimals that show a multiple of `step` exactly.
int StepDecimals(double step) { return std::clamp(static_cast<int>(std::ceil(-std::log10(step) - 1e-9)), 0, 6); }

// Height legend: a tinted bar from the lowest to the highest kept point,
// ticked at round heights.
void HeightBar(cairo_t* cr, const Extent& heights, double left, double top, double height) {
  constexpr double kBarWidth = 22;
  PictureText(cr, left, top - 16, "Height", 14, true);
  cairo_pattern_t* ramp = cairo_pattern_create_linear(0, top + height, 0, top);
  for (int i = 0; i <= 20; ++i) {
    Colour c = HeightColour(i / 20.0);
    cairo_pattern_add_color_stop_rgb(ramp, i / 20.0, c.r, c.g, c.b);
  }
  RampBar(cr, ramp, left, top, kBarWidth, height);
  const double span = heights.maxZ - heights.minZ;
  auto tick = [&](double z, int decimals) {
    const double y = span > 0 ? top + height - height * (z - heights.minZ) / span : top + height / 2;
    cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
    cairo_move_to(cr, left + kBarWidth, y);
    cairo_line_to(cr, left + kBarWidth + 5, y);
    cairo_stroke(cr);
    PictureText(cr, left + kBarWidth + 9, y + 4, Metres(z, decimals), 12);
  };
  if (!(span > 0)) {
    tick(heights.minZ, 2);
    return;
  }
  const double step = RoundStep(span, 4);
  for (double k = std::ceil(heights.minZ / step); k * step <= heights.maxZ; k += 1) tick(k * step, StepDecimals(step));
}

// What the legend lists under the heights: each kind of line drawn, and the
// removed triangles when they are drawn, with a sample in its colour.
struct LegendEntry {
  std::string label;
  Colour colour;
  double opacity;
  bool box;  // a filled box with the removed triangles' edge, not a line
};

std::vector<LegendEntry> LegendEntries(const FinishedProject& project, const PictureOptions& options) {
  std::vector<LegendEntry> entries;
  if (!project.breaklines.empty()) entries.push_back({"Breaklines", kBreaklineColour, 1, false});
  if (!project.boundaryRings.empty()) entries.push_back({"Boundary", kBoundaryColour, 1, false});
  if (!options.clipRings.empty()) entries.push_back({"Clip rings", kClipRingColour, 1, false});
  if (options.removed) entries.push_back({"Removed triangles", kRemovedColour, 1, true});
  if (!options.contours.empty()) {
    char label[64];
    std::snprintf(label, sizeof label, "Contours (%g m)", options.contourInterval);
    entries.push_back({label, kContourColour, kContourOpacity, false});
  }
  return entries;
}

constexpr double kEntryHeight = 20;

// Samples are whole-pixel rectangles, so that they show their exact colour.
void LegendLines(cairo_t* cr, const std::vector<LegendEntry>& entries, double left, double top) {
  for (size_t i = 0; i < entries.size(); ++i) {
    const LegendEntry& e = entries[i];
    const double y = top + kEntryHeight * static_cast<double>(i);
    if (e.box) cairo_rectangle(cr, left + 4, y - 6, 14, 12);
    else cairo_rectangle(cr, left, y - 1, 22, 3);
    cairo_set_source_rgba(cr, e.colour.r, e.colour.g, e.colour.b, e.opacity);
    cairo_fill_preserve(cr);
    if (e.box) {
      cairo_set_source_rgb(cr, kRemovedEdgeColour.r, kRemovedEdgeColour.g, kRemovedEdgeColour.b);
      cairo_set_line_width(cr, 1);
      cairo_stroke(cr);
    }
    cairo_new_path(cr);
    PictureText(cr, left + 31, y + 4, e.label, 12);
  }
}

// An arrow pointing up the map, which is north, with its letter.
void NorthArrow(cairo_t* cr, double centreX, double top) {
  constexpr double kHalfWidth = 8, kLength = 26;
  PictureText(cr, centreX - 5, top + 12, "N", 14, true);
  const double tip = top + 16, base = tip + kLength;
  cairo_set_line_width(cr, 1);
  cairo_move_to(cr, centreX, tip);
  cairo_line_to(cr, centreX + kHalfWidth, base);
  cairo_line_to(cr, centreX, base - 7);
  cairo_close_path(cr);
  cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
  cairo_fill_preserve(cr);
  cairo_stroke(cr);
  cairo_move_to(cr, centreX, tip);
  cairo_line_to(cr, centreX - kHalfWidth, base);
  cairo_line_to(cr, centreX, base - 7);
  cairo_close_path(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_fill_preserve(cr);
  cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
  cairo_stroke(cr);
}

// A bar of a round length (1, 2 or 5 times a power of ten) near a fifth of
// the map's width, in alternating black and white quarters.
void ScaleBar(cairo_t* cr, const MapView& view, double mapWidth, double x, double y) {
  double length = RoundStep(mapWidth / view.scale(), 5);
  double pixels = length * view.scale();
  cairo_set_line_width(cr, 1);
  for (int i = 0; i < 4; ++i) {
    cairo_rectangle(cr, x + pixels * i / 4, y, pixels / 4, 6);
    double shade = i % 2 == 0 ? 0.1 : 1.0;
    cairo_set_source_rgb(cr, shade, shade, shade);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    cairo_stroke(cr);
  }
  PictureText(cr, x, y - 6, "0", 11);
  PictureText(cr, x + pixels - 4, y - 6, Metres(length, length < 1 ? 2 : 0), 11);
}

struct SurfaceCloser {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextCloser {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};

bool HasExtension(const std::string& path, const char* extension) {
  const std::string wanted = extension;
  if (path.size() < wanted.size()) return false;
  std::string tail = path.substr(path.size() - wanted.size());
  for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return tail == wanted;
}

void DrawTriangles(Painter& painter, const PictureOptions& options) {
  painter.ReportTo(options.progress, options.removed ? 2 : 1);
  if (options.removed) painter.Triangles(false);
  painter.Triangles(true);
}

struct MapArea {
  double left, top, width, height;
};

// The triangles drawn into an image that the picture holds: the SVG of a
// large network then stays a few megabytes however many triangles it has.
// The image has one and a half times the picture's resolution where memory
// allows, so that it stays sharp when a viewer zooms in a little.
void PaintSurfaceImage(cairo_t* cr, const MapArea& area, const FinishedProject& project, const MapView& view,
                       const Extent& heights, const PictureOptions& options) {
  constexpr double kMostPixels = 64e6, kLongestSide = 32000;
  const double scale = std::min({kImageResolution, std::sqrt(kMostPixels / (area.width * area.height)),
                                 kLongestSide / std::max(area.width, area.height)});
  std::unique_ptr<cairo_surface_t, SurfaceCloser> image(
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(std::ceil(area.width * scale)),
                                 static_cast<int>(std::ceil(area.height * scale))));
  {
    std::unique_ptr<cairo_t, ContextCloser> context(cairo_create(image.get()));
    cairo_scale(context.get(), scale, scale);
    cairo_translate(context.get(), -area.left, -area.top);
    Painter painter(context.get(), project, view, heights, false);
    DrawTriangles(painter, options);
  }
  cairo_surface_flush(image.get());
  cairo_save(cr);
  cairo_translate(cr, area.left, area.top);
  cairo_scale(cr, 1 / scale, 1 / scale);
  cairo_set_source_surface(cr, image.get(), 0, 0);
  cairo_paint(cr);
  cairo_restore(cr);
}

}  // namespace

bool HasPictureExtension(const std::string& path) { return HasExtension(path, ".png") || HasExtension(path, ".svg"); }

bool DrawNetworkPicture(const FinishedProject& project, const PictureOptions& options, const std::string& path,
                        std::string& error) {
  const Extent extent = SurveyExtent(project), heights = KeptExtent(project);
  const std::vector<LegendEntry> entries = LegendEntries(project, options);
  const double entriesHeight = entries.empty() ? 0 : 24 + kEntryHeight * static_cast<double>(entries.size());
  const double mapWidth = options.width - 3 * kMargin - kLegendWidth;
  const double aspect = extent.empty ? 1 : std::clamp((extent.maxY - extent.minY) / std::max(extent.maxX - extent.minX, 1e-9), 0.25, 4.0);
  // A flat survey still leaves the legend its room beside the map.
  const double mapHeightWanted = std::max(mapWidth * aspect, kLegendTop + kShortestHeightBar + entriesHeight + kNorthArrowHeight + 20);
  const int height = static_cast<int>(std::lround(mapHeightWanted + 2 * kMargin + kTitleHeight + kScaleBarHeight));
  const bool svg = HasExtension(path, ".svg");
  std::unique_ptr<cairo_surface_t, SurfaceCloser> surface(
      svg ? cairo_svg_surface_create(path.c_str(), options.width, height)
          : cairo_image_surface_create(CAIRO_FORMAT_RGB24, options.width, height));
  std::unique_ptr<cairo_t, ContextCloser> context(cairo_create(surface.get()));
  cairo_t* cr = context.get();
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  PictureText(cr, kMargin, kMargin + 4, options.title, 16, true);

  const double mapTop = kMargin + kTitleHeight, mapHeight = height - mapTop - kMargin - kScaleBarHeight;
  const MapArea area{kMargin, mapTop, mapWidth, mapHeight};
  MapView view(extent, kMargin + kPadding, mapTop + kPadding, mapWidth - 2 * kPadding, mapHeight - 2 * kPadding);
  cairo_save(cr);
  cairo_rectangle(cr, area.left, area.top, area.width, area.height);
  cairo_clip(cr);
  if (svg && project.triangles.size() > kMostVectorTriangles) {
    PaintSurfaceImage(cr, area, project, view, heights, options);
  } else {
    Painter painter(cr, project, view, heights, svg);
    DrawTriangles(painter, options);
  }
  Painter painter(cr, project, view, heights, svg);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_source_rgba(cr, kContourColour.r, kContourColour.g, kContourColour.b, kContourOpacity);
  cairo_set_line_width(cr, 0.7);
  for (const ContourLine& c : options.contours) painter.Line(c.points, false);
  cairo_set_source_rgb(cr, kBreaklineColour.r, kBreaklineColour.g, kBreaklineColour.b);
  cairo_set_line_width(cr, 1.2);
  for (const auto& line : project.breaklines) painter.Line(line, false);
  cairo_set_source_rgb(cr, kBoundaryColour.r, kBoundaryColour.g, kBoundaryColour.b);
  cairo_set_line_width(cr, 2);
  for (const auto& ring : project.boundaryRings) painter.Ring(ring);
  const double dashes[] = {5, 3};
  cairo_set_dash(cr, dashes, 2, 0);
  cairo_set_source_rgb(cr, kClipRingColour.r, kClipRingColour.g, kClipRingColour.b);
  cairo_set_line_width(cr, 1);
  for (const PlanRing& ring : options.clipRings) {
    std::vector<Vertex3> line;
    for (const PlanePosition& p : ring) line.push_back({p.x, p.y, 0});
    painter.Line(line, true);
  }
  cairo_restore(cr);

  const double legendLeft = kMargin * 2 + mapWidth, barTop = mapTop + kLegendTop;
  const double barHeight = std::min(mapHeight - kLegendTop - entriesHeight - kNorthArrowHeight - 20, 400.0);
  if (!heights.empty) HeightBar(cr, heights, legendLeft, barTop, barHeight);
  const double entriesTop = barTop + barHeight + 24 + kEntryHeight / 2;
  LegendLines(cr, entries, legendLeft, entriesTop);
  NorthArrow(cr, legendLeft + 11, entriesTop + entriesHeight);
  cairo_rectangle(cr, kMargin, mapTop, mapWidth, mapHeight);
  cairo_set_source_rgb(cr, 0.4, 0.4, 0.4);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  if (!extent.empty) ScaleBar(cr, view, mapWidth, kMargin, mapTop + mapHeight + kScaleBarHeight - 12);

  return FinishPicture(surface.get(), context.release(), svg, path, error);
}

void PictureText(cairo_t* cr, double x, double y, const std::string& text, double size, bool bold) {
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, text.c_str());
}

void RampBar(cairo_t* cr, cairo_pattern_t* ramp, double left, double top, double width, double height) {
  cairo_rectangle(cr, left, top, width, height);
  cairo_set_source(cr, ramp);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(ramp);
  cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
}

bool FinishPicture(cairo_surface_t* surface, cairo_t* context, bool svg, const std::string& path, std::string& error) {
  cairo_surface_flush(surface);
  cairo_status_t status = svg ? CAIRO_STATUS_SUCCESS : cairo_surface_write_to_png(surface, path.c_str());
  cairo_destroy(context);
  cairo_surface_finish(surface);
  if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    error = path + ": cannot write the picture: " + cairo_status_to_string(status);
    return false;
  }
  return true;
}

void ReleasePictureCaches() {
  cairo_debug_reset_static_data();
  FcFini();
}

}  // namespace quarvelin
