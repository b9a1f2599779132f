// quarvelin-volume on surveys built by quarvelin-prepare and quarvelin-cli:
// figures that follow from formulas, from symmetry and from a brute-force
// integration over the networks' own triangles, and the bad inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <sstream>

#include "store/records.h"
#include "support/project_fixture.h"
#include "support/tool_projects.h"

namespace quarvelin::testing {
namespace {

constexpr double kX0 = 21530000, kY0 = 6782000, kSide = 100;
using Height = std::function<double(double, double)>;

double Rolling(double x, double y) { return 10 + 0.05 * x + 2 * std::sin(x / 15) * std::cos(y / 20); }

class Volume : public ::testing::Test {
 protected:
  // A built survey of the square kSide x kSide at survey coordinates: points
  // every 2 m round its edge and `count` random points inside, heights from
  // `height` (x, y from the square's corner). The close edge points keep the
  // square's sides in the network, so every survey's kept triangles cover
  // the whole square.
  std::string Survey(const std::string& name, unsigned seed, const Height& height, int count = 150) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.5, kSide - 0.5);
    std::string text;
    auto add = [&](double x, double y) { text += ExactText(kX0 + x) + " " + ExactText(kY0 + y) + " " + ExactText(height(x, y)) + "\n"; };
    for (double s = 0; s < kSide; s += 2) {
      add(s, 0), add(kSide, s), add(kSide - s, kSide), add(0, kSide - s);
    }
    for (int i = 0; i < count; ++i) add(u(rng), u(rng));
    const std::filesystem::path points = temp_.path() / (name + ".xyz"), project = temp_.path() / name;
    EXPECT_TRUE(WriteBytes(points, text.data(), text.size()));
    EXPECT_EQ(RunProgram("quarvelin-prepare", {"--points", points.string(), "--project", project.string(), "-q"}).status, 0);
    EXPECT_EQ(RunProgram("quarvelin-cli", {"--project", project.string(), "--max-edge", "100", "--quiet"}).status, 0);
    return project.string();
  }

  std::map<std::string, double> Figures(const std::string& base, std::vector<std::string> options) {
    options.insert(options.begin(), base);
    options.push_back("--json");
    ProgramResult r = RunProgram("quarvelin-volume", options);
    EXPECT_EQ(r.status, 0) << r.err;
    std::map<std::string, double> figures;
    for (const char* key : {"cut", "fill", "cut_area", "fill_area", "area", "net"}) {
      const std::string quoted = std::string("\"") + key + "\": ";
      const size_t at = r.out.find(quoted);
      EXPECT_NE(at, std::string::npos) << key << " missing in " << r.out;
      if (at != std::string::npos) figures[key] = std::strtod(r.out.c_str() + at + quoted.size(), nullptr);
    }
    return figures;
  }

  TempDirectory temp_;
};

void ExpectFigures(const std::map<std::string, double>& got, const std::map<std::string, double>& want) {
  for (const auto& [key, value] : want) EXPECT_NEAR(got.at(key), value, 1e-6 * (std::fabs(value) + 10000)) << key;
}

TEST_F(Volume, PlanesAgainstALevelAndAnotherPlaneGiveTheFormulas) {
  const std::string a = Survey("a", 1, [](double x, double) { return 10 + 0.03 * x; });
  // Zero line x = 50: two wedges of 0.03 * 50 * 50 / 2 * 100 each.
  ExpectFigures(Figures(a, {"--level", "11.5"}),
                {{"cut", 3750}, {"fill", 3750}, {"cut_area", 5000}, {"fill_area", 5000}, {"area", 10000}, {"net", 0}});
  // Difference 1 + 0.02 (x - y): fill on the corner triangle y > x + 50, of
  // area 1250, where it is 0.02 s deep at distance s (in y - x) past the line.
  const std::string b = Survey("b", 2, [](double x, double y) { return 9 + 0.01 * x + 0.02 * y; });
  const double fill = 0.02 * (50 * 1250 - 125000.0 / 3);
  ExpectFigures(Figures(a, {"--surface", b}), {{"cut", 10000 + fill},
                                               {"fill", fill},
                                               {"cut_area", 8750},
                                               {"fill_area", 1250},
                                               {"area", 10000},
                                               {"net", -10000}});
  // Another survey of the same plane: nothing to move.
  const std::string c = Survey("c", 3, [](double x, double) { return 10 + 0.03 * x; }, 400);
  ExpectFigures(Figures(a, {"--surface", c}), {{"cut", 0}, {"fill", 0}, {"area", 10000}});
}

