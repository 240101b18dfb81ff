#include "settings/settings.h"

#include <gtest/gtest.h>

#include <set>
#include <type_traits>

#include "base/choice_text.h"
#include "imaging/codec.h"
#include "settings/settings_keys.h"
#include "settings/settings_rules.h"

namespace lumatrix {
namespace {

// Consumers read members by control name with their natural types.
static_assert(std::is_same_v<decltype(Settings::JPEG_Quality), int32_t>);
static_assert(std::is_same_v<decltype(Settings::resizing_method), Choice<ResizeMethodChoice>>);
static_assert(std::is_same_v<decltype(Settings::Image_Format), std::string>);
static_assert(std::is_same_v<decltype(Settings::add_header), Lines>);
static_assert(std::is_same_v<decltype(Settings::progressive_JPEG), bool>);
static_assert(std::is_same_v<decltype(Settings::FontDialog1), FontRecord>);
static_assert(std::is_same_v<decltype(Settings::bgcolor), HtmlColour>);

TEST(SettingsTable, DefaultsFollowTheOptionTable) {
  const Settings s;
  EXPECT_EQ(s.resizing_method, "As Is");
  EXPECT_EQ(s.image_width, 640);
  EXPECT_EQ(s.JPEG_Quality, 75);
  EXPECT_TRUE(s.progressive_JPEG);
  EXPECT_EQ(s.colordepth, "24 Bits (16.7 mil)");
  EXPECT_EQ(s.watermark_transparency, 50);
  EXPECT_EQ(s.watermark_transparency2, 0);
  EXPECT_EQ(s.quality_t1, 70);
  EXPECT_EQ(s.date_type, "Creation");
  EXPECT_EQ(s.htmlprefix, "index");
  EXPECT_EQ(s.perpage, 12);
  EXPECT_EQ(s.fontcolor, (HtmlColour{0xFFFFFF, "#FFFFFF"}));
  EXPECT_EQ(s.alink, (HtmlColour{0x000080, "#800000"}));  // red in the low byte
  EXPECT_EQ(s.designtype_Items, (Lines{"File Directory", "Table Listing"}));
  EXPECT_EQ(s.FontDialog1.Height, -11);
  EXPECT_EQ(s.fontface_Items.size(), 7u);
  EXPECT_NO_THROW(validate(s));
}

TEST(SettingsTable, ImageFormatItemsAreAsIsThenTheSaveChoicesInTheirOrder) {
  Lines items = {"As Is",         "JPEG",          "BMP",
                 "GIF",           "PNG",           "PCX",
                 "TIFF Packbits", "TIFF LZW",      "TIFF CCITT Huffman",
                 "TIFF CCITT G3", "TIFF CCITT G4", "TGA",
                 "PBM",           "PGM",           "PPM"};
  // The newer formats follow, where the build has them and can write them.
  for (const auto& [name, item] :
       {std::pair{"a.webp", "WebP"}, {"a.avif", "AVIF"}, {"a.heic", "HEIC"}, {"a.jxl", "JPEG XL"}})
    if (const Codec* codec = find_codec(name); codec != nullptr && codec->save)
      items.push_back(item);
  EXPECT_EQ(lines_of(find_option("Image_Format")->items), items);
  EXPECT_EQ(Settings{}.Image_Format_Items, items);
  EXPECT_EQ(startup_settings().Image_Format_Items, items);
}

TEST(SettingsTable, OptionsAreFoundByNameWithKindCaptionAndRange) {
  const OptionDecl* quality = find_option("JPEG_Quality");
  ASSERT_NE(quality, nullptr);
  EXPECT_EQ(quality->kind, OptionKind::Integer);
  EXPECT_EQ(quality->caption, "JPEG/PNG Quality (%)");
  EXPECT_EQ(quality->range_text(), "0..100");
  const OptionDecl* method = find_option("resizing_method");
  ASSERT_NE(method, nullptr);
  ASSERT_EQ(method->items.size(), 13u);
  EXPECT_EQ(method->items[5], "Upsize by %");
  EXPECT_EQ(find_option("jpeg_quality"), nullptr);  // names are exact
  EXPECT_NE(find_option("caption_text.Font"), nullptr);
  EXPECT_FALSE(find_option("exifreport")->stored());
  std::set<std::string_view> names;
  for (const OptionDecl& option : options())
    EXPECT_TRUE(names.insert(option.name).second) << option.name;
}

TEST(SettingsTable, ProfileKeysAre219InFileOrderEachOwnedOnce) {
  auto keys = profile_keys();
  ASSERT_EQ(keys.size(), 219u);
  EXPECT_EQ(keys.front().key, "appendprefixsuffix.Checked");
  EXPECT_EQ(keys[8].key, "FontDialog1.Font.Charset");
  EXPECT_EQ(keys.back().key, "iptc_header.Checked");
  std::set<std::string> lower;
  size_t owned = 0;
  for (const ProfileKey& key : keys) {
    EXPECT_TRUE(lower.insert(normalized_choice(key.key)).second) << key.key;
    EXPECT_TRUE(key.key.ends_with("." + std::string(key.property))) << key.key;
  }
  for (const OptionDecl& option : options())
    if (!option.extension) owned += option.key_count();
  EXPECT_EQ(owned, 219u);  // no option claims a key twice or a key outside the order
  EXPECT_EQ(find_profile_key("PERPAGE.asint64")->option, find_option("perpage"));
  EXPECT_EQ(find_profile_key("perpage"), nullptr);
}

TEST(SettingsTable, ExtensionsAreRowsOfTheTableWithKeysOutsideSettings) {
  const OptionDecl* workers = find_option("workers");
  ASSERT_NE(workers, nullptr);
  EXPECT_TRUE(workers->extension);
  EXPECT_EQ(workers->caption, "Workers");
  EXPECT_EQ(workers->range_text(), "0..1024");
  EXPECT_EQ(Settings{}.workers, 0);
  EXPECT_EQ(Settings{}.memory_budget, 0);
  EXPECT_FALSE(find_option("JPEG_Quality")->extension);

  const auto extensions = extension_keys();
  // In table order: the manipulation extensions, the saving ones, then the performance ones.
  std::vector<std::string_view> keys;
  for (const ProfileKey& key : extensions) keys.push_back(key.key);
  EXPECT_EQ(keys,
            (std::vector<std::string_view>{
                "auto_orient", "metadata_keep", "colour_profiles", "overwrite_policy",
                "mirror_folders", "png_compression", "flatten_colour", "workers", "memory_budget",
                "pixel_limit", "memory_per_image", "time_per_image", "fast_resize"}));
  EXPECT_EQ(extensions[8].option, find_option("memory_budget"));
  EXPECT_EQ(find_extension_key("Memory_Budget"), &extensions[8]);
  EXPECT_EQ(extensions[12].option, find_option("fast_resize"));
  EXPECT_FALSE(Settings{}.fast_resize);
  EXPECT_TRUE(Settings{}.auto_orient);
  EXPECT_EQ(Settings{}.metadata_keep.value(), MetadataKeep::All);
  EXPECT_EQ(Settings{}.colour_profiles.value(), ColourProfiles::Keep);
  // Neither table knows the other's keys.
  EXPECT_EQ(find_profile_key("workers"), nullptr);
  EXPECT_EQ(find_extension_key("JPEG_Quality.AsInteger"), nullptr);
}

TEST(SettingsTable, HoldsDefaultComparesEveryKindWithTheDefaults) {
  Settings s;
  for (const OptionDecl& option : options()) EXPECT_TRUE(holds_default(option, s)) << option.name;
  s.workers = 3;
  s.resizing_method = "1/2x";
  s.FontDialog1.Size = 30;
  EXPECT_FALSE(holds_default(*find_option("workers"), s));
  EXPECT_FALSE(holds_default(*find_option("resizing_method"), s));
  EXPECT_FALSE(holds_default(*find_option("FontDialog1"), s));
  EXPECT_TRUE(holds_default(*find_option("memory_budget"), s));
}

TEST(SettingsTable, RangesRefuseWithTheSettingValueAndRange) {
  auto message = [](std::string_view name, int64_t value) -> std::string {
    try {
      check_integer(*find_option(name), value);
    } catch (const SettingError& e) {
      return e.what();
    }
    return "accepted";
  };
  EXPECT_EQ(message("JPEG_Quality", 101), "JPEG_Quality: 101 is outside 0..100");
  EXPECT_EQ(message("JPEG_Quality", 100), "accepted");
  EXPECT_EQ(message("perpage", 65335), "accepted");
  EXPECT_EQ(message("perpage", 65336), "perpage: 65336 is outside 1..65335");
  EXPECT_EQ(message("thumbwidth", 65336), "thumbwidth: 65336 is outside 0..65335");
  EXPECT_EQ(message("quality_t1", 0), "quality_t1: 0 is outside 1..100");
  EXPECT_EQ(message("watermark_transparency", 101),
            "watermark_transparency: 101 is outside 0..100");
  EXPECT_EQ(message("watermark_transparency2", 250), "accepted");
  EXPECT_EQ(message("watermark_transparency2", -7), "accepted");
  EXPECT_EQ(message("textaxisx", -1), "textaxisx: -1 is negative (accepts 0 or more)");
  EXPECT_EQ(message("slicerows", 1000), "slicerows: 1000 is outside 1..999");
  EXPECT_EQ(message("Filename_Case", 3), "Filename_Case: 3 is outside 0..2");
  EXPECT_EQ(message("start_number", int64_t{1} << 32),
            "start_number: 4294967296 does not fit a 32-bit whole number");

  Settings s;
  s.DPI_Setting = 20001;
  EXPECT_THROW(validate(s), SettingError);
}

TEST(ChoiceText, ComparesTrimmedAndLowerCasedKeepingTheTextAsTyped) {
  EXPECT_TRUE(choice_is("  as IS ", "As Is"));
  EXPECT_TRUE(choice_is("\tJPEG\r\n", "jpeg"));
  EXPECT_FALSE(choice_is("As-Is", "As Is"));
  EXPECT_FALSE(choice_is("A s Is", "As Is"));
  EXPECT_EQ(normalized_choice(" Bild ÄÖ "), "bild ÄÖ");  // non-ASCII bytes untouched
  EXPECT_EQ(normalized_choice("   "), "");
}

}  // namespace
}  // namespace lumatrix
