#include "export_formats.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>

#include "gis_formats.h"
#include "output_file.h"
#include "platform/text_writer.h"

namespace quarvelin {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return text;
}

void AppendXmlEscaped(std::string& out, const std::string& text) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
}

void AppendJsonString(std::string& out, const std::string& text) {
  out += '"';
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
      out += escape;
    } else {
      out += c;
    }
  }
  out += '"';
}

void AppendNumbers(std::string& out, std::initializer_list<double> values, char separator) {
  bool first = true;
  for (double v : values) {
    if (!first) out += separator;
    first = false;
    AppendShortest(out, v);
  }
}

// LandXML lists northing (y) before easting (x).
void AppendNorthingFirst(std::string& out, const Vertex3& v) { AppendNumbers(out, {v.y, v.x, v.z}, ' '); }

std::vector<Vertex3> RingPoints(const FinishedProject& project, const std::vector<int32_t>& ring) {
  std::vector<Vertex3> points;
  for (int32_t v : ring) points.push_back(project.Point(v));
  points.push_back(points.front());
  return points;
}

void WritePntList(OutputFile& out, const std::vector<Vertex3>& line) {
  std::string& b = out.buffer();
  b += "<PntList3D>";
  for (size_t i = 0; i < line.size(); ++i) {
    if (i > 0) b += ' ';
    AppendNorthingFirst(b, line[i]);
    out.FlushIfFull();
  }
  b += "</PntList3D>";
}

void WriteLandXml(const ExportData& data, OutputFile& out) {
  const FinishedProject& project = *data.project;
  std::string& b = out.buffer();
  std::string date = data.timestamp.substr(0, 10), time = data.timestamp.substr(11);
  b += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
       "<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" version=\"1.2\" date=\"" + date +
       "\" time=\"" + time + "\">\n"
       "  <Units>\n"
       "    <Metric areaUnit=\"squareMeter\" linearUnit=\"meter\" volumeUnit=\"cubicMeter\" "
       "temperatureUnit=\"celsius\" pressureUnit=\"milliBars\" angularUnit=\"decimal degrees\" "
       "directionUnit=\"decimal degrees\"/>\n"
       "  </Units>\n";
  if (data.crs.Known()) {
    b += "  <CoordinateSystem name=\"";
    AppendXmlEscaped(b, data.crs.name);
    if (data.crs.epsg > 0) b += "\" epsgCode=\"" + std::to_string(data.crs.epsg);
    b += "\" ogcWktCode=\"";
    AppendXmlEscaped(b, OgcWkt1(data.crs));
    b += "\"/>\n";
  }
  b += "  <Application name=\"quarvelin-export\" version=\"1.0\"/>\n"
       "  <Surfaces>\n"
       "    <Surface name=\"";
  AppendXmlEscaped(b, data.name);
  b += "\">\n      <SourceData>\n";
  if (!project.boundaryRings.empty()) {
    b += "        <Boundaries>\n";
    for (size_t i = 0; i < project.boundaryRings.size(); ++i) {
      b += "          <Boundary name=\"Boundary " + std::to_string(i + 1) + "\" bndType=\"outer\" edgeTrim=\"true\">";
      WritePntList(out, RingPoints(project, project.boundaryRings[i]));
      b += "</Boundary>\n";
    }
    b += "        </Boundaries>\n";
  }
  if (!project.breaklines.empty()) {
    b += "        <Breaklines>\n";
    for (size_t i = 0; i < project.breaklines.size(); ++i) {
      b += "          <Breakline name=\"Breakline " + std::to_string(i + 1) + "\" brkType=\"standard\">";
      WritePntList(out, project.breaklines[i]);
      b += "</Breakline>\n";
    }
    b += "        </Breaklines>\n";
  }
  b += "      </SourceData>\n      <Definition surfType=\"TIN\">\n        <Pnts>\n";
  for (size_t i = 0; i < data.points.size(); ++i) {
    b += "          <P id=\"";
    AppendInt(b, static_cast<int64_t>(i + 1));
    b += "\">";
    AppendNorthingFirst(b, project.Point(data.points[i]));
    b += "</P>\n";
    out.FlushIfFull();
  }
  b += "        </Pnts>\n        <Faces>\n";
  for (int32_t t : data.kept) {
    b += "          <F>";
    const TriangleRecord& r = project.triangles[static_cast<size_t>(t)];
    for (int i = 0; i < 3; ++i) {
      if (i > 0) b += ' ';
      AppendInt(b, data.pointId[static_cast<size_t>(r.vertex[i])] + 1);
    }
    b += "</F>\n";
    out.FlushIfFull();
  }
  b += "        </Faces>\n      </Definition>\n    </Surface>\n  </Surfaces>\n</LandXML>\n";
}

