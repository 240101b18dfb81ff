#include <algorithm>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

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
}  // namespace lumatrix::cli

namespace {
using lumatrix::cli::Command;

const Command* const kCommands[] = {
    &lumatrix::cli::settings_command, &lumatrix::cli::info_command,
    &lumatrix::cli::convert_command,  &lumatrix::cli::process_command,
    &lumatrix::cli::preview_command,  &lumatrix::cli::rename_command,
    &lumatrix::cli::backup_command,   &lumatrix::cli::scan_command,
    &lumatrix::cli::finish_command,
};

void print_overview(std::ostream& out) {
  out << "Usage: lumatrix COMMAND [OPTIONS]...\n"
         "Batch image processing: one record of settings applied to a list of images.\n\n"
         "Commands:\n";
  for (const Command* c : kCommands) {
    std::string name(c->name);
    name.resize(std::max<size_t>(name.size() + 2, 12), ' ');
    out << "  " << name << c->summary << "\n";
  }
  out << "\n'lumatrix COMMAND --help' describes a command and its options.\n";
}
}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    print_overview(std::cerr);
    return lumatrix::cli::kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    print_overview(std::cout);
    return lumatrix::cli::kExitOk;
  }
  for (const Command* c : kCommands) {
    if (args[0] != c->name) continue;
    std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& a : rest) {
      if (a == "--") break;
      if (a == "--help" || a == "-h") {
        c->help(std::cout);
        return lumatrix::cli::kExitOk;
      }
    }
    try {
      return c->run(rest);
    } catch (const lumatrix::cli::UsageError& e) {
      std::cerr << "lumatrix " << c->name << ": " << e.message << "\n"
                << "Try 'lumatrix " << c->name << " --help'.\n";
      return lumatrix::cli::kExitUsage;
    } catch (const std::exception& e) {
      std::cerr << "lumatrix " << c->name << ": " << e.what() << "\n";
      return lumatrix::cli::kExitFailure;
    }
  }
  std::cerr << "lumatrix: unknown command '" << args[0] << "'\n";
  print_overview(std::cerr);
  return lumatrix::cli::kExitUsage;
}
