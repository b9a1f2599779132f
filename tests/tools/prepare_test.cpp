// quarvelin-prepare on inputs the tests write themselves: LAS 1.2 point
// format 1 and LAS 1.4 point format 6 with scale, offset and classes, and
// text in its loose forms, down to the messages for bad input.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <map>

#include "store/records.h"
#include "support/project_fixture.h"
#include "support/tool_projects.h"

namespace quarvelin::testing {
namespace {

struct LasPoint {
  int32_t x, y, z;
  uint8_t classification;
};

template <typename T>
void Put(std::string& bytes, size_t offset, T value) {
  std::memcpy(&bytes[offset], &value, sizeof value);
}

// A variable-length record of user "LASF_Projection".
struct CrsRecord {
  uint16_t id;
  std::string data;
};

// A LAS file as the standard lays it out: header, the variable-length
// records, then the points. Formats below 6 keep the class in byte 15 (with
// flag bits above it, set here to prove they are masked), 6 and up in byte 16.
std::string LasFile(uint8_t minor, uint8_t format, const std::vector<LasPoint>& points, const double scale[3],
                    const double offset[3], const std::vector<CrsRecord>& records = {}) {
  const uint16_t headerSize = minor >= 4 ? 375 : 227;
  const uint16_t recordLength = format == 1 ? 28 : 30;
  std::string vlrs;
  for (const CrsRecord& r : records) {
    std::string head(54, '\0');
    std::memcpy(&head[2], "LASF_Projection", 15);
    Put<uint16_t>(head, 18, r.id);
    Put<uint16_t>(head, 20, static_cast<uint16_t>(r.data.size()));
    vlrs += head + r.data;
  }
  const uint32_t pointOffset = static_cast<uint32_t>(headerSize + vlrs.size());
  std::string bytes(pointOffset + points.size() * recordLength, '\0');
  std::memcpy(&bytes[0], "LASF", 4);
  bytes[24] = 1;
  bytes[25] = static_cast<char>(minor);
  Put<uint16_t>(bytes, 94, headerSize);
  Put<uint32_t>(bytes, 96, pointOffset);
  Put<uint32_t>(bytes, 100, static_cast<uint32_t>(records.size()));
  bytes.replace(headerSize, vlrs.size(), vlrs);
  bytes[104] = static_cast<char>(format);
  Put<uint16_t>(bytes, 105, recordLength);
  Put<uint32_t>(bytes, 107, minor >= 4 ? 0 : static_cast<uint32_t>(points.size()));
  if (minor >= 4) Put<uint64_t>(bytes, 247, points.size());
  for (int axis = 0; axis < 3; ++axis) {
    Put(bytes, 131 + 8 * axis, scale[axis]);
    Put(bytes, 155 + 8 * axis, offset[axis]);
  }
  for (size_t i = 0; i < points.size(); ++i) {
    size_t r = pointOffset + i * recordLength;
    Put(bytes, r, points[i].x);
    Put(bytes, r + 4, points[i].y);
    Put(bytes, r + 8, points[i].z);
    if (format < 6) bytes[r + 15] = static_cast<char>(points[i].classification | 0xE0);
    else bytes[r + 16] = static_cast<char>(points[i].classification);
  }
  return bytes;
}

std::vector<PointRecord> PointTable(const std::filesystem::path& project) {
  std::string bytes = ReadFileBytes(project / "PMAP/Point.xyz");
  std::vector<PointRecord> records(bytes.size() / sizeof(PointRecord));
  std::memcpy(records.data(), bytes.data(), records.size() * sizeof(PointRecord));
  return records;
}

class Prepare : public ::testing::Test {
 protected:
  std::filesystem::path Write(const std::string& name, const std::string& bytes) {
    std::filesystem::path path = temp_.path() / name;
    EXPECT_TRUE(WriteBytes(path, bytes.data(), bytes.size()));
    return path;
  }
  ProgramResult Run(std::vector<std::string> args) {
    args.insert(args.end(), {"--project", project().string()});
    return RunProgram("quarvelin-prepare", args);
  }
  std::filesystem::path project() const { return temp_.path() / "site"; }

