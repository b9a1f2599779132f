// quarvelin-prepare on compressed LAS (LAZ): the project from each bundled
// file must be byte for byte the one from the same file decompressed by an
// independent decoder (the npm package laz-perf), and damaged files must be
// refused by name with status 1.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/project_fixture.h"

namespace quarvelin::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kModules = BuildDirectory() / "npm" / "node_modules";

// Where `command -v` finds a program, empty when it does not.
std::string FindProgram(const std::string& name) {
  std::string path;
  if (std::FILE* p = popen(("command -v " + name + " 2>/dev/null").c_str(), "r")) {
    char line[4096];
    if (std::fgets(line, sizeof line, p)) path = line;
    pclose(p);
  }
  while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
  return path;
}

fs::path DataFile(const std::string& name) { return SourceDirectory() / "tests/data/laz" / name; }

template <typename T>
void Put(std::string& bytes, size_t offset, T value) {
  std::memcpy(&bytes[offset], &value, sizeof value);
}
template <typename T>
T Get(const std::string& bytes, size_t offset) {
  T value;
  std::memcpy(&value, &bytes[offset], sizeof value);
  return value;
}

// Offset of the compression record's body.
size_t CompressionRecord(const std::string& laz) {
  size_t at = Get<uint16_t>(laz, 94);
  for (uint32_t i = 0; i < Get<uint32_t>(laz, 100); ++i) {
    if (Get<uint16_t>(laz, at + 18) == 22204) return at + 54;
    at += 54 + Get<uint16_t>(laz, at + 20);
  }
  ADD_FAILURE() << "no compression record";
  return 0;
}

