#pragma once
// Sharded runs: one list planned as a whole, its entries dealt out to N runs (on as many
// machines) so that the N runs together write exactly the files one run writes.
//
// The plan says which entries wait for which (two writing one file, one reading what another
// writes). Such entries form a group and stay in one shard, where they run in list order as
// before; an entry that must run alone takes every entry before it into its group. Groups are
// dealt round in the order of their first entry.
#include <string>
#include <vector>

#include "engine/batch_plan.h"

namespace lumatrix {

struct Shard {
  int index = 1;  // 1 .. count
  int count = 1;
  std::string text() const { return std::to_string(index) + "/" + std::to_string(count); }
  friend bool operator==(const Shard&, const Shard&) = default;
};

// The group of every entry, numbered from 0 in list order of their first entries.
std::vector<int> entry_groups(const BatchPlan& plan);

// Whether each entry belongs to `shard`.
std::vector<bool> shard_members(const std::vector<int>& groups, const Shard& shard);

}  // namespace lumatrix
