#include "imaging/raster.h"

#include <gtest/gtest.h>

#include "base/image_error.h"

namespace lumatrix {
namespace {

TEST(Raster, StrideFollowsFormat) {
  EXPECT_EQ(Raster(9, 2, PixelFormat::Bit1).stride(), 2u);
  EXPECT_EQ(Raster(9, 2, PixelFormat::Gray8).stride(), 9u);
  EXPECT_EQ(Raster(9, 2, PixelFormat::Rgb24).stride(), 27u);
}

TEST(Raster, RefusesSizesAboveThePixelLimitBeforeAllocating) {
  const uint64_t old = pixel_limit();
  set_pixel_limit(100);
  EXPECT_THROW(Raster(11, 10, PixelFormat::Rgb24), ImageError);
  EXPECT_NO_THROW(Raster(10, 10, PixelFormat::Rgb24));
  set_pixel_limit(old);
  EXPECT_THROW(Raster(-1, 10, PixelFormat::Rgb24), ImageError);
  EXPECT_THROW(Raster(70000, 70000, PixelFormat::Rgb24), ImageError);
}

TEST(Raster, PixelsOfEveryFormatReadBackAsRgb) {
  Raster bits(10, 1, PixelFormat::Bit1);
  bits.set_pixel(9, 0, {255, 255, 255});
  EXPECT_EQ(bits.row(0)[1], 0x40);
  EXPECT_EQ(bits.pixel(9, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(bits.pixel(8, 0), (Rgb{0, 0, 0}));

  Raster pal(2, 1, PixelFormat::Palette8);
  pal.palette = {{10, 20, 30}, {200, 0, 0}};
  pal.set_pixel(1, 0, {190, 5, 5});
  EXPECT_EQ(pal.row(0)[1], 1);

  Raster rgb = pal.to_rgb24();
  EXPECT_EQ(rgb.format(), PixelFormat::Rgb24);
  EXPECT_EQ(rgb.pixel(0, 0), (Rgb{10, 20, 30}));
  EXPECT_EQ(rgb.pixel(1, 0), (Rgb{200, 0, 0}));
}

TEST(Raster, CopiesAreIndependentAndCompareByContent) {
  Raster a(3, 2, PixelFormat::Rgb24);
  a.set_pixel(2, 1, {9, 8, 7});
  Raster b = a;
  EXPECT_EQ(a, b);
  b.set_pixel(0, 0, {1, 1, 1});
  EXPECT_NE(a, b);
  EXPECT_EQ(a.pixel(0, 0), (Rgb{0, 0, 0}));
  // Assigning a smaller picture into a larger one leaves nothing of the old bytes behind.
  Raster small(1, 1, PixelFormat::Rgb24);
  b = small;
  EXPECT_EQ(b, small);
  EXPECT_EQ(b.bytes().size(), 3u);
  Raster moved = std::move(a);
  EXPECT_EQ(moved.pixel(2, 1), (Rgb{9, 8, 7}));
}

TEST(Raster, UnfilledRastersHaveTheSizeAndThePaletteOfFilledOnes) {
  const Raster filled(10, 3, PixelFormat::Bit1);
  const Raster unfilled = Raster::for_overwrite(10, 3, PixelFormat::Bit1);
  EXPECT_EQ(unfilled.stride(), filled.stride());
  EXPECT_EQ(unfilled.bytes().size(), filled.bytes().size());
  EXPECT_EQ(unfilled.palette, filled.palette);
  EXPECT_THROW(Raster::for_overwrite(70000, 70000, PixelFormat::Rgb24), ImageError);
}

TEST(Raster, IndicesPastThePaletteReadAsBlackInEveryConversion) {
  Raster pal(3, 1, PixelFormat::Palette8);
  pal.palette = {{10, 20, 30}};
  pal.row(0)[0] = 0, pal.row(0)[1] = 5, pal.row(0)[2] = 255;
  const Raster rgb = pal.to_rgb24();
  for (int x = 0; x < 3; ++x) EXPECT_EQ(rgb.pixel(x, 0), pal.pixel(x, 0)) << x;
  EXPECT_EQ(rgb.pixel(1, 0), (Rgb{0, 0, 0}));

  Raster bits(9, 1, PixelFormat::Bit1);
  bits.palette = {{1, 2, 3}};  // a one-entry table: set bits index past it
  bits.row(0)[0] = 0x81;
  bits.row(0)[1] = 0x80;
  uint8_t out[27];
  row_to_rgb24(bits.row(0), 9, PixelFormat::Bit1, bits.palette, out);
  for (int x = 0; x < 9; ++x) {
    const Rgb expected = bits.pixel(x, 0);
    EXPECT_EQ((Rgb{out[3 * x], out[3 * x + 1], out[3 * x + 2]}), expected) << x;
  }
  EXPECT_EQ(out[4], 2);  // pixel 1 is index 0
  EXPECT_EQ(out[1], 0);  // pixel 0 is index 1, past the table: black
}

}  // namespace
}  // namespace lumatrix
