// The map from an undirected edge (two point indices, either order) to the
// triangle outside a breakline cavity across that edge. It lives for one
// enforcement: the cavity walk fills it, the re-triangulation finds the outer
// triangles again through it, and the enforcement clears it on every way out.
//
// The tree is an AVL tree over the edges' key texts in byte order: after
// every addition the two subtrees of every entry differ in height by at most
// one, so a lookup costs one descent of about log2(entries) steps. Entries
// come from blocks that the dictionary keeps when it is cleared, so that the
// many small cavities of a build do not each go to the heap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "store/triangle_moves.h"

namespace quarvelin {

// "5,17": the smaller index, a comma, the larger, in decimal. Two 11-character
// numbers and the comma fit in 23 characters; the field keeps a zero byte.
struct EdgeKey {
  char text[32];
};
EdgeKey MakeEdgeKey(int32_t u, int32_t w);

struct EdgeEntry {
  EdgeEntry* left;
  char key[32];
  TriangleSide beyond;    // the edge as a side of the triangle beyond it, {-1, 0} for none
  int32_t balance;        // height of left minus height of right: -1, 0 or +1
  int32_t useCount;       // 1 when added, +1 for every later lookup
  EdgeEntry* right;
};

class EdgeDictionary {
 public:
  EdgeDictionary() = default;
  EdgeDictionary(const EdgeDictionary&) = delete;
  EdgeDictionary& operator=(const EdgeDictionary&) = delete;

  // The entry of the edge u-w. Present: `beyond` receives its side beyond
  // and its useCount grows by one. Absent: a new entry takes `beyond`, with
  // useCount 1. nullptr when no memory can be had for a new entry; the
  // dictionary is then unchanged, and the caller tells the user.
  EdgeEntry* LookupOrAddEdge(int32_t u, int32_t w, TriangleSide& beyond);
  // Empties the dictionary; its blocks stay for the next enforcement.
  void ClearEdgeDictionary();

  const EdgeEntry* root() const { return root_; }
  size_t size() const { return size_; }
  // Additions beyond this many entries fail as if memory had run out, so that
  // the way the enforcement copes with that can be exercised.
  void LimitEntries(size_t limit) { entryLimit_ = limit; }

 private:
  EdgeEntry* NewEntry(const EdgeKey& key, TriangleSide beyond);
  bool AddBlock();

  static constexpr size_t kBlockEntries = 1024;

  EdgeEntry* root_ = nullptr;
  size_t size_ = 0;
  // Entries 0..size_-1 of the blocks, in order, are in use.
  std::vector<std::unique_ptr<EdgeEntry[]>> blocks_;
  size_t entryLimit_ = std::numeric_limits<size_t>::max();
};

}  // namespace quarvelin
