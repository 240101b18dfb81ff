#pragma once
// How much memory the entries running at once may take. An entry is counted by its source's
// decoded size, read from the file's header before it starts; it starts only when that fits in
// what the running ones leave. An entry that needs more than the whole budget still runs, alone,
// rather than failing.
#include <cstdint>
#include <filesystem>

namespace lumatrix {

// What one entry holds at its peak, in decoded copies of its source: the work document, the
// "Before" view, a resampling target and an undo step.
constexpr uint64_t kWorkingCopiesPerEntry = 4;

// The bytes the source takes decoded (width × height × 3, or 4 with an alpha plane), from its
// codec's header reader; 0 when the header cannot be read (the entry then fails fast anyway).
// Reads the start of the file, and the whole file only for a header further in.
uint64_t decoded_size(const std::filesystem::path& source);

// The memory an entry is counted with.
inline uint64_t entry_memory(uint64_t decoded) {
  return decoded * kWorkingCopiesPerEntry;
}

// Three quarters of what this process may still take (MemAvailable within its control group's
// limit); no limit when neither can be read.
uint64_t automatic_memory_budget();

class MemoryBudget {
 public:
  explicit MemoryBudget(uint64_t bytes) : budget_(bytes) {}
  uint64_t budget() const { return budget_; }
  uint64_t in_use() const { return in_use_; }
  // Whether an entry of `bytes` may start now: it fits beside the running ones, or nothing runs.
  bool admits(uint64_t bytes) const {
    return in_use_ == 0 || (in_use_ <= budget_ && bytes <= budget_ - in_use_);
  }
  void take(uint64_t bytes) { in_use_ += bytes; }
  void give_back(uint64_t bytes) { in_use_ -= bytes < in_use_ ? bytes : in_use_; }

 private:
  uint64_t budget_;
  uint64_t in_use_ = 0;
};

}  // namespace lumatrix
