#include "crs.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_vsi.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "output_file.h"
#include "platform/system.h"

namespace quarvelin {

namespace {

namespace fs = std::filesystem;

using Srs = SpatialReference;

std::string Exported(const OGRSpatialReference& srs, const char* format, bool multiline = false) {
  char* text = nullptr;
  const char* options[] = {format, multiline ? "MULTILINE=YES" : "MULTILINE=NO", nullptr};
  std::string result;
  if (srs.exportToWkt(&text, options) == OGRERR_NONE && text) result = text;
  CPLFree(text);
  return result;
}

// The EPSG code of the system: its own authority's, else the one PROJ finds
// for it with full confidence (a LAS file's WKT often names no authority).
int EpsgCode(const OGRSpatialReference& srs) {
  const char* authority = srs.GetAuthorityName(nullptr);
  const char* code = srs.GetAuthorityCode(nullptr);
  if (authority && code && EQUAL(authority, "EPSG")) return std::atoi(code);
  Srs match(srs.FindBestMatch(100, "EPSG"));
  if (!match) return 0;
  authority = match->GetAuthorityName(nullptr);
  code = match->GetAuthorityCode(nullptr);
  return authority && code && EQUAL(authority, "EPSG") ? std::atoi(code) : 0;
}

bool FromSrs(const OGRSpatialReference& srs, CoordinateSystem& crs, std::string& error) {
  crs = CoordinateSystem{};
  crs.wkt = Exported(srs, "FORMAT=WKT2_2019");
  if (crs.wkt.empty()) {
    error = "PROJ cannot write it as WKT (" + LastGdalError() + ")";
    return false;
  }
  crs.name = srs.GetName() ? srs.GetName() : "unnamed";
  crs.epsg = EpsgCode(srs);
  return true;
}

Srs SrsOf(const CoordinateSystem& crs) {
  Srs srs(new OGRSpatialReference());
  if (srs->importFromWkt(crs.wkt.c_str()) != OGRERR_NONE) return nullptr;
  return srs;
}

template <typename T>
void Put(std::string& bytes, T value) {
  char raw[sizeof(T)];
  std::memcpy(raw, &value, sizeof(T));  // TIFF "II": little-endian, as the host
  bytes.append(raw, sizeof(T));
}

// A one-pixel little-endian TIFF that carries the GeoTIFF keys, so that GDAL
// reads them with all its knowledge of GeoTIFF (user-defined projections,
// units, vertical systems).
std::string GeoKeyTiff(const std::vector<uint16_t>& directory, const std::vector<double>& doubles,
                       const std::string& ascii) {
  struct Entry {
    uint16_t tag, type;
    uint32_t count;
    std::string data;  // more than four bytes go after the directory
  };
  std::vector<Entry> entries;
  auto shortEntry = [&](uint16_t tag, uint32_t value) {
    std::string v;
    Put<uint32_t>(v, value);
    entries.push_back({tag, 3, 1, v});
  };
  for (uint16_t tag : {256, 257, 258, 259, 262, 273, 277, 278, 279}) shortEntry(tag, 1);
  std::string keys, values, text = ascii + '\0';
  for (uint16_t k : directory) Put(keys, k);
  for (double d : doubles) Put(values, d);
  entries.push_back({34735, 3, static_cast<uint32_t>(directory.size()), keys});
  if (!doubles.empty()) entries.push_back({34736, 12, static_cast<uint32_t>(doubles.size()), values});
  if (!ascii.empty()) entries.push_back({34737, 2, static_cast<uint32_t>(text.size()), text});

  std::string tiff = "II";
  Put<uint16_t>(tiff, 42);
  Put<uint32_t>(tiff, 8);
  uint32_t data = 8 + 2 + static_cast<uint32_t>(entries.size()) * 12 + 4;
  std::string after(1, '\0');  // the pixel, at `data`
  const uint32_t pixel = data;
  entries[5].data.clear();
  Put<uint32_t>(entries[5].data, pixel);  // 273: where the strip starts
  Put<uint16_t>(tiff, static_cast<uint16_t>(entries.size()));
  for (const Entry& e : entries) {
    Put(tiff, e.tag);
    Put(tiff, e.type);
    Put(tiff, e.count);
    if (e.data.size() <= 4) {
      tiff += e.data + std::string(4 - e.data.size(), '\0');
      continue;
    }
    Put<uint32_t>(tiff, data + static_cast<uint32_t>(after.size()));
    after += e.data;
    if (after.size() % 2) after += '\0';  // TIFF offsets are even
  }
  Put<uint32_t>(tiff, 0);
  return tiff + after;
}

}  // namespace

std::string CoordinateSystem::Label() const {
  return epsg > 0 ? name + " (EPSG:" + std::to_string(epsg) + ")" : name;
}

void QuietGdalErrors() { CPLSetErrorHandler(CPLQuietErrorHandler); }

std::string LastGdalError() {
  const char* message = CPLGetLastErrorMsg();
  return message && *message ? message : "no reason given";
}

bool CrsFromUserInput(const std::string& input, CoordinateSystem& crs, std::string& error) {
  // Writers pad WKT records with white space, which PROJ does not skip.
  const size_t first = input.find_first_not_of(" \t\r\n"), last = input.find_last_not_of(" \t\r\n");
  const std::string text = first == std::string::npos ? "" : input.substr(first, last - first + 1);
  OGRSpatialReference srs;
  // Files may name a .prj; nothing is fetched from the network.
  const char* options[] = {"ALLOW_NETWORK_ACCESS=NO", "ALLOW_FILE_ACCESS=YES", nullptr};
  CPLErrorReset();
  if (text.empty() || srs.SetFromUserInput(text.c_str(), options) != OGRERR_NONE || srs.IsEmpty()) {
    const std::string quoted = text.size() > 60 ? text.substr(0, 57) + "..." : text;
    error = "'" + quoted + "' is not a reference system PROJ knows (" + LastGdalError() + ")";
    return false;
  }
  return FromSrs(srs, crs, error);
}

bool CrsFromGeoKeys(const std::vector<uint16_t>& directory, const std::vector<double>& doubles,
                    const std::string& ascii, CoordinateSystem& crs, std::string& error) {
  static int serial = 0;
  const std::string path = "/vsimem/quarvelin-geokeys-" + std::to_string(++serial) + ".tif";
  std::string tiff = GeoKeyTiff(directory, doubles, ascii);
  VSIFCloseL(VSIFileFromMemBuffer(path.c_str(), reinterpret_cast<GByte*>(tiff.data()), tiff.size(), FALSE));
  GDALRegister_GTiff();
  CPLErrorReset();
  GDALDataset* tif = GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY);
  const OGRSpatialReference* srs = tif ? tif->GetSpatialRef() : nullptr;
  bool ok = srs && !srs->IsEmpty() && FromSrs(*srs, crs, error);
  if (!srs || srs->IsEmpty()) error = "the GeoTIFF keys name no reference system GDAL knows (" + LastGdalError() + ")";
  if (tif) GDALClose(tif);
  VSIUnlink(path.c_str());
  return ok;
}

