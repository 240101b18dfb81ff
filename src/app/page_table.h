#pragma once
// Where the settings appear in the window: which page holds which group box, and the buttons
// that fill a setting from a chooser. The one table of the layout; the widgets themselves come
// from the settings table.
#include <span>
#include <string_view>

namespace lumatrix::app {

struct PageGroups {
  std::string_view page;                     // the tab's caption
  std::span<const std::string_view> groups;  // its group boxes, in order
};

// The six settings pages, in tab order (the "Control Center" page comes before them).
std::span<const PageGroups> settings_pages();
// The page a group box is on; empty for a group shown nowhere (the hidden values).
std::string_view page_of_group(std::string_view group);

// A button beside a setting that fills it from a chooser.
enum class ChooserKind { Directory, ImageFile };
struct ChooserButton {
  std::string_view setting;   // the setting filled
  std::string_view caption;   // the button's text
  std::string_view title;     // the chooser's title
  std::string_view remember;  // the hidden setting keeping the chooser's last folder; may be empty
  ChooserKind kind;
};
std::span<const ChooserButton> chooser_buttons();
// The chooser button of a setting; nullptr when it has none.
const ChooserButton* chooser_for(std::string_view setting);

}  // namespace lumatrix::app
