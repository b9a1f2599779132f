// quarvelin-render: the picture has the size asked for, is not blank, and
// SVG output is well-formed XML.
#include <gtest/gtest.h>

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
