// The cell order decides the order of insertion and so every byte of the
// network: the fast sort must give exactly what the plain quicksort gives,
// including the order of cells with equal counts.
#include "store/cell_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace quarvelin {
namespace {

// The quicksort exactly as the host's format defines it, quadratic where many
// counts are equal.
int32_t LiteralPartition(std::vector<CellOrderEntry>& e, int32_t lo, int32_t hi) {
  const CellOrderEntry pivot = e[lo];
  const int32_t key = pivot.count;
  while (lo != hi) {
    while (lo < hi && e[hi].count >= key) --hi;
    if (lo < hi) e[lo++] = e[hi];
    while (lo < hi && e[lo].count <= key) ++lo;
    if (lo < hi) e[hi--] = e[lo];
  }
  e[lo] = pivot;
  return lo;
}

void LiteralSort(std::vector<CellOrderEntry>& e, int32_t lo, int32_t hi) {
  while (lo < hi) {
    int32_t p = LiteralPartition(e, lo, hi);
    LiteralSort(e, lo, p - 1);
    lo = p + 1;
  }
}

std::vector<CellOrderEntry> Entries(const std::vector<int32_t>& counts) {
  std::vector<CellOrderEntry> e;
  for (size_t k = 0; k < counts.size(); ++k) e.push_back({static_cast<int32_t>(k * 3 + 1), counts[k]});
  return e;
}

void ExpectSameOrder(const std::vector<int32_t>& counts) {
  std::vector<CellOrderEntry> expected = Entries(counts);
  LiteralSort(expected, 0, static_cast<int32_t>(expected.size()) - 1);
  std::vector<CellOrderEntry> actual = Entries(counts);
  SortCellOrder(actual.data(), static_cast<int32_t>(actual.size()));
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t k = 0; k < actual.size(); ++k) {
    ASSERT_EQ(actual[k].cell, expected[k].cell) << "entry " << k << " of " << counts.size();
    ASSERT_EQ(actual[k].count, expected[k].count) << "entry " << k;
  }
}

TEST(CellOrder, SmallCasesByHand) {
  // Cells 0, 1, 2 holding 3, 1 and 2 points.
  std::vector<CellOrderEntry> e = {{0, 3}, {1, 1}, {2, 2}};
  SortCellOrder(e.data(), 3);
  EXPECT_EQ(e[0].cell, 1);
  EXPECT_EQ(e[1].cell, 2);
  EXPECT_EQ(e[2].cell, 0);
  // Equal counts: the first cell is the pivot and stays; the rest are not moved.
  std::vector<CellOrderEntry> equal = {{5, 1}, {6, 1}, {7, 1}};
  SortCellOrder(equal.data(), 3);
  EXPECT_EQ(equal[0].cell, 5);
  EXPECT_EQ(equal[2].cell, 7);
  SortCellOrder(nullptr, 0);
}

TEST(CellOrder, AdversarialShapesMatchTheLiteralSort) {
  std::mt19937 rng(2);
  for (int32_t n : {0, 1, 2, 3, 4, 5, 7, 8, 16, 31, 100, 257, 1000, 2048, 5000}) {
    SCOPED_TRACE(n);
    std::vector<int32_t> counts(static_cast<size_t>(n));
    auto check = [&](auto fill) {
      for (int32_t k = 0; k < n; ++k) counts[static_cast<size_t>(k)] = fill(k);
      ExpectSameOrder(counts);
    };
    check([](int32_t) { return 1; });
    check([](int32_t k) { return k + 1; });
    check([n](int32_t k) { return n - k; });
    check([n](int32_t k) { return std::min(k, n - 1 - k) + 1; });         // organ pipe
    check([n](int32_t k) { return std::abs(n / 2 - k) + 1; });             // valley
    check([](int32_t k) { return k % 2 + 1; });                            // alternating
    check([](int32_t k) { return k % 5 == 0 ? 9 : 1; });                   // a few large among many equal
    check([n](int32_t k) { return k < n / 2 ? 2 : 1; });                   // two runs
    check([n](int32_t k) { return (k * 7919) % std::max(n, 1) + 1; });     // a permutation
    check([&](int32_t) { return static_cast<int32_t>(rng() % 3) + 1; });  // few distinct
    check([&](int32_t) { return static_cast<int32_t>(rng() % 50) + 1; });
    check([&](int32_t) { return static_cast<int32_t>(rng() % 100000) + 1; });
  }
}

TEST(CellOrder, RandomArraysMatchTheLiteralSort) {
  std::mt19937 rng(9);
  for (int round = 0; round < 400; ++round) {
    const int32_t n = static_cast<int32_t>(rng() % 600);
    const int32_t range = 1 + static_cast<int32_t>(rng() % (round % 4 == 0 ? 1000 : 6));
    std::vector<int32_t> counts(static_cast<size_t>(n));
    for (int32_t& c : counts) c = 1 + static_cast<int32_t>(rng() % static_cast<uint32_t>(range));
    if (round % 3 == 0) std::sort(counts.begin(), counts.begin() + n / 2);  // partly sorted
    ExpectSameOrder(counts);
  }
}

}  // namespace
}  // namespace quarvelin
