#include "settings/profile_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "base/image_error.h"
#include "settings/settings_keys.h"
#include "settings/user_paths.h"
#include "settings_samples.h"
#include "test_support.h"

namespace lumatrix {
namespace {

using test::TempDir;

std::string value_line(const std::string& text, const std::string& key) {
  size_t at = text.find("\r\n" + key + "=");
  if (at == std::string::npos) return "(absent)";
  size_t end = text.find("\r\n", at + 2);
  return text.substr(at + 2, end - at - 2);
}

std::string file_text(const std::filesystem::path& path) {
  auto bytes = test::read_bytes(path);
  return {bytes.begin(), bytes.end()};
}

TEST(ProfileFile, WritesEveryKeyInOrderWithCrLf) {
  Settings s;
  const std::string text = profile_text(s);
  ASSERT_TRUE(text.starts_with("[Settings]\r\n"));
  ASSERT_TRUE(text.ends_with("\r\n"));
  size_t lines = 0;
  size_t pos = text.find("\r\n") + 2;
  for (const ProfileKey& key : profile_keys()) {
    ASSERT_EQ(text.compare(pos, key.key.size() + 1, std::string(key.key) + "="), 0) << key.key;
    pos = text.find("\r\n", pos) + 2;
    ++lines;
  }
  EXPECT_EQ(lines, 219u);
  EXPECT_EQ(pos, text.size());
  EXPECT_EQ(text.find('\n', 0), text.find("\r\n") + 1);
  for (size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1))
    ASSERT_EQ(text[i - 1], '\r');
}

TEST(ProfileFile, EncodesEachPropertyKind) {
  Settings s;
  s.add_header = {"A$B", "C"};
  s.Grayscale = true;
  s.FontDialog2.Style = fsBold | fsItalic;
  s.FontDialog2.Pitch = FontPitch::fpVariable;
  s.ColorDialog2 = -16777208;
  s.htmltitle = "Ferien \xC3\xA9t\xC3\xA9";
  s.file_prefix = "\"quoted\"";
  const std::string text = profile_text(s);
  EXPECT_EQ(value_line(text, "add_header.Lines"), "add_header.Lines=text:\"A$$B$0D$0AC$0D$0A\"");
  EXPECT_EQ(value_line(text, "perpage.AsInt64"), "perpage.AsInt64=int64:12");
  EXPECT_EQ(value_line(text, "perpage.Text"), "perpage.Text=\"12\"");
  EXPECT_LT(text.find("perpage.AsInt64="), text.find("perpage.Text="));
  EXPECT_EQ(value_line(text, "Grayscale.Checked"), "Grayscale.Checked=\"True\"");
  EXPECT_EQ(value_line(text, "negative.Checked"), "negative.Checked=\"False\"");
  EXPECT_EQ(value_line(text, "brightness.AsInteger"), "brightness.AsInteger=0");
  EXPECT_EQ(value_line(text, "save_in_directory.Text"), "save_in_directory.Text=");
  EXPECT_EQ(value_line(text, "Image_Format.Text"), "Image_Format.Text=\"As Is\"");
  EXPECT_EQ(value_line(text, "FontDialog2.Font.Style"),
            "FontDialog2.Font.Style=\"[fsBold,fsItalic]\"");
  EXPECT_EQ(value_line(text, "FontDialog2.Font.Pitch"), "FontDialog2.Font.Pitch=\"fpVariable\"");
  EXPECT_EQ(value_line(text, "FontDialog2.Font.Height"), "FontDialog2.Font.Height=-11");
  EXPECT_EQ(value_line(text, "ColorDialog2.Color"), "ColorDialog2.Color=-16777208");
  EXPECT_EQ(value_line(text, "fontcolor.ColorValue"), "fontcolor.ColorValue=16777215");
  EXPECT_EQ(value_line(text, "fontcolor.HTMLcolor"), "fontcolor.HTMLcolor=\"#FFFFFF\"");
  EXPECT_EQ(value_line(text, "htmltitle.Text"), "htmltitle.Text=\"Ferien \xC3\xA9t\xC3\xA9\"");
  // Quoted once more so that reading gives the quotes back.
  EXPECT_EQ(value_line(text, "file_prefix.Text"), "file_prefix.Text=\"\"quoted\"\"");
  EXPECT_EQ(value_line(text, "Memo2.Lines"), "Memo2.Lines=");
  EXPECT_EQ(value_line(text, "exifreport.Checked"), "(absent)");

  EXPECT_EQ(encode_profile_int64(2147483647), "int64:2147483647");
  EXPECT_EQ(encode_profile_int64(-2147483648LL), "int64:-2147483648");
  EXPECT_EQ(encode_profile_int64(2147483648LL), "2147483648");
}

TEST(ProfileFile, ReadsBackTheDocumentedExamples) {
  Settings s;
  auto warnings = apply_profile_text(
      "[Settings]\r\nadd_header.Lines=text:\"A$$B$0D$0AC$0D$0A\"\r\n"
      "perpage.AsInt64=int64:30\r\nnumnum.AsInt64=44\r\n",
      s);
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(s.add_header, (Lines{"A$B", "C"}));
  EXPECT_EQ(s.perpage, 30);
  EXPECT_EQ(s.numnum, 44);
}

TEST(ProfileFile, RoundTripsEveryStoredValue) {
  TempDir dir;
  for (bool control : {true, false}) {
    const Settings original = test::every_value_changed(control);
    save_profile(dir / "all.ini", original);
    Settings loaded;
    ProfileLoad load = load_profile(dir / "all.ini", loaded);
    EXPECT_FALSE(load.missing);
    EXPECT_TRUE(load.warnings.empty()) << load.warnings.front();
    EXPECT_EQ(loaded, test::stored_parts(original)) << "control characters: " << control;
    EXPECT_EQ(loaded.caption_text, original.caption_text);
    EXPECT_EQ(loaded.Memo3, original.Memo3);
  }
}

TEST(ProfileFile, AbsentKeysLeaveValuesAndLaterKeysWin) {
  Settings s;
  s.JPEG_Quality = 33;
  s.htmltitle = "kept";
  auto warnings = apply_profile_text(
      "; written by hand\r\n"
      "[Other]\r\nresizing_method.Text=\"2x\"\r\n"
      "\r\n"
      "[settings]\r\n"
      "# comment\r\n/ comment\r\n\\ comment\r\n"
      "unknown.Key=\"x\"\r\n"
      "no equals sign\r\n"
      "framesize.AsInteger=5\r\n"
      "framesize.Text=\"7\"\r\n"
      "image_width.asinteger = 800 \n"
      "filter.Text=\"Blur More\"\n",
      s);
  EXPECT_EQ(warnings, (std::vector<std::string>{"unknown.Key: not a key of [Settings], ignored"}));
  EXPECT_EQ(s.JPEG_Quality, 33);
  EXPECT_EQ(s.htmltitle, "kept");
  EXPECT_EQ(s.resizing_method, "As Is");  // only [Settings] counts
  EXPECT_EQ(s.framesize, 7);
  EXPECT_EQ(s.image_width, 800);
  EXPECT_EQ(s.filter, "Blur More");
}

TEST(ProfileFile, ExtensionsFollowInTheirOwnSectionOnlyWhenOneIsSet) {
  Settings s;
  s.JPEG_Quality = 90;
  const std::string plain = profile_text(s);
  EXPECT_EQ(plain.find("[Lumatrix]"), std::string::npos);
  s.workers = 3;
  const std::string text = profile_text(s);
  // [Settings] stays byte for byte what it was; the section comes after it, whole.
  EXPECT_EQ(text, plain +
                      "[Lumatrix]\r\nauto_orient=\"True\"\r\nmetadata_keep=\"All\"\r\n"
                      "colour_profiles=\"Keep\"\r\n"
                      "overwrite_policy=\"Replace\"\r\nmirror_folders=\"False\"\r\n"
                      "png_compression=\"6\"\r\nflatten_colour=16777215\r\nworkers=3\r\n"
                      "memory_budget=0\r\npixel_limit=268435456\r\nmemory_per_image=2048\r\n"
                      "time_per_image=120\r\nfast_resize=\"False\"\r\n");

  TempDir dir;
  save_profile(dir / "x.ini", s);
  Settings loaded;
  const ProfileLoad load = load_profile(dir / "x.ini", loaded);
  EXPECT_TRUE(load.warnings.empty());
  EXPECT_EQ(loaded, s);
}

TEST(ProfileFile, OldProfilesLeaveTheExtensionsAndSettingsReadersSkipThem) {
  Settings extended = test::every_value_changed(false);
  const std::string text = profile_text(extended);
  const size_t section = text.find("[Lumatrix]\r\n");
  ASSERT_NE(section, std::string::npos);

  // A profile of an older version, which has no such section: the extensions keep their values.
  Settings s;
  s.workers = 5;
  s.memory_budget = 2048;
  EXPECT_TRUE(apply_profile_text(text.substr(0, section), s).empty());
  EXPECT_EQ(s.workers, 5);
  EXPECT_EQ(s.memory_budget, 2048);
  EXPECT_EQ(s.JPEG_Quality, extended.JPEG_Quality);

  // What [Settings] says reads the same with the section after it or without.
  Settings with_section, without;
  apply_profile_text(text, with_section);
  apply_profile_text(text.substr(0, section), without);
  with_section.workers = without.workers;
  with_section.memory_budget = without.memory_budget;
  with_section.overwrite_policy = without.overwrite_policy;
  with_section.mirror_folders = without.mirror_folders;
  with_section.png_compression = without.png_compression;
  with_section.flatten_colour = without.flatten_colour;
  with_section.pixel_limit = without.pixel_limit;
  with_section.memory_per_image = without.memory_per_image;
  with_section.time_per_image = without.time_per_image;
  with_section.fast_resize = without.fast_resize;
  with_section.auto_orient = without.auto_orient;
  with_section.metadata_keep = without.metadata_keep;
  with_section.colour_profiles = without.colour_profiles;
  EXPECT_EQ(with_section, without);

  // A key read only in its own section; a value out of range is reported and skipped.
  Settings t;
  const auto warnings = apply_profile_text(
      "[Settings]\r\nworkers=7\r\n[lumatrix]\r\nJPEG_Quality.AsInteger=5\r\n"
      "memory_budget=300\r\nworkers=2000\r\n",
      t);
  EXPECT_EQ(t.JPEG_Quality, 75);
  EXPECT_EQ(t.memory_budget, 300);
  EXPECT_EQ(t.workers, 0);
  EXPECT_EQ(warnings,
            (std::vector<std::string>{"workers: belongs in [Lumatrix], ignored here",
                                      "JPEG_Quality.AsInteger: belongs in [Settings], ignored here",
                                      "workers skipped: workers: 2000 is outside 0..1024"}));
}

TEST(ProfileFile, SkipsAndReportsValuesThatDoNotFit) {
  Settings s;
  auto warnings = apply_profile_text(
      "[Settings]\r\n"
      "perpage.AsInt64=int64:lots\r\n"
      "Grayscale.Checked=\"Maybe\"\r\n"
      "FontDialog1.Font.Pitch=\"fpWobbly\"\r\n"
      "FontDialog1.Font.Style=\"[fsBold,fsShiny]\"\r\n"
      "add_header.Lines=text:\"bad$Z1\"\r\n"
      "JPEG_Quality.AsInteger=101\r\n"
      "image_height_t1.AsInt64=99999999999\r\n"
      "thumbwidth.Text=\"wide\"\r\n"
      "thumbheight.Text=\"64\"\r\n",
      s);
  ASSERT_EQ(warnings.size(), 8u);
  EXPECT_EQ(warnings[0], "perpage.AsInt64: Can't read value as int64 type.");
  EXPECT_EQ(warnings[1], "Grayscale.Checked: Can't read value as boolean type.");
  EXPECT_EQ(warnings[2], "FontDialog1.Font.Pitch: Can't read value as font pitch type.");
  EXPECT_EQ(warnings[3], "FontDialog1.Font.Style: Can't read value as font style set type.");
  EXPECT_EQ(warnings[4], "add_header.Lines: Can't read value as text type.");
  EXPECT_EQ(warnings[5], "JPEG_Quality.AsInteger skipped: JPEG_Quality: 101 is outside 0..100");
  EXPECT_EQ(warnings[6],
            "image_height_t1.AsInt64 skipped: image_height_t1: 99999999999 does not fit a 32-bit "
            "whole number");
  EXPECT_EQ(warnings[7], "thumbwidth.Text: Can't read value as integer type.");
  const Settings defaults;
  EXPECT_EQ(s.perpage, defaults.perpage);
  EXPECT_EQ(s.Grayscale, defaults.Grayscale);
  EXPECT_EQ(s.FontDialog1, defaults.FontDialog1);
  EXPECT_EQ(s.add_header, defaults.add_header);
  EXPECT_EQ(s.JPEG_Quality, defaults.JPEG_Quality);
  EXPECT_EQ(s.image_height_t1, defaults.image_height_t1);
  EXPECT_EQ(s.thumbwidth, defaults.thumbwidth);
  EXPECT_EQ(s.thumbheight, 64);  // the good value after the bad ones still counts
}

// Points LUMATRIX_HOME at a scratch folder for the test's lifetime.
class UserFolder {
 public:
  explicit UserFolder(const std::filesystem::path& folder) {
    if (const char* old = getenv("LUMATRIX_HOME")) old_ = old;
    setenv("LUMATRIX_HOME", folder.c_str(), 1);
  }
  ~UserFolder() {
    if (old_)
      setenv("LUMATRIX_HOME", old_->c_str(), 1);
    else
      unsetenv("LUMATRIX_HOME");
  }

