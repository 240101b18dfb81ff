#include "imaging/metadata.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <exiv2/exiv2.hpp>

#include "imaging/image_document.h"
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

// A camera's block: identity, position, capture date, pixel size and a small thumbnail.
std::vector<uint8_t> travel_exif(Exiv2::ByteOrder order = Exiv2::littleEndian) {
  Exiv2::ExifData data;
  data["Exif.Image.Make"] = "Lumacam";
  data["Exif.Image.Model"] = "Model 7";
  data["Exif.Photo.DateTimeOriginal"] = "2021:07:04 12:30:00";
  data["Exif.Photo.BodySerialNumber"] = "SN-0042";
  data["Exif.Photo.LensSerialNumber"] = "L-77";
  data["Exif.Photo.CameraOwnerName"] = "Ada Example";
  data["Exif.Photo.PixelXDimension"] = uint16_t{60};
  data["Exif.Photo.PixelYDimension"] = uint16_t{40};
  data["Exif.GPSInfo.GPSLatitudeRef"] = "N";
  data["Exif.GPSInfo.GPSLatitude"] = "48/1 51/1 29/1";
  const Exiv2::byte thumbnail[] = {0xFF, 0xD8, 0xFF, 0xD9};
  Exiv2::ExifThumb(data).setJpegThumbnail(thumbnail, sizeof thumbnail);
  Exiv2::Blob blob;
  Exiv2::ExifParser::encode(blob, order, data);
  return blob;
}

Exiv2::ExifData decoded(const std::vector<uint8_t>& exif) {
  Exiv2::ExifData data;
  Exiv2::ExifParser::decode(data, exif.data(), static_cast<uint32_t>(exif.size()));
  return data;
}

bool has(const Exiv2::ExifData& data, const char* key) {
  return data.findKey(Exiv2::ExifKey(key)) != data.end();
}

bool has_group(const Exiv2::ExifData& data, const std::string& group) {
  return std::any_of(data.begin(), data.end(),
                     [&](const Exiv2::Exifdatum& d) { return d.groupName() == group; });
}

TEST(FitMetadata, AnUnchangedPictureKeepsItsBlockByteForByte) {
  IOParams params;
  params.exif = travel_exif();
  params.iptc = {{2, 120, "caption"}};
  const IOParams before = params;
  fit_metadata(params, MetadataKeep::All, 60, 40, false);
  EXPECT_EQ(params, before);
  fit_metadata(params, MetadataKeep::Unrecognised, 60, 40, false);
  EXPECT_EQ(params, before);
}

TEST(FitMetadata, AResizedPictureGetsItsSizeAndLosesTheStaleThumbnail) {
  for (Exiv2::ByteOrder order : {Exiv2::littleEndian, Exiv2::bigEndian}) {
    IOParams params;
    params.exif = travel_exif(order);
    ASSERT_TRUE(has_group(decoded(params.exif), "Thumbnail"));
    fit_metadata(params, MetadataKeep::All, 30, 20, true);
    Exiv2::ExifData data = decoded(params.exif);
    EXPECT_EQ(data["Exif.Photo.PixelXDimension"].toLong(0), 30);
    EXPECT_EQ(data["Exif.Photo.PixelYDimension"].toLong(0), 20);
    EXPECT_FALSE(has_group(data, "Thumbnail"));
    // All keeps the rest.
    EXPECT_TRUE(has(data, "Exif.GPSInfo.GPSLatitude"));
    EXPECT_TRUE(has(data, "Exif.Photo.BodySerialNumber"));
    EXPECT_EQ(params.exif[0], order == Exiv2::bigEndian ? 'M' : 'I');
  }
  // The same size but turned: the thumbnail shows the old picture all the same.
  IOParams turned;
  turned.exif = travel_exif();
  fit_metadata(turned, MetadataKeep::All, 60, 40, true);
  EXPECT_FALSE(has_group(decoded(turned.exif), "Thumbnail"));
}

