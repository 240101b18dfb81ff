#include "imaging/filter_presets.h"

#include <gtest/gtest.h>

namespace lumatrix {
namespace {

ImageDocument grey_image(int w, int h, std::initializer_list<int> values) {
  ImageDocument doc;
  doc.raster = Raster(w, h, PixelFormat::Rgb24);
  auto it = values.begin();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x, ++it) {
      const auto v = static_cast<uint8_t>(*it);
      doc.raster.set_pixel(x, y, {v, v, v});
    }
  return doc;
}

std::vector<int> reds(const Raster& r) {
  std::vector<int> out;
  for (int y = 0; y < r.height(); ++y)
    for (int x = 0; x < r.width(); ++x) out.push_back(r.pixel(x, y).r);
  return out;
}

TEST(ApplyFilter, BlurOnOnePixelWideImageRepeatsTheEdgeOnBothSides) {
  // Column 0 90 180: each row contributes its value three times. Row 0: 3*(0+0+90)/9 = 30;
  // row 1: 3*(0+90+180)/9 = 90; row 2: 3*(90+180+180)/9 = 150. Reading updated pixels instead of
  // the originals would make rows 1 and 2 differ.
  ImageDocument doc = grey_image(1, 3, {0, 90, 180});
  apply_filter(doc, FilterPreset::Blur);
  EXPECT_EQ(reds(doc.raster), (std::vector<int>{30, 90, 150}));
  EXPECT_EQ(doc.undo_label(), "ApplyFilter");
}

TEST(ApplyFilter, PresetsUseTheirOwnMatrixOrientationAndClamp) {
  // Emboss on 0 10 20 (one row, so every column of the matrix sees the same row three times):
  // x=0: -3*0 + 0 + 3*10 = 30; x=1: -3*0 + 10 + 3*20 = 70; x=2: -3*10 + 20 + 3*20 = 50.
  ImageDocument emboss = grey_image(3, 1, {0, 10, 20});
  apply_filter(emboss, FilterPreset::Emboss);
  EXPECT_EQ(reds(emboss.raster), (std::vector<int>{30, 70, 50}));

  // Sharpen of a centre of 100 amid 50s: 5*100 - 4*50 = 300 -> 255; each corner 50 sees
  // 5*50 - 50 - 50 - 50 - 100 (clamped edges) = 0 on the corner, and the edge pixels
  // 5*50 - 50 - 50 - 100 - 50 = 0.
  ImageDocument sharp = grey_image(3, 3, {50, 50, 50, 50, 100, 50, 50, 50, 50});
  apply_filter(sharp, FilterPreset::Sharpen);
  EXPECT_EQ(reds(sharp.raster), (std::vector<int>{50, 0, 50, 0, 255, 0, 50, 0, 50}));

  // Edge: 8 neighbours of 50 around 100 -> 400 - 800 < 0 -> 0; a flat image gives 0.
  ImageDocument edge = grey_image(3, 3, {50, 50, 50, 50, 100, 50, 50, 50, 50});
  apply_filter(edge, FilterPreset::Edge);
  EXPECT_EQ(edge.raster.pixel(1, 1).r, 0);
  // The corner sees seven 50s and the 100 around it: 450 - 8*50 = 50.
  EXPECT_EQ(edge.raster.pixel(0, 0).r, 50);

  // Sharpen more: 9*100 - 8*50 = 500 -> 255; corner: 9*50 - 7*50 - 100 = 0.
  ImageDocument more = grey_image(3, 3, {50, 50, 50, 50, 100, 50, 50, 50, 50});
  apply_filter(more, FilterPreset::SharpenMore);
  EXPECT_EQ(more.raster.pixel(1, 1).r, 255);
  EXPECT_EQ(more.raster.pixel(0, 0).r, 0);
}

TEST(ApplyFilter, LeavesOtherFormatsAlone) {
  ImageDocument doc;
  doc.raster = Raster(4, 4, PixelFormat::Palette8);
  doc.raster.palette = {{0, 0, 0}, {255, 255, 255}};
  doc.raster.row(1)[1] = 1;
  const Raster before = doc.raster;
  apply_filter(doc, FilterPreset::Blur);
  EXPECT_EQ(doc.raster, before);
}

}  // namespace
}  // namespace lumatrix
