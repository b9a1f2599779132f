// quarvelin-export read back by programs nobody here wrote: xmllint for
// LandXML, GDAL's ogrinfo for DXF and GeoJSON, Python for PLY, OBJ and
// GeoJSON, on hand-made finished projects and on the bundled survey.
#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <functional>
#include <cmath>
#include <map>
#include <set>
#include <tuple>
#include <sstream>

#include "support/project_fixture.h"
#include "store/records.h"
#include "support/tool_projects.h"

namespace quarvelin::testing {
namespace {

double Number(const std::string& text) {
  double value = std::nan("");
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// The texts between each `open` and the next `close` in `text`.
std::vector<std::string> Elements(const std::string& text, const std::string& open, const std::string& close) {
  std::vector<std::string> found;
  for (size_t at = text.find(open); at != std::string::npos; at = text.find(open, at)) {
    at += open.size();
    size_t end = text.find(close, at);
    found.push_back(text.substr(at, end - at));
  }
  return found;
}

// "Feature Count: N" of ogrinfo's summary of one DXF layer or the GeoJSON.
int FeatureCount(const std::filesystem::path& file, const std::string& layer, const std::string& where) {
  std::vector<std::string> args = {"-ro", "-so"};
  if (!where.empty()) args.insert(args.end(), {"-where", where});
  args.insert(args.end(), {file.string(), layer});
  ProgramResult r = RunInstalled("ogrinfo", args);
  EXPECT_EQ(r.status, 0) << r.err;
  size_t at = r.out.find("Feature Count: ");
  return at == std::string::npos ? -1 : std::stoi(r.out.substr(at + 15));
}

struct Feature {
  std::string kind;
  double value = 0;
  bool closed = false;
  std::vector<std::vector<double>> points;
};

std::vector<Feature> GeoJsonFeatures(const std::filesystem::path& file) {
  ProgramResult r = ReadBack("geojson", file);
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<Feature> features;
  std::istringstream in(r.out);
  std::string word;
  while (in >> word) {
    if (word == "feature") {
      Feature f;
      std::string value, closed;
      size_t count = 0;
      in >> f.kind >> value >> closed >> count;
      f.value = Number(value);
      f.closed = closed == "closed";
      features.push_back(f);
    } else {
      std::string y, z;
      in >> y >> z;
      features.back().points.push_back({Number(word), Number(y), Number(z)});
    }
  }
  return features;
}

std::string Export(const std::filesystem::path& project, const std::filesystem::path& file,
                   const std::vector<std::string>& extra = {}) {
  std::vector<std::string> args = {project.string(), "--to", file.string()};
  args.insert(args.end(), extra.begin(), extra.end());
  ProgramResult r = RunProgram("quarvelin-export", args);
  EXPECT_EQ(r.status, 0) << r.err;
  return r.err;
}

class GridExport : public ::testing::Test {
 protected:
  void SetUp() override {
    grid_.breaklines = {{grid_.Point(0, 1), grid_.Point(1, 2), grid_.Point(2, 2)}};
    WriteGridProject(project(), grid_);
  }
  std::filesystem::path project() const { return temp_.path() / "site"; }
  std::filesystem::path file(const std::string& name) const { return temp_.path() / name; }

  TempDirectory temp_;
  GridProject grid_;
};

TEST_F(GridExport, LandXmlHasNorthingFirstPointsWithUniqueIdsAndFacesThatNameThem) {
  Export(project(), file("site.xml"));
  ProgramResult lint = RunInstalled("xmllint", {"--noout", file("site.xml").string()});
  ASSERT_EQ(lint.status, 0) << lint.err;
  ProgramResult faces = RunInstalled("xmllint", {"--xpath", "count(//*[local-name()='Definition'][@surfType='TIN']/*[local-name()='Faces']/*)", file("site.xml").string()});
  EXPECT_EQ(faces.out, std::to_string(grid_.KeptTriangles()) + "\n");

  const std::string text = ReadFileBytes(file("site.xml"));
  std::map<int, std::vector<double>> points;
  for (const std::string& p : Elements(text, "<P id=\"", "</P>")) {
    std::istringstream in(p.substr(0, p.find('"')) + " " + p.substr(p.find('>') + 1));
    int id = 0;
    std::string n, e, z;
    in >> id >> n >> e >> z;
    EXPECT_TRUE(points.emplace(id, std::vector<double>{Number(n), Number(e), Number(z)}).second) << "id " << id << " twice";
  }
  ASSERT_EQ(points.size(), static_cast<size_t>(grid_.PointCount()));
  // Only grid points are used by kept triangles, in table order: id k is
  // grid point k - 1, written northing, easting, elevation.
  for (int row = 0, id = 1; row <= grid_.cells; ++row) {
    for (int column = 0; column <= grid_.cells; ++column, ++id) {
      SurveyXYZ p = grid_.Point(column, row);
      EXPECT_EQ(points[id], (std::vector<double>{p.y, p.x, p.z})) << "id " << id;
    }
  }
  int faceCount = 0;
  for (const std::string& f : Elements(text, "<F>", "</F>")) {
    ++faceCount;
    std::istringstream in(f);
    std::set<int> corners;
    for (int id = 0; in >> id;) {
      corners.insert(id);
      EXPECT_EQ(points.count(id), 1u) << f;
    }
    EXPECT_EQ(corners.size(), 3u) << f;
  }
  EXPECT_EQ(faceCount, grid_.KeptTriangles());
  EXPECT_NE(text.find("<Boundary name=\"Boundary 1\" bndType=\"outer\""), std::string::npos);
  EXPECT_NE(text.find("<Breakline name=\"Breakline 1\""), std::string::npos);
}

TEST_F(GridExport, DxfAndGeoJsonOpenInOgrWithAFeatureForEveryTriangleAndLine) {
  Export(project(), file("site.dxf"), {"--contour-interval", "1"});
  EXPECT_EQ(FeatureCount(file("site.dxf"), "entities", "Layer='TIN'"), grid_.KeptTriangles());
  EXPECT_EQ(FeatureCount(file("site.dxf"), "entities", "Layer='BREAKLINES'"), 1);
  EXPECT_EQ(FeatureCount(file("site.dxf"), "entities", "Layer='BOUNDARY'"), 1);
  // z runs from 15.5 to 19.5: levels 16, 17, 18 and 19.
  EXPECT_EQ(FeatureCount(file("site.dxf"), "entities", "Layer='CONTOURS'"), 4);

  Export(project(), file("site.geojson"), {"--contour-interval", "1"});
  EXPECT_EQ(FeatureCount(file("site.geojson"), "site", ""), 1 + 1 + 4);
  std::vector<Feature> features = GeoJsonFeatures(file("site.geojson"));
  ASSERT_EQ(features.size(), 6u);
  EXPECT_EQ(features[0].kind, "boundary");
  EXPECT_TRUE(features[0].closed);
  EXPECT_EQ(features[0].points.size(), static_cast<size_t>(4 * grid_.cells + 1));
  EXPECT_EQ(features[1].kind, "breakline");
  SurveyXYZ first = grid_.Point(0, 1);
  EXPECT_EQ(features[1].points[0], (std::vector<double>{first.x, first.y, first.z}));  // easting first
}

// "KEY=value" of a tool's output, the value up to the line's end.
std::string ValueAfter(const std::string& text, const std::string& key) {
  size_t at = text.find(key);
  return at == std::string::npos ? "" : text.substr(at + key.size(), text.find('\n', at) - at - key.size());
}

TEST_F(GridExport, GisFormatsCarryTheReferenceSystemAndOpenInGdal) {
  const std::vector<std::string> crs = {"--crs", "EPSG:3875", "--contour-interval", "1"};
  Export(project(), file("site.xml"), {"--crs", "EPSG:3875"});
  ProgramResult lint = RunInstalled("xmllint", {"--noout", "--schema",
                                               (SourceDirectory() / "tests/tools/data/LandXML-1.2.xsd").string(),
                                               file("site.xml").string()});
  EXPECT_EQ(lint.status, 0) << lint.err;
  EXPECT_NE(ReadFileBytes(file("site.xml")).find("<CoordinateSystem name=\"ETRS89 / GK21FIN\" epsgCode=\"3875\" "
                                                 "ogcWktCode=\"PROJCS[&quot;ETRS89 / GK21FIN&quot;"),
            std::string::npos);

  Export(project(), file("site.geojson"), crs);
  Export(project(), file("site.gpkg"), crs);
  ProgramResult copy = RunInstalled("ogr2ogr", {"-f", "GPKG", file("copy.gpkg").string(), file("site.geojson").string()});
  EXPECT_EQ(copy.status, 0) << copy.err;  // feature ids are unique
  for (auto [path, layer, count] : std::vector<std::tuple<std::string, std::string, int>>{
           {"site.geojson", "site", 6}, {"copy.gpkg", "site", 6}, {"site.gpkg", "triangles", grid_.KeptTriangles()},
           {"site.gpkg", "breaklines", 1}, {"site.gpkg", "boundary", 1}, {"site.gpkg", "contours", 4}}) {
    ProgramResult info = RunInstalled("ogrinfo", {"-ro", "-so", file(path).string(), layer});
    EXPECT_NE(info.out.find("Feature Count: " + std::to_string(count) + "\n"), std::string::npos) << path << layer;
    EXPECT_NE(info.out.find("ID[\"EPSG\",3875]]\n"), std::string::npos) << path << " " << layer << info.out;
  }
  ProgramResult valid = RunInstalled(
      "ogrinfo", {"-ro", "-q", "-dialect", "SQLite", "-sql",
                  "SELECT (SELECT sum(ST_IsValid(geom)) FROM triangles) AS v, (SELECT group_concat(elevation) FROM "
                  "contours) AS e",
                  file("site.gpkg").string()});
  EXPECT_EQ(ValueAfter(valid.out, "v (Integer) = "), std::to_string(grid_.KeptTriangles())) << valid.out << valid.err;
  EXPECT_EQ(ValueAfter(valid.out, "e (String) = "), "16.0,17.0,18.0,19.0");

  for (const char* mesh : {"site.dxf", "site.ply", "site.obj"}) {
    Export(project(), file(mesh), {"--crs", "EPSG:3875"});
    ProgramResult prj = RunInstalled("gdalsrsinfo", {"-e", file(mesh).replace_extension(".prj").string()});
    EXPECT_NE(prj.out.find("EPSG:3875"), std::string::npos) << mesh << prj.out << prj.err;
  }
}

TEST_F(GridExport, ElevationModelHoldsThePlaneAtCellCentresAndNoDataOutside) {
  Export(project(), file("dem.tif"), {"--cell-size", "2", "--crs", "EPSG:3875"});
  ProgramResult info = RunInstalled("gdalinfo", {"-stats", file("dem.tif").string()});
  // The grid's 40 m square from x0 = ...215.62, y0 = ...504.11, on cells whose
  // corners are multiples of 2 m: 21 x 21 cells, of whose centres 20 x 20 lie
  // inside the square.
  EXPECT_NE(info.out.find("Size is 21, 21\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("Origin = (21530214.000000000000000,6782546.000000000000000)"), std::string::npos);
  EXPECT_NE(info.out.find("Block=256x256 Type=Float32"), std::string::npos);
  EXPECT_NE(info.out.find("COMPRESSION=DEFLATE"), std::string::npos);
  EXPECT_NE(info.out.find("NoData Value=-9999\n"), std::string::npos);
  EXPECT_NE(info.out.find("ID[\"EPSG\",3875]]\n"), std::string::npos);
  EXPECT_EQ(ValueAfter(info.out, "STATISTICS_VALID_PERCENT="), "90.7");  // 400 of 441: no gap, no stray cell
  for (auto [column, row] : {std::pair{1, 1}, {20, 20}, {7, 13}, {0, 5}, {12, 0}}) {
    ProgramResult at = RunInstalled("gdallocationinfo", {"-valonly", file("dem.tif").string(), std::to_string(column),
                                                         std::to_string(row)});
    const double x = 21530214 + 2 * column + 1;
    const double expected = column == 0 || row == 0 ? -9999 : grid_.z0 + grid_.slopeX * (x - grid_.x0);
    EXPECT_NEAR(Number(at.out), expected, 1e-4) << column << "," << row;
  }
}

TEST_F(GridExport, OriginComesOffPlyAndObjCoordinatesAndIsRecorded) {
  for (const char* name : {"site.ply", "site.obj"}) {
    Export(project(), file(name), {"--origin", "auto"});
    ProgramResult r = ReadBack("mesh", file(name));
    std::istringstream in(r.out);
    std::string word, x, y;
    in >> word >> word >> word >> word >> word >> x >> y;
    EXPECT_EQ(Number(x), grid_.x0 - 21530000) << name;
    EXPECT_EQ(Number(y), grid_.y0 - 6782000) << name;
    EXPECT_NE(ReadFileBytes(file(name)).find("origin 21530000 6782000 "), std::string::npos) << name;
    EXPECT_NE(ReadFileBytes(file("site.origin.txt")).find("\n21530000 6782000\n"), std::string::npos);
  }
  Export(project(), file("site.ply"), {"--origin", "21530200,6782500"});
  EXPECT_NE(ReadFileBytes(file("site.origin.txt")).find("\n21530200 6782500\n"), std::string::npos);
}

// Debian's python3, which has the ezdxf package, ahead of another on PATH.
std::string PythonWithEzdxf() {
  return std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : FindOnPath("python3");
}

TEST_F(GridExport, DxfHasColouredLayersMetricUnitsAndExtentsAndPassesTheAudit) {
  // Levels 16 to 19.5 at 0.5: 17.5 is the fifth interval's, an index contour.
  Export(project(), file("site.dxf"), {"--contour-interval", "0.5"});
  ProgramResult r = RunInstalled(PythonWithEzdxf(), {"-c", R"(
import ezdxf, sys
doc = ezdxf.readfile(sys.argv[1])
audit = doc.audit()
print(len(audit.errors) + len(audit.fixes), doc.header['$INSUNITS'], doc.header['$MEASUREMENT'])
print(*(round(v, 2) for v in doc.header['$EXTMIN'] + doc.header['$EXTMAX']))
colours = {l.dxf.name: l.dxf.color for l in doc.layers}
print(len(set(colours[n] for n in ('TIN', 'BREAKLINES', 'BOUNDARY', 'CONTOURS', 'CONTOURS_INDEX'))))
msp = doc.modelspace()
print(*(len(msp.query('*[layer=="%s"]' % n)) for n in ('CONTOURS', 'CONTOURS_INDEX')))
)", file("site.dxf").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "0 6 1\n21530215.62 6782504.11 15.5 21530255.62 6782544.11 19.5\n5\n7 1\n");
}

// A walk as trimming leaves it where it peeled all triangles of a point
// (a spur there and back) and where the kept area narrows to one point.
TEST_F(GridExport, TheBoundaryWalkBecomesRingsWithoutItsSpurs) {
  WriteEdgeFile(project(), grid_,
                {{0, 0}, {1, 0}, {1, 1}, {1, 0}, {2, 0}, {3, 1}, {4, 0}, {4, 1}, {3, 1}, {2, 2}, {0, 2}});
  Export(project(), file("rings.geojson"));
  std::vector<Feature> features = GeoJsonFeatures(file("rings.geojson"));
  std::vector<size_t> rings;
  for (const Feature& f : features) {
    if (f.kind == "boundary") rings.push_back(f.points.size());
  }
  // (3,1) (4,0) (4,1) closes first; then (0,0) (1,0) (2,0) (3,1) (2,2) (0,2).
  EXPECT_EQ(rings, (std::vector<size_t>{3 + 1, 6 + 1}));
  SurveyXYZ spur = grid_.Point(1, 1);
  for (const Feature& f : features) {
    for (const auto& p : f.points) EXPECT_FALSE(f.kind == "boundary" && p[0] == spur.x && p[1] == spur.y);
  }
}

TEST_F(GridExport, PlyAndObjReadBackWithTheSameVerticesAndFaces) {
  for (const char* name : {"site.ply", "site.obj"}) {
    Export(project(), file(name));
    ProgramResult r = ReadBack("mesh", file(name));
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream in(r.out);
    std::string word, x, y, z;
    size_t vertices = 0, faces = 0;
    in >> word >> vertices >> word >> faces;
    ASSERT_EQ(vertices, static_cast<size_t>(grid_.PointCount())) << name;
    ASSERT_EQ(faces, static_cast<size_t>(grid_.KeptTriangles())) << name;
    std::vector<SurveyXYZ> read;
    for (size_t i = 0; i < vertices; ++i) {
      in >> word >> x >> y >> z;
      read.push_back({Number(x), Number(y), Number(z)});
    }
    for (int row = 0, k = 0; row <= grid_.cells; ++row) {
      for (int column = 0; column <= grid_.cells; ++column, ++k) {
        SurveyXYZ p = grid_.Point(column, row);
        EXPECT_TRUE(read[k].x == p.x && read[k].y == p.y && read[k].z == p.z) << name << " vertex " << k;
      }
    }
    // The first cell's lower triangle, counter-clockwise: (0,0), (1,0), (1,1).
    int a = -1, b = -1, c = -1;
    in >> word >> a >> b >> c;
    EXPECT_EQ(std::vector<int>({a, b, c}), std::vector<int>({0, 1, grid_.cells + 2})) << name;
  }
}

TEST_F(GridExport, ContoursOfATiltedPlaneAreStraightEvenlySpacedAndWhole) {
  grid_.z0 = 15.3;
  grid_.slopeY = 0.05;
  grid_.breaklines.clear();
  WriteGridProject(project(), grid_);
  Export(project(), file("plane.geojson"), {"--contour-interval", "0.5"});
  std::vector<Feature> features = GeoJsonFeatures(file("plane.geojson"));
  std::vector<double> levels;
  for (const Feature& f : features) {
    if (f.kind != "contour") continue;
    levels.push_back(f.value);
    EXPECT_FALSE(f.closed);
    for (const auto& p : f.points) {
      // On the plane at the contour's height: the lines are straight and
      // parallel, half a metre of height apart.
      double onPlane = grid_.z0 + grid_.slopeX * (p[0] - grid_.x0) + grid_.slopeY * (p[1] - grid_.y0);
      EXPECT_NEAR(onPlane, f.value, 1e-6);
      EXPECT_EQ(p[2], f.value);
    }
    // One line per level from one edge of the grid to another.
    const auto& s = f.points.front();
    const auto& e = f.points.back();
    auto onEdge = [&](const std::vector<double>& p) {
      double dx = p[0] - grid_.x0, dy = p[1] - grid_.y0, side = grid_.cells * grid_.spacing;
      return std::fabs(dx) < 1e-6 || std::fabs(dy) < 1e-6 || std::fabs(dx - side) < 1e-6 || std::fabs(dy - side) < 1e-6;
    };
    EXPECT_TRUE(onEdge(s) && onEdge(e)) << "contour " << f.value << " stops inside the network";
  }
  std::vector<double> expected;
  for (double h = 15.5; h <= 21.0; h += 0.5) expected.push_back(h);
  EXPECT_EQ(levels, expected);
}

TEST_F(GridExport, BadCommandLinesAndProjectsAreRefusedWithTheirStatus) {
  EXPECT_EQ(RunProgram("quarvelin-export", {"--help"}).status, 0);
  EXPECT_EQ(RunProgram("quarvelin-export", {project().string()}).status, 2);
  EXPECT_EQ(RunProgram("quarvelin-export", {project().string(), "--to", file("a.txt").string()}).status, 2);
  EXPECT_EQ(RunProgram("quarvelin-export", {project().string(), "--to", file("a.ply").string(), "--contour-interval", "1"}).status, 2);
  EXPECT_EQ(RunProgram("quarvelin-export", {project().string(), "--to", file("a.dxf").string(), "--contour-interval", "0"}).status, 2);
  EXPECT_EQ(RunProgram("quarvelin-export", {project().string(), "--to", file("a.dxf").string(), "--contour-interval", "1e-9"}).status, 2);
  ProgramResult missing = RunProgram("quarvelin-export", {file("nowhere").string(), "--to", file("a.dxf").string()});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("nowhere"), std::string::npos) << missing.err;
  ProgramResult notFolder = RunProgram("quarvelin-export", {(project() / "PMAP/TIN.inf").string(), "--to", file("a.dxf").string()});
  EXPECT_NE(notFolder.err.find("TIN.inf: a file, not a project folder"), std::string::npos) << notFolder.err;
  for (const char* size : {"0", "-1", "0.00001"}) {
    ProgramResult r = RunProgram("quarvelin-export", {project().string(), "--to", file("a.tif").string(), "--cell-size", size});
    EXPECT_EQ(r.status, 2) << size;
  }
  EXPECT_NE(RunProgram("quarvelin-export", {project().string(), "--to", file("a.tif").string(), "--cell-size", "0.00001"})
                .err.find("--cell-size 1e-05 gives a raster of 400000"),
            std::string::npos);
  ProgramResult crs = RunProgram("quarvelin-export", {project().string(), "--to", file("a.xml").string(), "--crs", "EPSG:999999"});
  EXPECT_EQ(crs.status, 2);
  EXPECT_NE(crs.err.find("--crs 'EPSG:999999' is not a reference system PROJ knows"), std::string::npos) << crs.err;
  EXPECT_EQ(RunProgram("quarvelin-export", {project().string(), "--to", file("a.xml").string(), "--origin", "auto"}).status, 2);
  for (const char* name : {"full.gpkg", "full.tif"}) {
    std::filesystem::create_symlink("/dev/full", file(name));
    std::vector<std::string> args = {project().string(), "--to", file(name).string(), "--cell-size", "1"};
    if (std::string(name) == "full.gpkg") args.resize(3);
    ProgramResult r = RunProgram("quarvelin-export", args);
    EXPECT_EQ(r.status, 1) << name;
    EXPECT_NE(r.err.find(std::string(name) + ": cannot"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::is_regular_file(file(name))) << name;
  }
  std::filesystem::create_symlink("/dev/full", file("full.dxf"));
  ProgramResult full = RunProgram("quarvelin-export", {project().string(), "--to", file("full.dxf").string()});
  EXPECT_EQ(full.status, 1);
  EXPECT_NE(full.err.find("full.dxf: cannot write the file"), std::string::npos) << full.err;
  std::filesystem::remove(project() / "PMAP" / "TIN.inf");
  ProgramResult unbuilt = RunProgram("quarvelin-export", {project().string(), "--to", file("a.dxf").string()});
  EXPECT_EQ(unbuilt.status, 1);
  EXPECT_NE(unbuilt.err.find("TIN.inf"), std::string::npos) << unbuilt.err;
  EXPECT_FALSE(std::filesystem::exists(file("a.dxf")));
}

// A summary that does not vouch for the tables, and coordinates that are not
// numbers, stop every tool before it writes: no file, status 1, and a message
// that names the fault.
TEST_F(GridExport, ProjectsTheToolsCannotTrustAreRefusedByEveryToolWithoutOutput) {
  const std::filesystem::path pmap = project() / "PMAP";
  auto pointHeight = [&](int record, double z) {
    std::string table = ReadFileBytes(pmap / "Point.xyz");
    std::memcpy(&table[record * sizeof(PointRecord) + 16], &z, sizeof z);
    ASSERT_TRUE(WriteBytes(pmap / "Point.xyz", table.data(), table.size()));
  };
  auto text = [&](const char* name, const std::string& content) {
    ASSERT_TRUE(WriteBytes(pmap / name, content.data(), content.size()));
  };
  const std::string goodInfo = ReadFileBytes(pmap / "TIN.inf");
  struct Case {
    const char* fault;
    std::function<void()> damage;
    const char* message;
  };
  const Case cases[] = {
      {"another build's summary", [&] { text("TIN.inf", "30  59\r\n0\r\n"); },
       "TIN.inf: counts 30 survey points where PtIndex.idx has 25"},
      {"an impossible triangle figure", [&] { text("TIN.inf", "25  52\r\n0\r\n"); }, "52 is not a triangle figure"},
      {"a height that is not a number", [&] { pointHeight(9, std::nan("")); }, "Point.xyz: point 9 (x "},
      {"an infinite height", [&] { pointHeight(4, -HUGE_VAL); }, "Point.xyz: point 4 (x "},
      {"an edge count beyond the file", [&] { text("Edge.inf", "  2147483647\r\n4 1 2\r\n"); },
       "Edge.inf: edge 2 of 2147483647 is missing"},
      {"a breakline at infinity", [&] { text("Lines.txt", "1\r\n2\r\n1 2 3\r\n4 inf 6\r\n"); },
       "Lines.txt: vertex 2 of line 1 is not a finite position"},
  };
  const bool render = std::filesystem::exists(BuildDirectory() / "quarvelin-render");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    WriteGridProject(project(), grid_);
    c.damage();
    std::vector<std::pair<std::string, std::string>> runs;
    for (const char* name : {"a.xml", "a.dxf", "a.ply", "a.obj", "a.geojson"}) runs.push_back({"quarvelin-export", name});
    if (render) runs.push_back({"quarvelin-render", "a.png"});
    for (const auto& [program, name] : runs) {
      ProgramResult r = RunProgram(program, {project().string(), "--to", file(name).string()});
      EXPECT_EQ(r.status, 1) << program << " " << name;
      EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
      EXPECT_FALSE(std::filesystem::exists(file(name))) << name;
    }
  }
  // Contours enforced by a build whose fnum counts more files than exist:
  // the files that are there are read, and no more names are tried.
  WriteGridProject(project(), grid_);
  text("TIN.inf", goodInfo.substr(0, goodInfo.find('\n') + 1) + "1\r\n");
  text("fnum", "2147483647\r\n");
  text("Point.1", "0 0 1 0\r\n2 15.5 0\r\n21530215.62 6782514.11\r\n21530225.62 6782524.11\r\n");
  EXPECT_NE(Export(project(), file("c.geojson")).find("2 breaklines"), std::string::npos);
}

// The bundled surveys, prepared and built by the programs themselves; true
// whether or not the build has trimmed its boundary.
struct BundledSurvey {
  const char* name;
  std::vector<std::string> prepare;  // input options, paths under data/
  bool contours;                     // the build enforces the contour files
  const char* interval;
};

class BundledSurveyExport : public ::testing::TestWithParam<BundledSurvey> {};

TEST_P(BundledSurveyExport, ContoursAreJoinedAndTheDxfHoldsEveryKeptTriangle) {
  const BundledSurvey& survey = GetParam();
  TempDirectory temp;
  const std::filesystem::path site = temp.path() / survey.name;
  std::vector<std::string> args = {"--quiet", "--project", site.string()};
  for (size_t i = 0; i < survey.prepare.size(); i += 2) {
    args.insert(args.end(), {survey.prepare[i], (SourceDirectory() / "data" / survey.prepare[i + 1]).string()});
  }
  ProgramResult prepared = RunProgram("quarvelin-prepare", args);
  ASSERT_EQ(prepared.status, 0) << prepared.err;
  std::vector<std::string> build = {"--quiet", "--project", site.string()};
  if (survey.contours) build.push_back("--contours");
  ProgramResult built = RunProgram("quarvelin-cli", build);
  ASSERT_EQ(built.status, 0) << built.err;
  const std::string tin = ReadFileBytes(site / "PMAP/TIN.tri");
  std::istringstream info(ReadFileBytes(site / "PMAP/TIN.inf"));
  int points = 0, last = 0, kept = 0;
  info >> points >> last;
  for (int t = 0; t <= last; ++t) kept += tin[t * sizeof(TriangleRecord) + 27] != kRemovedTriangle;

  const std::vector<std::string> contours = {"--contour-interval", survey.interval};
  Export(site, temp.path() / "site.dxf", contours);
  EXPECT_EQ(FeatureCount(temp.path() / "site.dxf", "entities", "Layer='TIN'"), kept);
  Export(site, temp.path() / "site.geojson", contours);
  std::vector<Feature> features = GeoJsonFeatures(temp.path() / "site.geojson");
  std::map<std::pair<double, std::vector<double>>, int> ends;
  int traced = 0;
  for (const Feature& f : features) {
    if (f.kind != "contour") continue;
    ++traced;
    EXPECT_EQ(std::fmod(f.value, std::stod(survey.interval)), 0.0);
    for (const auto& p : f.points) ASSERT_EQ(p[2], f.value);
    if (f.closed) continue;
    ++ends[{f.value, f.points.front()}];
    ++ends[{f.value, f.points.back()}];
  }
  EXPECT_GT(traced, 20);
  // A level through a vertex neither touches itself there nor doubles back.
  ProgramResult simple = RunInstalled(
      "ogrinfo", {"-ro", "-q", "-dialect", "SQLite", "-sql",
                  "SELECT sum(NOT ST_IsSimple(geometry)) + sum(NOT ST_IsValid(geometry)) AS faults FROM " +
                      std::string(survey.name) + " WHERE kind = 'contour'",
                  (temp.path() / "site.geojson").string()});
  EXPECT_NE(simple.out.find("faults (Integer) = 0"), std::string::npos) << simple.out << simple.err;
  // Two open lines of one level that meet would have been one line.
  for (const auto& [end, count] : ends) EXPECT_EQ(count, 1) << "level " << end.first << " is broken";
}

INSTANTIATE_TEST_SUITE_P(
    Data, BundledSurveyExport,
    ::testing::Values(
        BundledSurvey{"road", {"--points", "m3_terrain/points.xyz", "--breaklines", "m3_terrain/breaklines.pl"}, false, "0.5"},
        BundledSurvey{"hills",
                      {"--points", "os_terrain50_sk00/spot_heights.xyz", "--contours", "os_terrain50_sk00/contours.pl"},
                      true, "5"}),
    [](const ::testing::TestParamInfo<BundledSurvey>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quarvelin::testing
