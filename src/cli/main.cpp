#include <algorithm>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "base/near_names.h"
#include "cli/command.h"

namespace {
using lumatrix::cli::Command;

void print_overview(std::ostream& out) {
  out << "Usage: lumatrix COMMAND [OPTIONS]...\n"
         "Batch image processing: one record of settings applied to a list of images.\n\n"
         "Commands:\n";
  for (const Command* c : lumatrix::cli::commands()) {
    std::string name(c->name);
    name.resize(std::max<size_t>(name.size() + 2, 12), ' ');
    out << "  " << name << c->summary << "\n";
  }
  out << "\n'lumatrix COMMAND --help' describes a command and its options;\n"
         "'lumatrix --version' prints the version.\n";
}

// " (did you mean X?)" when a known name is near the mistyped one.
std::string suggestion(std::string_view word, std::span<const std::string_view> known) {
  const std::string near = lumatrix::nearest_name(word, known);
  return near.empty() ? std::string() : " (did you mean " + near + "?)";
}

int run_command(const Command& c, const std::vector<std::string>& rest) {
  for (const std::string& a : rest) {
    if (a == "--") break;
    if (a == "--help" || a == "-h") {
      c.help(std::cout);
      return lumatrix::cli::kExitOk;
    }
    if (a == "--version") {
      std::cout << lumatrix::cli::version_line() << "\n";
      return lumatrix::cli::kExitOk;
    }
  }
  try {
    return c.run(rest);
  } catch (const lumatrix::cli::UsageError& e) {
    std::string message = e.message;
    if (!e.unknown_option.empty()) {
      const std::string name = e.unknown_option.substr(0, e.unknown_option.find('='));
      message += suggestion(name, lumatrix::cli::options_of(c));
    }
    std::cerr << "lumatrix " << c.name << ": " << message << "\n"
              << "Try 'lumatrix " << c.name << " --help'.\n";
    return lumatrix::cli::kExitUsage;
  } catch (const std::exception& e) {
    std::cerr << "lumatrix " << c.name << ": " << e.what() << "\n";
    return lumatrix::cli::kExitFailure;
  }
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
  if (args[0] == "--version") {
    std::cout << lumatrix::cli::version_line() << "\n";
    return lumatrix::cli::kExitOk;
  }
  if (const Command* c = lumatrix::cli::find_command(args[0]))
    return run_command(*c, std::vector<std::string>(args.begin() + 1, args.end()));
  std::vector<std::string_view> names;
  for (const Command* c : lumatrix::cli::commands()) names.push_back(c->name);
  std::cerr << "lumatrix: unknown command '" << args[0] << "'" << suggestion(args[0], names)
            << "\n";
  print_overview(std::cerr);
  return lumatrix::cli::kExitUsage;
}
