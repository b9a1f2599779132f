// TIN.sjw: its number formatting against the C library's "%lf", the file of
// a network, and a file that cannot be created.
#include "build_run/sjw_export.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <limits>
#include <random>

#include "boundary/boundary_trimming.h"
#include "support/project_fixture.h"
#include "support/test_network.h"

namespace quarvelin {
namespace {

using testing::ReadFileBytes;
using testing::TempDirectory;

std::string Printf(double value) {
  char text[400];
  std::snprintf(text, sizeof text, "%lf", value);
  return text;
}

std::string Ours(double value) {
  std::string text;
  AppendSixDecimals(text, value);
  return text;
}

TEST(AppendSixDecimals, DocumentedExamples) {
  EXPECT_EQ(Ours(1.5), "1.500000");
  EXPECT_EQ(Ours(-2), "-2.000000");
  EXPECT_EQ(Ours(512345.678), "512345.678000");
}

TEST(AppendSixDecimals, SameAsPrintfAtTheEdges) {
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<double> values = {0.0, -0.0, 4.0, std::nextafter(4.0, 0.0), 3.9999995, 4.0000005, 9.9999995,
                                999999.9999995, std::ldexp(1.0, 46), std::ldexp(1.0, 46) - 0.5,
                                std::ldexp(1.0, 46) - 1.0 / 128,
                                std::ldexp(1.0, 52), std::ldexp(1.0, 52) - 0.5, std::ldexp(1.0, 53),
                                1e300, -1e300, 5e-324, -1e-7, 1e-7, inf, -inf, std::nan("")};
  // Exact ties of the sixth decimal, which round to even.
  for (int k = 1; k < 2000; k += 2) {
    values.push_back(k / 128.0);
    values.push_back(-k / 128.0);
    values.push_back(4096 + k / 128.0);
    values.push_back(k / 64.0 / 1000.0 + 100);
  }
  for (double v : values) EXPECT_EQ(Ours(v), Printf(v)) << std::bit_cast<uint64_t>(v);
}

TEST(AppendSixDecimals, SameAsPrintfOnRandomValues) {
  std::mt19937_64 rng(17);
  std::uniform_real_distribution<double> coordinate(-4e6, 4e6), height(-500, 9000);
  std::uniform_int_distribution<int> exponent(-30, 60);
  int mismatches = 0;
  for (int i = 0; i < 50000; ++i) {
    const double fromBits = std::bit_cast<double>(rng());
    const double scaled = std::ldexp(1.0 + (rng() >> 12) * 0x1p-52, exponent(rng));
    for (double v : {fromBits, coordinate(rng), height(rng), scaled, -scaled}) {
      if (Ours(v) != Printf(v) && ++mismatches < 10) ADD_FAILURE() << std::bit_cast<uint64_t>(v) << " " << Printf(v);
    }
  }
  EXPECT_EQ(mismatches, 0);
}

class SjwExportTest : public ::testing::Test {
 protected:
  SjwExportTest() {
    std::mt19937_64 rng(4);
    std::uniform_real_distribution<double> u(0, 900);
    std::vector<testing::XY> survey;
    for (int i = 0; i < 300; ++i) survey.push_back({430000.125 + u(rng), 3300000 - u(rng) * u(rng) / 900});
    net_ = std::make_unique<testing::TestNetwork>(survey);
    for (size_t p = 0; p < net_->points.size(); ++p) net_->points[p].z = -3.25 + static_cast<double>(p % 97) * 1.37;
    net_->InsertAll();
    std::filesystem::create_directories(dir_.path() / "PMAP");
    net_->store().projectDirectory = dir_.path().string();
  }
  std::filesystem::path Sjw() const { return dir_.path() / "PMAP" / "TIN.sjw"; }

  TempDirectory dir_;
  std::unique_ptr<testing::TestNetwork> net_;
};

TEST_F(SjwExportTest, NineLinesPerRecordWhateverItsStateThenNil) {
  const ModelStore& store = net_->store();
  ASSERT_TRUE(TrimBoundary(net_->store(), 100).ok());
  const Status exported = SjwExport(store);
  ASSERT_TRUE(exported.ok());
  EXPECT_EQ(exported.message, "");
  std::string expected;
  char line[64];
  for (int32_t t = 0; t <= store.lastTriangle; ++t) {
    for (int32_t v : store.triangles[t].vertex) {
      for (double c : {store.points[v].x, store.points[v].y, store.points[v].z}) {
        std::snprintf(line, sizeof line, "%lf\r\n", c);
        expected += line;
      }
    }
  }
  expected += "nil";
  const std::string bytes = ReadFileBytes(Sjw());
  EXPECT_EQ(bytes.size(), expected.size());
  EXPECT_TRUE(bytes == expected);
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 9 * (store.lastTriangle + 1));
}

TEST_F(SjwExportTest, ReplacesAnEarlierFile) {
  const std::string earlier(3 << 20, 'x');
  ASSERT_TRUE(testing::WriteBytes(Sjw(), earlier.data(), earlier.size()));
  ASSERT_TRUE(SjwExport(net_->store()).ok());
  const std::string bytes = ReadFileBytes(Sjw());
  EXPECT_EQ(bytes.substr(bytes.size() - 5), "\r\nnil");
  EXPECT_EQ(bytes.find('x'), std::string::npos);
}

TEST_F(SjwExportTest, UncreatableFileGivesItsMessage) {
  std::filesystem::create_directory(Sjw());
  const Status exported = SjwExport(net_->store());
  EXPECT_FALSE(exported.ok());
  EXPECT_EQ(exported.message, "无法打开TIN.sjw文件！");
}

TEST(SjwExportBuild, UncreatableFileEndsTheBuild) {
  TempDirectory dir;
  ASSERT_TRUE(testing::WriteProjectFiles(dir.path(), {{0, 0, 1}, {300, 0, 2}, {150, 200, 3}}));
  std::filesystem::create_directory(dir.path() / "PMAP" / "TIN.sjw");
  const testing::ProgramResult result =
      testing::RunProgram("quarvelin-cli", {"--project", dir.path().string(), "--quiet", "--sjw"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("无法打开TIN.sjw文件！"), std::string::npos) << result.err;
  EXPECT_TRUE(std::filesystem::is_regular_file(dir.path() / "PMAP" / "Edge.inf"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "PMAP" / "Grid.idx"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "PMAP" / "TIN.inf"));
}

}  // namespace
}  // namespace quarvelin
