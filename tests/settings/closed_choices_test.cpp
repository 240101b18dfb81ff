// Choices whose lists are closed refuse other texts on the command line and warn in profiles;
// free lists take any text.
#include <gtest/gtest.h>

#include "settings/profile_file.h"
#include "settings/settings_text.h"

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

TEST(ClosedChoices, RefuseTextsTheirConsumerCannotReadWithTheListAndANearItem) {
  const std::string lanczos = refusal("resampletype", "Lanczos");
  EXPECT_NE(lanczos.find("resampletype: 'Lanczos' is not one of "), std::string::npos) << lanczos;
  EXPECT_NE(lanczos.find("\"Lanczos3\""), std::string::npos);
  EXPECT_NE(lanczos.find("(did you mean \"Lanczos3\"?)"), std::string::npos);
  EXPECT_NE(refusal("resizing_method", "Resize by Pixel").find("did you mean \"Resize by Pixels\""),
            std::string::npos);
  EXPECT_NE(refusal("frame", "Shadow").find("is not one of"), std::string::npos);
  EXPECT_NE(refusal("filter", "Sharp").find("did you mean \"Sharpen\""), std::string::npos);
  EXPECT_NE(refusal("overwrite_policy", "keep").find("is not one of"), std::string::npos);
  EXPECT_NE(refusal("png_compression", "10").find("is not one of"), std::string::npos);
  EXPECT_NE(refusal("Image_Format", "JPG2").find("is not one of"), std::string::npos);
  // Nothing near: the list alone.
  const std::string far = refusal("frame", "qqqqqqqq");
  EXPECT_NE(far.find("is not one of"), std::string::npos);
  EXPECT_EQ(far.find("did you mean"), std::string::npos);
}

TEST(ClosedChoices, AcceptTheirItemsAsTheConsumerComparesThem) {
  Settings s;
  // Trimmed and in any case, as the imaging operations read them; kept as typed.
  set_setting(s, "resampletype", " lanczos3 ");
  EXPECT_EQ(s.resampletype.value(), ResampleFilter::Lanczos3);
  set_setting(s, "resizing_method", "downsize BY pixels");
  EXPECT_EQ(s.resizing_method.value(), ResizeMethod::DownsizeByPixels);
  set_setting(s, "overwrite_policy", "keep both");
  EXPECT_EQ(s.overwrite_policy.value(), OverwritePolicy::KeepBoth);
  set_setting(s, "png_compression", "from quality");
  EXPECT_EQ(s.png_compression.value(), std::nullopt);
  set_setting(s, "png_compression", "9");
  EXPECT_EQ(s.png_compression.value(), 9);
  // Image_Format also takes the words the output extension reads ("tiff" is a TIFF).
  for (const char* format : {"PNG", "jpeg", "As Is", "tiff"}) {
    EXPECT_EQ(refusal("Image_Format", format), "accepted") << format;
  }
}

TEST(FreeChoices, TakeAnyText) {
  Settings s;
  set_setting(s, "save_in_directory", "/tmp/out/[Subfolders]");
  EXPECT_EQ(s.save_in_directory.text(), "/tmp/out/[Subfolders]");
  set_setting(s, "caption_text", "Holiday [DATE]");
  EXPECT_EQ(s.caption_text.text(), "Holiday [DATE]");
  set_setting(s, "date_format", "YYYY-MM-DD");
  EXPECT_EQ(s.date_format, "YYYY-MM-DD");
  EXPECT_EQ(accepted_values(*find_option("caption_text")).rfind("any text", 0), 0u);
  EXPECT_EQ(accepted_values(*find_option("frame")).rfind("one of ", 0), 0u);
}

TEST(PngCompressionChoice, LevelsFromQualityAndTheDefault) {
  EXPECT_EQ(PngCompressionChoice::parse("0"), 0);
  EXPECT_EQ(PngCompressionChoice::parse(" 7 "), 7);
  EXPECT_EQ(PngCompressionChoice::parse("From Quality"), std::nullopt);
  EXPECT_EQ(PngCompressionChoice::parse("fast"), kDefaultPngLevel);
  EXPECT_EQ(Settings{}.png_compression.value(), 6);
}

TEST(ProfileWarnings, UnrecognisedChoiceIsReadAsWrittenWithAWarning) {
  Settings s;
  const auto warnings = apply_profile_text(
      "[Settings]\r\nframe.Text=Shadow\r\n"
      "resampletype.Text=Lanczos\r\n",
      s);
  EXPECT_EQ(s.frame.text(), "Shadow");
  EXPECT_EQ(s.resampletype.text(), "Lanczos");
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[0].rfind("frame.Text: \"Shadow\" is none of the items of frame", 0), 0u)
      << warnings[0];
  EXPECT_NE(warnings[1].find("(did you mean \"Lanczos3\"?)"), std::string::npos) << warnings[1];
}

TEST(ProfileWarnings, UnknownKeysAreNamedWithTheKeyMeant) {
  Settings s;
  const auto warnings = apply_profile_text(
      "[Settings]\r\nJPEG_Quality=90\r\nJPEG_Qualty.AsInteger=80\r\nworkers=3\r\n"
      "[Lumatrix]\r\noverwrite_polcy=Keep both\r\n[Other program]\r\nanything=1\r\n",
      s);
  EXPECT_EQ(s.JPEG_Quality, 75);  // none of them is read
  EXPECT_EQ(s.workers, 0);
  ASSERT_EQ(warnings.size(), 4u);
  EXPECT_EQ(
      warnings[0],
      "JPEG_Quality: not a key of [Settings], ignored (did you mean JPEG_Quality.AsInteger?)");
  EXPECT_EQ(warnings[1],
            "JPEG_Qualty.AsInteger: not a key of [Settings], ignored (did you mean "
            "JPEG_Quality.AsInteger?)");
  EXPECT_EQ(warnings[2], "workers: belongs in [Lumatrix], ignored here");
  EXPECT_EQ(warnings[3],
            "overwrite_polcy: not a key of [Lumatrix], ignored (did you mean overwrite_policy?)");
}

// Regression: a font's size alone was ignored by the renderer, which reads the height.
TEST(FontSize, SettingTheSizeSetsTheHeightAndBack) {
  Settings s;
  set_setting(s, "FontDialog1.Font.Size", "12");
  EXPECT_EQ(s.FontDialog1.Size, 12);
  EXPECT_EQ(s.FontDialog1.Height, -16);  // 12 pt at 96 dots per inch
  set_setting(s, "FontDialog1.Font.Height", "-24");
  EXPECT_EQ(s.FontDialog1.Size, 18);
  set_setting(s, "FontDialog1.Font.Size", "11");
  EXPECT_EQ(s.FontDialog1.Height, -15);  // 14.67 rounded
}

}  // namespace
}  // namespace lumatrix