 private:
  std::optional<std::string> old_;
};

TEST(ProfileFile, DefaultProfileLivesInTheUserFolderAndOtherSavesLeaveItAlone) {
  TempDir dir;
  UserFolder home(dir / "nested" / "home");
  Settings s;
  ProfileLoad missing = load_default_profile(s);
  EXPECT_TRUE(missing.missing);
  EXPECT_EQ(s, Settings{});

  s.JPEG_Quality = 90;
  save_default_profile(s);  // creates the folder
  ASSERT_TRUE(std::filesystem::exists(dir / "nested" / "home" / "default.ini"));
  const std::string before = file_text(default_profile_path());

  Settings other;
  other.JPEG_Quality = 10;
  save_profile(dir / "other.ini", other);
  EXPECT_EQ(file_text(default_profile_path()), before);

  Settings loaded;
  EXPECT_FALSE(load_default_profile(loaded).missing);
  EXPECT_EQ(loaded.JPEG_Quality, 90);
}

TEST(ProfileFile, FailedSaveThrowsAndLeavesTheOldFile) {
  TempDir dir;
  EXPECT_THROW(save_profile(dir / "no" / "such" / "p.ini", Settings{}), ImageError);
  std::filesystem::create_directory(dir / "p.ini");  // a folder in the file's place
  Settings s;
  EXPECT_THROW(load_profile(dir / "p.ini", s), ImageError);
  EXPECT_THROW(save_profile(dir / "p.ini", s), ImageError);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "p.ini"));
}

}  // namespace
}  // namespace lumatrix
