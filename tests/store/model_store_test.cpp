// The triangle table as the build opens it: the two starting triangles byte
// for byte, and a table too small for the build refused untouched.
#include "store/model_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/project_fixture.h"

namespace quarvelin {
namespace {

namespace fs = std::filesystem;

class TriangleTable : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testing::WriteProjectFiles(dir.path(), {{1, 1, 0}, {2, 3, 0}}));
    points.assign(6, PointRecord{});
    store.projectDirectory = dir.path().string();
    store.points = points.data();
    store.pointCount = 6;
  }
  testing::TempDirectory dir;
  std::vector<PointRecord> points;
  ModelStore store;
};

TEST_F(TriangleTable, StartingTrianglesByteForByte) {
  const Status mapped = MapTriangleTable(store);
  ASSERT_TRUE(mapped.ok()) << mapped.message;
  OpenTriangleTable(store);
  EXPECT_EQ(store.lastTriangle, 1);
  EXPECT_EQ(store.triangleCapacity, 6);
  CloseModelStore(store);
  const std::string bytes = testing::ReadFileBytes(dir.path() / "PMAP" / "TIN.tri");
  ASSERT_EQ(bytes.size(), 6 * sizeof(TriangleRecord));
  const int32_t words[2][6] = {{0, 1, 2, -1, 1, -1}, {2, 3, 0, -1, 0, -1}};
  for (int t = 0; t < 2; ++t) {
    std::string expected(reinterpret_cast<const char*>(words[t]), 24);
    expected += "aaaY";
    EXPECT_EQ(bytes.substr(t * 28, 28), expected) << "record " << t;
  }
  EXPECT_EQ(bytes.substr(56), std::string(4 * 28, '\0'));  // the rest untouched
  const int32_t incident[] = {0, 0, 0, 1, 0, 0};
  for (int p = 0; p < 6; ++p) EXPECT_EQ(points[static_cast<size_t>(p)].incidentTriangle, incident[p]) << p;
}

TEST_F(TriangleTable, TooSmallOrMissingIsRefusedUntouched) {
  const fs::path path = dir.path() / "PMAP" / "TIN.tri";
  fs::resize_file(path, 5 * sizeof(TriangleRecord) + 27);
  EXPECT_EQ(MapTriangleTable(store).message, "三角网文件太小，容纳不下所需的三角形：" + path.string());
  EXPECT_EQ(testing::ReadFileBytes(path), std::string(5 * sizeof(TriangleRecord) + 27, '\0'));
  EXPECT_EQ(store.triangles, nullptr);
  fs::remove(path);
  EXPECT_EQ(MapTriangleTable(store).message, "无法打开三角网文件：" + path.string());
}

}  // namespace
}  // namespace quarvelin
