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

  apply_effects(doc, {10, 0, 255, "", ""});
  const Rgb was = before.pixel(3, 3), now = doc.raster.pixel(3, 3);
  EXPECT_EQ(now.r, std::min(255, was.r + 10));
  EXPECT_EQ(now.g, was.g);
  EXPECT_EQ(now.b, 255);
}

TEST(Effects, ColourSpaceTable) {
  struct Case {
    std::string_view text;
    JpegColorSpace jpeg;
    int tiff;
  };
  const IOParams defaults;
  const Case cases[] = {
      {"RGB", JpegColorSpace::RGB, 2},
      {" ycbcr ", JpegColorSpace::YCbCr, 6},
      {"CMYK", JpegColorSpace::CMYK, 5},
      {"YCbCrK", JpegColorSpace::YCbCrK, defaults.tiff_photometric},
      {"As Is", defaults.jpeg_color_space, defaults.tiff_photometric},
      {"Lab", defaults.jpeg_color_space, defaults.tiff_photometric},
  };
  for (const Case& c : cases) {
    ImageDocument doc = gradient(5, 5);
    apply_effects(doc, {0, 0, 0, c.text, "None"});
    EXPECT_EQ(doc.params.jpeg_color_space, c.jpeg) << c.text;
    EXPECT_EQ(doc.params.tiff_photometric, c.tiff) << c.text;
  }
}

TEST(Effects, FilterPresetsByTrimmedLowerCasedName) {
  struct Case {
    std::string_view text;
    std::vector<FilterPreset> presets;
  };
  const Case cases[] = {
      {"EMBOSS", {FilterPreset::Emboss}},
      {" Blur", {FilterPreset::Blur}},
      {"Blur More", {FilterPreset::Blur, FilterPreset::Blur}},
      {"sharpen", {FilterPreset::Sharpen}},
      {"Sharpen More", {FilterPreset::SharpenMore}},
      {"Edge", {FilterPreset::Edge}},
      {"None", {}},
      {"Soften", {}},
  };
  for (const Case& c : cases) {
    ImageDocument doc = gradient();
    ImageDocument expected = gradient();
    for (FilterPreset p : c.presets) apply_filter(expected, p);
    apply_effects(doc, {0, 0, 0, "", c.text});
    EXPECT_EQ(doc.raster, expected.raster) << c.text;
  }
  // Blur More really is two passes, not one.
  ImageDocument once = gradient();
  apply_filter(once, FilterPreset::Blur);
  ImageDocument twice = gradient();
  apply_effects(twice, {0, 0, 0, "", "blur more"});
  EXPECT_NE(once.raster, twice.raster);
}

TEST(ColourDepth, MarkersInOrderOnTheTextAsTyped) {
  EXPECT_EQ(colour_depth_request("24 Bits (16.7 mil)"), 0);
  EXPECT_EQ(colour_depth_request("16 Bits (65535)"), 65535);
  EXPECT_EQ(colour_depth_request("14 Bits (16384)"), 16384);
  EXPECT_EQ(colour_depth_request("12 Bits (4096)"), 4096);
  EXPECT_EQ(colour_depth_request("11 Bits (2048)"), 2048);
  EXPECT_EQ(colour_depth_request("10 Bits (1024)"), 1024);
  EXPECT_EQ(colour_depth_request("8 Bits   (256)"), 256);
  EXPECT_EQ(colour_depth_request("4 Bits   (16)"), 16);
  EXPECT_EQ(colour_depth_request("2 Bits   (4)"), 4);
  EXPECT_EQ(colour_depth_request("1 Bits"), 2);
  EXPECT_EQ(colour_depth_request("8 bits"), std::nullopt);  // case matters
  EXPECT_EQ(colour_depth_request("256 colours"), std::nullopt);
  EXPECT_EQ(colour_depth_request(""), std::nullopt);
}

TEST(ColourDepth, ReducesAsAsked) {
  ImageDocument doc = gradient(96, 64);
  const Raster before = doc.raster;
  apply_colour_depth(doc, "16 Bits (65535)");
  EXPECT_EQ(doc.raster, before);
  apply_colour_depth(doc, "no such depth");
  EXPECT_EQ(doc.raster, before);

  apply_colour_depth(doc, "8 Bits   (256)");
  EXPECT_LE(count_colours(doc.raster, 256), 256);
  EXPECT_GT(count_colours(doc.raster, 256), 4);

  doc = gradient(96, 64);
  apply_colour_depth(doc, "2 Bits   (4)");
  EXPECT_LE(count_colours(doc.raster, 4), 4);

  doc = gradient(96, 64);
  apply_colour_depth(doc, "1 Bits");
  EXPECT_EQ(doc.raster.format(), PixelFormat::Bit1);

  doc = palette_image();
  apply_colour_depth(doc, "24 Bits (16.7 mil)");
  EXPECT_EQ(doc.raster.format(), PixelFormat::Rgb24);
  EXPECT_EQ(doc.raster.pixel(3, 2), (Rgb{200, 100, 50}));
}

}  // namespace
}  // namespace lumatrix
