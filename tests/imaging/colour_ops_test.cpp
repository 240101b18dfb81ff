#include "imaging/colour_ops.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace lumatrix {
namespace {

ImageDocument doc_of(Raster r) {
  ImageDocument doc;
  doc.raster = std::move(r);
  return doc;
}

ImageDocument single(Rgb colour) {
  Raster r(1, 1, PixelFormat::Rgb24);
  r.set_pixel(0, 0, colour);
  return doc_of(std::move(r));
}

TEST(HsvVar, WorkedPixelThroughTheNinetyNineScale) {
  // (100,150,200) -> (39,58,78) on the 0..99 scale; S = 39*99 div 78 = 49, H = -29 + 360 = 211.
  // Value +1 gives V = 79, k = 3, e = 31: p = 40, q = 59 -> (40,59,79) -> (103,152,203).
  EXPECT_EQ(hsv_shift({100, 150, 200}, 0, 0, 1), (Rgb{103, 152, 203}));
  // Offsets of zero still re-quantize: V = 78 gives (40,59,78) -> (103,152,201).
  EXPECT_EQ(hsv_shift({100, 150, 200}, 0, 0, 0), (Rgb{103, 152, 201}));
  // Hue 120 on pure red lands on pure green; saturation -99 gives grey at V.
  EXPECT_EQ(hsv_shift({255, 0, 0}, 120, 0, 0), (Rgb{0, 255, 0}));
  EXPECT_EQ(hsv_shift({255, 0, 0}, 0, -99, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(hsv_shift({0, 0, 0}, 0, 0, -5), (Rgb{0, 0, 0}));
}

TEST(HsvVar, BrightnessPlusOneChangesAlmostEveryValueAndRecordsUndo) {
  ImageDocument doc = doc_of(test::gradient_rgb(64, 48));
  const Raster before = doc.raster;
  hsv_var(doc, 0, 0, 1);
  EXPECT_EQ(doc.undo_label(), "HSVvar 0,0,1");
  int changed = 0;
  for (size_t i = 0; i < before.bytes().size(); ++i)
    changed += before.bytes()[i] != doc.raster.bytes()[i];
  EXPECT_GT(changed, static_cast<int>(before.bytes().size() * 8 / 10));
  // Large images go through a table of every 0..99 triple; it must give the same pixels.
  ImageDocument big = doc_of(test::gradient_rgb(2000, 1000));
  const Raster big_before = big.raster;
  hsv_var(big, 7, -3, 12);
  for (int y = 0; y < 1000; y += 97)
    for (int x = 0; x < 2000; x += 89)
      ASSERT_EQ(big.raster.pixel(x, y), hsv_shift(big_before.pixel(x, y), 7, -3, 12))
          << x << "," << y;
}

TEST(Contrast, ZeroIsIdentityAndMinusHundredFlattensToTheMean) {
  ImageDocument doc = doc_of(test::gradient_rgb(17, 9));
  const Raster before = doc.raster;
  contrast(doc, 0);
  EXPECT_EQ(doc.raster, before);
  EXPECT_EQ(doc.undo_label(), "Contrast 0");

  Raster two(2, 1, PixelFormat::Rgb24);
  two.set_pixel(0, 0, {10, 0, 255});
  two.set_pixel(1, 0, {31, 100, 0});
  ImageDocument flat = doc_of(two);
  contrast(flat, -100);
  EXPECT_EQ(flat.raster.pixel(0, 0), (Rgb{20, 50, 127}));
  EXPECT_EQ(flat.raster.pixel(1, 0), (Rgb{20, 50, 127}));
}

TEST(Contrast, MeanIsTakenRowByRowAndDeviationsTruncateTowardZero) {
  // Red rows 1 1 0 and 2 2 1: row means 0 and 1, so the mean is 0 (the plain mean would be 1).
  // Amount +10 doubles the deviations.
  Raster r(3, 2, PixelFormat::Rgb24);
  const uint8_t red[2][3] = {{1, 1, 0}, {2, 2, 1}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) r.set_pixel(x, y, {red[y][x], 0, 0});
  ImageDocument doc = doc_of(r);
  contrast(doc, 10);
  EXPECT_EQ(doc.raster.pixel(0, 1).r, 4);
  EXPECT_EQ(doc.raster.pixel(2, 1).r, 2);

  // Amount -25: F = 32768; mean of 10 31 11 is 17; 10 -> 17 + (-7 * 32768) / 65536 = 17 - 3.
  Raster row(3, 1, PixelFormat::Rgb24);
  row.set_pixel(0, 0, {10, 10, 10});
  row.set_pixel(1, 0, {31, 31, 31});
  row.set_pixel(2, 0, {11, 11, 11});
  ImageDocument soft = doc_of(row);
  contrast(soft, -25);
  EXPECT_EQ(soft.raster.pixel(0, 0).r, 14);
  EXPECT_EQ(soft.raster.pixel(1, 0).r, 24);
  EXPECT_EQ(soft.raster.pixel(2, 0).r, 14);

  ImageDocument one = single({0, 0, 0});  // a single pixel is left alone
  contrast(one, 100);
  EXPECT_EQ(one.raster.pixel(0, 0), (Rgb{0, 0, 0}));
}

TEST(IntensityRgbAll, AddsAndClamps) {
  ImageDocument doc = single({250, 5, 100});
  intensity_rgb_all(doc, 10, -10, 1);
  EXPECT_EQ(doc.raster.pixel(0, 0), (Rgb{255, 0, 101}));
  EXPECT_EQ(doc.undo_label(), "IntensityRGBall 10,-10,1");
}

TEST(ConvertToGray, PrimariesGiveTheirWeights) {
  const std::pair<Rgb, uint8_t> cases[] = {
      {{255, 0, 0}, 53}, {{0, 255, 0}, 181}, {{0, 0, 255}, 20}, {{255, 255, 255}, 255}};
  for (auto [colour, grey] : cases) {
    ImageDocument doc = single(colour);
    convert_to_gray(doc);
    EXPECT_EQ(doc.raster.pixel(0, 0), (Rgb{grey, grey, grey}));
    EXPECT_EQ(doc.raster.format(), PixelFormat::Rgb24);
    EXPECT_EQ(doc.undo_label(), "ConvertToGray");
  }
}

TEST(ColourOps, OtherFormatsAreLeftUntouched) {
  Raster grey(3, 2, PixelFormat::Gray8);
  grey.set_pixel(1, 1, {90, 90, 90});
  ImageDocument doc = doc_of(grey);
  hsv_var(doc, 0, 0, 10);
  contrast(doc, 50);
  intensity_rgb_all(doc, 9, 9, 9);
  convert_to_gray(doc);
  negative(doc);
  EXPECT_EQ(doc.raster, grey);
  EXPECT_EQ(doc.undo_label(), "Negative");

  ImageDocument none;  // no raster: nothing, not even an undo step
  negative(none);
  EXPECT_FALSE(none.can_undo());
}

TEST(Negative, InvertsColoursAndBitsButNotRowPadding) {
  ImageDocument doc = single({0, 100, 255});
  negative(doc);
  EXPECT_EQ(doc.raster.pixel(0, 0), (Rgb{255, 155, 0}));

  Raster bits(10, 2, PixelFormat::Bit1);
  bits.set_pixel(2, 0, {255, 255, 255});
  ImageDocument b = doc_of(bits);
  negative(b);
  EXPECT_EQ(b.raster.row(0)[0], 0xDF);
  EXPECT_EQ(b.raster.row(0)[1], 0xC0);
  EXPECT_EQ(b.raster.row(1)[1], 0xC0);
  negative(b);
  EXPECT_EQ(b.raster, bits);
}

}  // namespace
}  // namespace lumatrix
