// The two warps, lens and wave, which sample the picture bilinearly elsewhere.
#include <gtest/gtest.h>

#include "base/image_error.h"
#include "imaging/adjust/lens.h"
#include "imaging/adjust/wave.h"
#include "pictures.h"
#include "test_support.h"

namespace lumatrix::adjust {
namespace {

// Red 10 x, green 10 y: bilinear sampling at (sx, sy) gives back (10 sx, 10 sy) rounded.
Raster coordinates(int width, int height) {
  Raster r(width, height, PixelFormat::Rgb24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      r.set_pixel(x, y, {static_cast<uint8_t>(10 * x), static_cast<uint8_t>(10 * y), 0});
  return r;
}

TEST(Lens, AirOrNoRadiusBendsNothing) {
  ImageDocument doc = test::document_of(test::with_ramp_alpha(test::gradient_rgb(12, 9)));
  const Raster before = doc.raster;
  lens(doc, {.refraction = 100, .radius = 100});
  EXPECT_EQ(doc.raster, before);
  lens(doc, {.refraction = 300, .radius = 0});
  EXPECT_EQ(doc.raster, before);
  EXPECT_EQ(doc.undo_label(), "Lens");
}

TEST(Lens, APixelInsideIsTakenFromNearerTheCentre) {
  // 11 x 11, radius 50 % of 11 = 5.5 around (5, 5), index 2. Pixel (8, 5): r = 3, the sphere's
  // height there sqrt(5.5^2 - 9) = 4.610, incidence asin(3 / 5.5) = 33.06 degrees, refracted
  // asin(3 / 11) = 15.83; it shows the picture 4.610 x tan(17.23) = 1.430 nearer the centre,
  // at x = 6.570 (red 65.7).
  ImageDocument doc = test::document_of(coordinates(11, 11));
  lens(doc, {.refraction = 200, .radius = 50});
  EXPECT_EQ(doc.raster.pixel(8, 5), (Rgb{66, 50, 0}));
  EXPECT_EQ(doc.raster.pixel(2, 5), (Rgb{34, 50, 0}));  // the mirror image, 3.430
  // On the diagonal (7, 7), r = 2.83, the same construction lands at (6.041, 6.041).
  EXPECT_EQ(doc.raster.pixel(7, 7), (Rgb{60, 60, 0}));
  // The centre and everything outside the circle stay.
  EXPECT_EQ(doc.raster.pixel(5, 5), (Rgb{50, 50, 0}));
  EXPECT_EQ(doc.raster.pixel(1, 1), (Rgb{10, 10, 0}));
  EXPECT_EQ(doc.raster.pixel(10, 10), (Rgb{100, 100, 0}));  // r = 7.1
}

TEST(Lens, AlphaIsRefractedWithTheColours) {
  Raster r = coordinates(11, 11);
  r.add_alpha();
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 11; ++x) r.alpha_row(y)[x] = static_cast<uint8_t>(20 * x);
  ImageDocument doc = test::document_of(std::move(r));
  lens(doc, {.refraction = 200, .radius = 50});
  EXPECT_EQ(doc.raster.alpha_row(5)[8], 131);  // 20 x 6.570
  EXPECT_EQ(doc.raster.alpha_row(0)[8], 160);  // outside: as it was
}

TEST(Wave, AmplitudeZeroIsTheIdentity) {
  ImageDocument doc = test::document_of(test::with_ramp_alpha(test::gradient_rgb(10, 7)));
  const Raster before = doc.raster;
  for (WaveDirection d : {WaveDirection::Horizontal, WaveDirection::Vertical, WaveDirection::Both})
    wave(doc, {.amplitude = 0, .wavelength = 13, .phase = 40, .direction = d});
  EXPECT_EQ(doc.raster, before);
  EXPECT_EQ(doc.undo_label(), "Wave");
}

TEST(Wave, RowsSlideByTheSineOfTheirHeight) {
  // 4 x 4, amplitude 250 per mille of the width = 1 pixel, wavelength 100 % of the height = 4
  // rows, phase 90: row 0 takes its pixels from one to the right, row 1 stays (sin 180), row 2
  // from one to the left, the first pixel clamped to the edge.
  ImageDocument doc = test::document_of(coordinates(4, 4));
  wave(doc, {.amplitude = 250, .wavelength = 100, .phase = 90});
  EXPECT_EQ(test::reds(doc.raster),
            (std::vector<int>{10, 20, 30, 30, 0, 10, 20, 30, 0, 0, 10, 20, 0, 10, 20, 30}));
  for (int y = 0; y < 4; ++y) EXPECT_EQ(doc.raster.pixel(2, y).g, 10 * y);  // rows stay rows
}

TEST(Wave, ColumnsSlideVerticallyAndBothCombine) {
  ImageDocument doc = test::document_of(coordinates(4, 4));
  wave(doc,
       {.amplitude = 250, .wavelength = 100, .phase = 90, .direction = WaveDirection::Vertical});
  EXPECT_EQ(doc.raster.pixel(0, 0), (Rgb{0, 10, 0}));   // column 0 from one further down
  EXPECT_EQ(doc.raster.pixel(1, 2), (Rgb{10, 20, 0}));  // column 1 stays
  EXPECT_EQ(doc.raster.pixel(2, 3), (Rgb{20, 20, 0}));  // column 2 from one up
  ImageDocument both = test::document_of(coordinates(4, 4));
  wave(both, {.amplitude = 250, .wavelength = 100, .phase = 90, .direction = WaveDirection::Both});
  EXPECT_EQ(both.raster.pixel(0, 0), (Rgb{10, 10, 0}));
  // A fraction of a pixel blends neighbours: 50 per mille of 4 pixels is 0.2 of one.
  ImageDocument blend = test::document_of(coordinates(4, 1));
  wave(blend, {.amplitude = 50, .wavelength = 100, .phase = 90});
  EXPECT_EQ(test::reds(blend.raster), (std::vector<int>{2, 12, 22, 30}));
}

TEST(Warps, OutOfRangeValuesAreRefused) {
  ImageDocument doc = test::document_of(test::gradient_rgb(3, 3));
  EXPECT_EQ(test::error_of([&] { lens(doc, {.refraction = 99}); }),
            "Lens: refraction index must be from 100 to 400, not 99");
  EXPECT_THROW(lens(doc, {.radius = 101}), ImageError);
  EXPECT_THROW(wave(doc, {.wavelength = 0}), ImageError);
  EXPECT_THROW(wave(doc, {.amplitude = -1}), ImageError);
  EXPECT_FALSE(doc.can_undo());
}

}  // namespace
}  // namespace lumatrix::adjust
