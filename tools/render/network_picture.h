// A map of a finished network drawn with Cairo: the kept triangles shaded by
// height and lit from the north-west, optionally the removed triangles in
// grey and contour lines, the enforced breaklines, the trimmed boundary and
// the rings a clipped network keeps, a north arrow, a legend of heights and
// of the lines drawn, and a scale bar. An SVG of a large network holds the
// shaded surface as an embedded image and only the lines as vectors, so that
// its size does not grow with the number of triangles.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "boundary_rings.h"
#include "contours.h"
#include "finished_project.h"

namespace quarvelin {

struct PictureOptions {
  int width = 1600;  // pixels; the height follows the survey's shape
  bool removed = false;
  std::vector<ContourLine> contours;
  double contourInterval = 0;  // metres between the contours, for the legend
  // The rings the project is clipped to, dashed over the boundary.
  std::vector<PlanRing> clipRings;
  std::string title;
  // Optional: the share of the triangles drawn so far, from 0 to 1.
  std::function<void(double)> progress;
};

// Whether the path ends in ".png" or ".svg", in any case.
bool HasPictureExtension(const std::string& path);

// SVGs of networks with more triangles than this hold the surface as an image.
constexpr size_t kMostVectorTriangles = 20000;

// Writes a PNG, or an SVG when the path ends in ".svg". False with `error`
// set when the file cannot be written.
bool DrawNetworkPicture(const FinishedProject& project, const PictureOptions& options, const std::string& path,
                        std::string& error);

// Text in the pictures' face, dark grey, its baseline starting at (x, y).
void PictureText(cairo_t* cr, double x, double y, const std::string& text, double size, bool bold = false);

// A legend's colour bar: the rectangle filled with `ramp`, which it
// destroys, and framed in dark grey.
void RampBar(cairo_t* cr, cairo_pattern_t* ramp, double left, double top, double width, double height);

// Ends a drawn picture: destroys `context`, writes the PNG or finishes the
// SVG file. False with `error` set when the file could not be written.
bool FinishPicture(cairo_surface_t* surface, cairo_t* context, bool svg, const std::string& path, std::string& error);

// Frees the font and surface caches Cairo and fontconfig keep for the
// process, so that a leak checker at exit sees only what the program lost.
void ReleasePictureCaches();

}  // namespace quarvelin
