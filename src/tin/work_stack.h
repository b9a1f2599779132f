// The last-in first-out list of work items shared by point insertion and the
// re-triangulation of breakline cavities. Each user empties it before use and
// leaves it empty. One per build.
#pragma once

#include <cstdint>
#include <vector>

namespace quarvelin {

struct WorkItem {
  int32_t first;
  int32_t second;
  int32_t third;
};

class WorkStack {
 public:
  void Clear() { items_.clear(); }
  bool Empty() const { return items_.empty(); }
  void PushWork(int32_t first, int32_t second, int32_t third) { items_.push_back({first, second, third}); }
  // Takes the top item; false when the stack is empty.
  bool PopWork(WorkItem& item) {
    if (items_.empty()) return false;
    item = items_.back();
    items_.pop_back();
    return true;
  }

 private:
  std::vector<WorkItem> items_;
};

}  // namespace quarvelin
