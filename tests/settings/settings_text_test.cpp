#include "settings/settings_text.h"

#include <gtest/gtest.h>

#include "settings_samples.h"

namespace lumatrix {
namespace {

std::string refusal(std::string_view name, std::string_view value) {
  Settings s;
  try {
    set_setting(s, name, value);
  } catch (const SettingError& e) {
    return e.what();
  }
  return "accepted";
}

TEST(SettingsText, PrintedLinesSetBackTheSameRecord) {
  const Settings original = test::every_value_changed(false);
  Settings rebuilt;
  for (const SettingLine& line : setting_lines(original))
    set_setting(rebuilt, line.name, line.value);
  EXPECT_EQ(setting_lines(rebuilt).size(), setting_lines(original).size());
  for (size_t i = 0; i < setting_lines(original).size(); ++i)
    EXPECT_EQ(setting_lines(rebuilt)[i].value, setting_lines(original)[i].value)
        << setting_lines(original)[i].name;
  EXPECT_EQ(rebuilt.add_header, original.add_header);
  EXPECT_EQ(rebuilt.FontDialog2, original.FontDialog2);
  EXPECT_EQ(rebuilt.exifreport, original.exifreport);
}

TEST(SettingsText, ValuesByKind) {
  Settings s;
  set_setting(s, "Grayscale", "yes");
  EXPECT_TRUE(s.Grayscale);
  set_setting(s, "Grayscale", "False");
  EXPECT_FALSE(s.Grayscale);
  set_setting(s, "resizing_method", " resize BY pixels ");
  EXPECT_EQ(s.resizing_method, " resize BY pixels ");  // kept as typed
  set_setting(s, "Filename_Case", "uppercase");
  EXPECT_EQ(s.Filename_Case, 2);
  set_setting(s, "Filename_Case", "1");
  EXPECT_EQ(s.Filename_Case, 1);
  set_setting(s, "bgcolor", "#80ff00");
  EXPECT_EQ(s.bgcolor, (HtmlColour{0x00FF80, "#80ff00"}));
  set_setting(s, "ColorDialog1", "#0000FF");
  EXPECT_EQ(s.ColorDialog1, 0xFF0000);
  set_setting(s, "FontDialog1.Font.Name", "DejaVu Sans");
  set_setting(s, "FontDialog1.Font.Style", "bold, StrikeOut");
  set_setting(s, "FontDialog1.Font.Size", "12");
  EXPECT_EQ(s.FontDialog1.Name, "DejaVu Sans");
  EXPECT_EQ(s.FontDialog1.Style, fsBold | fsStrikeOut);
  EXPECT_EQ(s.FontDialog1.Size, 12);
  set_setting(s, "slicing", "true");
  EXPECT_TRUE(s.enableslicing);
  set_setting(s, "brightness", "-30");
  EXPECT_EQ(s.brightness_track, -30);
}

TEST(SettingsText, LinesEscapes) {
  const Lines lines{"a\\b", "", "tab\tx\x01", "last"};
  EXPECT_EQ(escape_lines(lines), "a\\\\b\\n\\ntab\\tx\\x01\\nlast\\n");
  EXPECT_EQ(unescape_lines(escape_lines(lines)), lines);
  EXPECT_EQ(unescape_lines("A$B\\nC"), (Lines{"A$B", "C"}));  // last \n optional
  EXPECT_EQ(unescape_lines(""), Lines{});
  EXPECT_EQ(unescape_lines("\\n"), Lines{""});
  EXPECT_THROW(unescape_lines("bad\\q"), SettingError);
  EXPECT_THROW(unescape_lines("cut\\x4"), SettingError);
}

TEST(SettingsText, RefusalsNameTheSettingAndWhatItAccepts) {
  EXPECT_EQ(refusal("JPEG_Quality", "101"), "JPEG_Quality: 101 is outside 0..100");
  EXPECT_EQ(refusal("JPEG_Quality", "high"),
            "JPEG_Quality: 'high' is not a whole number (accepts 0..100)");
  EXPECT_EQ(refusal("Grayscale", "maybe"),
            "Grayscale: 'maybe' is not a flag (accepts true or false)");
  EXPECT_EQ(refusal("Filename_Case", "Title"),
            "Filename_Case: 'Title' is not a whole number (accepts 0 \"As Is\", 1 \"Lowercase\", 2 "
            "\"Uppercase\")");
  EXPECT_EQ(refusal("bgcolor", "red"),
            "bgcolor: 'red' is not an HTML colour (accepts #RRGGBB; or its parts "
            "bgcolor.ColorValue and bgcolor.HTMLcolor)");
  EXPECT_EQ(refusal("no_such_thing", "1"),
            "no_such_thing: no such setting; 'lumatrix settings --list' lists them");
  EXPECT_NE(refusal("jpeg_quality", "1").find("did you mean JPEG_Quality?"), std::string::npos);
  EXPECT_NE(refusal("add_header", "x\\y").find("add_header: "), std::string::npos);
  EXPECT_NE(refusal("FontDialog1", "Arial").find("FontDialog1.Font.Name"), std::string::npos);
  EXPECT_NE(refusal("FontDialog1.Font.Pitch", "wide").find("fpVariable"), std::string::npos);
  EXPECT_EQ(refusal("FontDialog1.Font.Color", "pink"),
            "FontDialog1.Font.Color: 'pink' is not a colour (accepts #RRGGBB or a decimal colour "
            "value)");
  EXPECT_EQ(refusal("perpage", "0"), "perpage: 0 is outside 1..65335");
  EXPECT_EQ(refusal("watermark_transparency2", "-300"), "accepted");
}

}  // namespace
}  // namespace lumatrix
