#include "imaging/adjust/equalization.h"

#include <gtest/gtest.h>

#include "pictures.h"
#include "test_support.h"

namespace lumatrix::adjust {
namespace {

TEST(Equalization, FourGreyPixelsByTheCumulativeHistogram) {
  // Histogram 10:2, 50:1, 200:1; cumulative 2, 3, 4. 10 is the darkest level (-> 0), 50 maps to
  // 255 x (3 - 2) / (4 - 2) = 127.5 -> 128, 200 to 255.
  ImageDocument doc = test::document_of(test::grey_picture(2, 2, {10, 50, 10, 200}));
  equalization(doc, {});
  EXPECT_EQ(test::reds(doc.raster), (std::vector<int>{0, 128, 0, 255}));
  EXPECT_EQ(doc.raster.pixel(1, 0), (Rgb{128, 128, 128}));
  EXPECT_EQ(doc.undo_label(), "Equalization");
}

TEST(Equalization, EachChannelByItsOwnHistogram) {
  ImageDocument doc = test::document_of(
      test::rgb_picture(4, 1, {{0, 7, 30}, {100, 7, 60}, {100, 7, 90}, {200, 7, 120}}));
  equalization(doc, {.on = EqualizeOn::PerChannel});
  // Red: cumulative 1, 3, 4 -> 0, 255 x 2 / 3 = 170, 255. Blue: evenly spread -> 0 85 170 255.
  // Green holds a single level and is left as it is.
  EXPECT_EQ(doc.raster.pixel(0, 0), (Rgb{0, 7, 0}));
  EXPECT_EQ(doc.raster.pixel(1, 0), (Rgb{170, 7, 85}));
  EXPECT_EQ(doc.raster.pixel(2, 0), (Rgb{170, 7, 170}));
  EXPECT_EQ(doc.raster.pixel(3, 0), (Rgb{255, 7, 255}));
}

TEST(Equalization, OnLuminanceTheChannelsMoveTogether) {
  // Y of (100, 50, 0) is 59.25 -> 59, of grey 20 it is 20. The two levels spread to 0 and 255:
  // the colour moves by +196 in every channel (red clamped), the grey by -20.
  ImageDocument doc = test::document_of(test::rgb_picture(2, 1, {{100, 50, 0}, {20, 20, 20}}));
  equalization(doc, {.on = EqualizeOn::Luminance});
  EXPECT_EQ(doc.raster.pixel(0, 0), (Rgb{255, 246, 196}));
  EXPECT_EQ(doc.raster.pixel(1, 0), (Rgb{0, 0, 0}));
}

TEST(Equalization, CutsPushTheirShareToTheEnds) {
  // Ten levels 0, 10, ..., 90, one pixel each. 10 % cut at each end: one pixel's worth, so lo is
  // 10 and hi is 80; between them cumulative counts 2..9 spread over 7 steps.
  ImageDocument doc =
      test::document_of(test::grey_picture(10, 1, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90}));
  equalization(doc, {.on = EqualizeOn::Luminance, .low_cut = 10, .high_cut = 10});
  EXPECT_EQ(test::reds(doc.raster), (std::vector<int>{0, 0, 36, 73, 109, 146, 182, 219, 255, 255}));
}

TEST(Equalization, APictureOfOneLevelIsLeftAlone) {
  ImageDocument doc =
      test::document_of(test::with_ramp_alpha(test::flat_picture(3, 2, {40, 80, 120})));
  const Raster before = doc.raster;
  equalization(doc, {.on = EqualizeOn::PerChannel});
  EXPECT_EQ(doc.raster, before);
  equalization(doc, {.on = EqualizeOn::Luminance});
  EXPECT_EQ(doc.raster, before);
}

TEST(Equalization, EqualizingTwiceChangesNothingMore) {
  ImageDocument doc = test::document_of(test::gradient_rgb(16, 16));
  equalization(doc, {.on = EqualizeOn::PerChannel});
  const Raster once = doc.raster;
  equalization(doc, {.on = EqualizeOn::PerChannel});
  EXPECT_EQ(doc.raster, once);
}

}  // namespace
}  // namespace lumatrix::adjust
