#include "imaging/adjust/bump_map.h"

#include <gtest/gtest.h>

#include "base/image_error.h"
#include "pictures.h"
#include "test_support.h"

namespace lumatrix::adjust {
namespace {

TEST(BumpMap, AFlatPictureIsShadedUniformly) {
  const Rgb colour{100, 150, 200};
  ImageDocument kept = test::document_of(test::flat_picture(5, 4, colour));
  bump_map(kept, {.azimuth = 30, .elevation = 45, .depth = 40, .keep_brightness = true});
  EXPECT_EQ(kept.raster, test::flat_picture(5, 4, colour));
  EXPECT_EQ(kept.undo_label(), "Bump map");
  // Without keeping the brightness flat ground is lit at sin 45: 70.7, 106.1, 141.4.
  ImageDocument lit = test::document_of(test::flat_picture(5, 4, colour));
  bump_map(lit, {.azimuth = 30, .elevation = 45, .depth = 40, .keep_brightness = false});
  EXPECT_EQ(lit.raster, test::flat_picture(5, 4, {71, 106, 141}));
}

TEST(BumpMap, SlopesFacingTheLightBrightenAndTheOthersDarken) {
  // A step from 50 to 150: with depth 10 the two pixels at the step slope by 1.96 (central
  // difference of 10 x 100 / 255 over two pixels), up towards the right.
  const Raster step = test::grey_picture(4, 1, {50, 50, 150, 150});
  ImageDocument from_left = test::document_of(step);
  bump_map(from_left, {.azimuth = 180, .elevation = 45, .depth = 10});
  // Light from the left meets the rising slope: shading (1.96 + 1) / sqrt(1 + 1.96^2) = 1.344.
  EXPECT_EQ(test::reds(from_left.raster), (std::vector<int>{50, 67, 202, 150}));
  ImageDocument from_right = test::document_of(step);
  bump_map(from_right, {.azimuth = 0, .elevation = 45, .depth = 10});
  // From the right the slope turns away: (1 - 1.96) / 2.2 is negative, so black.
  EXPECT_EQ(test::reds(from_right.raster), (std::vector<int>{50, 0, 0, 150}));
  // Light from straight above the picture's top edge sees a left-right slope side-on.
  ImageDocument from_top = test::document_of(step);
  bump_map(from_top, {.azimuth = 90, .elevation = 45, .depth = 10});
  EXPECT_EQ(test::reds(from_top.raster), (std::vector<int>{50, 23, 68, 150}));
}

TEST(BumpMap, DepthZeroKeepingBrightnessChangesNothingAndAlphaStays) {
  ImageDocument doc = test::document_of(test::with_ramp_alpha(test::gradient_rgb(8, 8)));
  const Raster before = doc.raster;
  bump_map(doc, {.depth = 0});
  EXPECT_EQ(doc.raster, before);
  bump_map(doc, {.depth = 50});
  EXPECT_NE(doc.raster, before);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(doc.raster.alpha_row(3)[x], before.alpha_row(3)[x]);
  EXPECT_THROW(bump_map(doc, {.elevation = 0}), ImageError);
  EXPECT_THROW(bump_map(doc, {.azimuth = 360}), ImageError);
}

}  // namespace
}  // namespace lumatrix::adjust
