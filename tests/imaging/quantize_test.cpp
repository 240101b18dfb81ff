#include "imaging/quantize.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "imaging/neuquant.h"
#include "test_support.h"

namespace lumatrix {
namespace {

ImageDocument doc_of(Raster r) {
  ImageDocument doc;
  doc.raster = std::move(r);
  return doc;
}

Raster filled(int w, int h, Rgb c) {
  Raster r(w, h, PixelFormat::Rgb24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) r.set_pixel(x, y, c);
  return r;
}

// A picture of 8 distinct colours, each pixel jittered by up to 2 per channel.
Raster clustered(int w, int h, std::mt19937& rng) {
  const Rgb centres[8] = {{20, 20, 20},   {230, 30, 40},  {40, 220, 60},  {50, 60, 210},
                          {240, 240, 30}, {30, 200, 200}, {200, 40, 200}, {235, 235, 235}};
  Raster r(w, h, PixelFormat::Rgb24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Rgb c = centres[(x / 8 + y / 8) % 8];
      auto j = [&](uint8_t v) { return static_cast<uint8_t>(v + static_cast<int>(rng() % 5) - 2); };
      r.set_pixel(x, y, {j(c.r), j(c.g), j(c.b)});
    }
  return r;
}

int max_channel_error(const Raster& a, const Raster& b) {
  int worst = 0;
  for (size_t i = 0; i < a.bytes().size(); ++i)
    worst = std::max(worst, std::abs(a.bytes()[i] - b.bytes()[i]));
  return worst;
}

TEST(ConvertTo, TwelveBitsLeavesPixelsAndTenBitsReduces) {
  ImageDocument doc = doc_of(test::gradient_rgb(96, 64));
  ASSERT_GT(count_colours(doc.raster, 1024), 1024);
  const Raster before = doc.raster;
  convert_to(doc, 4096, Dither::None);
  EXPECT_EQ(doc.raster, before);
  EXPECT_EQ(doc.undo_label(), "ConvertTo 4096");

  convert_to(doc, 1024, Dither::None);
  EXPECT_NE(doc.raster, before);
  EXPECT_EQ(doc.raster.format(), PixelFormat::Rgb24);
  EXPECT_LE(count_colours(doc.raster, 1024), 1024);
}

TEST(ConvertTo, FewColoursAndGreyImagesKeepTheirExactColours) {
  std::mt19937 rng(3);
  Raster five(20, 4, PixelFormat::Rgb24);
  for (int x = 0; x < 20; ++x)
    for (int y = 0; y < 4; ++y) five.set_pixel(x, y, {uint8_t(x % 5 * 50), uint8_t(7 * y), 9});
  ImageDocument doc = doc_of(five);
  convert_to(doc, 20, Dither::None);
  EXPECT_EQ(doc.raster, five);

  Raster grey(256, 3, PixelFormat::Rgb24);
  for (int x = 0; x < 256; ++x)
    for (int y = 0; y < 3; ++y) grey.set_pixel(x, y, {uint8_t(x), uint8_t(x), uint8_t(x)});
  ImageDocument g = doc_of(grey);
  convert_to(g, 256, Dither::None);
  EXPECT_EQ(g.raster, grey);
}

TEST(ConvertTo, BayerDitherFollowsTheMatrixAsIndexed) {
  // Grey test value 40*100/400 = 10. Row 0 uses the matrix's first column (0 48 12 60 3 51 15
  // 63): white at x = 0 and 4 -> 0x88. Row 1 uses the second column (32 16 44 28 35 19 47 31):
  // nothing below 10 -> 0x00. Row 4: column 4 (2 50 14 62 1 49 13 61) -> x = 0, 4 -> 0x88.
  ImageDocument doc = doc_of(filled(16, 8, {40, 40, 40}));
  convert_to(doc, 2, Dither::None);
  ASSERT_EQ(doc.raster.format(), PixelFormat::Bit1);
  EXPECT_EQ(doc.raster.row(0)[0], 0x88);
  EXPECT_EQ(doc.raster.row(0)[1], 0x88);
  EXPECT_EQ(doc.raster.row(1)[0], 0x00);
  EXPECT_EQ(doc.raster.row(4)[0], 0x88);
  EXPECT_EQ(doc.raster.pixel(0, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(doc.raster.pixel(1, 0), (Rgb{0, 0, 0}));

  // Mid grey 128 -> 32: exactly half of every 8x8 tile is white.
  ImageDocument mid = doc_of(filled(8, 8, {128, 128, 128}));
  convert_to(mid, 1, Dither::None);
  int white = 0;
  for (int y = 0; y < 8; ++y) white += __builtin_popcount(mid.raster.row(y)[0]);
  EXPECT_EQ(white, 32);
}

TEST(ConvertTo, MedianCutFindsClustersBelow128) {
  std::mt19937 rng(11);
  const Raster source = clustered(64, 64, rng);
  ImageDocument doc = doc_of(source);
  convert_to(doc, 8, Dither::None);
  EXPECT_LE(count_colours(doc.raster, 8), 8);
  EXPECT_LE(max_channel_error(doc.raster, source), 4);
}

TEST(ConvertTo, NeuQuantServesLargePalettesWell) {
  const Raster source = test::gradient_rgb(200, 150);
  ImageDocument doc = doc_of(source);
  convert_to(doc, 256, Dither::None);
  EXPECT_LE(count_colours(doc.raster, 256), 256);
  double error = 0;
  for (size_t i = 0; i < source.bytes().size(); ++i)
    error += std::abs(source.bytes()[i] - doc.raster.bytes()[i]);
  EXPECT_LT(error / source.bytes().size(), 12.0);

  std::mt19937 rng(5);
  const Raster clusters = clustered(128, 128, rng);
  const std::vector<Rgb> palette = neuquant_palette(clusters, 128, 1);
  ASSERT_EQ(palette.size(), 128u);
  Raster mapped = clusters;
  map_to_palette(mapped, palette, Dither::None);
  EXPECT_LE(max_channel_error(mapped, clusters), 8);
}

TEST(MapToPalette, PicksTheTrueNearestEntryWithLowIndexTies) {
  std::mt19937 rng(9);
  std::vector<Rgb> palette;
  for (int i = 0; i < 40; ++i) palette.push_back({uint8_t(rng()), uint8_t(rng()), uint8_t(rng())});
  palette.push_back(palette[3]);  // a duplicate must never beat entry 3
  Raster pixels(300, 20, PixelFormat::Rgb24);
  for (uint8_t& b : pixels.bytes()) b = static_cast<uint8_t>(rng());
  Raster mapped = pixels;
  map_to_palette(mapped, palette, Dither::None);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 300; ++x) {
      const Rgb p = pixels.pixel(x, y);
      int best = 0, best_d = 1 << 30;
      for (size_t i = 0; i < palette.size(); ++i) {
        const int dr = palette[i].r - p.r, dg = palette[i].g - p.g, db = palette[i].b - p.b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < best_d) best_d = d, best = static_cast<int>(i);
      }
      ASSERT_EQ(mapped.pixel(x, y), palette[best]) << x << "," << y;
    }

  Raster tie = filled(1, 1, {1, 0, 0});
  map_to_palette(tie, {{2, 0, 0}, {0, 0, 0}}, Dither::None);
  EXPECT_EQ(tie.pixel(0, 0), (Rgb{2, 0, 0}));
}

TEST(MapToPalette, FloydSteinbergKeepsTheAverageTone) {
  Raster grey = filled(64, 64, {100, 100, 100});
  map_to_palette(grey, {{0, 0, 0}, {255, 255, 255}}, Dither::FloydSteinberg);
  double sum = 0;
  for (uint8_t b : grey.bytes()) sum += b;
  EXPECT_NEAR(sum / grey.bytes().size(), 100.0, 4.0);
}

TEST(ConvertTo, OtherFormatsAreLeftUntouched) {
  Raster grey(4, 4, PixelFormat::Gray8);
  grey.set_pixel(1, 2, {77, 77, 77});
  ImageDocument doc = doc_of(grey);
  convert_to(doc, 2, Dither::None);
  EXPECT_EQ(doc.raster, grey);
}

}  // namespace
}  // namespace lumatrix
