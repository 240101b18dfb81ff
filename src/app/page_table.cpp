#include "app/page_table.h"

namespace lumatrix::app {

namespace {

constexpr std::string_view kSettings[] = {"Resizing Settings", "Image Manipulation",
                                          "Image Frame Settings", "Saving Options", "Performance"};
constexpr std::string_view kSettingsContinued[] = {
    "1st Text Captioning", "2nd Text Captioning", "1st Watermarking", "2nd Watermarking",
    "Cropping Settings",   "Image Slicing",       "EXIF Report"};
constexpr std::string_view kThumbnails[] = {"Thumbnail 1 Settings", "Thumbnail 2 Settings"};
constexpr std::string_view kFilenameChanger[] = {"Filename Changer Settings"};
constexpr std::string_view kHtml[] = {"HTML Options", "Processing Options", "Thumbnail Options"};
constexpr std::string_view kHtmlContinued[] = {"Additional Header Tag", "Page Top HTML",
                                               "Page Bottom HTML"};

constexpr PageGroups kPages[] = {
    {"Settings", kSettings},
    {"Settings (Con't)", kSettingsContinued},
    {"Thumbnails Settings", kThumbnails},
    {"Filename Changer", kFilenameChanger},
    {"HTML Wizard", kHtml},
    {"HTML Wizard (Con't)", kHtmlContinued},
};

constexpr ChooserButton kChoosers[] = {
    {"save_in_directory", "Browse", "Save Processed Images In ..", "saveindlg.Path",
     ChooserKind::Directory},
    {"save_in_directory_t1", "Save In", "Save Processed Thumbnail Images In ..", "saveindlg.Path",
     ChooserKind::Directory},
    {"save_in_directory_t2", "Save In", "Save Processed Thumbnail Images In ..", "saveindlg.Path",
     ChooserKind::Directory},
    {"filename_save_in", "Save In", "Save Renamed Files in", "filename_savedlg.Path",
     ChooserKind::Directory},
    {"watermark", "Load", "Load Watermark Image", "", ChooserKind::ImageFile},
    {"watermark2", "Load", "Load Watermark Image", "", ChooserKind::ImageFile},
    {"backimage", "Back Image", "Back Image", "", ChooserKind::ImageFile},
    {"homeimage", "Home Image", "Home Image", "", ChooserKind::ImageFile},
    {"nextimage", "Next Image", "Next Image", "", ChooserKind::ImageFile},
};

}  // namespace

std::span<const PageGroups> settings_pages() {
  return kPages;
}

std::string_view page_of_group(std::string_view group) {
  for (const PageGroups& page : kPages)
    for (std::string_view g : page.groups)
      if (g == group) return page.page;
  return {};
}

std::span<const ChooserButton> chooser_buttons() {
  return kChoosers;
}

const ChooserButton* chooser_for(std::string_view setting) {
  for (const ChooserButton& c : kChoosers)
    if (c.setting == setting) return &c;
  return nullptr;
}

}  // namespace lumatrix::app
