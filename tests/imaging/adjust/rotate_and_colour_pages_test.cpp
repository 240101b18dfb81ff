// The pages that drive the document's own operations: rotate, contrast and brightness, RGB.
#include <gtest/gtest.h>

#include "base/image_error.h"
#include "imaging/adjust/contrast_brightness.h"
#include "imaging/adjust/free_rotate.h"
#include "imaging/adjust/rgb_offsets.h"
#include "imaging/colour_adjust.h"
#include "imaging/rotate_flip.h"
#include "pictures.h"
#include "test_support.h"

namespace lumatrix::adjust {
namespace {

TEST(FreeRotate, NinetyDegreesIsTheQuarterTurnAndZeroNothing) {
  const Raster picture = test::with_ramp_alpha(test::gradient_rgb(5, 3));
  ImageDocument page = test::document_of(picture);
  ImageDocument turned = test::document_of(picture);
  free_rotate(page, {.tenths = 900});
  rotate(turned, 90);
  EXPECT_EQ(page.raster, turned.raster);
  EXPECT_EQ(page.undo_label(), "Rotate 90");

  ImageDocument still = test::document_of(picture);
  free_rotate(still, {.tenths = 0});
  EXPECT_EQ(still.raster, picture);
  ASSERT_TRUE(still.undo());
  EXPECT_EQ(still.raster, picture);
}

TEST(FreeRotate, TenthsOfADegreeAndTheChosenBackground) {
  ImageDocument doc = test::document_of(test::flat_picture(10, 10, {200, 200, 200}));
  doc.background = {1, 2, 3};
  free_rotate(doc, {.tenths = 450, .antialias = false, .background = {9, 80, 7}});
  EXPECT_EQ(doc.undo_label(), "Rotate 45");
  EXPECT_EQ(doc.width(), 15);
  EXPECT_EQ(doc.raster.pixel(0, 0), (Rgb{9, 80, 7}));  // the uncovered corner
  EXPECT_EQ(doc.raster.pixel(7, 7), (Rgb{200, 200, 200}));
  ImageDocument slight = test::document_of(test::gradient_rgb(20, 20));
  free_rotate(slight, {.tenths = -5});
  EXPECT_EQ(slight.undo_label(), "Rotate -0.5");
  EXPECT_EQ(slight.width(), 21);
  EXPECT_THROW(free_rotate(slight, {.tenths = 1801}), ImageError);
}

TEST(ContrastPage, BothStepsUndoAsOne) {
  const Raster picture = test::paletted(8, 6, 9);
  ImageDocument doc = test::document_of(picture);
  contrast_brightness(doc, {.contrast = 30, .brightness = 10});
  EXPECT_EQ(doc.undo_label(), "Contrast 30,10");
  // Brightness then contrast, as a run applies the same settings.
  ImageDocument run = test::document_of(picture);
  run.auto_undo = false;
  adjust_brightness(run, 10);
  adjust_contrast(run, 30);
  EXPECT_EQ(doc.raster, run.raster);
  // One undo returns the palette picture itself, not a half-adjusted 24-bit copy.
  ASSERT_TRUE(doc.undo());
  EXPECT_EQ(doc.raster, picture);
}

TEST(RgbPage, OffsetsBothWaysClampAndUndoAsOne) {
  ImageDocument doc = test::document_of(test::rgb_picture(2, 1, {{10, 100, 250}, {200, 5, 0}}));
  rgb_offsets(doc, {.red = -20, .green = 60, .blue = 10});
  EXPECT_EQ(doc.raster.pixel(0, 0), (Rgb{0, 160, 255}));
  EXPECT_EQ(doc.raster.pixel(1, 0), (Rgb{180, 65, 10}));
  EXPECT_EQ(doc.undo_label(), "RGB -20,60,10");
  EXPECT_THROW(rgb_offsets(doc, {.blue = 256}), ImageError);
  ASSERT_TRUE(doc.undo());
  EXPECT_EQ(doc.raster.pixel(0, 0), (Rgb{10, 100, 250}));
}

}  // namespace
}  // namespace lumatrix::adjust
