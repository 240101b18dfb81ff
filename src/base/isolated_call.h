#pragma once
// Running a call that a library may end by aborting the whole process (an assertion on damaged
// data) in a child process of its own, so that such an end is one file's refusal and not the
// program's.
#include <functional>
#include <optional>
#include <string>

namespace lumatrix {

// Runs `body` in a forked child and returns the bytes it returned, or nullopt when the child
// ended by a signal or without answering. `body` must report its own failures in what it
// returns; an exception that escapes it counts as no answer. The child's standard error is
// discarded.
std::optional<std::string> call_isolated(const std::function<std::string()>& body);

}  // namespace lumatrix
