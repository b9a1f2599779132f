#include "breaklines/edge_dictionary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace quarvelin {
namespace {

// Height of the subtree; checks on the way that every entry's balance is its
// subtrees' height difference, within -1..1, and that keys are in byte order.
int CheckedHeight(const EdgeEntry* e, int& faults) {
  if (!e) return 0;
  const int l = CheckedHeight(e->left, faults);
  const int r = CheckedHeight(e->right, faults);
  if (e->balance != l - r || l - r > 1 || l - r < -1) ++faults;
  if (e->left && std::strcmp(e->left->key, e->key) >= 0) ++faults;
  if (e->right && std::strcmp(e->right->key, e->key) <= 0) ++faults;
  return 1 + std::max(l, r);
}

TEST(EdgeDictionary, KeyIsTheSmallerIndexFirst) {
  EXPECT_STREQ(MakeEdgeKey(17, 5).text, "5,17");
  EXPECT_STREQ(MakeEdgeKey(5, 17).text, "5,17");
  EXPECT_STREQ(MakeEdgeKey(-2147483647, -2147483647 - 1).text, "-2147483648,-2147483647");
  EXPECT_STREQ(MakeEdgeKey(123456789, 98765432).text, "98765432,123456789");
  // Byte order, not numeric order.
  EXPECT_LT(std::strcmp(MakeEdgeKey(10, 2).text, MakeEdgeKey(5, 17).text), 0);
}

TEST(EdgeDictionary, LookupFindsTheEntryInEitherOrder) {
  EdgeDictionary d;
  TriangleSide beyond{42, 2};
  EdgeEntry* added = d.LookupOrAddEdge(5, 17, beyond);
  ASSERT_NE(added, nullptr);
  EXPECT_STREQ(added->key, "5,17");
  EXPECT_EQ(added->useCount, 1);
  EXPECT_EQ(added->balance, 0);
  EXPECT_EQ(beyond, (TriangleSide{42, 2}));
  TriangleSide found{-7, 0};
  EXPECT_EQ(d.LookupOrAddEdge(17, 5, found), added);
  EXPECT_EQ(found, (TriangleSide{42, 2}));
  EXPECT_EQ(added->useCount, 2);
  EXPECT_EQ(d.size(), 1u);
}

TEST(EdgeDictionary, StaysBalancedAfterEveryAddition) {
  // 1000 keys added in increasing byte order, then random ones of up to
  // 23 characters.
  std::vector<std::pair<std::string, std::pair<int32_t, int32_t>>> keys;
  for (int32_t i = 0; i < 1000; ++i) keys.push_back({MakeEdgeKey(i, 100000 + i).text, {i, 100000 + i}});
  std::sort(keys.begin(), keys.end());
  EdgeDictionary d;
  int faults = 0;
  for (const auto& [text, edge] : keys) {
    TriangleSide beyond{edge.first, 0};
    ASSERT_NE(d.LookupOrAddEdge(edge.first, edge.second, beyond), nullptr);
    CheckedHeight(d.root(), faults);
  }
  EXPECT_EQ(faults, 0);
  EXPECT_LE(CheckedHeight(d.root(), faults), 15);

  std::mt19937 rng(5);
  std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
  for (int i = 0; i < 3000; ++i) {
    TriangleSide beyond{i, i % 3};
    ASSERT_NE(d.LookupOrAddEdge(any(rng), any(rng), beyond), nullptr);
  }
  CheckedHeight(d.root(), faults);
  EXPECT_EQ(faults, 0);
  for (const auto& [text, edge] : keys) {
    TriangleSide beyond{-1, -1};
    const EdgeEntry* e = d.LookupOrAddEdge(edge.second, edge.first, beyond);
    ASSERT_STREQ(e->key, text.c_str());
    EXPECT_EQ(beyond.triangle, edge.first);
    EXPECT_EQ(e->useCount, 2);
  }
  d.ClearEdgeDictionary();
  EXPECT_EQ(d.root(), nullptr);
  EXPECT_EQ(d.size(), 0u);
  d.ClearEdgeDictionary();
}

TEST(EdgeDictionary, NoMemoryAddsNothing) {
  EdgeDictionary d;
  d.LimitEntries(1);
  TriangleSide beyond{3, 1};
  ASSERT_NE(d.LookupOrAddEdge(1, 2, beyond), nullptr);
  EXPECT_EQ(d.LookupOrAddEdge(2, 3, beyond), nullptr);
  EXPECT_EQ(d.size(), 1u);
  EXPECT_EQ(d.root()->left, nullptr);
  EXPECT_EQ(d.root()->right, nullptr);
  // A present key needs no memory.
  EXPECT_NE(d.LookupOrAddEdge(2, 1, beyond), nullptr);
}

}  // namespace
}  // namespace quarvelin
