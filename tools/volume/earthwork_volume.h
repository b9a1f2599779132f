// Earthwork between two finished networks, or between a network and a level:
// the exact overlay of the two piecewise-linear surfaces, cut into convex
// pieces on each of which the difference BASE - OTHER is linear and of one
// sign, and the volumes integrated over them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "boundary_rings.h"
#include "finished_project.h"

namespace quarvelin {

// What BASE is compared with: OTHER's kept triangles, or the plane z = level
// over BASE's kept triangles.
struct ComparedSurface {
  const FinishedProject* other = nullptr;  // null: the level
  double level = 0;
};

// Receives the overlay's pieces in coordinates relative to the overlay's
// origin. A piece is convex, counter-clockwise, and BASE - OTHER is linear on
// it with the values at its corners given, all of one sign.
class OverlayPieceSink {
 public:
  virtual ~OverlayPieceSink() = default;
  virtual void Piece(const PlanePosition* corners, const double* difference, int count) = 0;
  // A stretch of the line where the two surfaces meet.
  virtual void ZeroLine(PlanePosition, PlanePosition) {}
};

class SurfaceOverlay {
 public:
  SurfaceOverlay();
  ~SurfaceOverlay();
  SurfaceOverlay(const SurfaceOverlay&) = delete;
  SurfaceOverlay& operator=(const SurfaceOverlay&) = delete;

  // Takes what the overlay needs from the projects, which may go after it.
  // Coordinates are taken relative to the lower left corner of BASE's kept
  // triangles, where doubles keep the digits that areas of survey-sized
  // pieces need. `boundary` empty: no clipping. False with `error` set when
  // the boundary's rings cross each other (their region is then undefined).
  bool Prepare(const FinishedProject& base, const ComparedSurface& compared, const std::vector<PlanRing>& boundary,
               std::string& error);
  // `progress`, when given, hears the share of BASE's triangles done.
  void Run(OverlayPieceSink& sink, const std::function<void(double)>& progress = {}) const;
  PlanePosition origin() const { return origin_; }

 private:
  struct Data;
  PlanePosition origin_{};
  std::unique_ptr<Data> data_;
};

struct EarthworkVolumes {
  double cut = 0;       // volume where BASE is above OTHER
  double fill = 0;      // volume where BASE is below OTHER
  double cutArea = 0;   // plan area where BASE is above
  double fillArea = 0;  // plan area where BASE is below
  double area = 0;      // plan area of the region where both are defined
  double deepestCut = 0, deepestFill = 0;  // the largest differences either way
  // The region's extent in survey coordinates (empty when its area is 0).
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  bool empty = true;

  double Net() const { return fill - cut; }
};

// A sum of many small terms that keeps the digits plain addition drops.
class CompensatedSum {
 public:
  void Add(double term);
  double Value() const { return sum_ + compensation_; }

 private:
  double sum_ = 0, compensation_ = 0;
};

// Integrates a sink's pieces into the volumes.
class VolumeIntegrator : public OverlayPieceSink {
 public:
  explicit VolumeIntegrator(PlanePosition origin) : origin_(origin) {}
  void Piece(const PlanePosition* corners, const double* difference, int count) override;
  EarthworkVolumes Result() const;

 private:
  PlanePosition origin_;
  CompensatedSum cut_, fill_, cutArea_, fillArea_, levelArea_;  // levelArea_: where the two meet
  double minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;
  double deepestCut_ = 0, deepestFill_ = 0;
  bool empty_ = true;
};

// The volumes of BASE against the compared surface within the boundary.
// False with `error` set when the boundary is unusable.
bool ComputeEarthworkVolumes(const FinishedProject& base, const ComparedSurface& compared,
                             const std::vector<PlanRing>& boundary, EarthworkVolumes& volumes, std::string& error);

// The figures for people: each with its unit, and the region's extent.
std::string VolumeReport(const EarthworkVolumes& volumes);
// One JSON object with the keys cut, fill, cut_area, fill_area, area, net,
// deepest_cut, deepest_fill and extent; numbers as the shortest text that reads back exactly.
std::string VolumeJson(const EarthworkVolumes& volumes);

}  // namespace quarvelin
