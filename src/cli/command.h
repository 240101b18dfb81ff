#pragma once
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumatrix::cli {

// Exit statuses shared by every command.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;     // the work itself failed (a file could not be read, ...)
constexpr int kExitUsage = 2;       // bad command line: unknown option, setting or value
constexpr int kExitIncomplete = 3;  // process --strict: an entry was skipped or failed

// One sub-command of `lumatrix`.
struct Command {
  std::string_view name;
  std::string_view summary;  // one line for `lumatrix --help`
  // Runs with the arguments after the command's name; returns the exit status.
  int (*run)(const std::vector<std::string>& args);
  // Writes the full `lumatrix NAME --help` text.
  void (*help)(std::ostream& out);
  // Every option it takes besides --help and --version, long and short forms; with
  // `job_options`, also the shared ones (kJobOptions). For suggestions and the shell completion.
  std::span<const std::string_view> options = {};
  bool job_options = false;
};

// The options of every job command (job_options.h parses them).
inline constexpr std::string_view kJobOptions[] = {"--profile", "--set", "--fit", "--format",
                                                   "--quality"};

// Every command, in the order `lumatrix --help` lists them.
std::span<const Command* const> commands();
const Command* find_command(std::string_view name);
// Every option `command` takes (its own, the job options when it has them, --help, --version).
std::vector<std::string_view> options_of(const Command& command);

// Thrown for command-line mistakes; main prints the message and exits with kExitUsage.
struct UsageError {
  std::string message;
  std::string unknown_option = {};  // set for an option the command does not know
};
// "unexpected option '--recursiv'", for main to add the nearest known one.
UsageError unknown_option(const std::string& arg);

// The program's name and version, as --version prints it: "lumatrix 0.1.0".
std::string version_line();

}  // namespace lumatrix::cli