bool SameCrs(const CoordinateSystem& a, const CoordinateSystem& b) {
  if (a.wkt == b.wkt) return true;
  Srs x = SrsOf(a), y = SrsOf(b);
  return x && y && x->IsSame(y.get());
}

bool WriteSmallTextFile(const std::string& path, const std::string& text, std::string& error) {
  OutputFile out;
  if (!out.Open(path) || (out.Write(text), !out.Close())) {
    std::remove(path.c_str());
    error = path + ": cannot write the file";
    return false;
  }
  return true;
}

bool WriteProjectCrs(const std::string& projectDirectory, const CoordinateSystem& crs, std::string& error) {
  const std::string path = (fs::path(projectDirectory) / kProjectCrsFile).string();
  if (!crs.Known()) {
    std::error_code ec;
    fs::remove(path, ec);  // a survey prepared again without a system loses the old one
    return true;
  }
  Srs srs = SrsOf(crs);
  const std::string text = srs ? Exported(*srs, "FORMAT=WKT2_2019", true) : crs.wkt;
  return WriteSmallTextFile(path, text + "\n", error);
}

bool ToolCrs(const std::string& projectDirectory, const std::string* userInput, CoordinateSystem& crs, bool& usage,
             std::string& error) {
  crs = CoordinateSystem{};
  usage = userInput != nullptr;
  if (userInput) {
    if (CrsFromUserInput(*userInput, crs, error)) return true;
    error = "--crs " + error;
    return false;
  }
  const std::string path = (fs::path(projectDirectory) / kProjectCrsFile).string();
  if (FileSize(path) < 0) return true;
  if (CrsFromUserInput(path, crs, error)) return true;
  error = path + ": " + error;
  return false;
}

std::string PrjText(const CoordinateSystem& crs) {
  Srs srs = SrsOf(crs);
  if (!srs) return "";
  std::string text = Exported(*srs, "FORMAT=WKT1_ESRI");
  return text.empty() ? Exported(*srs, "FORMAT=WKT1_GDAL") : text;
}

std::string OgcWkt1(const CoordinateSystem& crs) {
  Srs srs = SrsOf(crs);
  return srs ? Exported(*srs, "FORMAT=WKT1_GDAL") : "";
}

void SrsReleaser::operator()(OGRSpatialReference* srs) const {
  if (srs) srs->Release();
}

SpatialReference NewSpatialReference(const CoordinateSystem& crs) {
  if (!crs.Known()) return nullptr;
  Srs srs = SrsOf(crs);
  if (srs) srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);  // x is the easting
  return srs;
}

std::string WithExtension(const std::string& path, const std::string& extension) {
  return fs::path(path).replace_extension(extension).string();
}

}  // namespace quarvelin
