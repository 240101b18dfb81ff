// The table of commands: `lumatrix --help`, the dispatch in main, the suggestions for mistyped
// names and the shell completion all read it.
#include <algorithm>

#include "cli/command.h"

namespace lumatrix::cli {

extern const Command settings_command;
extern const Command info_command;
extern const Command convert_command;
extern const Command process_command;
extern const Command preview_command;
extern const Command rename_command;
extern const Command backup_command;
extern const Command scan_command;
extern const Command finish_command;
extern const Command turn_command;
extern const Command completion_command;

namespace {

const Command* const kCommands[] = {
    &settings_command, &info_command,   &convert_command,    &process_command,
    &preview_command,  &rename_command, &backup_command,     &scan_command,
    &finish_command,   &turn_command,   &completion_command,
};

}  // namespace

std::span<const Command* const> commands() {
  return kCommands;
}

const Command* find_command(std::string_view name) {
  for (const Command* command : kCommands)
    if (command->name == name) return command;
  return nullptr;
}

std::vector<std::string_view> options_of(const Command& command) {
  std::vector<std::string_view> all(command.options.begin(), command.options.end());
  if (command.job_options) all.insert(all.end(), std::begin(kJobOptions), std::end(kJobOptions));
  all.insert(all.end(), {"--help", "-h", "--version"});
  return all;
}

UsageError unknown_option(const std::string& arg) {
  return UsageError{"unexpected option '" + arg + "'", arg};
}

std::string version_line() {
  return "lumatrix " LUMATRIX_VERSION;
}

}  // namespace lumatrix::cli