TEST_F(Volume, RaisedSurfaceSwappedSurfacesAndChainsAgree) {
  const std::string a = Survey("a", 4, Rolling);
  const std::string raised = Survey("raised", 4, [](double x, double y) { return Rolling(x, y) + 0.5; });
  ExpectFigures(Figures(a, {"--surface", raised}),
                {{"cut", 0}, {"fill", 5000}, {"cut_area", 0}, {"fill_area", 10000}, {"area", 10000}});

  const std::string b = Survey("b", 5, Rolling, 90);
  const std::string c = Survey("c", 6, [](double x, double y) { return Rolling(x, y) + 0.3 * std::sin(y / 9); });
  auto ab = Figures(a, {"--surface", b}), ba = Figures(b, {"--surface", a});
  EXPECT_GT(ab["cut"], 1);
  EXPECT_GT(ab["fill"], 1);
  ExpectFigures(ba, {{"cut", ab["fill"]}, {"fill", ab["cut"]}, {"cut_area", ab["fill_area"]}, {"fill_area", ab["cut_area"]}});
  auto bc = Figures(b, {"--surface", c}), ac = Figures(a, {"--surface", c});
  ExpectFigures(ac, {{"net", ab["net"] + bc["net"]}});
}

// The built network's kept triangles as the test reads them from the files.
struct Facet {
  double x[3], y[3], z[3];
};
std::vector<Facet> KeptFacets(const std::filesystem::path& project) {
  const std::string points = ReadFileBytes(project / "PMAP/Point.xyz"), tin = ReadFileBytes(project / "PMAP/TIN.tri");
  std::vector<PointRecord> p(points.size() / sizeof(PointRecord));
  std::memcpy(p.data(), points.data(), p.size() * sizeof(PointRecord));
  std::vector<Facet> facets;
  for (size_t at = 0; at + sizeof(TriangleRecord) <= tin.size(); at += sizeof(TriangleRecord)) {
    TriangleRecord t;
    std::memcpy(&t, tin.data() + at, sizeof t);
    if (t.state == kRemovedTriangle || (t.vertex[0] == 0 && t.vertex[1] == 0)) continue;
    Facet f;
    for (int i = 0; i < 3; ++i) {
      const PointRecord& v = p[static_cast<size_t>(t.vertex[i])];
      f.x[i] = v.x - kX0, f.y[i] = v.y - kY0, f.z[i] = v.z;
    }
    facets.push_back(f);
  }
  return facets;
}

// Height of the network at (x, y) by trying every triangle; NaN outside.
double HeightAt(const std::vector<Facet>& facets, double x, double y) {
  for (const Facet& f : facets) {
    const double d = (f.x[1] - f.x[0]) * (f.y[2] - f.y[0]) - (f.y[1] - f.y[0]) * (f.x[2] - f.x[0]);
    const double b1 = ((x - f.x[0]) * (f.y[2] - f.y[0]) - (y - f.y[0]) * (f.x[2] - f.x[0])) / d;
    const double b2 = ((f.x[1] - f.x[0]) * (y - f.y[0]) - (f.y[1] - f.y[0]) * (x - f.x[0])) / d;
    if (b1 >= 0 && b2 >= 0 && b1 + b2 <= 1) return f.z[0] + b1 * (f.z[1] - f.z[0]) + b2 * (f.z[2] - f.z[0]);
  }
  return NAN;
}

TEST_F(Volume, OverlayAgreesWithAFineIntegrationWithinABoundaryWithAHole) {
  const std::string a = Survey("a", 7, Rolling, 40);
  const std::string b = Survey("b", 8, [](double x, double y) { return Rolling(x, y) + 0.04 * (y - 50); }, 40);
  // A square ring from (10, 10) to (90, 90) with a square hole (40..60) and
  // an island (45..55) inside the hole.
  std::string rings;
  for (double lo : {10.0, 40.0, 45.0}) {
    const double hi = kSide - lo;
    rings += "5\n";
    for (auto [x, y] : {std::pair{lo, lo}, {hi, lo}, {hi, hi}, {lo, hi}, {lo, lo}})
      rings += ExactText(kX0 + x) + " " + ExactText(kY0 + y) + " 0\n";
  }
  const std::filesystem::path ringFile = temp_.path() / "rings.txt";
  ASSERT_TRUE(WriteBytes(ringFile, rings.data(), rings.size()));
  auto inRegion = [](double x, double y) {
    auto inside = [&](double lo) { return x > lo && x < kSide - lo && y > lo && y < kSide - lo; };
    return (inside(10) != inside(40)) != inside(45);
  };
  const std::vector<Facet> fa = KeptFacets(a), fb = KeptFacets(b);
  double cut = 0, fill = 0, area = 0;
  constexpr int kSteps = 500;
  const double h = kSide / kSteps;
  for (int i = 0; i < kSteps; ++i) {
    for (int j = 0; j < kSteps; ++j) {
      const double x = (i + 0.5) * h, y = (j + 0.5) * h;
      if (!inRegion(x, y)) continue;
      const double d = HeightAt(fa, x, y) - HeightAt(fb, x, y);
      area += h * h;
      (d > 0 ? cut : fill) += std::fabs(d) * h * h;
    }
  }
  auto got = Figures(a, {"--surface", b, "--boundary", ringFile.string()});
  EXPECT_NEAR(got["area"], 80 * 80 - 20 * 20 + 10 * 10, 1e-6);
  EXPECT_NEAR(got["area"], area, 1e-6);
  EXPECT_NEAR(got["cut"], cut, 2e-3 * (cut + fill));
  EXPECT_NEAR(got["fill"], fill, 2e-3 * (cut + fill));
}

