#include "gis_formats.h"

#include <cpl_error.h>
#include <cpl_vsi.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

#include "crs.h"

namespace quarvelin {

namespace {

// A dataset being written: closed on every path, and on failure its file
// removed, so that nothing half-written passes for an export.
class GdalOutput {
 public:
  explicit GdalOutput(const std::string& path) : path_(path) {}
  ~GdalOutput() {
    if (dataset_) Fail();
  }
  bool Create(const char* driverName, int columns, int rows, GDALDataType type, const std::vector<const char*>& options,
              std::string& error) {
    GDALAllRegister();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driverName);
    std::error_code ec;
    if (std::filesystem::is_regular_file(path_, ec)) VSIUnlink(path_.c_str());  // GeoPackages are not written over
    CPLErrorReset();
    std::vector<const char*> list = options;
    list.push_back(nullptr);
    dataset_ = driver ? driver->Create(path_.c_str(), columns, rows, columns > 0 ? 1 : 0, type,
                                       const_cast<char**>(list.data()))
                      : nullptr;
    if (!dataset_) error = path_ + ": cannot create the file (" + LastGdalError() + ")";
    return dataset_ != nullptr;
  }
  GDALDataset* get() const { return dataset_; }
  // Closes the file; false with `error` set, and the file removed, when a
  // write or the close failed.
  bool Close(bool written, std::string& error) {
    if (!written) {
      error = path_ + ": cannot write the file (" + LastGdalError() + ")";
      Fail();
      return false;
    }
    CPLErrorReset();
    GDALClose(dataset_);
    dataset_ = nullptr;
    if (CPLGetLastErrorType() < CE_Failure) return true;
    error = path_ + ": cannot write the file (" + LastGdalError() + ")";
    VSIUnlink(path_.c_str());
    return false;
  }

 private:
  void Fail() {
    GDALClose(dataset_);
    dataset_ = nullptr;
    VSIUnlink(path_.c_str());
  }

