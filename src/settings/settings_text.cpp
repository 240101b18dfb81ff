#include "settings/settings_text.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "base/choice_text.h"
#include "base/near_names.h"
#include "settings/settings_rules.h"

namespace lumatrix {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

std::string hex_escape(unsigned char byte) {
  return std::string("\\x") + kHex[byte >> 4] + kHex[byte & 15];
}

std::string shown_text(std::string_view text) {
  std::string shown;
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 32)
      shown += hex_escape(static_cast<unsigned char>(c));
    else
      shown += c;
  }
  return shown;
}

std::string quoted_list(std::span<const std::string_view> items) {
  std::string text;
  for (std::string_view item : items) {
    if (!text.empty()) text += ", ";
    text += "\"" + std::string(item) + "\"";
  }
  return text;
}

std::optional<int64_t> parse_number(std::string_view text) {
  text = trim_blanks(text);
  if (text.starts_with('+') && !text.substr(1).starts_with('-')) text.remove_prefix(1);
  return parse_decimal(text);
}

[[noreturn]] void refuse(std::string_view name, std::string_view value, std::string_view what,
                         const OptionDecl& option) {
  throw SettingError(std::string(name) + ": '" + std::string(value) + "' is not " +
                     std::string(what) + " (accepts " + accepted_values(option) + ")");
}

int32_t integer_value(std::string_view name, std::string_view value, const OptionDecl& option) {
  std::optional<int64_t> number = parse_number(value);
  if (!number) refuse(name, value, "a whole number", option);
  check_integer(option, *number);
  return static_cast<int32_t>(*number);
}

ColourValue colour_value(std::string_view name, std::string_view value) {
  if (auto html = parse_html_colour(trim_blanks(value))) return *html;
  std::optional<int64_t> number = parse_number(value);
  if (!number || *number < std::numeric_limits<int32_t>::min() ||
      *number > std::numeric_limits<int32_t>::max())
    throw SettingError(std::string(name) + ": '" + std::string(value) +
                       "' is not a colour (accepts #RRGGBB or a decimal colour value)");
  return static_cast<ColourValue>(*number);
}

bool flag_value(std::string_view name, std::string_view value, const OptionDecl& option) {
  for (std::string_view yes : {"true", "1", "yes"})
    if (choice_is(value, yes)) return true;
  for (std::string_view no : {"false", "0", "no"})
    if (choice_is(value, no)) return false;
  refuse(name, value, "a flag", option);
}

constexpr int kScreenDpi = 96;

