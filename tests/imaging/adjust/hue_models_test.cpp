#include "imaging/adjust/hue_models.h"

#include <gtest/gtest.h>

#include "imaging/adjust/hsl_adjust.h"
#include "imaging/adjust/hsv_adjust.h"
#include "pictures.h"
#include "test_support.h"

namespace lumatrix::adjust {
namespace {

// Colours through the model and back come out as they went in: every red level against green
// and blue levels in steps of 5 and 3 (so 255 is among both), half a million colours.
template <typename To, typename From>
int round_trip_failures(To to, From from) {
  int failures = 0;
  for (int r = 0; r < 256; ++r)
    for (int g = 0; g < 256; g += 5)
      for (int b = 0; b < 256; b += 3) {
        const Rgb c{static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)};
        if (from(to(c)) != c) ++failures;
      }
  return failures;
}

TEST(HueModels, ColoursSurviveTheRoundTripExactly) {
  EXPECT_EQ(round_trip_failures(to_hsl, from_hsl), 0);
  EXPECT_EQ(round_trip_failures(to_hsv, from_hsv), 0);
}

TEST(HueModels, KnownColoursInBothModels) {
  const HueColour orange = to_hsl({255, 128, 0});
  EXPECT_NEAR(orange.hue, 30.12, 0.01);
  EXPECT_DOUBLE_EQ(orange.saturation, 1.0);
  EXPECT_DOUBLE_EQ(orange.third, 0.5);
  const HueColour teal = to_hsv({0, 102, 102});
  EXPECT_DOUBLE_EQ(teal.hue, 180.0);
  EXPECT_DOUBLE_EQ(teal.saturation, 1.0);
  EXPECT_DOUBLE_EQ(teal.third, 0.4);
  // Greys carry no hue and no saturation.
  EXPECT_EQ(to_hsl({77, 77, 77}).saturation, 0.0);
  EXPECT_EQ(to_hsv({77, 77, 77}).hue, 0.0);
  EXPECT_DOUBLE_EQ(turn_hue(350, 20), 10.0);
  EXPECT_DOUBLE_EQ(turn_hue(10, -180), 190.0);
}

TEST(HslAdjust, HueTurnsRoundTheWheelBothWays) {
  ImageDocument doc =
      test::document_of(test::rgb_picture(3, 1, {{255, 0, 0}, {0, 0, 255}, {9, 9, 9}}));
  hsl_adjust(doc, {.hue = 120});
  EXPECT_EQ(doc.raster.pixel(0, 0), (Rgb{0, 255, 0}));  // red -> green
  EXPECT_EQ(doc.raster.pixel(1, 0), (Rgb{255, 0, 0}));  // blue (240) wraps to red
  EXPECT_EQ(doc.raster.pixel(2, 0), (Rgb{9, 9, 9}));    // greys have no hue to turn
  EXPECT_EQ(doc.undo_label(), "HSL 120,0,0");
  hsl_adjust(doc, {.hue = -120});
  EXPECT_EQ(doc.raster.pixel(0, 0), (Rgb{255, 0, 0}));
}

TEST(HslAdjust, SaturationAndLightnessMoveByPercentOfTheWay) {
  ImageDocument doc = test::document_of(test::rgb_picture(2, 1, {{255, 0, 0}, {200, 100, 50}}));
  ImageDocument darker = doc, grey = doc, white = doc;
  hsl_adjust(darker, {.lightness = -50});
  EXPECT_EQ(darker.raster.pixel(0, 0), (Rgb{128, 0, 0}));  // L 0.5 -> 0.25
  hsl_adjust(grey, {.saturation = -100});
  EXPECT_EQ(grey.raster.pixel(1, 0), (Rgb{125, 125, 125}));  // L = (200 + 50) / 2
  hsl_adjust(white, {.lightness = 100});
  EXPECT_EQ(white.raster.pixel(0, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(white.raster.pixel(1, 0), (Rgb{255, 255, 255}));
  // Full saturation keeps hue and lightness: (200, 100, 50) has L 0.49, hue 20.
  hsl_adjust(doc, {.saturation = 100});
  EXPECT_EQ(doc.raster.pixel(1, 0), (Rgb{250, 83, 0}));
}

TEST(HsvAdjust, HueValueAndSaturationInTheHsvModel) {
  ImageDocument doc = test::document_of(test::rgb_picture(2, 1, {{255, 0, 0}, {100, 50, 50}}));
  ImageDocument turned = doc, brighter = doc, faded = doc;
  hsv_adjust(turned, {.hue = 120});
  EXPECT_EQ(turned.raster.pixel(0, 0), (Rgb{0, 255, 0}));
  EXPECT_EQ(turned.undo_label(), "HSV 120,0,0");
  // Value +100 takes (100, 50, 50) (V 0.39, S 0.5) to full value, saturation kept.
  hsv_adjust(brighter, {.value = 100});
  EXPECT_EQ(brighter.raster.pixel(1, 0), (Rgb{255, 128, 128}));
  hsv_adjust(faded, {.saturation = -100});
  EXPECT_EQ(faded.raster.pixel(1, 0), (Rgb{100, 100, 100}));  // grey at V
}

TEST(HsvAdjust, ZeroOffsetsAreExactUnlikeTheHundredLevelScale) {
  ImageDocument doc = test::document_of(test::with_ramp_alpha(test::gradient_rgb(16, 16)));
  const Raster before = doc.raster;
  hsv_adjust(doc, {});
  EXPECT_EQ(doc.raster, before);
  hsl_adjust(doc, {});
  EXPECT_EQ(doc.raster, before);
}

}  // namespace
}  // namespace lumatrix::adjust
