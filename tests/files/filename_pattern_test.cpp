#include "files/filename_pattern.h"

#include <gtest/gtest.h>

#include <chrono>

#include <exiv2/exiv2.hpp>

#include "imaging/image_document.h"

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

// A JPEG whose EXIF says it was shot at `taken` (none: no date at all), last written 2003-07-14.
std::filesystem::path shot(const test::TempDir& dir, const std::string& name, const char* taken) {
  ImageDocument photo;
  photo.raster = test::gradient_rgb(8, 8);
  Exiv2::ExifData data;
  data["Exif.Image.Make"] = "Lumacam";
  if (taken != nullptr) data["Exif.Photo.DateTimeOriginal"] = taken;
  // A scanner's date is not when the picture was taken.
  data["Exif.Photo.DateTimeDigitized"] = "2019:01:02 03:04:05";
  Exiv2::Blob exif;
  Exiv2::ExifParser::encode(exif, Exiv2::littleEndian, data);
  photo.params.exif = exif;
  const auto file = dir / name;
  EXPECT_TRUE(photo.save(file));
  std::tm when = date(2003, 7, 14);
  when.tm_hour = 12, when.tm_isdst = -1;
  const auto stamp = std::chrono::system_clock::from_time_t(std::mktime(&when));
  std::filesystem::last_write_time(file, std::chrono::file_clock::from_sys(stamp));
  return file;
}

TEST(FilenamePattern, DateTakenIsWhenTheCameraShotElseTheLastWrite) {
  test::TempDir dir;
  Settings s;
  s.append_date = true;
  s.date_format = "YYYY-MM-DD";
  s.filenameorder = "PreDatNumSuf";
  s.date_type = "Date Taken";
  ASSERT_EQ(s.date_type.value(), DateType::Taken);
  EXPECT_EQ(changefilename(s, "x", ".jpg", 1, shot(dir, "a.jpg", "2021:07:04 12:30:00")),
            "2021-07-040001.jpg");
  const std::optional<std::tm> taken = source_date(DateType::Taken, dir / "a.jpg");
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->tm_hour, 12);
  EXPECT_EQ(taken->tm_min, 30);
  // No original date, a malformed one, or no EXIF at all: the file's last write.
  EXPECT_EQ(changefilename(s, "x", ".jpg", 1, shot(dir, "b.jpg", nullptr)), "2003-07-140001.jpg");
  EXPECT_EQ(changefilename(s, "x", ".jpg", 1, shot(dir, "c.jpg", "    :  :     :  :  ")),
            "2003-07-140001.jpg");
  const auto plain = dir / "plain.bin";
  test::write_bytes(plain, std::vector<uint8_t>{1});
  EXPECT_EQ(format_date(*source_date(DateType::Taken, plain), "YYYY-MM-DD"),
            format_date(*file_write_date(plain), "YYYY-MM-DD"));
  // The other types are unchanged by an EXIF date.
  EXPECT_EQ(format_date(*source_date(DateType::Creation, dir / "a.jpg"), "YYYY-MM-DD"),
            "2003-07-14");
  EXPECT_FALSE(source_date(DateType::Current, dir / "a.jpg"));
}

}  // namespace
}  // namespace lumatrix
