#include "imaging/rotate_flip.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace lumatrix {
namespace {

ImageDocument doc_of(Raster r) {
  ImageDocument doc;
  doc.raster = std::move(r);
  return doc;
}

TEST(Rotate, QuarterTurnsMovePixelsExactly) {
  ImageDocument doc = doc_of(test::gradient_rgb(5, 3));
  const Raster original = doc.raster;
  rotate(doc, 90);
  EXPECT_EQ(doc.undo_label(), "Rotate 90");
  ASSERT_EQ(doc.width(), 3);
  ASSERT_EQ(doc.height(), 5);
  // Counter-clockwise: the top-right corner comes to the top-left, the top-left to the
  // bottom-left.
  EXPECT_EQ(doc.raster.pixel(0, 0), original.pixel(4, 0));
  EXPECT_EQ(doc.raster.pixel(0, 4), original.pixel(0, 0));
  EXPECT_EQ(doc.raster.pixel(2, 4), original.pixel(0, 2));
  for (int i = 0; i < 3; ++i) rotate(doc, 90);
  EXPECT_EQ(doc.raster, original);

  rotate(doc, 180);
  EXPECT_EQ(doc.raster.pixel(0, 0), original.pixel(4, 2));
  rotate(doc, -180);
  EXPECT_EQ(doc.raster, original);
  rotate(doc, 270);
  EXPECT_EQ(doc.raster.pixel(0, 0), original.pixel(0, 2));
  rotate(doc, 450);
  EXPECT_EQ(doc.raster, original);
}

TEST(Rotate, OneBitAndAlphaTurnToo) {
  Raster bits(10, 3, PixelFormat::Bit1);
  bits.set_pixel(9, 0, {255, 255, 255});
  bits.add_alpha();
  bits.alpha_row(2)[0] = 7;
  ImageDocument doc = doc_of(bits);
  rotate(doc, 90);
  EXPECT_EQ(doc.raster.format(), PixelFormat::Bit1);
  EXPECT_EQ(doc.raster.pixel(0, 0).r, 255);
  EXPECT_EQ(doc.raster.alpha_row(9)[2], 7);
  for (int i = 0; i < 3; ++i) rotate(doc, 90);
  EXPECT_EQ(doc.raster, bits);
}

TEST(Rotate, OtherAnglesGrowTheCanvasAndFillCorners) {
  Raster square(10, 10, PixelFormat::Rgb24);
  std::fill(square.bytes().begin(), square.bytes().end(), 200);
  ImageDocument doc = doc_of(square);
  doc.background = {1, 2, 3};
  rotate(doc, 45);
  EXPECT_EQ(doc.width(), 15);  // ceil(10 * sqrt 2)
  EXPECT_EQ(doc.height(), 15);
  EXPECT_EQ(doc.raster.pixel(0, 0), (Rgb{1, 2, 3}));
  EXPECT_EQ(doc.raster.pixel(7, 7), (Rgb{200, 200, 200}));
  ImageDocument aa = doc_of(square);
  rotate(aa, 30, true, Rgb{0, 0, 0});
  EXPECT_EQ(aa.raster.pixel(aa.width() / 2, aa.height() / 2), (Rgb{200, 200, 200}));
  EXPECT_EQ(aa.undo_label(), "Rotate 30");
}

TEST(Flip, MirrorsRowsOrRowOrderWithoutUndo) {
  ImageDocument doc = doc_of(test::gradient_rgb(5, 3));
  const Raster original = doc.raster;
  flip(doc, FlipDirection::Horizontal);
  EXPECT_EQ(doc.raster.pixel(0, 1), original.pixel(4, 1));
  EXPECT_EQ(doc.raster.pixel(2, 1), original.pixel(2, 1));
  flip(doc, FlipDirection::Vertical);
  EXPECT_EQ(doc.raster.pixel(0, 0), original.pixel(4, 2));
  EXPECT_FALSE(doc.can_undo());
}

TEST(Flip, OneBitRowsMirrorBitByBit) {
  Raster bits(10, 2, PixelFormat::Bit1);
  bits.set_pixel(0, 0, {255, 255, 255});
  bits.set_pixel(3, 1, {255, 255, 255});
  ImageDocument doc = doc_of(bits);
  flip(doc, FlipDirection::Horizontal);
  EXPECT_EQ(doc.raster.row(0)[0], 0x00);
  EXPECT_EQ(doc.raster.row(0)[1], 0x40);  // pixel 9
  EXPECT_EQ(doc.raster.row(1)[0], 0x02);  // pixel 6
  flip(doc, FlipDirection::Vertical);
  EXPECT_EQ(doc.raster.row(0)[0], 0x02);
  flip(doc, FlipDirection::Vertical);
  flip(doc, FlipDirection::Horizontal);
  EXPECT_EQ(doc.raster, bits);
}

}  // namespace
}  // namespace lumatrix
