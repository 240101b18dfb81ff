#include "settings/settings_rules.h"

#include <fstream>
#include <iterator>
#include <string>

#include "base/choice_text.h"
#include "settings/setting_groups.h"
#include "settings/user_paths.h"

namespace lumatrix {

namespace {

constexpr MirrorPair kMirrors[] = {
    {"use_filename_changer", "filename_changer"},
    {"usethumbnailgallery", "thumbnailgallery"},
    {"enableslicing", "slicing"},
    {"brightness", "brightness_track"},
    {"contrast", "contrast_track"},
};

constexpr ResizingGroup kResizingGroups[] = {
    {"resizing_method", "image_width", "image_height", "percentage"},
    {"resizing_method_t1", "image_width_t1", "image_height_t1", "percentage_t1"},
    {"resizing_method_t2", "image_width_t2", "image_height_t2", "percentage_t2"},
};

const OptionDecl& option_named(std::string_view name) {
  const OptionDecl* option = find_option(name);
  if (!option) throw SettingError(std::string(name) + ": no such setting");
  return *option;
}

void copy_value(Settings& settings, const OptionDecl& from, const OptionDecl& to) {
  if (from.kind == OptionKind::Flag)
    to.in<bool>(settings) = from.in<bool>(settings);
  else
    to.in<int32_t>(settings) = from.in<int32_t>(settings);
}

// The lines of a small text file, without line ends (CR LF or LF) and without a leading BOM.
Lines read_lines(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  Lines lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

}  // namespace

std::span<const MirrorPair> mirror_pairs() {
  return kMirrors;
}

const OptionDecl* mirror_of(std::string_view name) {
  for (const MirrorPair& pair : kMirrors) {
    if (pair.primary == name) return find_option(pair.partner);
    if (pair.partner == name) return find_option(pair.primary);
  }
  return nullptr;
}

void propagate_mirror(Settings& settings, std::string_view name) {
  if (const OptionDecl* partner = mirror_of(name))
    copy_value(settings, option_named(name), *partner);
}

void set_flag(Settings& settings, std::string_view name, bool value) {
  const OptionDecl& option = option_named(name);
  if (option.kind != OptionKind::Flag) throw SettingError(std::string(name) + ": not a flag");
  option.in<bool>(settings) = value;
  propagate_mirror(settings, name);
}

void align_mirrors(Settings& settings) {
  for (const MirrorPair& pair : kMirrors)
    copy_value(settings, option_named(pair.primary), option_named(pair.partner));
}

void choose_font(Settings& settings, std::string_view name, const FontRecord& font) {
  const OptionDecl& option = option_named(name);
  if (option.kind != OptionKind::Font) throw SettingError(std::string(name) + ": not a font");
  option.in<FontRecord>(settings) = font;
  for (int which = 1; which <= 2; ++which) {
    if (caption_group_names(which).font != name) continue;
    FontRecord& shown = which == 1 ? settings.caption_text_Font : settings.caption_text2_Font;
    shown.Charset = font.Charset;
    shown.Color = font.Color;
    shown.Pitch = font.Pitch;
    shown.Style = font.Style;
    shown.Name = font.Name;
  }
}

void choose_colour(Settings& settings, std::string_view name, ColourValue colour) {
  const OptionDecl& option = option_named(name);
  if (option.kind != OptionKind::Colour) throw SettingError(std::string(name) + ": not a colour");
  option.in<ColourValue>(settings) = colour;
  for (int which = 1; which <= 2; ++which)
    if (caption_group_names(which).background == name)
      (which == 1 ? settings.caption_text_Color : settings.caption_text2_Color) = colour;
}

SizeFieldsEnabled size_fields_enabled(std::string_view method) {
  const std::string lower = lower_ascii(method);
  if (lower.find("pixel") != std::string::npos) return {true, true, false};
  if (lower.find('%') != std::string::npos) return {false, false, true};
  return {};
}

std::span<const ResizingGroup> resizing_groups() {
  return kResizingGroups;
}

Settings startup_settings(const std::optional<std::filesystem::path>& fonts_list) {
  Settings settings;
  settings.Image_Format_Items = lines_of(image_formats());
  settings.Image_Format = "As Is";
  settings.fontface_Items = lines_of(kFontFaces);
  std::error_code error;
  if (fonts_list && std::filesystem::is_regular_file(*fonts_list, error))
    for (std::string& face : read_lines(*fonts_list))
      settings.fontface_Items.push_back(std::move(face));
  align_mirrors(settings);
  return settings;
}

Settings startup_settings() {
  return startup_settings(fonts_list_path());
}

}  // namespace lumatrix
