#pragma once
// The options every job command shares: --profile FILE, --set NAME=VALUE (repeatable, applied
// in order after the profile) and the short forms that set several settings at once (--fit,
// --format, --quality). Parsed in one place; the rest is the command's own.
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/settings.h"

namespace lumatrix::cli {

// One setting changed on the command line, by --set or by an option standing for it.
struct Assignment {
  std::string name, value;
  std::string option = "--set";  // named in the message when the setting refuses the value
};

struct JobOptions {
  std::optional<std::filesystem::path> profile;
  std::vector<Assignment> sets;  // in command-line order
  // --fit was given: the resample filter becomes Lanczos3 unless one is chosen.
  bool fit = false;
};

// Takes the shared options out of `args` (also in the --profile=FILE and --set=NAME=VALUE
// forms); every other argument goes to `rest` in order, and everything after "--" too.
//   --fit WxH       resizing_method "Downsize by Pixels", image_width W, image_height H,
//                   dimension_aspect_ratio true, reverse_widthheight false
//   --format NAME   Image_Format NAME
//   --quality N     JPEG_Quality N
// Throws UsageError for a missing argument, a second --profile, a --set without '=' or a --fit
// that is not two sizes.
JobOptions parse_job_options(const std::vector<std::string>& args, std::vector<std::string>& rest);

// The start-up settings, then the profile, then each assignment (and, after --fit, Lanczos3 when
// resampletype is still "None"). A named profile that does not exist is an error (ImageError);
// what the profile cannot hold, or holds under unknown keys, is reported to `warnings`; a value
// the setting refuses throws UsageError.
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

// Sets one setting as --set does, the refusal a UsageError naming `option`.
void assign(Settings& settings, const Assignment& assignment);

}  // namespace lumatrix::cli
