#include "store/cell_order.h"

#include <algorithm>
#include <utility>

namespace quarvelin {

namespace {

// Minimum and maximum count over ranges of the entries, kept up to date as the
// partition moves entries.
class CountRangeTree {
 public:
  CountRangeTree(const CellOrderEntry* entries, int32_t n) {
    size_ = 1;
    while (size_ < n) size_ <<= 1;
    min_.assign(2 * static_cast<size_t>(size_), INT32_MAX);
    max_.assign(2 * static_cast<size_t>(size_), INT32_MIN);
    for (int32_t i = 0; i < n; ++i) min_[size_ + i] = max_[size_ + i] = entries[i].count;
    for (int32_t v = size_ - 1; v >= 1; --v) Pull(v);
  }

  void Set(int32_t i, int32_t count) {
    int32_t v = size_ + i;
    min_[v] = max_[v] = count;
    for (v >>= 1; v >= 1; v >>= 1) Pull(v);
  }

  // Rightmost index in [l, r] whose count is below `key`, or -1.
  int32_t RightmostBelow(int32_t l, int32_t r, int32_t key) const {
    return l > r ? -1 : RightmostBelow(1, 0, size_ - 1, l, r, key);
  }
  // Leftmost index in [l, r] whose count is above `key`, or -1.
  int32_t LeftmostAbove(int32_t l, int32_t r, int32_t key) const {
    return l > r ? -1 : LeftmostAbove(1, 0, size_ - 1, l, r, key);
  }

 private:
  void Pull(int32_t v) {
    min_[v] = std::min(min_[2 * v], min_[2 * v + 1]);
    max_[v] = std::max(max_[2 * v], max_[2 * v + 1]);
  }

  int32_t RightmostBelow(int32_t v, int32_t nl, int32_t nr, int32_t l, int32_t r, int32_t key) const {
    if (nr < l || nl > r || min_[v] >= key) return -1;
    if (nl == nr) return nl;
    int32_t mid = (nl + nr) / 2;
    int32_t found = RightmostBelow(2 * v + 1, mid + 1, nr, l, r, key);
    return found >= 0 ? found : RightmostBelow(2 * v, nl, mid, l, r, key);
  }

  int32_t LeftmostAbove(int32_t v, int32_t nl, int32_t nr, int32_t l, int32_t r, int32_t key) const {
    if (nr < l || nl > r || max_[v] <= key) return -1;
    if (nl == nr) return nl;
    int32_t mid = (nl + nr) / 2;
    int32_t found = LeftmostAbove(2 * v, nl, mid, l, r, key);
    return found >= 0 ? found : LeftmostAbove(2 * v + 1, mid + 1, nr, l, r, key);
  }

  int32_t size_;
  std::vector<int32_t> min_;
  std::vector<int32_t> max_;
};

// The partition of the header, with each scan replaced by one jump to where it
// stops. Positions lo (after the pivot is taken) and hi (after an entry is
// moved out of it) are holes whose stale counts the scans never look at.
int32_t Partition(CellOrderEntry* e, CountRangeTree& tree, int32_t lo, int32_t hi) {
  const CellOrderEntry pivot = e[lo];
  const int32_t key = pivot.count;
  while (lo < hi) {
    int32_t below = tree.RightmostBelow(lo + 1, hi, key);
    if (below < 0) {
      hi = lo;
      break;
    }
    hi = below;
    e[lo] = e[hi];
    tree.Set(lo, e[lo].count);
    ++lo;
    int32_t above = tree.LeftmostAbove(lo, hi - 1, key);
    if (above < 0) {
      lo = hi;
      break;
    }
    lo = above;
    e[hi] = e[lo];
    tree.Set(hi, e[hi].count);
    --hi;
  }
  e[lo] = pivot;
  tree.Set(lo, key);
  return lo;
}

}  // namespace

void SortCellOrder(CellOrderEntry* entries, int32_t count) {
  if (count < 2) return;
  CountRangeTree tree(entries, count);
  // The two parts of a partition are disjoint, so the order in which they are
  // sorted does not matter; the smaller one waits on the stack.
  std::vector<std::pair<int32_t, int32_t>> pending{{0, count - 1}};
  while (!pending.empty()) {
    auto [lo, hi] = pending.back();
    pending.pop_back();
    while (lo < hi) {
      int32_t p = Partition(entries, tree, lo, hi);
      if (p - lo < hi - p) {
        pending.emplace_back(lo, p - 1);
        lo = p + 1;
      } else {
        pending.emplace_back(p + 1, hi);
        hi = p - 1;
      }
    }
  }
}

}  // namespace quarvelin
