// The vertex look-up against the walk of the cell's list: the same point for
// positions near points, on the edges of the keys, across the edges of grid
// cells, and for points repeated or closer together than the tolerance.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "breaklines/segment_insertion.h"
#include "support/project_fixture.h"
#include "support/test_network.h"

namespace quarvelin {
namespace {

TEST(VertexLookup, AnswersAsTheCellListDoes) {
  std::mt19937_64 rng(13);
  std::uniform_real_distribution<double> u(0, 1);
  std::vector<testing::XY> survey;
  for (int i = 0; i < 30000; ++i) {
    // Millimetre coordinates over 400 m: cells of 100 m, keys of 2^-11.
    testing::XY p{21500000 + std::round(400000 * u(rng)) / 1000, 4400000 + std::round(400000 * u(rng)) / 1000};
    if (i % 50 == 0) p.x = 21500100 + (u(rng) - 0.5) * 2e-4;  // about a cell's edge
    if (i % 70 == 0) p.y = 4400000 + std::round(u(rng) * 400) / 2048;  // on a key's edge
    survey.push_back(p);
    if (i % 40 == 0) survey.push_back({p.x + 0.00004, p.y - 0.00003});  // within the tolerance
    if (i % 90 == 0) survey.push_back(p);                               // repeated
  }
  testing::TestNetwork net(survey);
  SegmentInserter inserter(net.store(), net.work());
  int found = 0;
  for (size_t i = 0; i < survey.size(); i += 4) {
    for (double d : {0.0, 0.00009999, -0.0001, 0.00015, -1.0 / 4096}) {
      const PlanePosition at{survey[i].x + d, survey[i].y - d * u(rng)};
      const int32_t listed = inserter.FindVertexInList(at);
      ASSERT_EQ(inserter.FindVertexAt(at), listed) << i << " " << d;
      found += listed >= 0;
    }
  }
  EXPECT_GT(found, 15000);
}

}  // namespace
}  // namespace quarvelin