TEST_F(Volume, BadInputIsReportedWithItsStatus) {
  const std::string a = Survey("a", 9, Rolling, 20);
  auto run = [&](std::vector<std::string> args) { return RunProgram("quarvelin-volume", args); };
  EXPECT_EQ(run({a, "--level", "ten"}).status, 2);
  EXPECT_EQ(run({a}).status, 2);
  EXPECT_EQ(run({a, "--level", "1", "--surface", a}).status, 2);
  // A survey beside the first: the answer is no region, and it says so.
  std::filesystem::path apart = temp_.path() / "apart.xyz";
  const std::string text = ExactText(kX0 + 500) + " " + ExactText(kY0) + " 1\n" + ExactText(kX0 + 600) + " " + ExactText(kY0) +
                           " 1\n" + ExactText(kX0 + 550) + " " + ExactText(kY0 + 50) + " 1\n";
  ASSERT_TRUE(WriteBytes(apart, text.data(), text.size()));
  const std::string b = (temp_.path() / "b").string();
  ASSERT_EQ(RunProgram("quarvelin-prepare", {"--points", apart.string(), "--project", b, "-q"}).status, 0);
  ProgramResult unbuilt = run({b, "--level", "1"});
  EXPECT_EQ(unbuilt.status, 1);
  EXPECT_NE(unbuilt.err.find("not been built"), std::string::npos) << unbuilt.err;
  ASSERT_EQ(RunProgram("quarvelin-cli", {"--project", b, "--quiet"}).status, 0);
  ProgramResult disjoint = run({a, "--surface", b});
  EXPECT_EQ(disjoint.status, 1);
  EXPECT_NE(disjoint.err.find("do not overlap"), std::string::npos) << disjoint.err;
  EXPECT_NE(disjoint.out.find("area                  0.000 m2"), std::string::npos) << disjoint.out;

  const std::filesystem::path rings = temp_.path() / "rings.txt";
  for (const char* bad : {"4\n0 0 0\n1 0 0\n", "2\n0 0 0\n1 1 0\n", "",
                                 // Two rings that cross.
                                 "3\n0 0 0\n10 0 0\n0 10 0\n3\n5 -1 0\n9 5 0\n-1 5 0\n"}) {
    ASSERT_TRUE(WriteBytes(rings, bad, std::strlen(bad)));
    ProgramResult r = run({a, "--level", "1", "--boundary", rings.string()});
    EXPECT_EQ(r.status, 1) << bad;
    EXPECT_NE(r.err.find("rings.txt"), std::string::npos) << r.err;
  }
}

TEST_F(Volume, RenderDrawsTheCutFillMap) {
  const std::string a = Survey("a", 10, Rolling, 60);
  const std::string map = (temp_.path() / "map.png").string();
  ProgramResult r = RunProgram("quarvelin-render", {a, "--level", "13", "--to", map, "--width", "800"});
  ASSERT_EQ(r.status, 0) << r.err;
  ProgramResult png = ReadBack("png", map);
  std::istringstream in(png.out);
  std::string word;
  int width = 0, height = 0, distinct = 0;
  in >> word >> width >> height >> word >> distinct;
  EXPECT_EQ(width, 800);
  EXPECT_GT(distinct, 64) << "the map looks blank";
  EXPECT_EQ(RunProgram("quarvelin-render", {a, "--level", "x", "--to", map}).status, 2);
  EXPECT_EQ(RunProgram("quarvelin-render", {a, "--level", "1", "--compare", a, "--to", map}).status, 2);
}

}  // namespace
}  // namespace quarvelin::testing
