// `lumatrix completion`: the bash completion script, made from the table of commands and the
// settings table, so that it offers exactly what this build takes. The package installs its
// output; `source <(lumatrix completion)` enables it in one shell.
#include <iostream>
#include <ostream>

#include "cli/command.h"
#include "settings/settings.h"

namespace lumatrix::cli {

namespace {

// Words joined by blanks; none of the names holds a blank.
template <typename Words>
std::string joined(const Words& words) {
  std::string text;
  for (std::string_view word : words) text += (text.empty() ? "" : " ") + std::string(word);
  return text;
}

void write_script(std::ostream& out) {
  std::vector<std::string_view> names;
  for (const Command* command : commands()) names.push_back(command->name);
  out << "# bash completion for lumatrix, made by 'lumatrix completion' (" << version_line()
      << ")\n"
         "_lumatrix_settings='"
      << joined(setting_names())
      << "'\n"
         "_lumatrix_formats='";
  // One format a line: the items hold blanks.
  for (std::string_view item : find_option("Image_Format")->items) out << item << "\n";
  out << "'\n"
         "_lumatrix() {\n"
         "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
         "  if [[ $COMP_CWORD -eq 1 ]]; then\n"
         "    COMPREPLY=($(compgen -W '"
      << joined(names)
      << " --help --version' -- \"$cur\"))\n"
         "    return\n"
         "  fi\n"
         "  case $prev in\n"
         "    --set)\n"
         "      compopt -o nospace 2>/dev/null\n"
         "      COMPREPLY=($(compgen -S = -W \"$_lumatrix_settings\" -- \"$cur\"))\n"
         "      return ;;\n"
         "    --format)\n"
         "      local IFS=$'\\n' item\n"
         "      COMPREPLY=()\n"
         "      for item in $(compgen -W \"$_lumatrix_formats\" -- \"$cur\"); do\n"
         "        COMPREPLY+=(\"$(printf '%q' \"$item\")\")\n"
         "      done\n"
         "      return ;;\n"
         "    --profile|--list|--save|--after)\n"
         "      COMPREPLY=($(compgen -f -- \"$cur\"))\n"
         "      return ;;\n"
         "    --output|-o)\n"
         "      [[ ${COMP_WORDS[1]} == backup ]] && COMPREPLY=($(compgen -f -- \"$cur\")) ||\n"
         "        COMPREPLY=($(compgen -d -- \"$cur\"))\n"
         "      return ;;\n"
         "    --fit|--quality|--jobs|-j|--memory|--find|--orientation|--position|--device|"
         "--source|--extension)\n"
         "      return ;;\n"
         "  esac\n"
         "  if [[ $cur == -* ]]; then\n"
         "    local options\n"
         "    case ${COMP_WORDS[1]} in\n";
  for (const Command* command : commands())
    out << "      " << command->name << ") options='" << joined(options_of(*command)) << "' ;;\n";
  out << "      *) options='--help --version' ;;\n"
         "    esac\n"
         "    COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
         "    return\n"
         "  fi\n"
         "  COMPREPLY=($(compgen -f -- \"$cur\"))\n"
         "}\n"
         "complete -o filenames -o bashdefault -F _lumatrix lumatrix\n";
}

int run(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg.starts_with("-")) throw unknown_option(arg);
    if (arg != "bash") throw UsageError{"only bash is supported, got '" + arg + "'"};
  }
  write_script(std::cout);
  return kExitOk;
}

void help(std::ostream& out) {
  out << "Usage: lumatrix completion [bash]\n"
         "Writes the bash completion script for lumatrix: the commands, each command's\n"
         "options, every setting name after --set and the formats after --format. The\n"
         "package installs it; to use it in the current shell:\n"
         "  source <(lumatrix completion)\n";
}

}  // namespace

extern const Command completion_command{"completion", "write the bash completion script", run,
                                        help};

}  // namespace lumatrix::cli
