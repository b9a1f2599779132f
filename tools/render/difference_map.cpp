#include "difference_map.h"

#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "network_picture.h"

namespace quarvelin {

namespace {

constexpr double kMargin = 24;
constexpr double kPanelWidth = 230;  // legend and figures, right of the map
constexpr double kTitleHeight = 32;
// An SVG of a network with more triangles than this holds the map as an image.
constexpr size_t kMostVectorBaseTriangles = 5000;

struct Colour {
  double r, g, b;
};

// White at no change, deepening to red where BASE is above (cut) and to
// blue where it is below (fill); `t` is the difference over the scale's end.
Colour DifferenceColour(double t) {
  static constexpr Colour kCut{0.70, 0.09, 0.07}, kFill{0.06, 0.27, 0.70};
  const Colour& end = t > 0 ? kCut : kFill;
  const double f = std::min(std::fabs(t), 1.0);
  return {1 + f * (end.r - 1), 1 + f * (end.g - 1), 1 + f * (end.b - 1)};
}

// Fills each piece with the colour of its mean difference and gathers the
// zero line. The context maps the overlay's local metres to pixels, which
// keeps Cairo's fixed-point device space far from survey coordinates.
class PiecePainter : public OverlayPieceSink {
 public:
  // Unsmoothed fills tile the pixels without gaps between pieces.
  PiecePainter(cairo_t* cr, double scale, bool vector) : cr_(cr), scale_(scale), vector_(vector) {
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
  }
  ~PiecePainter() override { cairo_set_antialias(cr_, CAIRO_ANTIALIAS_DEFAULT); }
  void Piece(const PlanePosition* corners, const double* difference, int count) override {
    double mean = 0;
    cairo_move_to(cr_, corners[0].x, corners[0].y);
    for (int i = 0; i < count; ++i) {
      if (i > 0) cairo_line_to(cr_, corners[i].x, corners[i].y);
      mean += difference[i] / count;
    }
    cairo_close_path(cr_);
    const Colour c = DifferenceColour(mean / scale_);
    cairo_set_source_rgb(cr_, c.r, c.g, c.b);
    if (vector_) {
      cairo_fill_preserve(cr_);
      cairo_stroke(cr_);  // SVG viewers smooth each edge, which shows seams between pieces
    } else {
      cairo_fill(cr_);
    }
  }
  void ZeroLine(PlanePosition a, PlanePosition b) override { zeroLine.push_back({a, b}); }

  std::vector<std::pair<PlanePosition, PlanePosition>> zeroLine;

 private:
  cairo_t* cr_;
  double scale_;
  bool vector_;
};

std::string Figure(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// The diverging bar from +scale (cut) at the top to -scale (fill) at the foot.
void DifferenceLegend(cairo_t* cr, double scale, double left, double top, double height) {
  constexpr double kBarWidth = 22;
  PictureText(cr, left, top - 16, "Difference", 14, true);
  cairo_pattern_t* ramp = cairo_pattern_create_linear(0, top, 0, top + height);
  for (int i = 0; i <= 20; ++i) {
    const Colour c = DifferenceColour(1 - i / 10.0);
    cairo_pattern_add_color_stop_rgb(ramp, i / 20.0, c.r, c.g, c.b);
  }
  RampBar(cr, ramp, left, top, kBarWidth, height);
  const char* format = scale >= 50 ? "%+.0f m" : scale >= 5 ? "%+.1f m" : scale >= 0.5 ? "%+.2f m" : "%+.3f m";
  for (int i = 0; i <= 4; ++i) {
    const double y = top + height * i / 4, value = scale * (1 - i / 2.0);
    cairo_move_to(cr, left + kBarWidth, y);
    cairo_line_to(cr, left + kBarWidth + 5, y);
    cairo_stroke(cr);
    PictureText(cr, left + kBarWidth + 9, y + 4, value == 0 ? "0 m" : Figure(format, value), 12);
  }
  PictureText(cr, left + kBarWidth + 80, top + 12, "cut", 12);
  PictureText(cr, left + kBarWidth + 80, top + height, "fill", 12);
}

void VolumeFigures(cairo_t* cr, const EarthworkVolumes& v, double left, double top) {
  const std::pair<std::string, std::string> lines[] = {
      {"Cut", Figure("%.1f m\u00b3", v.cut)},       {"  over", Figure("%.1f m\u00b2", v.cutArea)},
      {"Fill", Figure("%.1f m\u00b3", v.fill)},     {"  over", Figure("%.1f m\u00b2", v.fillArea)},
      {"Net (fill - cut)", Figure("%.1f m\u00b3", v.Net())}, {"Area", Figure("%.1f m\u00b2", v.area)}};
  PictureText(cr, left, top, "Volumes", 14, true);
  double y = top + 22;
  for (const auto& [caption, value] : lines) {
    PictureText(cr, left, y, caption, 12);
    PictureText(cr, left + 100, y, value, 12);
    y += 18;
  }
}

// The legend's end: the largest difference rounded up to 1, 2 or 5 times a
// power of ten, so that its ticks read as round figures.
double RoundScale(double largest) {
  if (!(largest > 0)) return 1;
  const double power = std::pow(10, std::floor(std::log10(largest)));
  for (double m : {1.0, 2.0, 5.0}) {
    if (m * power >= largest) return m * power;
  }
  return 10 * power;
}

bool EndsInSvg(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos) return false;
  std::string extension = path.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == "svg";
}

}  // namespace

bool DrawDifferenceMap(const FinishedProject& base, const ComparedSurface& compared,
                       const std::vector<PlanRing>& boundary, const DifferenceMapOptions& options,
                       const std::string& path, EarthworkVolumes& volumes, std::string& error) {
  SurfaceOverlay overlay;
  if (!overlay.Prepare(base, compared, boundary, error)) return false;
  VolumeIntegrator integrator(overlay.origin());
  overlay.Run(integrator);
  volumes = integrator.Result();
  const double scale = RoundScale(std::max(volumes.deepestCut, volumes.deepestFill));

  const double mapWidth = options.width - 3 * kMargin - kPanelWidth;
  const double spanX = std::max(volumes.maxX - volumes.minX, 1e-9), spanY = std::max(volumes.maxY - volumes.minY, 1e-9);
  const double aspect = volumes.empty ? 1 : std::clamp(spanY / spanX, 0.25, 4.0);
  const double mapHeight = std::max(mapWidth * aspect, 360.0);
  const int height = static_cast<int>(std::lround(mapHeight + 2 * kMargin + kTitleHeight));
  const bool svg = EndsInSvg(path);
  std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)> surface(
      svg ? cairo_svg_surface_create(path.c_str(), options.width, height)
          : cairo_image_surface_create(CAIRO_FORMAT_RGB24, options.width, height),
      cairo_surface_destroy);
  std::unique_ptr<cairo_t, void (*)(cairo_t*)> context(cairo_create(surface.get()), cairo_destroy);
  cairo_t* cr = context.get();
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  PictureText(cr, kMargin, kMargin + 4, options.title, 16, true);

