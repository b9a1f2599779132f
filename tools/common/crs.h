// The coordinate reference system of a survey and of the project made from
// it, checked and converted by GDAL/PROJ. A project keeps it in the file
// crs.wkt beside PMAP (PMAP itself stays as a host writes it), as WKT 2.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class OGRSpatialReference;

namespace quarvelin {

struct CoordinateSystem {
  std::string wkt;   // WKT 2 (2019); empty: none known
  std::string name;  // e.g. "RGF93 v1 / Lambert-93"
  int epsg = 0;      // the EPSG code that names it, 0 when none does

  bool Known() const { return !wkt.empty(); }
  // "NAME (EPSG:n)" or "NAME", for messages.
  std::string Label() const;
};

// The file beside PMAP that holds a project's reference system.
constexpr const char* kProjectCrsFile = "crs.wkt";

// "EPSG:n", a WKT or PROJ string, or the path of a file holding one (a
// .prj). False with `error` saying why when PROJ does not know it.
bool CrsFromUserInput(const std::string& text, CoordinateSystem& crs, std::string& error);

// The GeoTIFF keys of a LAS file (the key directory, its double and ASCII
// parameters), read as GDAL reads a GeoTIFF's.
bool CrsFromGeoKeys(const std::vector<uint16_t>& directory, const std::vector<double>& doubles,
                    const std::string& ascii, CoordinateSystem& crs, std::string& error);

bool SameCrs(const CoordinateSystem& a, const CoordinateSystem& b);

// Writes PROJECT/crs.wkt, or removes an old one when `crs` is not known.
bool WriteProjectCrs(const std::string& projectDirectory, const CoordinateSystem& crs, std::string& error);

// The system a tool works in: `userInput` when given (--crs), otherwise the
// project's crs.wkt; none when neither is there. False with `error` set for a
// `userInput` PROJ does not know (`usage` set) or a crs.wkt that does not parse.
bool ToolCrs(const std::string& projectDirectory, const std::string* userInput, CoordinateSystem& crs, bool& usage,
             std::string& error);

// The .prj form (ESRI WKT 1, which desktop GIS expect; OGC WKT 1 where ESRI's
// has no form for the system).
std::string PrjText(const CoordinateSystem& crs);

// OGC WKT 1, for formats older than WKT 2 (LandXML).
std::string OgcWkt1(const CoordinateSystem& crs);

// GDAL's reference-counted form of a system, released when it goes.
struct SrsReleaser {
  void operator()(OGRSpatialReference* srs) const;
};
using SpatialReference = std::unique_ptr<OGRSpatialReference, SrsReleaser>;

// The system for GDAL's writers, x as easting; null when none is known.
SpatialReference NewSpatialReference(const CoordinateSystem& crs);

// Writes `text` to `path`; false with `error` set when it cannot.
bool WriteSmallTextFile(const std::string& path, const std::string& text, std::string& error);

// Replaces the extension of `path` (or appends one) with `extension`.
std::string WithExtension(const std::string& path, const std::string& extension);

// Sends GDAL's own messages to nowhere: the tools report failures
// themselves, with GDAL's last message as the reason.
void QuietGdalErrors();
std::string LastGdalError();

}  // namespace quarvelin
