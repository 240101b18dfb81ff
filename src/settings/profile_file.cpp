#include "settings/profile_file.h"

#include <algorithm>
#include <limits>
#include <span>

#include "base/choice_text.h"
#include "base/file_bytes.h"
#include "settings/settings_keys.h"
#include "settings/user_paths.h"

namespace lumatrix {

namespace {

constexpr std::string_view kSection = "Settings";
// Options of this program's own, after [Settings]: readers that know only [Settings] skip it.
constexpr std::string_view kExtensionSection = "Lumatrix";
constexpr std::string_view kTextPrefix = "text:";
constexpr std::string_view kInt64Prefix = "int64:";

bool has_control_character(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) < 32) return true;
  return false;
}

// A list's text is each line followed by CR LF.
std::string joined_lines(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// Breaks at CR LF, lone CR or lone LF; a last line needs no terminator.
Lines split_lines(std::string_view text) {
  Lines lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

// Whole numbers come bare, as "int64:N", or (for a number option's .Text) as a quoted text.
std::optional<int64_t> read_integer(std::string_view value) {
  if (value.starts_with(kInt64Prefix)) return parse_decimal(value.substr(kInt64Prefix.size()));
  std::optional<std::string> text = decode_profile_text(value);
  if (!text) return std::nullopt;
  return parse_decimal(trim_blanks(*text));
}

std::optional<int32_t> read_int32(std::string_view value) {
  std::optional<int64_t> number = read_integer(value);
  if (!number || *number < std::numeric_limits<int32_t>::min() ||
      *number > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(*number);
}

std::string cannot_read(const ProfileKey& key, std::string_view type) {
  return std::string(key.key) + ": Can't read value as " + std::string(type) + " type.";
}

std::string encode_value(const ProfileKey& key, const Settings& settings) {
  const OptionDecl& option = *key.option;
  const std::string_view property = key.property;
  switch (option.kind) {
    case OptionKind::Flag:
      return encode_profile_text(option.in<bool>(settings) ? "True" : "False");
    case OptionKind::Integer:
    case OptionKind::Index: {
      int32_t value = option.in<int32_t>(settings);
      if (property == "AsInt64") return encode_profile_int64(value);
      if (property == "Text") return encode_profile_text(std::to_string(value));
      return std::to_string(value);
    }
    case OptionKind::Colour:
      return std::to_string(option.in<ColourValue>(settings));
    case OptionKind::Choice:
    case OptionKind::Text:
      return encode_profile_text(option.text_in(settings));
    case OptionKind::Lines:
      return encode_profile_text(joined_lines(option.in<Lines>(settings)));
    case OptionKind::HtmlColour: {
      const HtmlColour& colour = option.in<HtmlColour>(settings);
      if (property == "ColorValue") return std::to_string(colour.ColorValue);
      return encode_profile_text(colour.HTMLcolor);
    }
    case OptionKind::Font: {
      const FontRecord& font = option.in<FontRecord>(settings);
      if (property == "Name") return encode_profile_text(font.Name);
      if (property == "Pitch") return encode_profile_text(pitch_name(font.Pitch));
      if (property == "Style") return encode_profile_text(style_set_text(font.Style));
      if (property == "Charset") return std::to_string(font.Charset);
      if (property == "Color") return std::to_string(font.Color);
      if (property == "Height") return std::to_string(font.Height);
      return std::to_string(font.Size);
    }
  }
  return {};
}

// Sets the property from its encoded value; returns a warning when the value does not fit.
std::optional<std::string> decode_value(const ProfileKey& key, std::string_view value,
                                        Settings& settings) {
  const OptionDecl& option = *key.option;
  const std::string_view property = key.property;
  const std::string_view integer_type = property == "AsInt64" ? "int64" : "integer";
  switch (option.kind) {
    case OptionKind::Flag: {
      std::optional<std::string> text = decode_profile_text(value);
      if (text && choice_is(*text, "true")) {
        option.in<bool>(settings) = true;
      } else if (text && choice_is(*text, "false")) {
        option.in<bool>(settings) = false;
      } else {
        return cannot_read(key, "boolean");
      }
      return std::nullopt;
    }
    case OptionKind::Integer:
    case OptionKind::Index: {
      std::optional<int64_t> number = read_integer(value);
      if (!number) return cannot_read(key, integer_type);
      try {
        check_integer(option, *number);
      } catch (const SettingError& refused) {
        return std::string(key.key) + " skipped: " + refused.what();
      }
      option.in<int32_t>(settings) = static_cast<int32_t>(*number);
      return std::nullopt;
    }
    case OptionKind::Colour: {
      std::optional<int32_t> number = read_int32(value);
      if (!number) return cannot_read(key, integer_type);
      option.in<ColourValue>(settings) = *number;
      return std::nullopt;
    }
    case OptionKind::Choice:
    case OptionKind::Text: {
      std::optional<std::string> text = decode_profile_text(value);
      if (!text) return cannot_read(key, "text");
      option.set_text(settings, *text);
      return std::nullopt;
    }
    case OptionKind::Lines: {
      std::optional<std::string> text = decode_profile_text(value);
      if (!text) return cannot_read(key, "text");
      option.in<Lines>(settings) = split_lines(*text);
      return std::nullopt;
    }
    case OptionKind::HtmlColour: {
      HtmlColour& colour = option.in<HtmlColour>(settings);
      if (property == "ColorValue") {
        std::optional<int32_t> number = read_int32(value);
        if (!number) return cannot_read(key, integer_type);
        colour.ColorValue = *number;
      } else {
        std::optional<std::string> text = decode_profile_text(value);
        if (!text) return cannot_read(key, "text");
        colour.HTMLcolor = std::move(*text);
      }
      return std::nullopt;
    }
    case OptionKind::Font: {
      FontRecord& font = option.in<FontRecord>(settings);
      if (property == "Name" || property == "Pitch" || property == "Style") {
        std::optional<std::string> text = decode_profile_text(value);
        if (property == "Name") {
          if (!text) return cannot_read(key, "text");
          font.Name = std::move(*text);
        } else if (property == "Pitch") {
          std::optional<FontPitch> pitch = text ? parse_pitch(*text) : std::nullopt;
          if (!pitch) return cannot_read(key, "font pitch");
          font.Pitch = *pitch;
        } else {
          std::optional<uint8_t> style = text ? parse_style_set(*text) : std::nullopt;
          if (!style) return cannot_read(key, "font style set");
          font.Style = *style;
        }
        return std::nullopt;
      }
      std::optional<int32_t> number = read_int32(value);
      if (!number) return cannot_read(key, integer_type);
      if (property == "Charset") font.Charset = *number;
      if (property == "Color") font.Color = *number;
      if (property == "Height") font.Height = *number;
      if (property == "Size") font.Size = *number;
      return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace

std::string encode_profile_text(std::string_view text) {
  if (text.empty()) return {};
  if (!has_control_character(text)) return "\"" + std::string(text) + "\"";
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded(kTextPrefix);
  encoded += '"';
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '$') {
      encoded += "$$";
    } else if (byte < 32) {
      encoded += '$';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 15];
    } else {
      encoded += c;
    }
  }
  return encoded + '"';
}

std::optional<std::string> decode_profile_text(std::string_view value) {
  if (value.starts_with(kTextPrefix)) {
    std::string_view body = value.substr(kTextPrefix.size());
    if (body.size() < 2 || body.front() != '"' || body.back() != '"') return std::nullopt;
    body = body.substr(1, body.size() - 2);
    std::string text;
    for (size_t i = 0; i < body.size(); ++i) {
      if (body[i] != '$') {
        text += body[i];
      } else if (i + 1 < body.size() && body[i + 1] == '$') {
        text += '$';
        ++i;
      } else if (i + 2 < body.size() && hex_value(body[i + 1]) >= 0 &&
                 hex_value(body[i + 2]) >= 0) {
        text += static_cast<char>(hex_value(body[i + 1]) * 16 + hex_value(body[i + 2]));
        i += 2;
      } else {
        return std::nullopt;
      }
    }
    return text;
  }
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    return std::string(value.substr(1, value.size() - 2));
  return std::string(value);
}

std::string encode_profile_int64(int64_t value) {
  bool fits =
      value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max();
  return fits ? std::string(kInt64Prefix) + std::to_string(value) : std::to_string(value);
}

std::string profile_text(const Settings& settings) {
  std::string text = "[" + std::string(kSection) + "]\r\n";
  for (const ProfileKey& key : profile_keys())
    text += std::string(key.key) + "=" + encode_value(key, settings) + "\r\n";
  // Only a record that sets an extension gets the section, so a profile of defaults stays the
  // file older versions wrote.
  const std::span<const ProfileKey> extensions = extension_keys();
  if (std::all_of(extensions.begin(), extensions.end(),
                  [&](const ProfileKey& key) { return holds_default(*key.option, settings); }))
    return text;
  text += "[" + std::string(kExtensionSection) + "]\r\n";
  for (const ProfileKey& key : extensions)
    text += std::string(key.key) + "=" + encode_value(key, settings) + "\r\n";
  return text;
}

std::vector<std::string> apply_profile_text(std::string_view text, Settings& settings) {
  std::vector<std::string> warnings;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  // The section being read finds its keys here; none for an unknown section.
  const ProfileKey* (*find_key)(std::string_view) = nullptr;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string_view trimmed = trim_blanks(line);
    if (trimmed.empty()) continue;
    const char first = line.front();
    if (first == '#' || first == '/' || first == ';' || first == '\\') continue;
    if (trimmed.front() == '[' && trimmed.back() == ']') {
      const std::string_view section = trimmed.substr(1, trimmed.size() - 2);
      find_key = choice_is(section, kSection)            ? find_profile_key
                 : choice_is(section, kExtensionSection) ? find_extension_key
                                                         : nullptr;
      continue;
    }
    size_t equals = line.find('=');
    if (!find_key || equals == std::string_view::npos) continue;
    const ProfileKey* key = find_key(line.substr(0, equals));
    if (!key) continue;
    if (auto warning = decode_value(*key, trim_blanks(line.substr(equals + 1)), settings))
      warnings.push_back(std::move(*warning));
  }
  return warnings;
}

void save_profile(const std::filesystem::path& path, const Settings& settings) {
  const std::string text = profile_text(settings);
  write_file_atomically(path,
                        std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

ProfileLoad load_profile(const std::filesystem::path& path, Settings& settings) {
  ProfileLoad result;
  std::error_code error;
  if (!std::filesystem::exists(path, error)) {
    result.missing = true;
    return result;
  }
  const std::vector<uint8_t> bytes = read_file_bytes(path);
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  for (std::string& warning : apply_profile_text(text, settings))
    result.warnings.push_back(path.string() + ": " + warning);
  return result;
}

void save_default_profile(const Settings& settings) {
  create_user_folder();
  save_profile(default_profile_path(), settings);
}

ProfileLoad load_default_profile(Settings& settings) {
  return load_profile(default_profile_path(), settings);
}

}  // namespace lumatrix
