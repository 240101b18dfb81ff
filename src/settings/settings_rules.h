#pragma once
// Rules that tie options to each other. The window calls them as the user edits; the command
// line applies them to its --set values the same way.
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

#include "settings/settings.h"

namespace lumatrix {

// Switches shown twice (on the "Settings" tab and on their own tab) and sliders mirroring an
// edit: changing either member sets the other.
struct MirrorPair {
  std::string_view primary;  // the "Settings"-tab switch, or the edit
  std::string_view partner;  // the own-tab switch, or the slider
};
std::span<const MirrorPair> mirror_pairs();
// The other member of the pair `name` belongs to; nullptr when it belongs to none.
const OptionDecl* mirror_of(std::string_view name);
// Call after option `name` changed: copies its value to its mirror, if it has one.
void propagate_mirror(Settings& settings, std::string_view name);
// Sets a flag and, when it is one of a mirrored pair, its partner.
void set_flag(Settings& settings, std::string_view name, bool value);
// Start-up alignment: every own-tab switch and slider takes its "Settings"-tab member's value.
void align_mirrors(Settings& settings);

// A font or colour picked with a chooser button: sets option `name` and what shows it. The
// caption text boxes preview their caption's style: a font picked for caption 1 or 2 is also
// their own font, all but its size (charset, colour, pitch, style, name); a background colour
// picked for it is their fill colour. Throws SettingError for a name of another kind.
void choose_font(Settings& settings, std::string_view name, const FontRecord& font);
void choose_colour(Settings& settings, std::string_view name, ColourValue colour);

// Which size fields of a resizing group are enabled for a method text: "pixel" in the
// lower-cased text enables width and height, else "%" enables the percentage, else none.
struct SizeFieldsEnabled {
  bool width = false, height = false, percentage = false;
  bool operator==(const SizeFieldsEnabled&) const = default;
};
SizeFieldsEnabled size_fields_enabled(std::string_view method);

struct ResizingGroup {
  std::string_view method, width, height, percentage;  // option names
};
// The main group and the two thumbnail groups.
std::span<const ResizingGroup> resizing_groups();

// The record as the program starts, before any profile: the defaults, the fifteen image
// formats with "As Is" chosen, the font faces extended by each line of `fonts_list` when that
// file exists, and the mirrors aligned.
Settings startup_settings(const std::optional<std::filesystem::path>& fonts_list);
// Same, with "fonts.txt" from the per-user folder.
Settings startup_settings();

}  // namespace lumatrix
