#include "survey_crs.h"

#include "las_crs.h"
#include "las_reader.h"

namespace quarvelin {

namespace {

// The system a LAS file's records name; not known when it has none. False
// with `error` saying why when its records do not parse.
bool LasFileCrs(const std::string& path, CoordinateSystem& crs, std::string& error) {
  crs = CoordinateSystem{};
  LasCrsRecords records;
  if (!ReadLasCrsRecords(path, records, error)) return false;
  // The WKT record is the newer form, and LAS 1.4 writers may leave old keys
  // beside it.
  if (records.HasWkt()) {
    if (CrsFromUserInput(records.wkt, crs, error)) return true;
    error = path + ": its OGC WKT record does not parse: " + error;
    return false;
  }
  if (records.HasGeoKeys() && !CrsFromGeoKeys(records.geoKeys, records.geoDoubles, records.geoAscii, crs, error)) {
    error = path + ": its GeoTIFF key records do not parse: " + error;
    return false;
  }
  return true;
}

}  // namespace

bool SurveyCrs(const std::vector<std::string>& pointFiles, const std::string* userInput, CoordinateSystem& crs,
               std::vector<std::string>& notes, bool& usage, std::string& error) {
  crs = CoordinateSystem{};
  usage = userInput != nullptr;
  if (userInput && !CrsFromUserInput(*userInput, crs, error)) {
    error = "--crs " + error;
    return false;
  }
  std::string firstFile;
  for (const std::string& file : pointFiles) {
    CoordinateSystem own;
    std::string why;
    if (!HasLasSignature(file)) continue;
    if (!LasFileCrs(file, own, why)) {
      notes.push_back(why + (userInput ? "; --crs is used" : "; the project gets no reference system (give --crs)"));
      continue;
    }
    if (!own.Known()) continue;
    if (userInput) {
      if (!SameCrs(own, crs)) notes.push_back(file + ": its " + own.Label() + " gives way to --crs");
    } else if (!crs.Known()) {
      crs = own;
      firstFile = file;
    } else if (!SameCrs(own, crs)) {
      usage = false;
      error = firstFile + " is in " + crs.Label() + " but " + file + " in " + own.Label() +
              "; give --crs to say which the survey is in";
      return false;
    }
  }
  return true;
}

}  // namespace quarvelin
