#include "settings/settings_rules.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace lumatrix {
namespace {

TEST(SettingsRules, MirroredSwitchesFollowEitherMember) {
  const std::pair<std::string_view, std::string_view> pairs[] = {
      {"use_filename_changer", "filename_changer"},
      {"usethumbnailgallery", "thumbnailgallery"},
      {"enableslicing", "slicing"}};
  for (auto [primary, partner] : pairs) {
    Settings s;
    set_flag(s, partner, true);
    EXPECT_TRUE(find_option(primary)->in<bool>(s)) << partner;
    set_flag(s, primary, false);
    EXPECT_FALSE(find_option(partner)->in<bool>(s)) << primary;
    set_flag(s, primary, true);
    EXPECT_TRUE(find_option(partner)->in<bool>(s)) << primary;
  }
  Settings s;
  set_flag(s, "Grayscale", true);  // not mirrored: nothing else moves
  Settings expected;
  expected.Grayscale = true;
  EXPECT_EQ(s, expected);
}

TEST(SettingsRules, SlidersMirrorTheirEdits) {
  Settings s;
  s.brightness_track = -40;
  propagate_mirror(s, "brightness_track");
  EXPECT_EQ(s.brightness, -40);
  s.contrast = 25;
  propagate_mirror(s, "contrast");
  EXPECT_EQ(s.contrast_track, 25);
  EXPECT_EQ(mirror_of("JPEG_Quality"), nullptr);
}

TEST(SettingsRules, StartUpAlignsOwnTabMembersFromTheSettingsTab) {
  Settings s;
  s.enableslicing = true;
  s.slicing = false;
  s.filename_changer = true;  // the own-tab member yields
  s.brightness = 12;
  align_mirrors(s);
  EXPECT_TRUE(s.slicing);
  EXPECT_FALSE(s.filename_changer);
  EXPECT_EQ(s.brightness_track, 12);
}

TEST(SettingsRules, SizeFieldsFollowTheMethodText) {
  const SizeFieldsEnabled pixels{true, true, false}, percent{false, false, true}, none{};
  EXPECT_EQ(size_fields_enabled("Resize by Pixels"), pixels);
  EXPECT_EQ(size_fields_enabled("  DOWNSIZE BY PIXELS"), pixels);
  EXPECT_EQ(size_fields_enabled("my pixel %"), pixels);  // "pixel" is tested first
  EXPECT_EQ(size_fields_enabled("Upsize by %"), percent);
  EXPECT_EQ(size_fields_enabled("As Is"), none);
  EXPECT_EQ(size_fields_enabled("1/2x"), none);
  EXPECT_EQ(size_fields_enabled(""), none);
  ASSERT_EQ(resizing_groups().size(), 3u);
  for (const ResizingGroup& group : resizing_groups())
    for (std::string_view name : {group.method, group.width, group.height, group.percentage})
      EXPECT_NE(find_option(name), nullptr) << name;
}

TEST(SettingsRules, StartUpValuesAndFontsList) {
  test::TempDir dir;
  Settings plain = startup_settings(dir / "fonts.txt");  // absent
  ASSERT_EQ(plain.fontface_Items.size(), 7u);
  EXPECT_EQ(plain.fontface_Items[6], "Geneva, Arial, Helvetica, san-serif");
  // The fifteen items it has always had come first; settings_test holds the whole list.
  ASSERT_GE(plain.Image_Format_Items.size(), 15u);
  EXPECT_EQ(plain.Image_Format_Items[14], "PPM");
  EXPECT_EQ(plain.Image_Format, "As Is");

  const std::string fonts = "\xEF\xBB\xBFTrebuchet MS, sans-serif\r\nDejaVu Serif\nZapf \xC3\xA4\n";
  test::write_bytes(dir / "fonts.txt",
                    std::span(reinterpret_cast<const uint8_t*>(fonts.data()), fonts.size()));
  Settings s = startup_settings(dir / "fonts.txt");
  ASSERT_EQ(s.fontface_Items.size(), 10u);
  EXPECT_EQ(s.fontface_Items[7], "Trebuchet MS, sans-serif");
  EXPECT_EQ(s.fontface_Items[8], "DejaVu Serif");
  EXPECT_EQ(s.fontface_Items[9], "Zapf \xC3\xA4");
  EXPECT_EQ(s.fontface, "Default");
}

TEST(SettingsRules, CaptionTextBoxesPreviewTheChosenFontAndBackground) {
  Settings s;
  const FontRecord picked{"DejaVu Serif", 20, -27, 0x0000FF, 238, FontPitch::fpVariable, fsItalic};
  choose_font(s, "FontDialog2", picked);
  EXPECT_EQ(s.FontDialog2, picked);
  // All but the size: the text box keeps its own.
  FontRecord shown = picked;
  shown.Size = default_caption_font().Size;
  shown.Height = default_caption_font().Height;
  EXPECT_EQ(s.caption_text2_Font, shown);
  EXPECT_EQ(s.caption_text_Font, default_caption_font());  // caption 1 is another box

  choose_colour(s, "ColorDialog1", 0x00FF00);
  EXPECT_EQ(s.ColorDialog1, 0x00FF00);
  EXPECT_EQ(s.caption_text_Color, 0x00FF00);
  EXPECT_EQ(s.caption_text2_Color, 0);

  // A chooser of another option previews nowhere.
  Settings plain;
  choose_colour(plain, "caption_text.Color", 0x123456);
  Settings expected;
  expected.caption_text_Color = 0x123456;
  EXPECT_EQ(plain, expected);
  EXPECT_THROW(choose_colour(plain, "JPEG_Quality", 1), SettingError);
  EXPECT_THROW(choose_font(plain, "ColorDialog1", picked), SettingError);
}

}  // namespace
}  // namespace lumatrix
