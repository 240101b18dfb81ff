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

}  // namespace
}  // namespace lumatrix
