// What colour_profiles does to a loaded picture: conversions to sRGB checked against
// LittleCMS's own transform of the same decoded samples, and the profile kept, dropped or
// reported as damaged.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "imaging/codec.h"
#include "imaging/codecs/codecs.h"
#include "imaging/colour_profile.h"
#include "imaging/image_document.h"
#include "imaging/profile_use.h"
#include "test_profiles.h"
#include "test_support.h"

namespace lumatrix {
namespace {

using test::TempDir;

// A photo-like picture: a mid green, primaries, white and black in its first row, the rest a
// gradient.
Raster photo_like(int width, int height) {
  Raster r = test::gradient_rgb(width, height);
  const Rgb primaries[] = {{30, 160, 30}, {255, 0, 0}, {0, 0, 255}, {255, 255, 255}, {0, 0, 0}};
  for (int x = 0; x < width; ++x) r.set_pixel(x, 0, primaries[x % 5]);
  return r;
}

std::vector<uint8_t> samples_of(const Raster& raster) {
  std::vector<uint8_t> out;
  const size_t row =
      static_cast<size_t>(raster.width()) * (raster.format() == PixelFormat::Gray8 ? 1 : 3);
  for (int y = 0; y < raster.height(); ++y)
    out.insert(out.end(), raster.row(y), raster.row(y) + row);
  return out;
}

size_t pixels_of(const Raster& raster) {
  return static_cast<size_t>(raster.width()) * raster.height();
}

// Saves `picture` as `name` carrying `icc`, and loads it back as a run would.
ImageDocument load_saved(const TempDir& dir, const std::string& name, const Raster& picture,
                         std::vector<uint8_t> icc, int quality = 90) {
  ImageDocument doc;
  doc.raster = picture;
  doc.params.icc_profile = std::move(icc);
  doc.params.jpeg_quality = quality;
  EXPECT_TRUE(doc.save(dir / name));
  ImageDocument loaded;
  EXPECT_TRUE(loaded.load(dir / name));
  return loaded;
}

class ConvertToSrgb : public ::testing::TestWithParam<const char*> {};

// Adobe RGB and Display P3 photos in PNG (lossless), JPEG and TIFF: the converted pixels are
// exactly LittleCMS's transform of the decoded ones, and they are not the stored ones.
TEST_P(ConvertToSrgb, PixelsAreLittleCmsTransformOfTheDecodedOnesAndTheProfileGoes) {
  const TempDir dir;
  const Raster picture = photo_like(40, 24);
  for (const auto& [label, icc] : {std::pair{"Adobe RGB", test::adobe_rgb_profile()},
                                   std::pair{"Display P3", test::display_p3_profile()}}) {
    SCOPED_TRACE(std::string(label) + " " + GetParam());
    ImageDocument doc = load_saved(dir, std::string("photo") + GetParam(), picture, icc);
    ASSERT_EQ(doc.params.icc_profile, icc);
    const std::vector<uint8_t> stored = samples_of(doc.raster);
    if (std::string_view(GetParam()) != ".jpg") {
      EXPECT_EQ(stored, samples_of(picture));
    }

    apply_colour_profile(doc, ColourProfiles::ConvertToSrgb);
    EXPECT_EQ(samples_of(doc.raster), test::lcms_to_srgb(icc, stored, pixels_of(doc.raster)));
    EXPECT_TRUE(doc.params.icc_profile.empty());
    EXPECT_TRUE(doc.params.warnings.empty());
    // A green that sRGB can show but that is more saturated in the wide gamut than in sRGB:
    // the same numbers must become other ones (the full green would only clip to sRGB's).
    const Rgb stored_green = Rgb{stored[0], stored[1], stored[2]};
    const Rgb green = doc.raster.pixel(0, 0);
    EXPECT_NE(green, stored_green);
    // Nearly every pixel of the gradient changes.
    size_t changed = 0;
    const std::vector<uint8_t> converted = samples_of(doc.raster);
    for (size_t i = 0; i < converted.size(); i += 3)
      changed += !std::equal(converted.begin() + i, converted.begin() + i + 3, stored.begin() + i);
    EXPECT_GT(changed, pixels_of(doc.raster) * 8 / 10);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, ConvertToSrgb, ::testing::Values(".png", ".jpg", ".tif"));

TEST(ColourProfileUse, KeepAndIgnoreLeaveThePixelsAndSayWhetherTheProfileStays) {
  const TempDir dir;
  const Raster picture = photo_like(12, 8);
  for (ColourProfiles use :
       {ColourProfiles::Keep, ColourProfiles::Ignore, ColourProfiles::Unrecognised}) {
    ImageDocument doc = load_saved(dir, "a.png", picture, test::display_p3_profile());
    apply_colour_profile(doc, use);
    EXPECT_EQ(samples_of(doc.raster), samples_of(picture));
    EXPECT_EQ(doc.params.icc_profile.empty(), use == ColourProfiles::Ignore);
    EXPECT_TRUE(doc.params.warnings.empty());
  }
}

TEST(ColourProfileUse, GreysAndPalettesConvertAsWhatTheyAre) {
  // Greys under a gamma 2.2 grey profile stay grey, and become sRGB greys.
  Raster grey = test::grey_ramp(32, 4);
  const std::vector<uint8_t> stored = samples_of(grey);
  ASSERT_TRUE(convert_to_srgb(grey, ColourProfile(test::grey_gamma22_profile())));
  ASSERT_EQ(grey.format(), PixelFormat::Gray8);
  const std::vector<uint8_t> rgb =
      test::lcms_to_srgb(test::grey_gamma22_profile(), stored, pixels_of(grey));
  for (size_t i = 0; i < pixels_of(grey); ++i) ASSERT_EQ(grey.bytes()[i], rgb[i * 3 + 1]) << i;
  EXPECT_NE(samples_of(grey), stored);  // gamma 2.2 and the sRGB curve differ in the shadows

  // A palette converts entry by entry; the indices stay.
  Raster palette = test::paletted(8, 8, 20);
  const std::vector<uint8_t> indices(palette.bytes().begin(), palette.bytes().end());
  std::vector<uint8_t> entries;
  for (const Rgb& c : palette.palette) entries.insert(entries.end(), {c.r, c.g, c.b});
  ASSERT_TRUE(convert_to_srgb(palette, ColourProfile(test::adobe_rgb_profile())));
  std::vector<uint8_t> converted;
  for (const Rgb& c : palette.palette) converted.insert(converted.end(), {c.r, c.g, c.b});
  EXPECT_EQ(converted, test::lcms_to_srgb(test::adobe_rgb_profile(), entries, 20));
  EXPECT_TRUE(std::equal(indices.begin(), indices.end(), palette.bytes().begin()));

  // A profile for other samples than the raster holds converts nothing.
  Raster colour = test::gradient_rgb(4, 4);
  EXPECT_FALSE(convert_to_srgb(colour, ColourProfile(test::grey_gamma22_profile())));
  EXPECT_EQ(colour.bytes()[5], test::gradient_rgb(4, 4).bytes()[5]);
  EXPECT_FALSE(convert_to_srgb(colour, ColourProfile(test::test_cmyk_profile())));
}

TEST(ColourProfileUse, ADamagedProfileIsReportedAndDroppedAndThePixelsStay) {
  const TempDir dir;
  const Raster picture = photo_like(12, 8);
  // An RGB profile cut short: its tags point past its end, and LittleCMS refuses it.
  std::vector<uint8_t> damaged = test::display_p3_profile();
  damaged.resize(200);
  for (ColourProfiles use : {ColourProfiles::Keep, ColourProfiles::ConvertToSrgb}) {
    ImageDocument doc = load_saved(dir, "a.jpg", picture, damaged);
    ASSERT_EQ(doc.params.icc_profile, damaged);
    const std::vector<uint8_t> stored = samples_of(doc.raster);
    apply_colour_profile(doc, use);
    EXPECT_EQ(samples_of(doc.raster), stored);
    EXPECT_TRUE(doc.params.icc_profile.empty());
    ASSERT_EQ(doc.params.warnings.size(), 1u);
    EXPECT_NE(doc.params.warnings[0].find("colour profile"), std::string::npos);
    const std::vector<std::string> notices = doc.read_notices("a.jpg");
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].rfind("a.jpg: damaged data", 0), 0u) << notices[0];
  }
  // Ignored, it is not even looked at.
  ImageDocument ignored = load_saved(dir, "a.jpg", picture, damaged);
  apply_colour_profile(ignored, ColourProfiles::Ignore);
  EXPECT_TRUE(ignored.params.warnings.empty());
  EXPECT_TRUE(ignored.params.icc_profile.empty());
}

TEST(ColourProfileUse, APictureWithoutAProfileIsNotTouched) {
  const TempDir dir;
  const Raster picture = photo_like(12, 8);
  for (ColourProfiles use :
       {ColourProfiles::Keep, ColourProfiles::ConvertToSrgb, ColourProfiles::Ignore}) {
    ImageDocument doc = load_saved(dir, "a.png", picture, {});
    const IOParams before = doc.params;
    apply_colour_profile(doc, use);
    EXPECT_EQ(doc.params, before);
    EXPECT_EQ(samples_of(doc.raster), samples_of(picture));
  }
}

// Splices `icc` as one APP2 segment into a JPEG right after its start-of-image marker.
std::vector<uint8_t> with_app2_profile(std::vector<uint8_t> jpeg, std::span<const uint8_t> icc) {
  std::vector<uint8_t> segment = {0xFF, 0xE2, 0, 0};
  const char signature[] = "ICC_PROFILE";
  segment.insert(segment.end(), signature, signature + sizeof signature);
  segment.insert(segment.end(), {1, 1});
  segment.insert(segment.end(), icc.begin(), icc.end());
  const size_t length = segment.size() - 2;
  segment[2] = static_cast<uint8_t>(length >> 8), segment[3] = static_cast<uint8_t>(length);
  jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
  return jpeg;
}

TEST(ColourProfileUse, CmykJpegSamplesGoThroughTheirProfileWhenConverting) {
  const TempDir dir;
  IOParams cmyk;
  cmyk.jpeg_color_space = JpegColorSpace::CMYK;
  cmyk.jpeg_quality = 95;
  const std::vector<uint8_t> icc = test::test_cmyk_profile();
  const std::vector<uint8_t> file =
      with_app2_profile(encode_jpeg(photo_like(24, 16), cmyk, ".jpg"), icc);
  test::write_bytes(dir / "cmyk.jpg", file);

  // The naive reading, and libjpeg's own ink samples (Adobe files store them inverted).
  ImageDocument naive;
  ASSERT_TRUE(naive.load(dir / "cmyk.jpg"));
  EXPECT_EQ(naive.params.icc_profile, icc);
  const std::vector<uint8_t> inks = test::jpeg_cmyk_samples(file);

  ImageDocument doc;
  doc.params.cmyk_by_profile = true;
  ASSERT_TRUE(doc.load(dir / "cmyk.jpg"));
  EXPECT_TRUE(doc.params.icc_profile.empty());
  EXPECT_TRUE(doc.params.warnings.empty());
  EXPECT_EQ(samples_of(doc.raster), test::lcms_to_srgb(icc, inks, pixels_of(doc.raster)));
  EXPECT_NE(samples_of(doc.raster), samples_of(naive.raster));

  // An unusable CMYK profile: reported, and the formula converts as before.
  std::vector<uint8_t> damaged = icc;
  damaged.resize(160);
  test::write_bytes(dir / "damaged.jpg",
                    with_app2_profile(encode_jpeg(photo_like(24, 16), cmyk, ".jpg"), damaged));
  ImageDocument fallback;
  fallback.params.cmyk_by_profile = true;
  ASSERT_TRUE(fallback.load(dir / "damaged.jpg"));
  EXPECT_EQ(samples_of(fallback.raster), samples_of(naive.raster));
  ASSERT_EQ(fallback.params.warnings.size(), 1u);
  EXPECT_NE(fallback.params.warnings[0].find("converted without it"), std::string::npos);
}

}  // namespace
}  // namespace lumatrix
