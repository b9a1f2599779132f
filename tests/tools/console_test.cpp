// What every program says about itself and about its progress: --version
// with the source revision; on a pipe, status lines and a line at every
// tenth of long work; nothing but the result's line with --quiet.
#include <gtest/gtest.h>

#include "support/project_fixture.h"
#include "support/tool_projects.h"

namespace quarvelin::testing {
namespace {

TEST(Console, EveryProgramNamesItsVersionAndRevisionAndShowsItsHelp) {
  for (const char* program : {"quarvelin-cli", "quarvelin-prepare", "quarvelin-export", "quarvelin-render", "quarvelin-volume"}) {
    ProgramResult r = RunProgram(program, {"--version"});
    EXPECT_EQ(r.status, 0) << program;
    const std::string start = std::string(program) + " (Quarvelin) 1.0, revision ";
    EXPECT_EQ(r.out.substr(0, start.size()), start) << r.out;
    EXPECT_GT(r.out.size(), start.size() + 1) << r.out;  // "unknown" outside a repository
    ProgramResult help = RunProgram(program, {"-h"});
    EXPECT_EQ(help.status, 0) << program;
    EXPECT_EQ(help.out.rfind("Usage: " + std::string(program), 0), 0u) << help.out;
    EXPECT_NE(help.out.find("\n  --quiet, -q "), std::string::npos) << help.out;
  }
}

TEST(Console, ProgressOnAPipeAndNoneWhenQuiet) {
  TempDirectory dir;
  const std::string points = (SourceDirectory() / "data" / "m3_terrain" / "points.xyz").string();
  const std::string project = (dir.path() / "road").string();
  ProgramResult prepare = RunProgram("quarvelin-prepare", {"--points", points, "--project", project});
  ASSERT_EQ(prepare.status, 0) << prepare.err;
  EXPECT_NE(prepare.err.find("reading " + points + "\n"), std::string::npos) << prepare.err;
  EXPECT_NE(prepare.err.find("\n100%\nwriting "), std::string::npos) << prepare.err;
  EXPECT_EQ(prepare.err.find('\r'), std::string::npos) << "a pipe gets whole lines";
  ASSERT_EQ(RunProgram("quarvelin-cli", {"--project", project, "--quiet"}).status, 0);

  const std::string png = (dir.path() / "road.png").string(), dxf = (dir.path() / "road.dxf").string();
  ProgramResult render = RunProgram("quarvelin-render", {project, "--to", png});
  EXPECT_NE(render.err.find("triangles\n10%\n"), std::string::npos) << render.err;
  EXPECT_NE(render.err.find("\n100%\n"), std::string::npos) << render.err;
  ProgramResult exported = RunProgram("quarvelin-export", {project, "--to", dxf});
  EXPECT_NE(exported.err.find("writing " + dxf + "\n"), std::string::npos) << exported.err;
  for (const std::vector<std::string>& run : std::vector<std::vector<std::string>>{
           {"quarvelin-prepare", "--points", points, "--project", project + "-again", "--quiet"},
           {"quarvelin-render", project, "--to", png, "--quiet"},
           {"quarvelin-export", project, "--to", dxf, "--quiet"}}) {
    ProgramResult quiet = RunProgram(run[0], std::vector<std::string>(run.begin() + 1, run.end()));
    EXPECT_EQ(quiet.status, 0) << run[0];
    EXPECT_EQ(quiet.err, "") << run[0];
  }
}

}  // namespace
}  // namespace quarvelin::testing