  std::string path_;
  GDALDataset* dataset_ = nullptr;
};

OGRLinearRing Ring(const std::vector<Vertex3>& points) {
  OGRLinearRing ring;
  ring.setNumPoints(static_cast<int>(points.size()), FALSE);
  for (size_t i = 0; i < points.size(); ++i) ring.setPoint(static_cast<int>(i), points[i].x, points[i].y, points[i].z);
  return ring;
}

OGRLineString Line(const std::vector<Vertex3>& points) {
  OGRLineString line;
  line.setNumPoints(static_cast<int>(points.size()), FALSE);
  for (size_t i = 0; i < points.size(); ++i) line.setPoint(static_cast<int>(i), points[i].x, points[i].y, points[i].z);
  return line;
}

bool AddFeature(OGRLayer* layer, const OGRGeometry& geometry, double elevation = NAN) {
  OGRFeature feature(layer->GetLayerDefn());
  feature.SetGeometry(&geometry);
  if (!std::isnan(elevation)) feature.SetField(0, elevation);
  return layer->CreateFeature(&feature) == OGRERR_NONE;
}

OGRPolygon Polygon(const std::vector<Vertex3>& ring) {
  OGRPolygon polygon;
  OGRLinearRing outer = Ring(ring);
  polygon.addRing(&outer);
  return polygon;
}

bool WriteLayers(GDALDataset* ds, const ExportData& data, OGRSpatialReference* srs) {
  const FinishedProject& project = *data.project;
  const char* options[] = {"GEOMETRY_NAME=geom", nullptr};
  auto layer = [&](const char* name, OGRwkbGeometryType type) {
    return ds->CreateLayer(name, srs, type, const_cast<char**>(options));
  };
  OGRLayer* triangles = layer("triangles", wkbPolygon25D);
  OGRLayer* breaklines = layer("breaklines", wkbLineString25D);
  OGRLayer* boundary = layer("boundary", wkbPolygon25D);
  OGRLayer* contours = data.contourInterval > 0 ? layer("contours", wkbLineString25D) : nullptr;
  if (!triangles || !breaklines || !boundary || (data.contourInterval > 0 && !contours)) return false;
  if (contours) {
    OGRFieldDefn elevation("elevation", OFTReal);
    if (contours->CreateField(&elevation) != OGRERR_NONE) return false;
  }
  if (ds->StartTransaction() != OGRERR_NONE) return false;
  // One ring reused: a new geometry per triangle would cost more than the
  // writing.
  OGRPolygon face = Polygon(std::vector<Vertex3>(4));
  OGRLinearRing* ring = face.getExteriorRing();
  for (int32_t t : data.kept) {
    const TriangleRecord& r = project.triangles[static_cast<size_t>(t)];
    for (int i = 0; i <= 3; ++i) {
      const Vertex3 p = project.Point(r.vertex[i % 3]);
      ring->setPoint(i, p.x, p.y, p.z);
    }
    if (!AddFeature(triangles, face)) return false;
  }
  for (const auto& line : project.breaklines) {
    if (!AddFeature(breaklines, Line(line))) return false;
  }
  for (const auto& r : project.boundaryRings) {
    std::vector<Vertex3> points;
    for (int32_t v : r) points.push_back(project.Point(v));
    points.push_back(points.front());
    if (!AddFeature(boundary, Polygon(points))) return false;
  }
  for (const ContourLine& c : data.contours) {
    if (!AddFeature(contours, Line(c.points), c.elevation)) return false;
  }
  return ds->CommitTransaction() == OGRERR_NONE;
}

// The kept triangles that reach each band of rows, found in one pass (count,
// then fill), so that a band is rasterised from its own triangles only.
class BandBuckets {
 public:
  BandBuckets(const ExportData& data, const DemGrid& grid, int64_t bandRows) : start_(Bands(grid, bandRows) + 1, 0) {
    for (int pass = 0; pass < 2; ++pass) {
      std::vector<size_t> fill(start_.begin(), start_.end() - 1);
      for (int32_t t : data.kept) {
        double low = HUGE_VAL, high = -HUGE_VAL;
        for (int32_t v : data.project->triangles[static_cast<size_t>(t)].vertex) {
          const double y = data.project->points[static_cast<size_t>(v)].y;
          low = std::min(low, y);
          high = std::max(high, y);
        }
        // Rows whose centres may lie in the triangle, one spare either side.
        const int64_t first = std::max<int64_t>(0, static_cast<int64_t>(std::floor((grid.top - high) / grid.cell)) - 1);
        const int64_t last = std::min<int64_t>(grid.rows - 1, static_cast<int64_t>((grid.top - low) / grid.cell) + 1);
        for (int64_t band = first / bandRows; band <= last / bandRows; ++band) {
          if (pass == 0) ++start_[static_cast<size_t>(band) + 1];
          else triangles_[fill[static_cast<size_t>(band)]++] = t;
        }
      }
      if (pass == 0) {
        for (size_t i = 1; i < start_.size(); ++i) start_[i] += start_[i - 1];
        triangles_.resize(start_.back());
      }
    }
  }
  const int32_t* begin(int64_t band) const { return triangles_.data() + start_[static_cast<size_t>(band)]; }
  const int32_t* end(int64_t band) const { return triangles_.data() + start_[static_cast<size_t>(band) + 1]; }
  static int64_t Bands(const DemGrid& grid, int64_t bandRows) { return (grid.rows + bandRows - 1) / bandRows; }

 private:
  std::vector<size_t> start_;
  std::vector<int32_t> triangles_;
};

// A corner in cell units: u is the column and v the row whose centre it
// would be, so centres lie at whole numbers.
struct CellPoint {
  double u, v, z;
};

// Sets the cells of rows [row0, row0 + rows) whose centres lie in the
// triangle to its plane's height there. Spans are half-open on the right
// and at the bottom, and each edge is cut in its corners' fixed order, so
// neighbouring triangles share their edge's cells without gap or overlap.
void RasteriseTriangle(const CellPoint (&c)[3], const int32_t (&id)[3], const DemGrid& grid, int64_t row0,
                       int64_t rows, std::vector<float>& band) {
  const double e1u = c[1].u - c[0].u, e1v = c[1].v - c[0].v, e1z = c[1].z - c[0].z;
  const double e2u = c[2].u - c[0].u, e2v = c[2].v - c[0].v, e2z = c[2].z - c[0].z;
  const double det = e1u * e2v - e2u * e1v;
  if (det == 0) return;
  const double gu = (e1z * e2v - e2z * e1v) / det, gv = (e2z * e1u - e1z * e2u) / det;
  const double top = std::min({c[0].v, c[1].v, c[2].v}), bottom = std::max({c[0].v, c[1].v, c[2].v});
  const int64_t first = std::max<int64_t>(row0, static_cast<int64_t>(std::ceil(top)));
  const int64_t last = std::min<int64_t>(row0 + rows, static_cast<int64_t>(std::ceil(bottom)));
  for (int64_t row = first; row < last; ++row) {
    const double v = static_cast<double>(row);
    double left = HUGE_VAL, right = -HUGE_VAL;
    for (int i = 0; i < 3; ++i) {
      int a = i, b = (i + 1) % 3;
      if (id[a] > id[b]) std::swap(a, b);
      if (std::min(c[a].v, c[b].v) > v || std::max(c[a].v, c[b].v) <= v) continue;
      const double u = c[a].u + (v - c[a].v) * (c[b].u - c[a].u) / (c[b].v - c[a].v);
      left = std::min(left, u);
      right = std::max(right, u);
    }
    if (!(left < right)) continue;
    const int64_t from = std::max<int64_t>(0, static_cast<int64_t>(std::ceil(left)));
    const int64_t to = std::min<int64_t>(grid.columns, static_cast<int64_t>(std::ceil(right)));
    float* out = band.data() + (row - row0) * grid.columns;
    for (int64_t column = from; column < to; ++column) {
      out[column] = static_cast<float>(c[0].z + gu * (static_cast<double>(column) - c[0].u) + gv * (v - c[0].v));
    }
  }
}

}  // namespace