// The groups 10, 20 and 30 of a polyline's vertex.
void AppendDxfPoint(std::string& b, const Vertex3& v) {
  b += "10\n";
  AppendShortest(b, v.x);
  b += "\n20\n";
  AppendShortest(b, v.y);
  b += "\n30\n";
  AppendShortest(b, v.z);
  b += '\n';
}

// Every exported point's coordinates as text, formatted once: a point is a
// corner of about six faces, and the formatting is most of a DXF's cost.
class PointTexts {
 public:
  explicit PointTexts(const ExportData& data) {
    starts_.reserve(data.points.size() + 1);
    lengths_.reserve(data.points.size());
    for (int32_t v : data.points) {
      const PointRecord& p = data.project->points[static_cast<size_t>(v)];
      starts_.push_back(text_.size());
      std::array<uint8_t, 3> length{};
      for (int axis = 0; axis < 3; ++axis) {
        const size_t before = text_.size();
        AppendShortest(text_, axis == 0 ? p.x : axis == 1 ? p.y : p.z);
        length[static_cast<size_t>(axis)] = static_cast<uint8_t>(text_.size() - before);
      }
      lengths_.push_back(length);
    }
  }
  // Appends the corner's three groups, codes 1c, 2c and 3c.
  void AppendCorner(std::string& b, int32_t id, int corner) const {
    static constexpr const char* kCodes[4][3] = {
        {"10\n", "20\n", "30\n"}, {"11\n", "21\n", "31\n"}, {"12\n", "22\n", "32\n"}, {"13\n", "23\n", "33\n"}};
    const char* text = text_.data() + starts_[static_cast<size_t>(id)];
    for (size_t axis = 0; axis < 3; ++axis) {
      b.append(kCodes[corner][axis], 3);
      b.append(text, lengths_[static_cast<size_t>(id)][axis]);
      b += '\n';
      text += lengths_[static_cast<size_t>(id)][axis];
    }
  }

 private:
  std::string text_;
  std::vector<uint64_t> starts_;
  std::vector<std::array<uint8_t, 3>> lengths_;
};

void WriteDxfPolyline(OutputFile& out, const char* layer, const std::vector<Vertex3>& line, bool closed,
                      double elevation) {
  std::string& b = out.buffer();
  const std::string layerGroup = std::string("8\n") + layer + "\n";
  b += "0\nPOLYLINE\n" + layerGroup + "66\n1\n";
  AppendDxfPoint(b, {0, 0, elevation});
  b += closed ? "70\n9\n" : "70\n8\n";  // 8: a 3D polyline; 1: closed
  const size_t count = closed ? line.size() - 1 : line.size();
  for (size_t i = 0; i < count; ++i) {
    b += "0\nVERTEX\n" + layerGroup;
    AppendDxfPoint(b, line[i]);
    b += "70\n32\n";
    out.FlushIfFull();
  }
  b += "0\nSEQEND\n" + layerGroup;
}

// The layers and their colours (AutoCAD colour index): each kind of line
// stands out from the grey mesh and from the others.
constexpr std::pair<const char*, int> kDxfLayers[] = {
    {"0", 7}, {"TIN", 8}, {"BREAKLINES", 5}, {"BOUNDARY", 1}, {"CONTOURS", 3}, {"CONTOURS_INDEX", 94}};

// The box of everything the file draws, for the header's extents.
Extent DrawingExtent(const ExportData& data) {
  Extent e = KeptExtent(*data.project);
  for (const auto& line : data.project->breaklines) {
    for (const Vertex3& v : line) {
      if (e.empty) e = {v.x, v.y, v.x, v.y, v.z, v.z, false};
      e = {std::min(e.minX, v.x), std::min(e.minY, v.y), std::max(e.maxX, v.x),
           std::max(e.maxY, v.y), std::min(e.minZ, v.z), std::max(e.maxZ, v.z), false};
    }
  }
  return e;
}

