#include "settings/settings_values.h"

#include <array>

#include "base/choice_text.h"
#include "imaging/format_facts.h"

namespace lumatrix {

namespace {
constexpr std::array<std::string_view, 3> kPitchNames = {"fpDefault", "fpVariable", "fpFixed"};
constexpr std::array<std::string_view, 4> kStyleNames = {"fsBold", "fsItalic", "fsUnderline",
                                                         "fsStrikeOut"};
}  // namespace

ColourValue colour_from_rgb(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<ColourValue>(red | (green << 8) | (blue << 16));
}

std::optional<ColourValue> parse_html_colour(std::string_view text) {
  if (text.size() != 7 || text[0] != '#') return std::nullopt;
  uint32_t rgb = 0;
  for (char c : text.substr(1)) {
    int d = hex_value(c);
    if (d < 0) return std::nullopt;
    rgb = rgb << 4 | static_cast<uint32_t>(d);
  }
  return colour_from_rgb(static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                         static_cast<uint8_t>(rgb));
}

Rgb rgb_of(ColourValue colour) {
  const auto c = static_cast<uint32_t>(resolve_colour(colour));
  return {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16)};
}

ColourValue resolve_colour(ColourValue colour) {
  if (colour >= 0) return colour & 0xFFFFFF;
  // The usual values of the system colours a profile may name (by their index).
  static constexpr std::array<uint32_t, 25> kSystem = {
      0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000, 0x000000,
      0xFFFFFF, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xFF9933, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D,
      0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000, 0xE1FFFF};
  uint32_t index = static_cast<uint32_t>(colour) & 0xFF;
  return index < kSystem.size() ? static_cast<ColourValue>(kSystem[index]) : 0;
}

std::string html_form(ColourValue colour) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  uint32_t c = static_cast<uint32_t>(resolve_colour(colour));
  uint8_t rgb[3] = {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
                    static_cast<uint8_t>(c >> 16)};
  std::string text = "#";
  for (uint8_t v : rgb) {
    text += kHex[v >> 4];
    text += kHex[v & 15];
  }
  return text;
}

HtmlColour html_colour(std::string_view html) {
  return HtmlColour{parse_html_colour(html).value_or(0), std::string(html)};
}

FontRecord default_caption_font() {
  FontRecord font;
  font.Name = "MS Sans Serif";
  font.Height = -11;
  font.Size = 8;
  font.Color = 0;
  font.Charset = 1;
  return font;
}

std::string_view pitch_name(FontPitch pitch) {
  return kPitchNames[static_cast<size_t>(pitch)];
}

std::optional<FontPitch> parse_pitch(std::string_view text) {
  std::string wanted = normalized_choice(text);
  for (size_t i = 0; i < kPitchNames.size(); ++i) {
    std::string name = normalized_choice(kPitchNames[i]);
    if (wanted == name || wanted == name.substr(2)) return static_cast<FontPitch>(i);
  }
  return std::nullopt;
}

std::string style_set_text(uint8_t style) {
  std::string text = "[";
  for (size_t i = 0; i < kStyleNames.size(); ++i) {
    if (!(style & (1u << i))) continue;
    if (text.size() > 1) text += ',';
    text += kStyleNames[i];
  }
  return text + "]";
}

std::optional<uint8_t> parse_style_set(std::string_view text) {
  std::string_view body = trim_blanks(text);
  if (!body.empty() && body.front() == '[') {
    if (body.back() != ']') return std::nullopt;
    body = body.substr(1, body.size() - 2);
  }
  uint8_t style = 0;
  while (!trim_blanks(body).empty()) {
    size_t comma = body.find(',');
    std::string member = normalized_choice(body.substr(0, comma));
    body = comma == std::string_view::npos ? std::string_view{} : body.substr(comma + 1);
    bool known = false;
    for (size_t i = 0; i < kStyleNames.size(); ++i) {
      std::string name = normalized_choice(kStyleNames[i]);
      if (member == name || member == name.substr(2)) {
        style |= static_cast<uint8_t>(1u << i);
        known = true;
      }
    }
    if (!known) return std::nullopt;
  }
  return style;
}

std::span<const std::string_view> image_formats() {
  static const std::vector<std::string_view> items = [] {
    std::vector<std::string_view> out{"As Is"};
    const std::span<const std::string_view> saved = save_choice_labels();
    out.insert(out.end(), saved.begin(), saved.end());
    return out;
  }();
  return items;
}

bool names_image_format(std::string_view text) {
  return choice_is(text, image_formats().front()) || save_choice_named(text) != nullptr;
}

Lines lines_of(std::span<const std::string_view> items) {
  return Lines(items.begin(), items.end());
}

}  // namespace lumatrix
