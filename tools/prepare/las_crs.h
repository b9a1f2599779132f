// The reference-system records of a LAS (or LAZ) file: the OGC WKT record
// of LAS 1.4 and the GeoTIFF key records of LAS 1.0 to 1.3, taken from its
// variable-length records and, in LAS 1.4, its extended ones.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quarvelin {

struct LasCrsRecords {
  std::string wkt;                // "LASF_Projection" 2112, without trailing NULs
  std::vector<uint16_t> geoKeys;  // 34735: the GeoTIFF key directory
  std::vector<double> geoDoubles; // 34736
  std::string geoAscii;           // 34737

  bool HasWkt() const { return !wkt.empty(); }
  bool HasGeoKeys() const { return !geoKeys.empty(); }
};

// Reads the records of the file at `path`; a file without them gives empty
// records. False with `error` set when the record directory is damaged.
bool ReadLasCrsRecords(const std::string& path, LasCrsRecords& records, std::string& error);

}  // namespace quarvelin
