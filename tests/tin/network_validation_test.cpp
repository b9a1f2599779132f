// ValidateNetwork on the network of one point in the frame (0,0) (10,0)
// (10,10) (0,10), broken one way at a time: each break is found, by its
// check, at the triangle broken, and mended it is found no more.
#include "tin/network_validation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "support/test_network.h"

namespace quarvelin {
namespace {

bool Finds(const ModelStore& store, NetworkCheck check, int32_t triangle) {
  const std::vector<NetworkFault> faults = ValidateNetwork(store);
  return std::any_of(faults.begin(), faults.end(),
                     [&](const NetworkFault& f) { return f.check == check && f.triangle == triangle; });
}

TEST(ValidateNetwork, FindsEachBreakAtItsTriangle) {
  testing::TestNetwork net({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{6, 3}});
  net.InsertAll();
  // Records: 0 = (1, 2, 4), 1 = (0, 1, 4), 2 = (3, 0, 4), 3 = (2, 3, 4);
  // side 0 of 0 and side 1 of 3 are the edge 2-4.
  ModelStore& s = net.store();
  EXPECT_TRUE(ValidateNetwork(s).empty());

  std::swap(net.triangles[1].vertex[0], net.triangles[1].vertex[1]);
  EXPECT_TRUE(Finds(s, NetworkCheck::kClockwise, 1));
  EXPECT_TRUE(Finds(s, NetworkCheck::kLinkWrongEdge, 1));
  std::swap(net.triangles[1].vertex[0], net.triangles[1].vertex[1]);

  net.triangles[0].neighbour[0] = 2;
  EXPECT_TRUE(Finds(s, NetworkCheck::kLinkNotReturned, 0));
  net.triangles[0].neighbour[0] = 3;

  net.triangles[0].edgeMark[0] = kFixedEdge;
  EXPECT_TRUE(Finds(s, NetworkCheck::kMarkUnpaired, 3));
  net.triangles[3].edgeMark[1] = kFixedEdge;
  EXPECT_TRUE(ValidateNetwork(s).empty());

  s.lastTriangle = 2;
  EXPECT_TRUE(Finds(s, NetworkCheck::kLastTriangle, 2));
  s.lastTriangle = 3;

  net.points[2].incidentTriangle = 1;
  ASSERT_EQ(ValidateNetwork(s).size(), 1u);
  EXPECT_EQ(DescribeFault(ValidateNetwork(s).front()), "point 2: incidentTriangle does not have it as a corner");
}

}  // namespace
}  // namespace quarvelin
