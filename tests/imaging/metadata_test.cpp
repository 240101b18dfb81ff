#include "imaging/metadata.h"

#include <gtest/gtest.h>

#include <exiv2/exiv2.hpp>

#include "test_support.h"

namespace lumatrix {
namespace {

std::vector<uint8_t> bytes_of(const std::string& text) {
  return {text.begin(), text.end()};
}

TEST(IptcIim, RoundTripsInOrderWithExtendedLengths) {
  const std::vector<IptcRecord> records = {{2, 120, "caption"},
                                           {1, 90, "\x1B%G"},
                                           {2, 25, std::string(40000, 'k')},
                                           {2, 25, ""},
                                           {2, 25, std::string("bin\0ary", 7)},
                                           // A time without its zone stays as written.
                                           {2, 60, "101010"}};
  const std::vector<uint8_t> iim = build_iptc_iim(records);
  EXPECT_EQ(parse_iptc_iim(iim), records);
  // Extended dataset: length field 0x8004, then four length bytes.
  const size_t long_one = 5 + 7 + 5 + 3;
  EXPECT_EQ(iim[long_one + 3], 0x80);
  EXPECT_EQ(iim[long_one + 4], 0x04);
}

TEST(IptcIim, SkipsPaddingAndDropsATruncatedLastDataset) {
  std::vector<uint8_t> iim = {0, 0};
  const auto good = build_iptc_iim({{2, 5, "Title"}});
  iim.insert(iim.end(), good.begin(), good.end());
  iim.insert(iim.end(), {0x1C, 2, 120, 0, 50, 'x', 'y'});  // claims 50 bytes, has 2
  EXPECT_EQ(parse_iptc_iim(iim), (std::vector<IptcRecord>{{2, 5, "Title"}}));
  EXPECT_TRUE(parse_iptc_iim(std::vector<uint8_t>{0x1C, 2, 5, 0x80, 0x09}).empty());
}

TEST(PhotoshopIrb, FindsIptcAmongOtherResourcesAndJoinsSplitOnes) {
  const std::vector<IptcRecord> first = {{2, 120, "one"}}, second = {{2, 25, "two"}};
  // A resolution resource with an odd-length name and odd-length data comes first.
  std::vector<uint8_t> irb = bytes_of("8BIM");
  irb.insert(irb.end(), {0x03, 0xED, 3, 'a', 'b', 'c', 0, 0, 0, 3, 1, 2, 3, 0});
  for (const auto& part : {first, second}) {
    const auto block = photoshop_irb_from_iptc(part);
    irb.insert(irb.end(), block.begin(), block.end());
  }
  EXPECT_EQ(iptc_from_photoshop_irb(irb), (std::vector<IptcRecord>{first[0], second[0]}));
  EXPECT_TRUE(iptc_from_photoshop_irb(bytes_of("8BIM\x04\x04")).empty());
  EXPECT_TRUE(iptc_from_photoshop_irb({}).empty());
}

std::vector<uint8_t> camera_exif(const char* unit) {
  Exiv2::ExifData data;
  data["Exif.Image.Make"] = "Lumacam";
  data["Exif.Image.Model"] = "Model 7";
  data["Exif.Image.XResolution"] = Exiv2::Rational(118, 1);
  data["Exif.Image.YResolution"] = Exiv2::Rational(59, 1);
  data["Exif.Image.ResolutionUnit"] = unit;
  data["Exif.Photo.DateTimeOriginal"] = "2021:07:04 12:30:00";
  Exiv2::Blob blob;
  Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
  return blob;
}

TEST(Exif, SummaryAndResolutionFromACameraBlock) {
  const auto exif = camera_exif("3");
  const ExifSummary summary = exif_summary(exif);
  EXPECT_TRUE(summary.readable);
  EXPECT_EQ(summary.make, "Lumacam");
  EXPECT_EQ(summary.model, "Model 7");
  EXPECT_EQ(summary.date_time, "2021:07:04 12:30:00");
  EXPECT_GE(summary.tag_count, 6);
  const auto dpi = exif_resolution(exif);
  ASSERT_TRUE(dpi.has_value());
  EXPECT_EQ(dpi->dpi_x, 300);  // 118 per centimetre
  EXPECT_EQ(dpi->dpi_y, 150);
  EXPECT_FALSE(exif_resolution(camera_exif("1")).has_value());  // an aspect ratio only
}

TEST(Exif, CorruptBlocksAreIgnoredNeverFatal) {
  EXPECT_FALSE(exif_summary({}).readable);
  EXPECT_FALSE(exif_summary(bytes_of("not exif at all")).readable);
  EXPECT_FALSE(exif_resolution(bytes_of(std::string("MM\0*\xff\xff\xff\xff", 8))).has_value());
  const auto exif = camera_exif("2");
  const int tried = test::expect_survives_damage(exif, [](std::span<const uint8_t> data) {
    const std::vector<uint8_t> copy(data.begin(), data.end());
    exif_summary(copy);
    exif_resolution(copy);
  });
  EXPECT_GT(tried, 100);
}

}  // namespace
}  // namespace lumatrix