bool DemGridFor(const ExportData& data, double cellSize, DemGrid& grid, std::string& error) {
  const Extent e = KeptExtent(*data.project);
  grid.cell = cellSize;
  grid.left = std::floor(e.minX / cellSize) * cellSize;
  grid.top = std::ceil(e.maxY / cellSize) * cellSize;
  const double columns = std::max(1.0, std::ceil((e.maxX - grid.left) / cellSize));
  const double rows = std::max(1.0, std::ceil((grid.top - e.minY) / cellSize));
  if (!(columns * rows <= static_cast<double>(kMaxDemCells)) || columns > kMaxDemSide || rows > kMaxDemSide) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "--cell-size %g gives a raster of %.0f x %.0f cells; at most %lld cells and %lld on a side",
                  cellSize, columns, rows, static_cast<long long>(kMaxDemCells), static_cast<long long>(kMaxDemSide));
    error = text;
    return false;
  }
  grid.columns = static_cast<int64_t>(columns);
  grid.rows = static_cast<int64_t>(rows);
  return true;
}

bool WriteGeoPackage(const ExportData& data, const std::string& path, std::string& error) {
  GdalOutput out(path);
  if (!out.Create("GPKG", 0, 0, GDT_Unknown, {}, error)) return false;
  const SpatialReference srs = NewSpatialReference(data.crs);
  return out.Close(WriteLayers(out.get(), data, srs.get()), error);
}

bool WriteDem(const ExportData& data, const DemGrid& grid, const std::string& path, std::string& error) {
  constexpr int64_t kBandRows = 256;  // one row of tiles
  GdalOutput out(path);
  if (!out.Create("GTiff", static_cast<int>(grid.columns), static_cast<int>(grid.rows), GDT_Float32,
                  {"TILED=YES", "BLOCKXSIZE=256", "BLOCKYSIZE=256", "COMPRESS=DEFLATE", "PREDICTOR=3",
                   "BIGTIFF=IF_SAFER", "NUM_THREADS=ALL_CPUS"},
                  error)) {
    return false;
  }
  double transform[6] = {grid.left, grid.cell, 0, grid.top, 0, -grid.cell};
  const SpatialReference srs = NewSpatialReference(data.crs);
  GDALRasterBand* raster = out.get()->GetRasterBand(1);
  bool ok = out.get()->SetGeoTransform(transform) == CE_None && (!srs || out.get()->SetSpatialRef(srs.get()) == CE_None) &&
            raster->SetNoDataValue(kDemNoData) == CE_None;
  const BandBuckets buckets(data, grid, kBandRows);
  std::vector<float> band;
  for (int64_t b = 0; ok && b < BandBuckets::Bands(grid, kBandRows); ++b) {
    const int64_t row0 = b * kBandRows, rows = std::min(kBandRows, grid.rows - row0);
    band.assign(static_cast<size_t>(rows * grid.columns), static_cast<float>(kDemNoData));
    for (const int32_t* t = buckets.begin(b); t != buckets.end(b); ++t) {
      const TriangleRecord& r = data.project->triangles[static_cast<size_t>(*t)];
      CellPoint corners[3];
      for (int i = 0; i < 3; ++i) {
        const Vertex3 p = data.project->Point(r.vertex[i]);
        corners[i] = {(p.x - grid.left) / grid.cell - 0.5, (grid.top - p.y) / grid.cell - 0.5, p.z};
      }
      RasteriseTriangle(corners, r.vertex, grid, row0, rows, band);
    }
    ok = raster->RasterIO(GF_Write, 0, static_cast<int>(row0), static_cast<int>(grid.columns), static_cast<int>(rows),
                          band.data(), static_cast<int>(grid.columns), static_cast<int>(rows), GDT_Float32, 0, 0,
                          nullptr) == CE_None;
  }
  return out.Close(ok, error);
}

}  // namespace quarvelin
