#include "imaging/frame.h"

#include <gtest/gtest.h>

#include "base/image_error.h"
#include "test_support.h"

namespace lumatrix {
namespace {

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBackground{1, 2, 3};

ImageDocument gradient(int w, int h) {
  ImageDocument doc;
  doc.raster = test::gradient_rgb(w, h);
  doc.background = kBackground;
  doc.params.jpeg_quality = 33;
  return doc;
}

// Whether the canvas holds the source unchanged with its top-left corner at (x, y).
bool holds_at(const Raster& canvas, const Raster& source, int x, int y) {
  for (int row = 0; row < source.height(); ++row)
    for (int col = 0; col < source.width(); ++col)
      if (canvas.pixel(x + col, y + row) != source.pixel(col, row)) return false;
  return true;
}

bool filled(const Raster& canvas, int x, int y, int w, int h, Rgb colour) {
  for (int row = y; row < y + h; ++row)
    for (int col = x; col < x + w; ++col)
      if (canvas.pixel(col, row) != colour) return false;
  return true;
}

TEST(Frame, BorderSurroundsTheImage) {
  const Raster source = test::gradient_rgb(100, 80);
  ImageDocument doc = gradient(100, 80);
  apply_frame(doc, {FrameKind::Border, kRed, 10});
  ASSERT_EQ(doc.width(), 120);
  ASSERT_EQ(doc.height(), 100);
  EXPECT_TRUE(holds_at(doc.raster, source, 10, 10));
  EXPECT_TRUE(filled(doc.raster, 0, 0, 120, 10, kRed));
  EXPECT_TRUE(filled(doc.raster, 0, 90, 120, 10, kRed));
  EXPECT_TRUE(filled(doc.raster, 0, 10, 10, 80, kRed));
  EXPECT_TRUE(filled(doc.raster, 110, 10, 10, 80, kRed));
  EXPECT_EQ(doc.params.jpeg_quality, 33);  // file parameters stay

  doc = gradient(100, 80);
  apply_frame(doc, {FrameKind::Border, kRed, 0});
  EXPECT_EQ(doc.raster, source);
}

TEST(Frame, ShadowLiesWhereTheOffsetsPoint) {
  const Raster source = test::gradient_rgb(100, 80);
  ImageDocument doc = gradient(100, 80);
  apply_frame(doc, {FrameKind::Effect3D, kRed, 0, 5, 5});
  ASSERT_EQ(doc.width(), 105);
  ASSERT_EQ(doc.height(), 85);
  EXPECT_TRUE(holds_at(doc.raster, source, 0, 0));
  EXPECT_TRUE(filled(doc.raster, 100, 5, 5, 80, kRed));
  EXPECT_TRUE(filled(doc.raster, 5, 80, 100, 5, kRed));
  // The two strips nobody covers take the background colour.
  EXPECT_TRUE(filled(doc.raster, 100, 0, 5, 5, kBackground));
  EXPECT_TRUE(filled(doc.raster, 0, 80, 5, 5, kBackground));

  doc = gradient(100, 80);
  apply_frame(doc, {FrameKind::Effect3D, kRed, 0, -5, 5});
  ASSERT_EQ(doc.width(), 105);
  ASSERT_EQ(doc.height(), 85);
  EXPECT_TRUE(holds_at(doc.raster, source, 5, 0));
  EXPECT_TRUE(filled(doc.raster, 0, 80, 100, 5, kRed));
  EXPECT_TRUE(filled(doc.raster, 0, 0, 5, 5, kBackground));

  doc = gradient(100, 80);
  apply_frame(doc, {FrameKind::Effect3D, kRed, 0, 0, 0});
  EXPECT_EQ(doc.raster, source);
}

TEST(Frame, OtherFormatsAndAlphaSurvive) {
  ImageDocument doc;
  doc.raster = Raster(4, 3, PixelFormat::Gray8);
  doc.raster.set_pixel(1, 1, {90, 90, 90});
  doc.raster.add_alpha();
  doc.raster.alpha_row(1)[1] = 7;
  apply_frame(doc, {FrameKind::Border, kRed, 2});
  ASSERT_EQ(doc.raster.format(), PixelFormat::Rgb24);
  EXPECT_EQ(doc.raster.pixel(3, 3), (Rgb{90, 90, 90}));
  ASSERT_TRUE(doc.raster.has_alpha());
  EXPECT_EQ(doc.raster.alpha_row(3)[3], 7);
  EXPECT_EQ(doc.raster.alpha_row(0)[0], 255);
}

TEST(Frame, NoneAndUnrecognisedDoNothingAndHugeOffsetsAreRefused) {
  const Raster source = test::gradient_rgb(10, 8);
  ImageDocument doc = gradient(10, 8);
  for (FrameKind kind : {FrameKind::None, FrameKind::Unrecognised}) {
    apply_frame(doc, {kind, kRed, 4, 4, 4});
    EXPECT_EQ(doc.raster, source);
  }
  EXPECT_THROW(apply_frame(doc, {FrameKind::Effect3D, kRed, 0, INT32_MIN, 0}), ImageError);
  EXPECT_THROW(apply_frame(doc, {FrameKind::Border, kRed, INT32_MAX}), ImageError);
  EXPECT_EQ(doc.raster, source);
}

}  // namespace
}  // namespace lumatrix