  TempDirectory temp_;
};

TEST_F(Prepare, LasPointsGetScaleAndOffsetAndKeepOnlyTheChosenClasses) {
  const double scale[3] = {0.001, 0.001, 0.01}, offset[3] = {21530000, 6782000, 10};
  const std::vector<LasPoint> points = {
      {215620, 504110, 512, 2}, {1081540, 682310, 771, 2}, {500000, 300000, 600, 5}, {600000, 400000, 650, 2}};
  for (auto [minor, format] : {std::pair<uint8_t, uint8_t>{2, 1}, {4, 6}}) {
    SCOPED_TRACE("LAS 1." + std::to_string(minor) + " format " + std::to_string(format));
    ProgramResult r = Run({"--points", Write("cloud.las", LasFile(minor, format, points, scale, offset)).string(),
                           "--classes", "2,9"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("1 skipped by class"), std::string::npos) << r.err;
    std::vector<PointRecord> table = PointTable(project());
    ASSERT_EQ(table.size(), 4u + 3u);
    const LasPoint kept[3] = {points[0], points[1], points[3]};
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(table[4 + i].x, kept[i].x * scale[0] + offset[0]);
      EXPECT_EQ(table[4 + i].y, kept[i].y * scale[1] + offset[1]);
      EXPECT_EQ(table[4 + i].z, kept[i].z * scale[2] + offset[2]);
      EXPECT_EQ(table[4 + i].incidentTriangle, -1);
    }
    EXPECT_EQ(table[4].x, 21530215.62);
    // The frame, written after the points, surrounds them counter-clockwise.
    EXPECT_LT(table[0].x, table[4].x);
    EXPECT_LT(table[0].y, table[4].y);
    EXPECT_GT(table[2].x, table[5].x);
    EXPECT_GT(table[2].y, table[5].y);
    EXPECT_EQ(table[1].y, table[0].y);
    EXPECT_EQ(table[3].x, table[0].x);
  }
}

TEST_F(Prepare, DamagedOrCompressedLasIsRefusedByName) {
  const double scale[3] = {0.01, 0.01, 0.01}, offset[3] = {0, 0, 0};
  std::string las = LasFile(2, 1, {{1, 2, 3, 2}, {4, 5, 6, 2}}, scale, offset);
  std::string compressed = las;
  compressed[104] = static_cast<char>(1 | 0x80);
  ProgramResult r = Run({"--points", Write("c.laz", compressed).string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("compressed"), std::string::npos) << r.err;
  r = Run({"--points", Write("short.las", las.substr(0, las.size() - 5)).string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("short.las: the file ends before its 2 points"), std::string::npos) << r.err;
  EXPECT_EQ(Run({"--points", Write("ok.las", las).string(), "--classes", "2,x"}).status, 2);
}

// The reference system from a LAS 1.4 WKT record and from LAS 1.2 GeoTIFF
// keys (ProjectedCSTypeGeoKey 2154), --crs over both, and what is refused.
TEST_F(Prepare, TheReferenceSystemComesFromLasRecordsOrCrsAndIsKeptBesidePmap) {
  const double scale[3] = {0.01, 0.01, 0.01}, offset[3] = {700000, 6600000, 0};
  const std::vector<LasPoint> points = {{1, 2, 3, 2}, {400, 500, 6, 2}, {700, 90, 8, 2}};
  ProgramResult wkt = RunInstalled("gdalsrsinfo", {"-o", "wkt1", "EPSG:2154"});
  const std::vector<uint16_t> keys = {1, 1, 0, 3, 1024, 0, 1, 1, 1025, 0, 1, 1, 3072, 0, 1, 2154};
  const std::string wktLas = Write("wkt.las", LasFile(4, 6, points, scale, offset, {{2112, wkt.out + '\0'}}));
  const std::string keyLas = Write("keys.las", LasFile(2, 1, points, scale, offset,
                                                       {{34735, std::string(reinterpret_cast<const char*>(keys.data()), 32)}}));
  const std::string crsFile = (project() / "crs.wkt").string();
  for (const std::string& las : {wktLas, keyLas}) {
    ProgramResult r = Run({"--points", las});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("reference system: RGF93 v1 / Lambert-93 (EPSG:2154)"), std::string::npos) << r.err;
    EXPECT_NE(RunInstalled("gdalsrsinfo", {"-e", crsFile}).out.find("EPSG:2154"), std::string::npos) << las;
  }
  ProgramResult chosen = Run({"--points", wktLas, "--crs", "EPSG:3875"});
  EXPECT_NE(chosen.err.find("wkt.las: its RGF93 v1 / Lambert-93 (EPSG:2154) gives way to --crs"), std::string::npos);
  EXPECT_NE(RunInstalled("gdalsrsinfo", {"-e", crsFile}).out.find("EPSG:3875"), std::string::npos);

  ProgramResult broken = Run({"--points", Write("bad.las", LasFile(4, 6, points, scale, offset, {{2112, "PROJCS[\"x"}}))});
  EXPECT_EQ(broken.status, 0);
  EXPECT_NE(broken.err.find("bad.las: its OGC WKT record does not parse: 'PROJCS[\"x' is not a reference system PROJ "
                            "knows"),
            std::string::npos) << broken.err;
  EXPECT_NE(broken.err.find("the project gets no reference system (give --crs)"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(crsFile));  // the old one goes with the survey it described

  std::filesystem::remove_all(project());
  ProgramResult unknown = Run({"--points", wktLas, "--crs", "EPSG:999999"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("--crs 'EPSG:999999' is not a reference system PROJ knows"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(project()));
}

TEST_F(Prepare, TextTakesCommasHeadersAndCommentsAndCountsRepeats) {
  std::filesystem::path points = Write("pts.csv",
                                       "easting,northing,height\r\n"
                                       "# surveyed 2026\n"
                                       "100.5, 200.25, 3\n"
                                       "101\t201  4   # a note\n"
                                       "\n"
                                       "100.5;200.25;5\n");
  std::filesystem::path lines = Write("lines.pl", "2\n100.5 200.25 3\n150 250 7\n");
  ProgramResult r = Run({"--points", points.string(), "--breaklines", lines.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("3 survey points (1 repeat the x and y of another"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("1 line vertices added"), std::string::npos) << r.err;
  std::vector<PointRecord> table = PointTable(project());
  ASSERT_EQ(table.size(), 4u + 4u);
  EXPECT_EQ(table[5].x, 101);
  EXPECT_EQ(table[5].z, 4);
  EXPECT_EQ(table[7].x, 150);  // the breakline's own vertex, after the survey
  EXPECT_EQ(std::filesystem::file_size(project() / "PMAP/TIN.tri"), (2 * 4 + 2) * sizeof(TriangleRecord));
  EXPECT_EQ(ReadFileBytes(project() / "PMAP/PtIndex.idx"), "8 100.5 200.25 150 250\r\n");
}

TEST_F(Prepare, AMalformedLineIsNamedByFileAndLine) {
  ProgramResult r = Run({"--points", Write("bad.xyz", "1 2 3\n4 5\n").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("bad.xyz:2: expected three numbers x y z, found '4 5'"), std::string::npos) << r.err;
  r = Run({"--points", Write("nan.xyz", "1 2 3\n4 nan 6\n").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("nan.xyz:2: a coordinate is not a finite number"), std::string::npos) << r.err;
  r = Run({"--points", Write("ok.xyz", "1 2 3\n").string(), "--breaklines", Write("l.pl", "3\n1 2 3\n").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("l.pl:2: the file ends inside a polyline of 3 vertices"), std::string::npos) << r.err;
}

// Every file under `folder`, by relative path, with its bytes.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    files[std::filesystem::relative(entry.path(), folder).string()] =
        entry.is_regular_file() ? ReadFileBytes(entry.path()) : "(folder)";
  }
  return files;
}

TEST_F(Prepare, ARefusedOrFailedRunLeavesTheProjectFolderAsItWas) {
  std::string survey;
  for (int i = 0; i < 2000; ++i) survey += std::to_string(i % 50) + " " + std::to_string(i / 50) + " 1\n";
  const std::string points = Write("pts.xyz", survey).string(), lines = Write("l.pl", "2\n0 0 1\n9 9 1\n").string();
  ASSERT_EQ(Run({"--points", points}).status, 0);
  // What a build leaves, which a new project must not inherit.
  ASSERT_TRUE(WriteBytes(project() / "PMAP/TIN.inf", "1  3\r\n", 6));
  const auto before = Snapshot(project());
  const std::filesystem::path spaced = temp_.path() / "a b";
  const std::string bad = Write("bad.xyz", survey + "1 2\n").string(), nan = Write("z.xyz", "1 2 nan\n").string();
  struct Case {
    const char* what;
    std::string command;  // run by bash, with $P the program and $D the project
    const char* message;
  };
  const Case cases[] = {
      {"malformed points", "\"$P\" --points " + bad + " --project \"$D\"",
       "bad.xyz:2001: expected three numbers"},
      {"a folder", "\"$P\" --points " + temp_.path().string() + " --project \"$D\"", "is a folder, not a file"},
      {"no line ends", "\"$P\" --points /dev/zero --project \"$D\"", "longer than 65536 characters"},
      {"a huge margin", "\"$P\" --points " + points + " --margin 1e20 --project \"$D\"", "a margin of 1e+20"},
      {"a disk that fills", "trap '' XFSZ; ulimit -f 100; \"$P\" --points " + points + " --project \"$D\"",
       "TIN.tri: cannot allocate 112056 bytes"},
      {"a breakline file SLine.txt cannot name",
       "\"$P\" --points " + points + " --breaklines " + lines + " --project \"" + spaced.string() + "\"",
       "holds white space"},
      {"a workdir that cannot name the project",
       "\"$P\" --points " + points + " --workdir \"$D/install\" --project \"$D/cost\\$\"", "holds '$'"},
      {"a new folder and a bad point", "\"$P\" --points " + nan +
       " --project \"$D/new/site\"", "z.xyz:1: a coordinate is not a finite number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string command = "P=" + (BuildDirectory() / "quarvelin-prepare").string() + " D=" +
                                project().string() + "; " + c.command;
    ProgramResult r = RunInstalled("bash", {"-c", command});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_TRUE(Snapshot(project()) == before);
    EXPECT_FALSE(std::filesystem::exists(spaced));
  }
  // A run that succeeds replaces the folder whole, with the triangle table's
  // blocks allocated.
  ASSERT_EQ(Run({"--points", points, "--breaklines", lines}).status, 0);
  EXPECT_FALSE(std::filesystem::exists(project() / "PMAP/TIN.inf"));
  EXPECT_EQ(ReadFileBytes(project() / "PMAP/SLine.txt"), (project() / "PMAP/Breaklines.txt").string() + "\r\n");
  struct stat table {};
  ASSERT_EQ(::stat((project() / "PMAP/TIN.tri").c_str(), &table), 0);
  EXPECT_GE(table.st_blocks * 512, table.st_size);
}

TEST_F(Prepare, NumbersNoProjectCanHoldAreRefusedByWhereTheyStand) {
  const double scale[3] = {1e305, 1, 1}, offset[3] = {0, 0, 0};
  ProgramResult r = Run({"--points", Write("far.las", LasFile(2, 1, {{1, 2, 3, 2}, {4, 5, 6, 2}}, scale, offset)).string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("far.las: point 1 with the header's scale and offset: x or y lies beyond 1e11"), std::string::npos)
      << r.err;
  const double unit[3] = {1, 1, 1};
  std::string inside = LasFile(2, 1, {{1, 2, 3, 2}}, unit, offset);
  Put<uint32_t>(inside, 96, 100);
  r = Run({"--points", Write("inside.las", inside).string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("inside.las: the point data starts at byte 100, inside the 227-byte header"), std::string::npos)
      << r.err;
  r = Run({"--points", Write("far.xyz", "1 2 3\n-2e11 0 0\n").string()});
  EXPECT_NE(r.err.find("far.xyz:2: x or y lies beyond 1e11"), std::string::npos) << r.err;
  const std::string ok = Write("ok.xyz", "1 2 3\n").string();
  for (const char* count : {"1e30", "nan", "inf", "-1", "2.5", "3000000000"}) {
    r = Run({"--points", ok, "--contours", Write("c.pl", std::string(count) + "\n1 2 3\n").string()});
    EXPECT_EQ(r.status, 1) << count;
    EXPECT_NE(r.err.find("c.pl:1: expected the vertex count of a polyline (0 to 2147483647)"), std::string::npos) << r.err;
  }
  r = Run({"--points", ok, "--breaklines", Write("long.pl", "2\n1 2 3" + std::string(70000, ' ') + "\n").string()});
  EXPECT_NE(r.err.find("long.pl: line 2 is longer than 65536 characters"), std::string::npos) << r.err;
  EXPECT_EQ(Run({"--points", ok, "--margin", "inf"}).status, 2);
}

}  // namespace
}  // namespace quarvelin::testing
