#include "imaging/colour_adjust.h"

#include <gtest/gtest.h>

#include "imaging/colour_ops.h"
#include "imaging/filter_presets.h"
#include "imaging/quantize.h"
#include "test_support.h"

namespace lumatrix {
namespace {

ImageDocument gradient(int w = 24, int h = 16) {
  ImageDocument doc;
  doc.raster = test::gradient_rgb(w, h);
  return doc;
}

// A two-entry palette image: black with one white pixel.
ImageDocument palette_image() {
  ImageDocument doc;
  doc.raster = Raster(6, 6, PixelFormat::Palette8);
  doc.raster.palette = {{0, 0, 0}, {200, 100, 50}};
  doc.raster.row(2)[3] = 1;
  return doc;
}

TEST(ColourAdjust, ZeroBrightnessAndContrastCallNothing) {
  ImageDocument doc = gradient();
  adjust_brightness(doc, 0);
  adjust_contrast(doc, 0);
  EXPECT_FALSE(doc.can_undo());

  ImageDocument expected = gradient();
  hsv_var(expected, 0, 0, 30);
  contrast(expected, -40);
  adjust_brightness(doc, 30);
  adjust_contrast(doc, -40);
  EXPECT_EQ(doc.raster, expected.raster);
}

TEST(ColourAdjust, PaletteImagesAreAdjustedNotSkipped) {
  ImageDocument doc = palette_image();
  adjust_brightness(doc, 50);
  ASSERT_EQ(doc.raster.format(), PixelFormat::Rgb24);
  EXPECT_GT(doc.raster.pixel(0, 0).r, 0);

  doc = palette_image();
  apply_grayscale(doc);
  const Rgb grey = doc.raster.pixel(3, 2);
  EXPECT_EQ(grey, (Rgb{117, 117, 117}));  // (21*200 + 71*100 + 8*50) div 100

  doc = palette_image();
  apply_negative(doc);
  EXPECT_EQ(doc.raster.pixel(3, 2), (Rgb{55, 155, 205}));
  EXPECT_EQ(doc.raster.pixel(0, 0), (Rgb{255, 255, 255}));

  // A 1-bit image inverts in place and stays 1-bit.
  doc.raster = Raster(9, 2, PixelFormat::Bit1);
  apply_negative(doc);
  EXPECT_EQ(doc.raster.format(), PixelFormat::Bit1);
  EXPECT_EQ(doc.raster.pixel(8, 1), (Rgb{255, 255, 255}));
}

TEST(Effects, OffsetsAlwaysPassThroughAndRaiseChannels) {
  ImageDocument doc = gradient();
  const Raster before = doc.raster;
  apply_effects(doc, {});
  EXPECT_EQ(doc.raster, before);
  EXPECT_EQ(doc.undo_label(), "IntensityRGBall 0,0,0");

  apply_effects(doc, {10, 0, 255, ColourSpace::Unrecognised, EffectFilter::Unrecognised});
  const Rgb was = before.pixel(3, 3), now = doc.raster.pixel(3, 3);
  EXPECT_EQ(now.r, std::min(255, was.r + 10));
  EXPECT_EQ(now.g, was.g);
  EXPECT_EQ(now.b, 255);
}

TEST(Effects, ColourSpaceTable) {
  struct Case {
    ColourSpace space;
    JpegColorSpace jpeg;
    int tiff;
  };
  const IOParams defaults;
  const Case cases[] = {
      {ColourSpace::RGB, JpegColorSpace::RGB, 2},
      {ColourSpace::YCbCr, JpegColorSpace::YCbCr, 6},
      {ColourSpace::CMYK, JpegColorSpace::CMYK, 5},
      {ColourSpace::YCbCrK, JpegColorSpace::YCbCrK, defaults.tiff_photometric},
      {ColourSpace::AsIs, defaults.jpeg_color_space, defaults.tiff_photometric},
      {ColourSpace::Unrecognised, defaults.jpeg_color_space, defaults.tiff_photometric},
  };
  for (const Case& c : cases) {
    ImageDocument doc = gradient(5, 5);
    apply_effects(doc, {0, 0, 0, c.space, EffectFilter::None});
    EXPECT_EQ(doc.params.jpeg_color_space, c.jpeg) << static_cast<int>(c.space);
    EXPECT_EQ(doc.params.tiff_photometric, c.tiff) << static_cast<int>(c.space);
  }
}

TEST(Effects, FilterPresets) {
  struct Case {
    EffectFilter filter;
    std::vector<FilterPreset> presets;
  };
  const Case cases[] = {
      {EffectFilter::Emboss, {FilterPreset::Emboss}},
      {EffectFilter::Blur, {FilterPreset::Blur}},
      {EffectFilter::BlurMore, {FilterPreset::Blur, FilterPreset::Blur}},
      {EffectFilter::Sharpen, {FilterPreset::Sharpen}},
      {EffectFilter::SharpenMore, {FilterPreset::SharpenMore}},
      {EffectFilter::Edge, {FilterPreset::Edge}},
      {EffectFilter::None, {}},
      {EffectFilter::Unrecognised, {}},
  };
  for (const Case& c : cases) {
    ImageDocument doc = gradient();
    ImageDocument expected = gradient();
    for (FilterPreset p : c.presets) apply_filter(expected, p);
    apply_effects(doc, {0, 0, 0, ColourSpace::AsIs, c.filter});
    EXPECT_EQ(doc.raster, expected.raster) << static_cast<int>(c.filter);
  }
  // Blur More really is two passes, not one.
  ImageDocument once = gradient();
  apply_filter(once, FilterPreset::Blur);
  ImageDocument twice = gradient();
  apply_effects(twice, {0, 0, 0, ColourSpace::AsIs, EffectFilter::BlurMore});
  EXPECT_NE(once.raster, twice.raster);
}

TEST(Effects, NoFilterLeavesAPaletteImageItsFormat) {
  for (EffectFilter filter : {EffectFilter::None, EffectFilter::Unrecognised}) {
    ImageDocument doc = palette_image();
    apply_effects(doc, {0, 0, 0, ColourSpace::AsIs, filter});
    EXPECT_EQ(doc.raster.format(), PixelFormat::Palette8);
  }
  ImageDocument doc = palette_image();
  apply_effects(doc, {0, 0, 0, ColourSpace::AsIs, EffectFilter::Edge});
  EXPECT_EQ(doc.raster.format(), PixelFormat::Rgb24);
}

TEST(ColourDepth, ColourCountsOfEveryDepth) {
  EXPECT_EQ(colour_depth_request(ColourDepth::Bits24), 0);
  EXPECT_EQ(colour_depth_request(ColourDepth::Bits16), 65535);
  EXPECT_EQ(colour_depth_request(ColourDepth::Bits15), 32768);
  EXPECT_EQ(colour_depth_request(ColourDepth::Bits14), 16384);
  EXPECT_EQ(colour_depth_request(ColourDepth::Bits12), 4096);
  EXPECT_EQ(colour_depth_request(ColourDepth::Bits11), 2048);
  EXPECT_EQ(colour_depth_request(ColourDepth::Bits10), 1024);
  EXPECT_EQ(colour_depth_request(ColourDepth::Bits9), 512);
  EXPECT_EQ(colour_depth_request(ColourDepth::Bits8), 256);
  EXPECT_EQ(colour_depth_request(ColourDepth::Bits4), 16);
  EXPECT_EQ(colour_depth_request(ColourDepth::Bits2), 4);
  EXPECT_EQ(colour_depth_request(ColourDepth::Bits1), 2);
  EXPECT_EQ(colour_depth_request(ColourDepth::Unrecognised), std::nullopt);
}

TEST(ColourDepth, ReducesAsAsked) {
  ImageDocument doc = gradient(96, 64);
  const Raster before = doc.raster;
  apply_colour_depth(doc, ColourDepth::Bits16);
  EXPECT_EQ(doc.raster, before);
  apply_colour_depth(doc, ColourDepth::Unrecognised);
  EXPECT_EQ(doc.raster, before);

  apply_colour_depth(doc, ColourDepth::Bits8);
  EXPECT_LE(count_colours(doc.raster, 256), 256);
  EXPECT_GT(count_colours(doc.raster, 256), 4);

  doc = gradient(96, 64);
  apply_colour_depth(doc, ColourDepth::Bits2);
  EXPECT_LE(count_colours(doc.raster, 4), 4);

  doc = gradient(96, 64);
  apply_colour_depth(doc, ColourDepth::Bits1);
  EXPECT_EQ(doc.raster.format(), PixelFormat::Bit1);

  doc = palette_image();
  apply_colour_depth(doc, ColourDepth::Bits24);
  EXPECT_EQ(doc.raster.format(), PixelFormat::Rgb24);
  EXPECT_EQ(doc.raster.pixel(3, 2), (Rgb{200, 100, 50}));
}

}  // namespace
}  // namespace lumatrix
