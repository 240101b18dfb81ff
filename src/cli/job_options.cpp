#include "cli/job_options.h"

#include <iostream>
#include <ostream>
#include <sstream>

#include "base/image_error.h"
#include "cli/command.h"
#include "settings/profile_file.h"
#include "settings/settings_rules.h"
#include "settings/settings_text.h"

namespace lumatrix::cli {

std::optional<std::string> option_value(const std::vector<std::string>& args, size_t& i,
                                        std::string_view name) {
  const std::string& arg = args[i];
  if (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=')
    return arg.substr(name.size() + 1);
  if (arg != name) return std::nullopt;
  if (i + 1 >= args.size()) throw UsageError{std::string(name) + " needs an argument"};
  return args[++i];
}

void save_start_number(const std::filesystem::path& profile, int32_t start_number) {
  std::ostringstream ignored;
  Settings stored = job_settings(JobOptions{profile, {}}, ignored);
  stored.start_number = start_number;
  save_profile(profile, stored);
}

JobOptions parse_job_options(const std::vector<std::string>& args, std::vector<std::string>& rest) {
  JobOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--") {
      rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      break;
    }
    if (auto profile = option_value(args, i, "--profile")) {
      if (options.profile) throw UsageError{"--profile given twice"};
      if (profile->empty()) throw UsageError{"--profile needs a file name"};
      options.profile = *profile;
    } else if (auto assignment = option_value(args, i, "--set")) {
      size_t equals = assignment->find('=');
      if (equals == std::string::npos || equals == 0)
        throw UsageError{"--set needs NAME=VALUE, got '" + *assignment + "'"};
      options.sets.emplace_back(assignment->substr(0, equals), assignment->substr(equals + 1));
    } else {
      rest.push_back(args[i]);
    }
  }
  return options;
}

Settings job_settings(const JobOptions& options, std::ostream& warnings) {
  Settings settings = startup_settings();
  if (options.profile) {
    ProfileLoad load = load_profile(*options.profile, settings);
    if (load.missing) throw ImageError(*options.profile, "no such profile file");
    for (const std::string& warning : load.warnings) warnings << "warning: " << warning << "\n";
  }
  for (const auto& [name, value] : options.sets) {
    try {
      set_setting(settings, name, value);
    } catch (const SettingError& e) {
      throw UsageError{e.what()};
    }
  }
  return settings;
}

void keep_start_number(const JobOptions& options, int32_t start_number, std::string_view command) {
  if (options.profile)
    save_start_number(*options.profile, start_number);
  else
    std::cerr << "lumatrix " << command << ": start_number is now " << start_number
              << " (give --profile FILE to keep it for the next run)\n";
}

void describe_job_options(std::ostream& out) {
  out << "Settings (shared by every job command):\n"
         "  --profile FILE       start from the settings in this profile (INI) file; values\n"
         "                       it lacks keep their defaults\n"
         "  --set NAME=VALUE     change one setting after the profile; repeatable, applied\n"
         "                       in order. NAME is the setting's control name, e.g.\n"
         "                       --set JPEG_Quality=90 --set resizing_method='Resize by Pixels'\n"
         "                       Flags: true/false (also 1/0, yes/no). Choices: any text, kept\n"
         "                       as typed. Lines: each line ended by \\n, \\\\ for a backslash,\n"
         "                       \\t for a tab. Colours: #RRGGBB or a decimal value. Fonts\n"
         "                       and HTML colours are set part by part, e.g.\n"
         "                       --set FontDialog1.Font.Name='DejaVu Sans'\n"
         "                       --set FontDialog1.Font.Style=[fsBold,fsItalic]\n"
         "                       --set bgcolor=#FFFFFF (sets bgcolor.ColorValue and\n"
         "                       bgcolor.HTMLcolor together)\n"
         "  Switches shown twice (use_filename_changer/filename_changer, usethumbnailgallery/\n"
         "  thumbnailgallery, enableslicing/slicing) and the sliders (brightness_track,\n"
         "  contrast_track) follow their partner when either is set.\n";
}

}  // namespace lumatrix::cli
