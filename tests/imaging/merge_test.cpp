#include "imaging/merge.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace lumatrix {
namespace {

ImageDocument filled(int w, int h, Rgb c) {
  ImageDocument doc;
  doc.raster = Raster(w, h, PixelFormat::Rgb24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) doc.raster.set_pixel(x, y, c);
  return doc;
}

TEST(Merge, BlendRoundsHalvesToEven) {
  EXPECT_EQ(merge_byte(1, 0, 50), 0);        // 0.5
  EXPECT_EQ(merge_byte(3, 0, 50), 2);        // 1.5
  EXPECT_EQ(merge_byte(2, 1, 50), 2);        // 1.5
  EXPECT_EQ(merge_byte(0, 5, 50), 2);        // 2.5
  EXPECT_EQ(merge_byte(15, 0, 30), 4);       // 4.5
  EXPECT_EQ(merge_byte(5, 0, 30), 2);        // 1.5
  EXPECT_EQ(merge_byte(100, 201, 40), 161);  // 40 + 120.6 = 160.6
  EXPECT_EQ(merge_byte(255, 0, 100), 255);
  EXPECT_EQ(merge_byte(255, 9, 0), 9);
  EXPECT_EQ(merge_byte(200, 10, 150), 255);  // out-of-range percentages clamp
  EXPECT_EQ(merge_byte(10, 200, 150), 0);
}

TEST(Merge, HundredKeepsZeroReplacesAndUndoIsLabelled) {
  ImageDocument image;
  image.raster = test::gradient_rgb(10, 8);
  const Raster before = image.raster;
  const ImageDocument mark = filled(4, 3, {9, 99, 199});
  merge(image, mark, 2, 2, 4, 3, 100);
  EXPECT_EQ(image.raster, before);
  EXPECT_EQ(image.undo_label(), "Merge 100");
  merge(image, mark, 2, 2, 4, 3, 0);
  EXPECT_EQ(image.raster.pixel(2, 2), (Rgb{9, 99, 199}));
  EXPECT_EQ(image.raster.pixel(5, 4), (Rgb{9, 99, 199}));
  EXPECT_EQ(image.raster.pixel(6, 4), before.pixel(6, 4));
  EXPECT_EQ(image.raster.pixel(2, 5), before.pixel(2, 5));
  EXPECT_EQ(image.raster.pixel(1, 2), before.pixel(1, 2));
}

TEST(Merge, OverhangingSourceIsSqueezedIntoTheVisiblePart) {
  ImageDocument image = filled(4, 2, {50, 50, 50});
  ImageDocument mark = filled(8, 2, {0, 0, 0});
  for (int x = 4; x < 8; ++x)
    for (int y = 0; y < 2; ++y) mark.raster.set_pixel(x, y, {200, 200, 200});
  // Placed at x = -4 it reaches 4 pixels past the left edge; cutting would show only the
  // source's right (200) half, squeezing shows both halves.
  merge(image, mark, -4, 0, 8, 2, 0);
  EXPECT_EQ(image.raster.pixel(0, 0).r, 0);
  EXPECT_EQ(image.raster.pixel(3, 1).r, 200);

  ImageDocument untouched = filled(4, 2, {50, 50, 50});
  merge(untouched, mark, 4, 0, 8, 2, 0);  // entirely outside
  EXPECT_EQ(untouched.raster.pixel(3, 0).r, 50);
}

TEST(Merge, OnlyTwentyFourBitImagesAreBlended) {
  ImageDocument grey;
  grey.raster = Raster(3, 3, PixelFormat::Gray8);
  const Raster before = grey.raster;
  merge(grey, filled(3, 3, {255, 255, 255}), 0, 0, 3, 3, 0);
  EXPECT_EQ(grey.raster, before);

  ImageDocument image = filled(2, 1, {0, 0, 0});
  ImageDocument bits;
  bits.raster = Raster(2, 1, PixelFormat::Bit1);
  bits.raster.set_pixel(1, 0, {255, 255, 255});
  merge(image, bits, 0, 0, 2, 1, 50);
  EXPECT_EQ(image.raster.pixel(0, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(image.raster.pixel(1, 0), (Rgb{128, 128, 128}));  // 127.5 -> 128
}

}  // namespace
}  // namespace lumatrix
