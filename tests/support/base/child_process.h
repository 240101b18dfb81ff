#pragma once
// Running a piece of a test in a child process with a time limit, for code that may hang in a
// library the test cannot fix, and with a memory limit, for code fed hostile input.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace lumatrix::test {

// Runs `body` in a child process and waits at most `limit` for it. Returns what `body` returned
// (by convention empty when everything held, else what failed; an exception's message is
// returned too), or nullopt when the child did not end in time and was killed.
std::optional<std::string> run_in_child(const std::function<std::string()>& body,
                                        std::chrono::milliseconds limit);

struct ChildLimits {
  std::chrono::milliseconds time{10000};
  // Address space the child may add to what it inherits (setrlimit RLIMIT_AS); 0 for none.
  // Builds with AddressSanitizer ignore it: their shadow memory needs terabytes of address
  // space, so there only the peak below tells.
  uint64_t address_space = 0;
};

struct ChildOutcome {
  bool finished = false;    // false: killed at the time limit
  bool crashed = false;     // ended by a signal or with a status other than 0
  std::string result;       // what `body` returned
  double cpu_seconds = 0;   // user and system time the child used
  uint64_t peak_bytes = 0;  // the child's resident memory at its peak, beyond what it inherited
};

ChildOutcome run_in_child(const std::function<std::string()>& body, const ChildLimits& limits);

}  // namespace lumatrix::test