// Header (R12, metres, extents) and the line-type and layer tables.
void WriteDxfHead(const ExportData& data, std::string& b) {
  const Extent e = DrawingExtent(data);
  b += "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1009\n9\n$INSUNITS\n70\n6\n9\n$MEASUREMENT\n70\n1\n9\n$EXTMIN\n";
  AppendDxfPoint(b, {e.minX, e.minY, e.minZ});
  b += "9\n$EXTMAX\n";
  AppendDxfPoint(b, {e.maxX, e.maxY, e.maxZ});
  b += "0\nENDSEC\n0\nSECTION\n2\nTABLES\n"
       "0\nTABLE\n2\nLTYPE\n70\n1\n0\nLTYPE\n2\nCONTINUOUS\n70\n0\n3\nSolid line\n72\n65\n73\n0\n40\n0.0\n0\nENDTAB\n"
       "0\nTABLE\n2\nLAYER\n70\n" + std::to_string(std::size(kDxfLayers)) + "\n";
  for (auto [name, colour] : kDxfLayers) {
    b += "0\nLAYER\n2\n" + std::string(name) + "\n70\n0\n62\n" + std::to_string(colour) + "\n6\nCONTINUOUS\n";
  }
  b += "0\nENDTAB\n0\nENDSEC\n";
}

void WriteDxf(const ExportData& data, OutputFile& out) {
  const FinishedProject& project = *data.project;
  std::string& b = out.buffer();
  WriteDxfHead(data, b);
  b += "0\nSECTION\n2\nENTITIES\n";
  {
    const PointTexts texts(data);
    for (int32_t t : data.kept) {
      const TriangleRecord& r = project.triangles[static_cast<size_t>(t)];
      b += "0\n3DFACE\n8\nTIN\n";
      for (int corner = 0; corner < 4; ++corner) {
        texts.AppendCorner(b, data.pointId[static_cast<size_t>(r.vertex[std::min(corner, 2)])], corner);
      }
      out.FlushIfFull();
    }
  }
  for (const auto& line : project.breaklines) WriteDxfPolyline(out, "BREAKLINES", line, false, 0);
  for (const auto& ring : project.boundaryRings) WriteDxfPolyline(out, "BOUNDARY", RingPoints(project, ring), true, 0);
  for (const ContourLine& c : data.contours) {
    WriteDxfPolyline(out, c.index ? "CONTOURS_INDEX" : "CONTOURS", c.points, c.closed, c.elevation);
  }
  b += "0\nENDSEC\n0\nEOF\n";
}

// A point of the export with the origin taken off x and y (exact: the
// origin is a round number of the coordinates' magnitude).
Vertex3 Shifted(const ExportData& data, int32_t v) {
  Vertex3 p = data.project->Point(v);
  return {p.x - data.originX, p.y - data.originY, p.z};
}

void AppendOriginComment(const ExportData& data, const char* comment, std::string& b) {
  if (!data.shifted) return;
  b += comment;
  b += " origin ";
  AppendNumbers(b, {data.originX, data.originY}, ' ');
  b += " (add to x and y for the survey's coordinates)\n";
}

template <typename T>
void AppendBinary(std::string& b, T value) {
  char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));  // the host is little-endian, as the tables are
  b.append(bytes, sizeof(T));
}

void WritePly(const ExportData& data, OutputFile& out) {
  const FinishedProject& project = *data.project;
  std::string& b = out.buffer();
  b += "ply\nformat binary_little_endian 1.0\ncomment quarvelin-export ";
  b += data.name;
  b += '\n';
  AppendOriginComment(data, "comment", b);
  b += "element vertex " + std::to_string(data.points.size()) +
       "\nproperty double x\nproperty double y\nproperty double z\nelement face " + std::to_string(data.kept.size()) +
       "\nproperty list uchar int vertex_indices\nend_header\n";
  for (int32_t v : data.points) {
    const Vertex3 p = Shifted(data, v);
    AppendBinary(b, p.x);
    AppendBinary(b, p.y);
    AppendBinary(b, p.z);
    out.FlushIfFull();
  }
  for (int32_t t : data.kept) {
    AppendBinary(b, static_cast<uint8_t>(3));
    for (int32_t v : project.triangles[static_cast<size_t>(t)].vertex) AppendBinary(b, data.pointId[static_cast<size_t>(v)]);
    out.FlushIfFull();
  }
}

