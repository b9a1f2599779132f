// quarvelin-render: the picture has the size asked for, is not blank, its
// legend names what is drawn, and SVG output is well-formed XML that holds a
// large network's surface as an image.
#include <gtest/gtest.h>

#include <array>
#include <sstream>

#include "support/project_fixture.h"
#include "support/tool_projects.h"

namespace quarvelin::testing {
namespace {

class Render : public ::testing::Test {
 protected:
  void SetUp() override {
    grid_.breaklines = {{grid_.Point(0, 1), grid_.Point(2, 3)}};
    WriteGridProject(project(), grid_);
  }
  std::filesystem::path project() const { return temp_.path() / "site"; }
  std::filesystem::path file(const std::string& name) const { return temp_.path() / name; }
  ProgramResult Draw(const std::string& name, const std::vector<std::string>& extra) {
    std::vector<std::string> args = {project().string(), "--to", file(name).string()};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunProgram("quarvelin-render", args);
  }

  TempDirectory temp_;
  GridProject grid_;
};

TEST_F(Render, PngHasTheAskedWidthTheSurveysShapeAndAPicture) {
  ProgramResult r = Draw("site.png", {"--width", "800", "--removed", "--contour-interval", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  ProgramResult png = ReadBack("png", file("site.png"));
  ASSERT_EQ(png.status, 0) << png.err;
  std::istringstream in(png.out);
  std::string word;
  int width = 0, height = 0, distinct = 0;
  in >> word >> width >> height >> word >> distinct;
  EXPECT_EQ(width, 800);
  // A square survey: a square map of 800 less the margins and the legend,
  // with the title and the scale bar above and below it.
  EXPECT_EQ(height, 578 + 2 * 24 + 32 + 36);
  EXPECT_GT(distinct, 64) << "the picture looks blank";
}

using Rgb = std::array<int, 3>;

// The pixels right of column `x0` within 1 of `rgb` in each channel, read
// through ImageMagick's PPM.
int Pixels(const std::filesystem::path& png, int x0, Rgb rgb) {
  ProgramResult r = RunInstalled("convert", {png.string(), "ppm:-"});
  std::istringstream in(r.out);
  std::string magic;
  int width = 0, height = 0, most = 0, count = 0;
  in >> magic >> width >> height >> most;
  const auto* pixels = reinterpret_cast<const unsigned char*>(r.out.data()) + static_cast<size_t>(in.tellg()) + 1;
  for (int at = 0; at < width * height; ++at, pixels += 3) {
    count += at % width >= x0 && std::abs(pixels[0] - rgb[0]) <= 1 && std::abs(pixels[1] - rgb[1]) <= 1 &&
             std::abs(pixels[2] - rgb[2]) <= 1;
  }
  return count;
}

TEST_F(Render, LegendShowsEveryKindOfLineDrawn) {
  ASSERT_EQ(Draw("all.png", {"--width", "800", "--removed", "--contour-interval", "1"}).status, 0);
  ASSERT_EQ(Draw("plain.png", {"--width", "800"}).status, 0);
  // The legend column: right of the map, which ends 24 + 578 pixels in.
  constexpr int kLegend = 2 * 24 + 578;
  const Rgb breakline{12, 51, 191}, boundary{191, 12, 12}, removed{220, 220, 220}, contour{112, 91, 71};
  for (const Rgb& colour : {breakline, boundary, contour}) EXPECT_GE(Pixels(file("all.png"), kLegend, colour), 60);
  EXPECT_GE(Pixels(file("all.png"), kLegend, removed), 100);
  EXPECT_GE(Pixels(file("plain.png"), kLegend, breakline), 60);
  EXPECT_EQ(Pixels(file("plain.png"), kLegend, contour), 0);
  EXPECT_LT(Pixels(file("plain.png"), kLegend, removed), 20);
}

TEST_F(Render, SvgOfALargeNetworkHoldsItsSurfaceAsAnImage) {
  GridProject large;
  large.cells = 110;  // 24,200 triangles
  WriteGridProject(temp_.path() / "large", large);
  ProgramResult r = RunProgram("quarvelin-render", {(temp_.path() / "large").string(), "--to", file("large.svg").string(),
                                                    "--quiet", "--title", "Large grid"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string svg = ReadFileBytes(file("large.svg"));
  EXPECT_NE(svg.find("<image"), std::string::npos);
  EXPECT_LT(svg.size(), 1000000u);
  ASSERT_EQ(Draw("small.svg", {}).status, 0);
  EXPECT_EQ(ReadFileBytes(file("small.svg")).find("<image"), std::string::npos);
}

TEST_F(Render, SvgIsWellFormed) {
  ASSERT_EQ(Draw("site.svg", {}).status, 0);
  ProgramResult lint = RunInstalled("xmllint", {"--noout", file("site.svg").string()});
  EXPECT_EQ(lint.status, 0) << lint.err;
  EXPECT_NE(ReadFileBytes(file("site.svg")).find("<svg"), std::string::npos);
}

TEST_F(Render, BadOptionsAndUnwritablePicturesFailWithTheirStatus) {
  EXPECT_EQ(Draw("a.png", {"--width", "10"}).status, 2);
  EXPECT_EQ(Draw("a.png", {"--width", "800.5"}).status, 2);
  EXPECT_EQ(Draw("a.png", {"--removed=yes"}).status, 2);
  EXPECT_EQ(Draw("a.png", {"--crs", "EPSG:999999"}).status, 2);
  EXPECT_EQ(RunProgram("quarvelin-render", {project().string()}).status, 2);
  ProgramResult jpeg = Draw("a.jpg", {});
  EXPECT_EQ(jpeg.status, 2);
  EXPECT_NE(jpeg.err.find("a.jpg: unknown extension"), std::string::npos) << jpeg.err;
  EXPECT_FALSE(std::filesystem::exists(file("a.jpg")));
  EXPECT_EQ(Draw("a.PNG", {}).status, 0);
  ProgramResult r = Draw("no/such/folder/a.png", {});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("a.png: cannot write the picture"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace quarvelin::testing
