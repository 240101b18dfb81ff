#include "cli/job_options.h"

#include <cstdint>
#include <iostream>
#include <ostream>
#include <sstream>

#include "base/choice_text.h"
#include "base/image_error.h"
#include "cli/command.h"
#include "settings/profile_file.h"
#include "settings/read_limits.h"
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

namespace {

// "800x600" (also with "X"): two sizes of at least one pixel.
std::pair<std::string, std::string> box_sizes(const std::string& text) {
  const size_t cross = text.find_first_of("xX");
  const auto size = [&](std::string_view part) {
    const std::optional<int64_t> n = parse_decimal(part);
    return n && *n >= 1 && *n <= INT32_MAX;
  };
  if (cross == std::string::npos || !size(std::string_view(text).substr(0, cross)) ||
      !size(std::string_view(text).substr(cross + 1)))
    throw UsageError{"--fit needs WIDTHxHEIGHT in pixels, e.g. 1600x1200; got '" + text + "'"};
  return {text.substr(0, cross), text.substr(cross + 1)};
}

}  // namespace

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
      options.sets.push_back({assignment->substr(0, equals), assignment->substr(equals + 1)});
    } else if (auto box = option_value(args, i, "--fit")) {
      const auto [width, height] = box_sizes(*box);
      for (const auto& [name, value] :
           {std::pair<std::string, std::string>{"resizing_method", "Downsize by Pixels"},
            {"image_width", width},
            {"image_height", height},
            {"dimension_aspect_ratio", "true"},
            {"reverse_widthheight", "false"}})
        options.sets.push_back({name, value, "--fit"});
      options.fit = true;
    } else if (auto format = option_value(args, i, "--format")) {
      options.sets.push_back({"Image_Format", *format, "--format"});
    } else if (auto quality = option_value(args, i, "--quality")) {
      options.sets.push_back({"JPEG_Quality", *quality, "--quality"});
    } else {
      rest.push_back(args[i]);
    }
  }
  return options;
}

void assign(Settings& settings, const Assignment& assignment) {
  try {
    set_setting(settings, assignment.name, assignment.value);
  } catch (const SettingError& e) {
    throw UsageError{assignment.option == "--set" ? std::string(e.what())
                                                  : assignment.option + ": " + e.what()};
  }
}

Settings job_settings(const JobOptions& options, std::ostream& warnings) {
  Settings settings = startup_settings();
  if (options.profile) {
    ProfileLoad load = load_profile(*options.profile, settings);
    if (load.missing) throw ImageError(*options.profile, "no such profile file");
    for (const std::string& warning : load.warnings) warnings << "warning: " << warning << "\n";
  }
  for (const Assignment& assignment : options.sets) assign(settings, assignment);
  // A box to fit into is meant smooth: the nearest-pixel "None" only where no filter was chosen.
  if (options.fit && settings.resampletype.value() == ResampleFilter::None)
    set_setting(settings, "resampletype", "Lanczos3");
  // Every command reads images under the limits its settings give.
  apply_read_limits(settings);
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
         "                       --set JPEG_Quality=90 --set filter=Sharpen\n"
         "                       ('lumatrix settings --find WORD' finds names.)\n"
         "                       Flags: true/false (also 1/0, yes/no). Choices: one of the\n"
         "                       listed items where the setting's list is closed (letter case\n"
         "                       and blanks around forgiven where the setting forgives them),\n"
         "                       any text where it is free (folders, captions, patterns); kept\n"
         "                       as typed. Lines: each line ended by \\n, \\\\ for a backslash,\n"
         "                       \\t for a tab. Colours: #RRGGBB or a decimal value. Fonts\n"
         "                       and HTML colours are set part by part, e.g.\n"
         "                       --set FontDialog1.Font.Name='DejaVu Sans'\n"
         "                       --set FontDialog1.Font.Style=[fsBold,fsItalic]\n"
         "                       --set bgcolor=#FFFFFF (sets bgcolor.ColorValue and\n"
         "                       bgcolor.HTMLcolor together)\n"
         "  --fit WxH            downsize into a box of W x H pixels, keeping the aspect ratio\n"
         "                       (never enlarging): sets resizing_method='Downsize by Pixels',\n"
         "                       image_width=W, image_height=H, dimension_aspect_ratio=true,\n"
         "                       reverse_widthheight=false, and resampletype=Lanczos3 unless a\n"
         "                       filter is chosen\n"
         "  --format NAME        the output format: sets Image_Format (JPEG, PNG, TIFF LZW, ...;\n"
         "                       'lumatrix settings --find Image_Format' lists them)\n"
         "  --quality N          JPEG quality 0..100: sets JPEG_Quality\n"
         "  Switches shown twice (use_filename_changer/filename_changer, usethumbnailgallery/\n"
         "  thumbnailgallery, enableslicing/slicing) and the sliders (brightness_track,\n"
         "  contrast_track) follow their partner when either is set.\n";
}

}  // namespace lumatrix::cli
