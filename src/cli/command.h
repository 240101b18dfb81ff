#pragma once
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace lumatrix::cli {

// Exit statuses shared by every command.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // the work itself failed (a file could not be read, ...)
constexpr int kExitUsage = 2;    // bad command line: unknown option, setting or value

// One sub-command of `lumatrix`.
struct Command {
  std::string_view name;
  std::string_view summary;  // one line for `lumatrix --help`
  // Runs with the arguments after the command's name; returns the exit status.
  int (*run)(const std::vector<std::string>& args);
  // Writes the full `lumatrix NAME --help` text.
  void (*help)(std::ostream& out);
};

// Thrown for command-line mistakes; main prints the message and exits with kExitUsage.
struct UsageError {
  std::string message;
};

}  // namespace lumatrix::cli