class Laz : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (fs::exists(kModules / "laz-perf")) return;
    // Normally the test setup has installed it; this serves runs of the program by hand.
    if (FindProgram("npm").empty()) return;
    const std::string install = "npm install --silent --no-audit --no-fund --prefix '" + (BuildDirectory() / "npm").string() +
                                "' laz-perf@0.0.7 >/dev/null 2>&1";
    EXPECT_EQ(std::system(install.c_str()), 0) << install;
  }
  void SetUp() override {
    node_ = FindProgram("node");
    if (node_.empty() || !fs::exists(kModules / "laz-perf")) GTEST_SKIP() << "npm is not installed: laz-perf, the independent decoder, is missing";
  }

  fs::path Write(const std::string& name, const std::string& bytes) {
    fs::path path = temp_.path() / name;
    EXPECT_TRUE(WriteBytes(path, bytes.data(), bytes.size()));
    return path;
  }
  // The file decompressed by laz-perf.
  fs::path Decompressed(const fs::path& laz) {
    fs::path las = temp_.path() / (laz.stem().string() + ".las");
    ProgramResult r = RunProgram(node_, {(SourceDirectory() / "tests/tools/laz_oracle.js").string(), kModules.string(),
                                          laz.string(), las.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    return las;
  }
  ProgramResult Prepare(const fs::path& points, const std::string& project, const std::string& classes = "") {
    std::vector<std::string> args = {"--points", points.string(), "--project", (temp_.path() / project).string()};
    if (!classes.empty()) args.insert(args.end(), {"--classes", classes});
    return RunProgram("quarvelin-prepare", args);
  }
  void ExpectSameProjects(const std::string& a, const std::string& b) {
    for (const char* file : {"Point.xyz", "PtIndex.idx", "TIN.tri"}) {
      EXPECT_EQ(ReadFileBytes(temp_.path() / a / "PMAP" / file), ReadFileBytes(temp_.path() / b / "PMAP" / file))
          << a << " and " << b << " differ in " << file;
    }
  }
  void ExpectRefused(const std::string& name, const std::string& bytes, const std::string& message) {
    const fs::path path = Write(name, bytes);
    ProgramResult r = Prepare(path, name + ".site");
    EXPECT_EQ(r.status, 1) << name;
    EXPECT_NE(r.err.find(path.string() + ": " + message), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(temp_.path() / (name + ".site") / "PMAP" / "Point.xyz")) << name;
  }

  TempDirectory temp_;
  std::string node_;
};

TEST_F(Laz, EveryBundledFileGivesTheProjectOfItsDecompressedForm) {
  for (const char* name : {"simple.laz", "autzen_trim.laz", "las14_fmt6_evlr.laz", "las14_fmt8.laz"}) {
    SCOPED_TRACE(name);
    const fs::path las = Decompressed(DataFile(name));
    for (const std::string classes : {"", "2", "1,3,5,65"}) {
      ProgramResult fromLaz = Prepare(DataFile(name), "laz", classes);
      ASSERT_EQ(fromLaz.status, 0) << fromLaz.err;
      ASSERT_EQ(Prepare(las, "las", classes).status, 0);
      ExpectSameProjects("laz", "las");
    }
  }
}

TEST_F(Laz, AChunkTableNamedAtTheFileEndIsFound) {
  // Writers that cannot seek back leave -1 where the table's offset belongs
  // and append the offset to the file.
  std::string laz = ReadFileBytes(DataFile("autzen_trim.laz"));
  const uint32_t points = Get<uint32_t>(laz, 96);
  const int64_t table = Get<int64_t>(laz, points);
  Put<int64_t>(laz, points, -1);
  laz.append(reinterpret_cast<const char*>(&table), sizeof table);
  ASSERT_EQ(Prepare(Write("trailer.laz", laz), "laz").status, 0);
  ASSERT_EQ(Prepare(Decompressed(DataFile("autzen_trim.laz")), "las").status, 0);
  ExpectSameProjects("laz", "las");
}

TEST_F(Laz, DamagedFilesAreRefusedByFileAndChunk) {
  const std::string simple = ReadFileBytes(DataFile("simple.laz"));
  const std::string autzen = ReadFileBytes(DataFile("autzen_trim.laz"));
  const size_t record = CompressionRecord(simple);
  const uint32_t points = Get<uint32_t>(simple, 96);

  std::string bad = simple;
  Put<uint32_t>(bad, 107, 2000);  // one chunk of 1,065 points
  ExpectRefused("more.laz", bad, "chunk 1 of 1 (from point 1) is damaged or cut short");
  bad = simple;
  Put<uint32_t>(bad, 107, 60000);  // more than one chunk of 50,000
  ExpectRefused("many.laz", bad, "the header counts 60000 points, the chunks hold only 50000");
  bad = simple;
  Put<int64_t>(bad, points, static_cast<int64_t>(simple.size()) + 100);
  ExpectRefused("table.laz", bad, "the chunk table is said to begin at byte");
  ExpectRefused("cut.laz", autzen.substr(0, autzen.size() / 2), "the chunk table");
  bad = simple;
  Put<uint16_t>(bad, record, 7);
  ExpectRefused("compressor.laz", bad, "compressor 7 is unknown");
  bad = simple;
  Put<uint16_t>(bad, record + 34 + 4, 9);
  ExpectRefused("version.laz", bad, "compressed point format 3: the item POINT10 version 9 (20 bytes) is not supported");
  bad = simple;
  Put<double>(bad, 131, 1e200);  // x scale
  ExpectRefused("scale.laz", bad, "point 1 with the header's scale and offset");
  bad = simple;
  bad[104] = static_cast<char>(0x84);
  Put<uint16_t>(bad, 105, 57);
  ExpectRefused("wave.laz", bad, "compressed point format 4 (with waveform packets) is not supported");

  // A chunk whose layers claim more bytes than it holds.
  std::string layered = ReadFileBytes(DataFile("las14_fmt6_evlr.laz"));
  Put<uint32_t>(layered, Get<uint32_t>(layered, 96) + 8 + 30 + 4, 0x7FFFFFFF);
  ExpectRefused("layers.laz", layered, "chunk 1 of 1 (from point 1) is damaged or cut short");
}

}  // namespace
}  // namespace quarvelin::testing
