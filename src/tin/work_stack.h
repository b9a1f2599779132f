// The last-in first-out list of work items shared by point insertion and the
// re-triangulation of breakline cavities. Each user empties it before use and
// leaves it empty. One per build.
//
// Every user reads the three values of an item its own way, so each pushes
// and pops its own item type, three 32-bit values laid out like WorkItem:
// the cavity re-triangulation a sub-polygon to lay (ChainWork), point
// insertion a side to search across (CavityWork).
#pragma once

#include <bit>
#include <cstdint>
#include <type_traits>
#include <vector>

namespace quarvelin {

struct WorkItem {
  int32_t first;
  int32_t second;
  int32_t third;
};

template <class Item>
concept WorkItemType = sizeof(Item) == sizeof(WorkItem) && std::is_trivially_copyable_v<Item>;

class WorkStack {
 public:
  void Clear() { items_.clear(); }
  bool Empty() const { return items_.empty(); }
  // Pushes and takes a user's own item type; Pop is false when the stack is
  // empty.
  template <WorkItemType Item>
  void Push(const Item& item) {
    items_.push_back(std::bit_cast<WorkItem>(item));
  }
  template <WorkItemType Item>
  bool Pop(Item& item) {
    if (items_.empty()) return false;
    item = std::bit_cast<Item>(items_.back());
    items_.pop_back();
    return true;
  }

 private:
  std::vector<WorkItem> items_;
};

}  // namespace quarvelin
