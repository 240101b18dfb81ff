#pragma once
// Settings as NAME=VALUE text, for the command line and any other plain-text front end.
//
// Names are option names; a font or an HTML colour shows one line per part, named by its
// profile key (FontDialog1.Font.Name, bgcolor.ColorValue). Values:
//   flags          true / false (reading also accepts True, 1, 0, yes, no)
//   numbers        decimal; an index choice also accepts its item text
//   texts, choices as typed (control characters, which a one-line text rarely holds, are
//                  shown as \xHH)
//   lines          each line followed by \n; \\ is a backslash, \t a tab, \xHH another
//                  control character
//   colours        decimal 0x00BBGGRR values; reading also accepts #RRGGBB
//   font parts     Name text, Size/Height/Color/Charset numbers, Pitch fpDefault/fpVariable/
//                  fpFixed, Style a set such as [fsBold,fsItalic]
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"

namespace lumatrix {

struct SettingLine {
  std::string name;
  std::string value;
};
// Every setting, in table order.
std::vector<SettingLine> setting_lines(const Settings& settings);

// Sets one setting from its text form, then applies the mirror rule. An unknown name or a value
// the setting does not accept throws SettingError naming the setting and what it accepts.
void set_setting(Settings& settings, std::string_view name, std::string_view value);

// What an option accepts, for help texts and error messages.
std::string accepted_values(const OptionDecl& option);

std::string escape_lines(const Lines& lines);
// Throws SettingError on an unknown escape.
Lines unescape_lines(std::string_view text);

}  // namespace lumatrix
