#include <gtest/gtest.h>

#include <exiv2/exiv2.hpp>

#include "base/file_bytes.h"
#include "imaging/image_document.h"
#include "imaging/metadata.h"
#include "test_support.h"

namespace lumatrix {
namespace {

void put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// A minimal ICC profile: the 128-byte header, one tag, the 'desc' tag's data.
std::vector<uint8_t> icc_with_description(const std::vector<uint8_t>& tag) {
  std::vector<uint8_t> icc(128 + 4 + 12);
  put32(icc, 128, 1);
  std::copy_n("desc", 4, icc.begin() + 132);
  put32(icc, 136, static_cast<uint32_t>(icc.size()));
  put32(icc, 140, static_cast<uint32_t>(tag.size()));
  icc.insert(icc.end(), tag.begin(), tag.end());
  put32(icc, 0, static_cast<uint32_t>(icc.size()));
  std::copy_n("acsp", 4, icc.begin() + 36);
  return icc;
}

// textDescriptionType (ICC v2): "desc", reserved, count with the zero, the text.
std::vector<uint8_t> v2_description(const std::string& text) {
  std::vector<uint8_t> tag(12);
  std::copy_n("desc", 4, tag.begin());
  put32(tag, 8, static_cast<uint32_t>(text.size() + 1));
  tag.insert(tag.end(), text.begin(), text.end());
  tag.push_back(0);
  tag.resize(tag.size() + 67, 0);  // the Unicode and Macintosh parts, empty
  return tag;
}

// multiLocalizedUnicodeType (ICC v4) with one en-US record.
std::vector<uint8_t> v4_description(const std::string& ascii) {
  std::vector<uint8_t> tag(28);
  std::copy_n("mluc", 4, tag.begin());
  put32(tag, 8, 1);
  put32(tag, 12, 12);
  std::copy_n("enUS", 4, tag.begin() + 16);
  put32(tag, 20, static_cast<uint32_t>(2 * ascii.size()));
  put32(tag, 24, 28);
  for (char c : ascii) tag.insert(tag.end(), {0, static_cast<uint8_t>(c)});
  return tag;
}

TEST(IccDescription, ReadsVersion2And4TextsAndRefusesMalformedOnes) {
  EXPECT_EQ(icc_description(icc_with_description(v2_description("sRGB IEC61966-2.1"))),
            "sRGB IEC61966-2.1");
  EXPECT_EQ(icc_description(icc_with_description(v4_description("Display P3"))), "Display P3");
  EXPECT_EQ(icc_description({}), "");
  // A count running past the tag, and a tag table claiming more tags than the profile holds.
  std::vector<uint8_t> long_count = icc_with_description(v2_description("sRGB"));
  put32(long_count, 144 + 8, 100000);
  EXPECT_EQ(icc_description(long_count), "");
  std::vector<uint8_t> many_tags = icc_with_description(v2_description("sRGB"));
  put32(many_tags, 128, 0x10000000);
  EXPECT_EQ(icc_description(many_tags), "");
  const std::vector<uint8_t> valid = icc_with_description(v4_description("Display P3"));
  test::expect_survives_damage(valid, [](std::span<const uint8_t> data) { icc_description(data); });
}

std::vector<uint8_t> exif_block(bool gps) {
  Exiv2::ExifData data;
  data["Exif.Image.Make"] = "Lumacam";
  data["Exif.Image.Model"] = "Lumacam Z9";
  data["Exif.Image.Orientation"] = uint16_t{6};
  data["Exif.Photo.DateTimeOriginal"] = "2023:05:06 07:08:09";
  if (gps) data["Exif.GPSInfo.GPSLatitudeRef"] = "N";
  Exiv2::Blob blob;
  Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
  return blob;
}

TEST(ImageFacts, FromAJpegWithExifAndAProfile) {
  test::TempDir dir;
  ImageDocument doc;
  doc.raster = test::gradient_rgb(8, 6);
  doc.params.exif = exif_block(true);
  const auto file = dir / "photo.jpg";
  ASSERT_TRUE(doc.save(file));
  {
    auto image = Exiv2::ImageFactory::open(file.string());
    image->readMetadata();
    std::vector<uint8_t> icc = icc_with_description(v2_description("Lumatrix test RGB"));
    Exiv2::DataBuf buffer(icc.data(), static_cast<long>(icc.size()));
    image->setIccProfile(buffer);
    image->writeMetadata();
  }
  const ImageFacts facts = read_image_facts(file);
  EXPECT_EQ(facts.orientation, 6);
  EXPECT_EQ(facts.taken, "2023:05:06 07:08:09");
  EXPECT_EQ(facts.camera, "Lumacam Z9");  // the make is not said twice
  EXPECT_TRUE(facts.gps);
  EXPECT_TRUE(facts.has_colour_profile);
  EXPECT_EQ(facts.colour_profile, "Lumatrix test RGB");
  // The same from the bytes.
  const ImageFacts from_bytes = read_image_facts(read_file_bytes(file));
  EXPECT_EQ(from_bytes.camera, facts.camera);
  EXPECT_EQ(from_bytes.colour_profile, facts.colour_profile);
}

TEST(ImageFacts, NoneWithoutMetadataOrForBytesExiv2CannotRead) {
  test::TempDir dir;
  ImageDocument doc;
  doc.raster = test::gradient_rgb(8, 6);
  doc.params.exif = exif_block(false);
  ASSERT_TRUE(doc.save(dir / "nogps.jpg"));
  const ImageFacts no_gps = read_image_facts(dir / "nogps.jpg");
  EXPECT_FALSE(no_gps.gps);
  EXPECT_FALSE(no_gps.has_colour_profile);
  EXPECT_EQ(no_gps.orientation, 6);

  doc.params.exif.clear();
  ASSERT_TRUE(doc.save(dir / "plain.png"));
  const ImageFacts plain = read_image_facts(dir / "plain.png");
  EXPECT_FALSE(plain.orientation.has_value());
  EXPECT_EQ(plain.taken, "");
  EXPECT_EQ(plain.camera, "");

  const std::string junk = "neither an image nor metadata";
  const ImageFacts none = read_image_facts(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(junk.data()), junk.size()));
  EXPECT_FALSE(none.orientation.has_value() || none.gps || none.has_colour_profile);
  EXPECT_FALSE(read_image_facts(dir / "missing.jpg").has_colour_profile);
}

}  // namespace
}  // namespace lumatrix
