#pragma once
// Running a piece of a test in a child process with a time limit, for code that may hang in a
// library the test cannot fix.
#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace lumatrix::test {

// Runs `body` in a child process and waits at most `limit` for it. Returns what `body` returned
// (by convention empty when everything held, else what failed; an exception's message is
// returned too), or nullopt when the child did not end in time and was killed.
std::optional<std::string> run_in_child(const std::function<std::string()>& body,
                                        std::chrono::milliseconds limit);

}  // namespace lumatrix::test