void WriteObj(const ExportData& data, OutputFile& out) {
  const FinishedProject& project = *data.project;
  std::string& b = out.buffer();
  b += "# quarvelin-export: kept triangles of the network, counter-clockwise seen from above\n";
  AppendOriginComment(data, "#", b);
  b += "o ";
  b += data.name;
  b += '\n';
  for (int32_t v : data.points) {
    b += "v ";
    const Vertex3 p = Shifted(data, v);
    AppendNumbers(b, {p.x, p.y, p.z}, ' ');
    b += '\n';
    out.FlushIfFull();
  }
  for (int32_t t : data.kept) {
    b += 'f';
    for (int32_t v : project.triangles[static_cast<size_t>(t)].vertex) {
      b += ' ';
      AppendInt(b, data.pointId[static_cast<size_t>(v)] + 1);
    }
    b += '\n';
    out.FlushIfFull();
  }
}

void AppendJsonLine(std::string& b, const std::vector<Vertex3>& line) {
  b += '[';
  for (size_t i = 0; i < line.size(); ++i) {
    if (i > 0) b += ',';
    b += '[';
    AppendNumbers(b, {line[i].x, line[i].y, line[i].z}, ',');
    b += ']';
  }
  b += ']';
}

void WriteGeoJson(const ExportData& data, OutputFile& out) {
  const FinishedProject& project = *data.project;
  std::string& b = out.buffer();
  b += "{\"type\":\"FeatureCollection\",\"name\":";
  AppendJsonString(b, data.name);
  // The pre-RFC 7946 member that GDAL and QGIS read; without it they take
  // the coordinates for WGS 84 degrees.
  if (data.crs.epsg > 0) {
    b += ",\"crs\":{\"type\":\"name\",\"properties\":{\"name\":\"urn:ogc:def:crs:EPSG::" +
         std::to_string(data.crs.epsg) + "\"}}";
  }
  b += ",\"features\":[";
  int64_t id = 0;  // unique in the file, so that GIS can key the features by it
  auto feature = [&](const std::string& properties, const char* type, const std::function<void()>& coordinates) {
    b += id == 0 ? "\n" : ",\n";
    b += "{\"type\":\"Feature\",\"id\":" + std::to_string(++id) + ",\"properties\":{" + properties +
         "},\"geometry\":{\"type\":\"" + type + "\",\"coordinates\":";
    coordinates();
    b += "}}";
    out.FlushIfFull();
  };
  for (size_t i = 0; i < project.boundaryRings.size(); ++i) {
    feature("\"kind\":\"boundary\",\"id\":" + std::to_string(i + 1), "Polygon", [&] {
      b += '[';
      AppendJsonLine(b, RingPoints(project, project.boundaryRings[i]));
      b += ']';
    });
  }
  for (size_t i = 0; i < project.breaklines.size(); ++i) {
    feature("\"kind\":\"breakline\",\"id\":" + std::to_string(i + 1), "LineString",
            [&] { AppendJsonLine(b, project.breaklines[i]); });
  }
  for (const ContourLine& c : data.contours) {
    std::string properties = "\"kind\":\"contour\",\"elevation\":";
    AppendShortest(properties, c.elevation);
    feature(properties, "LineString", [&] { AppendJsonLine(b, c.points); });
  }
  b += "\n]}\n";
}

