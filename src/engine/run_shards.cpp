#include "engine/run_shards.h"

#include <numeric>

namespace lumatrix {

namespace {

// Union-find over entry indices; the root of a set is its earliest entry.
class Groups {
 public:
  explicit Groups(size_t count) : parent_(count) {
    std::iota(parent_.begin(), parent_.end(), size_t{0});
  }
  size_t root(size_t i) {
    while (parent_[i] != i) i = parent_[i] = parent_[parent_[i]];
    return i;
  }
  void join(size_t a, size_t b) {
    a = root(a);
    b = root(b);
    if (a == b) return;
    if (b < a) std::swap(a, b);
    parent_[b] = a;
  }

 private:
  std::vector<size_t> parent_;
};

}  // namespace

std::vector<int> entry_groups(const BatchPlan& plan) {
  const size_t count = plan.entries.size();
  Groups groups(count);
  size_t prefix_joined = 0;  // entries [0, prefix_joined) are already one group
  for (size_t i = 0; i < count; ++i) {
    const PlannedEntry& entry = plan.entries[i];
    for (int row : entry.after) groups.join(i, static_cast<size_t>(row) - 1);
    if (entry.alone) {
      for (; prefix_joined < i; ++prefix_joined) groups.join(i, prefix_joined);
    }
  }
  std::vector<int> numbers(count, -1);
  std::vector<int> out(count);
  int next = 0;
  for (size_t i = 0; i < count; ++i) {
    const size_t root = groups.root(i);
    if (numbers[root] < 0) numbers[root] = next++;
    out[i] = numbers[root];
  }
  return out;
}

std::vector<bool> shard_members(const std::vector<int>& groups, const Shard& shard) {
  std::vector<bool> members(groups.size());
  for (size_t i = 0; i < groups.size(); ++i)
    members[i] = groups[i] % shard.count == shard.index - 1;
  return members;
}

}  // namespace lumatrix