// value × numerator / denominator rounded to the nearest, halves away from zero.
int32_t mul_div(int64_t value, int64_t numerator, int64_t denominator) {
  const int64_t product = value * numerator;
  const int64_t half = denominator / 2;
  const int64_t result =
      product >= 0 ? (product + half) / denominator : (product - half) / denominator;
  return static_cast<int32_t>(std::clamp<int64_t>(result, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// Sets one part (named by its profile key) of a font or HTML colour.
void set_part(Settings& settings, const OptionDecl& option, std::string_view name,
              std::string_view value) {
  std::string_view part = name.substr(name.rfind('.') + 1);
  if (option.kind == OptionKind::HtmlColour) {
    HtmlColour& colour = option.in<HtmlColour>(settings);
    if (part == "ColorValue")
      colour.ColorValue = colour_value(name, value);
    else
      colour.HTMLcolor = value;
    return;
  }
  FontRecord& font = option.in<FontRecord>(settings);
  if (part == "Name") {
    font.Name = value;
  } else if (part == "Pitch") {
    auto pitch = parse_pitch(value);
    if (!pitch)
      throw SettingError(std::string(name) + ": '" + std::string(value) +
                         "' is not a pitch (accepts fpDefault, fpVariable, fpFixed)");
    font.Pitch = *pitch;
  } else if (part == "Style") {
    auto style = parse_style_set(value);
    if (!style)
      throw SettingError(std::string(name) + ": '" + std::string(value) +
                         "' is not a style set (accepts e.g. [fsBold,fsItalic,fsUnderline," +
                         "fsStrikeOut] or [])");
    font.Style = *style;
  } else if (part == "Color") {
    font.Color = colour_value(name, value);
  } else {
    std::optional<int64_t> number = parse_number(value);
    if (!number || *number < std::numeric_limits<int32_t>::min() ||
        *number > std::numeric_limits<int32_t>::max())
      throw SettingError(std::string(name) + ": '" + std::string(value) +
                         "' is not a whole number");
    int32_t n = static_cast<int32_t>(*number);
    if (part == "Charset") font.Charset = n;
    // The record links size and height, as a font chooser does: each is set from the other at
    // the screen's 96 dots per inch (a negative height is the character height in pixels).
    if (part == "Height") {
      font.Height = n;
      font.Size = -mul_div(n, 72, kScreenDpi);
    }
    if (part == "Size") {
      font.Size = n;
      font.Height = -mul_div(n, kScreenDpi, 72);
    }
  }
}

std::string part_text(const OptionDecl& option, const Settings& settings, std::string_view part) {
  if (option.kind == OptionKind::HtmlColour) {
    const HtmlColour& colour = option.in<HtmlColour>(settings);
    return part == "ColorValue" ? std::to_string(colour.ColorValue) : shown_text(colour.HTMLcolor);
  }
  const FontRecord& font = option.in<FontRecord>(settings);
  if (part == "Name") return shown_text(font.Name);
  if (part == "Pitch") return std::string(pitch_name(font.Pitch));
  if (part == "Style") return style_set_text(font.Style);
  if (part == "Charset") return std::to_string(font.Charset);
  if (part == "Color") return std::to_string(font.Color);
  if (part == "Height") return std::to_string(font.Height);
  return std::to_string(font.Size);
}

bool has_parts(const OptionDecl& option) {
  return option.kind == OptionKind::Font || option.kind == OptionKind::HtmlColour;
}

std::string value_text(const OptionDecl& option, const Settings& settings) {
  switch (option.kind) {
    case OptionKind::Flag:
      return option.in<bool>(settings) ? "true" : "false";
    case OptionKind::Integer:
    case OptionKind::Index:
    case OptionKind::Colour:
      return std::to_string(option.in<int32_t>(settings));
    case OptionKind::Choice:
    case OptionKind::Text:
      return shown_text(option.text_in(settings));
    case OptionKind::Lines:
      return escape_lines(option.in<Lines>(settings));
    case OptionKind::HtmlColour:
    case OptionKind::Font:
      break;
  }
  return {};
}

// A choice text its closed list does not hold: refused with the list and the nearest item.
[[noreturn]] void refuse_choice(std::string_view name, std::string_view value,
                                const OptionDecl& option) {
  std::string message = std::string(name) + ": '" + std::string(value) + "' is not one of " +
                        quoted_list(option.items);
  if (std::string near = nearest_name(value, option.items); !near.empty())
    message += " (did you mean \"" + near + "\"?)";
  throw SettingError(message);
}

}  // namespace

std::vector<SettingLine> setting_lines(const Settings& settings) {
  std::vector<SettingLine> lines;
  for (const OptionDecl& option : options()) {
    if (!has_parts(option)) {
      lines.push_back({std::string(option.name), value_text(option, settings)});
      continue;
    }
    for (size_t i = 0; i < option.key_count(); ++i) {
      std::string_view key = option.keys[i];
      lines.push_back(
          {std::string(key), part_text(option, settings, key.substr(key.rfind('.') + 1))});
    }
  }
  return lines;
}

void set_setting(Settings& settings, std::string_view name, std::string_view value) {
  const OptionDecl* option = find_option(name);
  if (!option) {
    for (const OptionDecl& candidate : options()) {
      if (!has_parts(candidate)) continue;
      for (size_t i = 0; i < candidate.key_count(); ++i)
        if (candidate.keys[i] == name) {
          set_part(settings, candidate, name, value);
          return;
        }
    }
    std::string message = std::string(name) + ": no such setting";
    if (std::string near = nearest_name(name, setting_names()); !near.empty())
      message += " (did you mean " + near + "?)";
    throw SettingError(message + "; 'lumatrix settings --list' lists them");
  }
  switch (option->kind) {
    case OptionKind::Flag:
      option->in<bool>(settings) = flag_value(name, value, *option);
      break;
    case OptionKind::Integer:
      option->in<int32_t>(settings) = integer_value(name, value, *option);
      break;
    case OptionKind::Index: {
      int32_t index = -1;
      for (size_t i = 0; i < option->items.size(); ++i)
        if (choice_is(value, option->items[i])) index = static_cast<int32_t>(i);
      option->in<int32_t>(settings) = index >= 0 ? index : integer_value(name, value, *option);
      break;
    }
    case OptionKind::Choice:
      if (option->closed() && !option->recognises(value)) refuse_choice(name, value, *option);
      option->set_text(settings, value);
      break;
    case OptionKind::Text:
      option->set_text(settings, value);
      break;
    case OptionKind::Lines:
      try {
        option->in<Lines>(settings) = unescape_lines(value);
      } catch (const SettingError& e) {
        throw SettingError(std::string(name) + ": " + e.what());
      }
      break;
    case OptionKind::Colour:
      option->in<ColourValue>(settings) = colour_value(name, value);
      break;
    case OptionKind::HtmlColour: {
      auto colour = parse_html_colour(trim_blanks(value));
      if (!colour) refuse(name, value, "an HTML colour", *option);
      option->in<HtmlColour>(settings) = HtmlColour{*colour, std::string(trim_blanks(value))};
      break;
    }
    case OptionKind::Font:
      throw SettingError(std::string(name) + ": a font is set part by part (accepts " +
                         accepted_values(*option) + ")");
  }
  propagate_mirror(settings, name);
}

std::string accepted_values(const OptionDecl& option) {
  switch (option.kind) {
    case OptionKind::Flag:
      return "true or false";
    case OptionKind::Integer:
      return option.range_text();
    case OptionKind::Index: {
      std::string text;
      for (size_t i = 0; i < option.items.size(); ++i)
        text += (i ? ", " : "") + std::to_string(i) + " \"" + std::string(option.items[i]) + "\"";
      return text;
    }
    case OptionKind::Choice:
      if (option.closed()) return "one of " + quoted_list(option.items);
      return "any text; listed: " + quoted_list(option.items);
    case OptionKind::Text:
      return "any text";
    case OptionKind::Lines:
      return "lines, each ended by \\n";
    case OptionKind::Colour:
      return "#RRGGBB or a decimal colour value";
    case OptionKind::HtmlColour:
      return "#RRGGBB; or its parts " + std::string(option.keys[0]) + " and " +
             std::string(option.keys[1]);
    case OptionKind::Font: {
      std::string text = "its parts ";
      for (size_t i = 0; i < option.key_count(); ++i)
        text += (i ? ", " : "") + std::string(option.keys[i]);
      return text;
    }
  }
  return {};
}

std::string escape_lines(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) {
    for (char c : line) {
      if (c == '\\')
        text += "\\\\";
      else if (c == '\t')
        text += "\\t";
      else if (static_cast<unsigned char>(c) < 32)
        text += hex_escape(static_cast<unsigned char>(c));
      else
        text += c;
    }
    text += "\\n";
  }
  return text;
}

Lines unescape_lines(std::string_view text) {
  Lines lines;
  std::string line;
  bool open = false;  // a line has begun that no \n ended yet
  for (size_t i = 0; i < text.size(); ++i) {
    open = true;
    if (text[i] != '\\') {
      line += text[i];
      continue;
    }
    char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (next == '\\') {
      line += '\\';
      ++i;
    } else if (next == 't') {
      line += '\t';
      ++i;
    } else if (next == 'n') {
      lines.push_back(std::move(line));
      line.clear();
      open = false;
      ++i;
    } else if (next == 'x' && i + 3 < text.size() && hex_value(text[i + 2]) >= 0 &&
               hex_value(text[i + 3]) >= 0) {
      line += static_cast<char>(hex_value(text[i + 2]) * 16 + hex_value(text[i + 3]));
      i += 3;
    } else {
      throw SettingError("'" + std::string(text.substr(i, 2)) +
                         "' is not an escape in lines (use \\n, \\t, \\\\ or \\xHH)");
    }
  }
  if (open) lines.push_back(std::move(line));
  return lines;
}

}  // namespace lumatrix