bool WriteTextExport(const ExportData& data, ExportFormat format, const std::string& path, std::string& error) {
  OutputFile out;
  if (!out.Open(path)) {
    error = path + ": cannot create the file";
    return false;
  }
  out.OnFlush(data.written);
  switch (format) {
    case ExportFormat::kLandXml: WriteLandXml(data, out); break;
    case ExportFormat::kDxf: WriteDxf(data, out); break;
    case ExportFormat::kPly: WritePly(data, out); break;
    case ExportFormat::kObj: WriteObj(data, out); break;
    case ExportFormat::kGeoJson: WriteGeoJson(data, out); break;
    default: break;
  }
  if (!out.Close()) {
    std::remove(path.c_str());  // a truncated export would pass for a whole one
    error = path + ": cannot write the file (disk full?)";
    return false;
  }
  return true;
}

// The .prj beside formats that have no place for the system (an old one goes
// when the project has none), and the origin that --origin took off.
bool WriteSidecars(const ExportData& data, ExportFormat format, const std::string& path, std::string& error) {
  if (format != ExportFormat::kDxf && !FormatTakesOrigin(format)) return true;
  if (data.crs.Known()) {
    if (!WriteSmallTextFile(PrjPath(path), PrjText(data.crs) + "\n", error)) return false;
  } else {
    std::remove(PrjPath(path).c_str());
  }
  if (!data.shifted) return true;
  std::string text = "# origin subtracted from x and y in " + std::filesystem::path(path).filename().string() + "\n";
  AppendNumbers(text, {data.originX, data.originY}, ' ');
  return WriteSmallTextFile(OriginPath(path), text + "\n", error);
}

}  // namespace

ExportFormat FormatOfPath(const std::string& path) {
  const std::string name = Lower(path);
  auto endsWith = [&](const char* suffix) {
    size_t n = std::strlen(suffix);
    return name.size() >= n && name.compare(name.size() - n, n, suffix) == 0;
  };
  if (endsWith(".xml") || endsWith(".landxml")) return ExportFormat::kLandXml;
  if (endsWith(".dxf")) return ExportFormat::kDxf;
  if (endsWith(".ply")) return ExportFormat::kPly;
  if (endsWith(".obj")) return ExportFormat::kObj;
  if (endsWith(".geojson") || endsWith(".json")) return ExportFormat::kGeoJson;
  if (endsWith(".gpkg")) return ExportFormat::kGeoPackage;
  if (endsWith(".tif") || endsWith(".tiff")) return ExportFormat::kGeoTiff;
  return ExportFormat::kUnknown;
}

bool FormatTakesContours(ExportFormat format) {
  return format == ExportFormat::kDxf || format == ExportFormat::kGeoJson || format == ExportFormat::kGeoPackage;
}

bool FormatTakesOrigin(ExportFormat format) { return format == ExportFormat::kPly || format == ExportFormat::kObj; }

std::string PrjPath(const std::string& path) { return WithExtension(path, ".prj"); }
std::string OriginPath(const std::string& path) { return WithExtension(path, ".origin.txt"); }

ExportData PrepareExport(const FinishedProject& project, std::string name, std::string timestamp) {
  ExportData data;
  data.project = &project;
  data.name = std::move(name);
  data.timestamp = std::move(timestamp);
  data.pointId.assign(project.points.size(), -1);
  for (int32_t t = 0; t < static_cast<int32_t>(project.triangles.size()); ++t) {
    if (!project.Kept(t)) continue;
    data.kept.push_back(t);
    for (int32_t v : project.triangles[static_cast<size_t>(t)].vertex) data.pointId[static_cast<size_t>(v)] = 0;
  }
  for (size_t v = 0; v < project.points.size(); ++v) {
    if (data.pointId[v] < 0) continue;
    data.pointId[v] = static_cast<int32_t>(data.points.size());
    data.points.push_back(static_cast<int32_t>(v));
  }
  return data;
}

bool WriteExport(const ExportData& data, ExportFormat format, const std::string& path, std::string& error) {
  if (format == ExportFormat::kGeoPackage) return WriteGeoPackage(data, path, error);
  if (format == ExportFormat::kGeoTiff) {
    DemGrid grid;
    return DemGridFor(data, data.cellSize, grid, error) && WriteDem(data, grid, path, error);
  }
  if (!WriteTextExport(data, format, path, error)) return false;
  if (WriteSidecars(data, format, path, error)) return true;
  std::remove(path.c_str());  // an export without its system would be read in the wrong place
  return false;
}

}  // namespace quarvelin
