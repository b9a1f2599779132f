// The sort of the occupied cells by count. The order of cells with equal
// counts decides the order of insertion and so every byte of the network, so
// the result must be exactly that of the quicksort below:
//
//   Sort(lo, hi): while lo < hi: p = Partition(lo, hi); sort lo..p-1; lo = p+1.
//   Partition(lo, hi): pivot = entry lo, key = its count; until lo == hi:
//     while lo < hi and count[hi] >= key: hi--;  if lo < hi: e[lo++] = e[hi];
//     while lo < hi and count[lo] <= key: lo++;  if lo < hi: e[hi--] = e[lo];
//   then e[lo] = pivot, return lo.
//
// Taken literally this is quadratic whenever many cells share a count, which
// is the normal case. The scans of the partition only ever stop at an entry
// strictly below or strictly above the key, so here they jump there at once
// through a tree of range minima and maxima; the entries moved, and so the
// result, are the same.
#pragma once

#include <cstdint>
#include <vector>

#include "store/records.h"

namespace quarvelin {

void SortCellOrder(CellOrderEntry* entries, int32_t count);

}  // namespace quarvelin
