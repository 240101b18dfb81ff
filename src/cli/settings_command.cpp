// `lumatrix settings`: shows the settings a job would run with, and saves them as a profile.
#include <iostream>
#include <ostream>

#include "cli/command.h"
#include "cli/job_options.h"
#include "settings/profile_file.h"
#include "settings/settings_text.h"

namespace lumatrix::cli {

namespace {

void list_options(std::ostream& out) {
  const Settings defaults;
  const std::vector<SettingLine> default_lines = setting_lines(defaults);
  auto default_of = [&](std::string_view name) -> std::string {
    for (const SettingLine& line : default_lines)
      if (line.name == name) return line.value;
    return {};
  };
  std::string_view group;
  for (const OptionDecl& option : options()) {
    if (option.group != group) {
      out << (group.empty() ? "[" : "\n[") << option.group << "]\n";
      group = option.group;
    }
    out << option.name << "  (" << kind_name(option.kind) << ") \"" << option.caption << "\"\n"
        << "    accepts: " << accepted_values(option) << "\n";
    if (option.kind == OptionKind::Font || option.kind == OptionKind::HtmlColour) {
      for (size_t i = 0; i < option.key_count(); ++i)
        out << "    default " << option.keys[i] << "=" << default_of(option.keys[i]) << "\n";
    } else {
      out << "    default: " << default_of(option.name) << "\n";
    }
    if (!option.stored())
      out << "    (not stored in profiles)\n";
    else if (option.extension)
      out << "    (extension: stored in the profile's [Lumatrix] section)\n";
  }
}

int run(const std::vector<std::string>& args) {
  std::vector<std::string> rest;
  const JobOptions job = parse_job_options(args, rest);
  std::optional<std::filesystem::path> save_to;
  bool list = false;
  for (size_t i = 0; i < rest.size(); ++i) {
    const std::string& arg = rest[i];
    if (arg == "--list") {
      list = true;
    } else if (arg == "--save" || arg.starts_with("--save=")) {
      if (save_to) throw UsageError{"--save given twice"};
      if (arg == "--save" && i + 1 >= rest.size()) throw UsageError{"--save needs a file name"};
      save_to = arg == "--save" ? rest[++i] : arg.substr(7);
      if (save_to->empty()) throw UsageError{"--save needs a file name"};
    } else {
      throw UsageError{"unexpected argument '" + arg + "'"};
    }
  }
  if (list) {
    list_options(std::cout);
    return kExitOk;
  }
  const Settings settings = job_settings(job, std::cerr);
  for (const SettingLine& line : setting_lines(settings))
    std::cout << line.name << "=" << line.value << "\n";
  if (save_to) save_profile(*save_to, settings);
  return kExitOk;
}

void help(std::ostream& out) {
  out << "Usage: lumatrix settings [--profile FILE] [--set NAME=VALUE]... [--save FILE]\n"
         "       lumatrix settings --list\n"
         "Shows the settings a job would run with: the defaults (with the font faces of\n"
         "fonts.txt in the per-user folder), then the profile, then each --set. Every\n"
         "setting is printed as NAME=VALUE, one per line, in a fixed order; each line can be\n"
         "given back to --set unchanged. A font or an HTML colour prints one line per part\n"
         "(FontDialog1.Font.Name=..., bgcolor.ColorValue=...). Lines print each line\n"
         "followed by \\n, with \\\\ for a backslash, \\t for a tab and \\xHH for another\n"
         "control character; a one-line text shows control characters as \\xHH.\n\n"
         "Options:\n"
         "  --save FILE          also write the settings as a profile file (written whole or\n"
         "                       not at all; the automatic profile default.ini is untouched)\n"
         "  --list               list every setting with its kind, caption, accepted values\n"
         "                       and default\n";
  describe_job_options(out);
  out << "\nThe per-user folder is $LUMATRIX_HOME, else $XDG_CONFIG_HOME/lumatrix, else\n"
         "~/.config/lumatrix.\n"
         "Exit status: 0 done, 1 a file could not be read or written, 2 an unknown setting,\n"
         "a value a setting does not accept, or another command-line mistake.\n";
}

}  // namespace

extern const Command settings_command{
    "settings", "show, change and save the job settings (profile files)", run, help};

}  // namespace lumatrix::cli