  const double mapTop = kMargin + kTitleHeight;
  if (!volumes.empty) {
    constexpr double kPadding = 8;
    const double pixels = std::min((mapWidth - 2 * kPadding) / spanX, (mapHeight - 2 * kPadding) / spanY);
    // North up: local metres, y flipped, the region centred in a frame whose
    // top left corner is at (left, top).
    const PlanePosition origin = overlay.origin();
    auto toMetres = [&](cairo_t* c, double left, double top) {
      cairo_translate(c, left + (mapWidth - spanX * pixels) / 2, top + (mapHeight + spanY * pixels) / 2);
      cairo_scale(c, pixels, -pixels);
      cairo_translate(c, origin.x - volumes.minX, origin.y - volumes.minY);
    };
    std::vector<std::pair<PlanePosition, PlanePosition>> zeroLine;
    cairo_save(cr);
    cairo_rectangle(cr, kMargin, mapTop, mapWidth, mapHeight);
    cairo_clip(cr);
    if (svg && base.triangles.size() > kMostVectorBaseTriangles) {
      // An SVG of every piece of a large overlay would run to gigabytes:
      // the pieces go in as one embedded image, the zero line stays a line.
      std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)> image(
          cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(std::ceil(mapWidth)),
                                     static_cast<int>(std::ceil(mapHeight))),
          cairo_surface_destroy);
      std::unique_ptr<cairo_t, void (*)(cairo_t*)> painting(cairo_create(image.get()), cairo_destroy);
      toMetres(painting.get(), 0, 0);
      PiecePainter painter(painting.get(), scale, false);
      overlay.Run(painter);
      zeroLine = std::move(painter.zeroLine);
      cairo_set_source_surface(cr, image.get(), kMargin, mapTop);
      cairo_paint(cr);
    } else {
      cairo_save(cr);
      toMetres(cr, kMargin, mapTop);
      cairo_set_line_width(cr, 1 / pixels);
      PiecePainter painter(cr, scale, svg);
      overlay.Run(painter);
      zeroLine = std::move(painter.zeroLine);
      cairo_restore(cr);
    }
    toMetres(cr, kMargin, mapTop);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    cairo_set_line_width(cr, 1.2 / pixels);
    for (const auto& [a, b] : zeroLine) {
      cairo_move_to(cr, a.x, a.y);
      cairo_line_to(cr, b.x, b.y);
    }
    cairo_stroke(cr);
    cairo_restore(cr);
  } else {
    PictureText(cr, kMargin + 20, mapTop + 40, "The surfaces do not overlap: nothing to compare.", 14);
  }
  cairo_rectangle(cr, kMargin, mapTop, mapWidth, mapHeight);
  cairo_set_source_rgb(cr, 0.4, 0.4, 0.4);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  const double panelLeft = 2 * kMargin + mapWidth;
  DifferenceLegend(cr, scale, panelLeft, mapTop + 20, 240);
  VolumeFigures(cr, volumes, panelLeft, mapTop + 300);

  return FinishPicture(surface.get(), context.release(), svg, path, error);
}

}  // namespace quarvelin
