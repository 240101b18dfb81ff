#include "files/filename_pattern.h"

#include <gtest/gtest.h>

#include <chrono>

#include "test_support.h"

namespace lumatrix {
namespace {

std::tm date(int year, int month, int day) {
  std::tm t{};
  t.tm_year = year - 1900, t.tm_mon = month - 1, t.tm_mday = day;
  return t;
}

std::string name_of(const Settings& s, std::string_view name, std::string_view ext, int k) {
  return changefilename(s, name, ext, k, "/nonexistent");
}

TEST(FilenamePattern, NumberPrefixAndSuffixInTheOrder) {
  Settings s;
  s.file_prefix = "IMG_";
  EXPECT_EQ(name_of(s, "photo", ".jpg", 1), "IMG_0001.jpg");
  s.file_suffix = "_b";
  s.filenameorder = "NumPreDatSuf";
  EXPECT_EQ(name_of(s, "photo", ".jpg", 3), "0003IMG__b.jpg");
  s.filenameorder = " PreDatSuffNum ";
  EXPECT_EQ(name_of(s, "photo", ".jpg", 3), "IMG__b0003.jpg");
  s.filenameorder = "sufnumxyzpre";  // typed: read three letters at a time
  EXPECT_EQ(name_of(s, "photo", ".jpg", 3), "_b0003IMG_.jpg");
  s.filenameorder = "";  // names nothing: the first order
  EXPECT_EQ(name_of(s, "photo", ".jpg", 3), "IMG_0003_b.jpg");
}

TEST(FilenamePattern, NumbersAreWrittenWholeBeyondTheirDigits) {
  Settings s;
  s.start_number = 998;
  s.no_of_digits = 2;
  EXPECT_EQ(name_of(s, "a", ".png", 1), "998.png");
  EXPECT_EQ(name_of(s, "a", ".png", 3), "1000.png");
  EXPECT_EQ(pad_number(7, 0), "7");
  EXPECT_EQ(pad_number(-7, 3), "-07");
  s.numnum = 3;
  EXPECT_EQ(formatmynumbertn(s, "index", 2), "index002");
}

TEST(FilenamePattern, KeepNameExtensionAndCase) {
  Settings s;
  s.file_prefix = "x_";
  s.appendprefixsuffix = true;
  EXPECT_EQ(name_of(s, "photo", ".jpg", 5), "x_photo.jpg");
  EXPECT_EQ(name_of(s, "photo.tif", "  ", 5), "x_photo.tif.tif");
  EXPECT_EQ(name_of(s, "photo", "", 5), "x_photo");
  s.Filename_Case = 2;
  EXPECT_EQ(name_of(s, "caf\xC3\xA9", ".jpg", 1), "X_CAF\xC3\xA9.JPG");
  s.Filename_Case = 1;
  EXPECT_EQ(name_of(s, "PHOTO", ".JPG", 1), "x_photo.jpg");
}

TEST(FilenamePattern, DatePatterns) {
  const std::tm d = date(2004, 3, 9);
  EXPECT_EQ(format_date(d, "MMDDYY"), "030904");
  EXPECT_EQ(format_date(d, "YYYY-MM-DD"), "2004-03-09");
  EXPECT_EQ(format_date(d, "dd_mm_yyyy"), "09_03_2004");
  EXPECT_EQ(format_date(d, "DDMMMYYYY"), "09Mar2004");
  EXPECT_EQ(format_date(d, "YY_MMM_DD"), "04_Mar_09");
}

TEST(FilenamePattern, CreationDateIsTheSourcesLastWrite) {
  test::TempDir dir;
  const auto file = dir / "source.jpg";
  test::write_bytes(file, std::vector<uint8_t>{1});
  std::tm when = date(2003, 7, 14);
  when.tm_hour = 12, when.tm_min = 30, when.tm_sec = 45, when.tm_isdst = -1;
  const auto stamp = std::chrono::system_clock::from_time_t(std::mktime(&when));
  std::filesystem::last_write_time(file, std::chrono::file_clock::from_sys(stamp));

  const std::optional<std::tm> written = file_write_date(file);
  ASSERT_TRUE(written);
  EXPECT_EQ(written->tm_sec, 44);  // two-second resolution

  Settings s;
  s.append_date = true;
  s.date_format = "YYYY-MM-DD";
  s.filenameorder = "PreDatNumSuf";
  s.file_prefix = "a";
  s.file_suffix = "b";
  EXPECT_EQ(changefilename(s, "x", ".jpg", 12, file), "a2003-07-140012b.jpg");
  EXPECT_EQ(changefilename_thumbnail(s, "x", ".jpg", 12, "t_", ""), "t_0012.jpg");
}

}  // namespace
}  // namespace lumatrix
