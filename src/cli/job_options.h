#pragma once
// The options every job command shares: --profile FILE and --set NAME=VALUE (repeatable,
// applied in order after the profile). Parsed in one place; the rest is the command's own.
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/settings.h"

namespace lumatrix::cli {

struct JobOptions {
  std::optional<std::filesystem::path> profile;
  std::vector<std::pair<std::string, std::string>> sets;  // name, value, in command-line order
};

// Takes the shared options out of `args` (also in the --profile=FILE and --set=NAME=VALUE
// forms); every other argument goes to `rest` in order, and everything after "--" too.
// Throws UsageError for a missing argument, a second --profile or a --set without '='.
JobOptions parse_job_options(const std::vector<std::string>& args, std::vector<std::string>& rest);

// The start-up settings, then the profile, then each --set. A named profile that does not exist
// is an error (ImageError); values the profile cannot hold are skipped and reported to
// `warnings`; a --set the setting refuses throws UsageError.
Settings job_settings(const JobOptions& options, std::ostream& warnings);

// The value of an option given as "--name VALUE" or "--name=VALUE" at args[i] (advancing `i`
// past a separate value); nullopt when args[i] is another argument. Throws UsageError when the
// value is missing.
std::optional<std::string> option_value(const std::vector<std::string>& args, size_t& i,
                                        std::string_view name);

// Writes a run's new start number into the profile it read (the profile's own values, not the
// command line's --set ones), so the next run goes on counting.
void save_start_number(const std::filesystem::path& profile, int32_t start_number);

// After a run that moved the numbering on: writes the new start number into the --profile
// file, or, without one, tells the user on stderr how to keep it.
void keep_start_number(const JobOptions& options, int32_t start_number, std::string_view command);

// The paragraph describing the shared options, for each job command's --help.
void describe_job_options(std::ostream& out);

}  // namespace lumatrix::cli
