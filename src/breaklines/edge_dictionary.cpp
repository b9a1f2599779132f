#include "breaklines/edge_dictionary.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <new>

namespace quarvelin {

namespace {

// strcmp compares as unsigned characters, the shorter text first where it is
// a prefix of the longer: the order the keys are kept in.
int CompareKeys(const char* a, const char* b) { return std::strcmp(a, b); }

EdgeEntry*& Child(EdgeEntry* e, int side) { return side > 0 ? e->left : e->right; }

// The rebalancing of A after an addition went down its side d (+1 left,
// -1 right) and made that side two levels higher. Returns the entry that
// takes A's place.
EdgeEntry* Rebalance(EdgeEntry* a, int d) {
  EdgeEntry* b = Child(a, d);
  if (b->balance == d) {
    Child(a, d) = Child(b, -d);
    Child(b, -d) = a;
    a->balance = 0;
    b->balance = 0;
    return b;
  }
  EdgeEntry* g = Child(b, -d);
  Child(b, -d) = Child(g, d);
  Child(a, d) = Child(g, -d);
  Child(g, d) = b;
  Child(g, -d) = a;
  a->balance = g->balance == d ? -d : 0;
  b->balance = g->balance == -d ? d : 0;
  g->balance = 0;
  return g;
}

}  // namespace

EdgeKey MakeEdgeKey(int32_t u, int32_t w) {
  EdgeKey key{};
  char* end = key.text + sizeof key.text - 1;
  char* p = std::to_chars(key.text, end, std::min(u, w)).ptr;
  *p++ = ',';
  std::to_chars(p, end, std::max(u, w));
  return key;
}

EdgeEntry* EdgeDictionary::NewEntry(const EdgeKey& key, TriangleSide beyond) {
  const bool room = size_ < entryLimit_ && (size_ < blocks_.size() * kBlockEntries || AddBlock());
  if (!room) return nullptr;
  EdgeEntry* e = &blocks_[size_ / kBlockEntries][size_ % kBlockEntries];
  *e = EdgeEntry{};
  std::memcpy(e->key, key.text, sizeof e->key);
  e->beyond = beyond;
  e->useCount = 1;
  ++size_;
  return e;
}

EdgeEntry* EdgeDictionary::LookupOrAddEdge(int32_t u, int32_t w, TriangleSide& beyond) {
  const EdgeKey key = MakeEdgeKey(u, w);
  // A: the deepest entry on the path whose balance is not 0, the only one
  // that an addition below it can put out of balance.
  EdgeEntry* a = root_;
  EdgeEntry* aParent = nullptr;
  EdgeEntry* parent = nullptr;
  int lastSide = 0;
  for (EdgeEntry* e = root_; e;) {
    const int c = CompareKeys(key.text, e->key);
    if (c == 0) {
      beyond = e->beyond;
      ++e->useCount;
      return e;
    }
    if (e->balance != 0) {
      a = e;
      aParent = parent;
    }
    parent = e;
    lastSide = c > 0 ? -1 : +1;
    e = Child(e, lastSide);
  }
  EdgeEntry* added = NewEntry(key, beyond);
  if (!added) return nullptr;
  if (!parent) {
    root_ = added;
    return added;
  }
  Child(parent, lastSide) = added;

  const int d = CompareKeys(key.text, a->key) > 0 ? -1 : +1;
  for (EdgeEntry* e = Child(a, d); e != added;) {
    const int s = CompareKeys(key.text, e->key) > 0 ? -1 : +1;
    e->balance = s;
    e = Child(e, s);
  }
  if (a->balance == 0) {
    a->balance = d;
  } else if (a->balance == -d) {
    a->balance = 0;
  } else {
    EdgeEntry* top = Rebalance(a, d);
    if (!aParent) root_ = top;
    else if (aParent->left == a) aParent->left = top;
    else aParent->right = top;
  }
  return added;
}

bool EdgeDictionary::AddBlock() {
  std::unique_ptr<EdgeEntry[]> block(new (std::nothrow) EdgeEntry[kBlockEntries]);
  if (!block) return false;
  blocks_.push_back(std::move(block));
  return true;
}

void EdgeDictionary::ClearEdgeDictionary() {
  root_ = nullptr;
  size_ = 0;
}

}  // namespace quarvelin