TEST(FitMetadata, LocationAndIdentityGoTheRestStays) {
  IOParams params;
  params.exif = travel_exif();
  params.iptc = {{2, 120, "caption"}};
  fit_metadata(params, MetadataKeep::AllButLocationAndIdentity, 60, 40, false);
  Exiv2::ExifData data = decoded(params.exif);
  EXPECT_FALSE(has_group(data, "GPSInfo"));
  EXPECT_FALSE(has(data, "Exif.Image.GPSTag"));
  EXPECT_FALSE(has(data, "Exif.Photo.BodySerialNumber"));
  EXPECT_FALSE(has(data, "Exif.Photo.LensSerialNumber"));
  EXPECT_FALSE(has(data, "Exif.Photo.CameraOwnerName"));
  EXPECT_EQ(data["Exif.Image.Make"].toString(), "Lumacam");
  EXPECT_EQ(data["Exif.Photo.DateTimeOriginal"].toString(), "2021:07:04 12:30:00");
  EXPECT_TRUE(has_group(data, "Thumbnail"));
  EXPECT_EQ(params.iptc.size(), 1u);
}

TEST(FitMetadata, NoneEmptiesEveryBlock) {
  IOParams params;
  params.exif = travel_exif();
  params.iptc = {{2, 120, "caption"}};
  fit_metadata(params, MetadataKeep::None, 60, 40, false);
  EXPECT_TRUE(params.exif.empty());
  EXPECT_TRUE(params.iptc.empty());
}

TEST(FitMetadata, AnUnreadableBlockIsKeptOnlyWhenEverythingIs) {
  const std::vector<uint8_t> garbage =
      bytes_of(std::string("II*\0\xFF\xFF\xFF\x7F no IFD here", 20));
  IOParams params;
  params.exif = garbage;
  fit_metadata(params, MetadataKeep::All, 30, 20, true);
  EXPECT_EQ(params.exif, garbage);
  fit_metadata(params, MetadataKeep::AllButLocationAndIdentity, 30, 20, true);
  EXPECT_TRUE(params.exif.empty());
}

std::string travel_xmp() {
  Exiv2::XmpData data;
  data["Xmp.dc.title"] = "Harbour";
  data["Xmp.exif.GPSLatitude"] = "48,51.48N";
  data["Xmp.aux.SerialNumber"] = "SN-0042";
  data["Xmp.exif.PixelXDimension"] = "60";
  std::string packet;
  EXPECT_EQ(Exiv2::XmpParser::encode(packet, data), 0);
  return packet;
}

Exiv2::XmpData decoded_xmp(const std::string& packet) {
  Exiv2::XmpData data;
  EXPECT_EQ(Exiv2::XmpParser::decode(data, packet), 0);
  return data;
}

TEST(FitMetadata, XmpFollowsTheSameRules) {
  IOParams params;
  params.xmp = travel_xmp();
  fit_metadata(params, MetadataKeep::All, 60, 40, false);
  EXPECT_EQ(params.xmp, travel_xmp());

  fit_metadata(params, MetadataKeep::All, 30, 20, true);
  Exiv2::XmpData data = decoded_xmp(params.xmp);
  EXPECT_EQ(data["Xmp.exif.PixelXDimension"].toString(), "30");
  EXPECT_NE(data.findKey(Exiv2::XmpKey("Xmp.exif.GPSLatitude")), data.end());

  fit_metadata(params, MetadataKeep::AllButLocationAndIdentity, 30, 20, false);
  data = decoded_xmp(params.xmp);
  EXPECT_EQ(data.findKey(Exiv2::XmpKey("Xmp.exif.GPSLatitude")), data.end());
  EXPECT_EQ(data.findKey(Exiv2::XmpKey("Xmp.aux.SerialNumber")), data.end());
  EXPECT_NE(data["Xmp.dc.title"].toString().find("Harbour"), std::string::npos);

  fit_metadata(params, MetadataKeep::None, 30, 20, false);
  EXPECT_TRUE(params.xmp.empty());
}

TEST(FitMetadata, JpegCarriesXmpBesideExif) {
  test::TempDir dir;
  ImageDocument doc;
  doc.raster = test::gradient_rgb(16, 16);
  doc.params.exif = travel_exif();
  doc.params.xmp = travel_xmp();
  ASSERT_TRUE(doc.save(dir / "both.jpg"));
  ImageDocument back;
  ASSERT_TRUE(back.load(dir / "both.jpg"));
  EXPECT_EQ(back.params.xmp, doc.params.xmp);
  EXPECT_EQ(back.params.exif, doc.params.exif);
  // Exiv2 finds it where it looks for it.
  auto image = Exiv2::ImageFactory::open((dir / "both.jpg").string());
  image->readMetadata();
  EXPECT_EQ(image->xmpData()["Xmp.aux.SerialNumber"].toString(), "SN-0042");
}

}  // namespace
}  // namespace lumatrix
