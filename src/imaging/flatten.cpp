#include "imaging/flatten.h"

namespace lumatrix {

namespace {

uint8_t compose(uint8_t pixel, uint8_t background, uint8_t alpha) {
  return static_cast<uint8_t>((pixel * alpha + background * (255 - alpha) + 127) / 255);
}

}  // namespace

Raster flattened_onto(const Raster& raster, Rgb colour) {
  if (!raster.has_alpha()) return raster;
  const bool grey =
      raster.format() == PixelFormat::Gray8 && colour.r == colour.g && colour.g == colour.b;
  Raster out =
      grey ? Raster(raster.width(), raster.height(), PixelFormat::Gray8) : raster.to_rgb24();
  out.drop_alpha();
  for (int y = 0; y < raster.height(); ++y) {
    const uint8_t* alpha = raster.alpha_row(y);
    uint8_t* row = out.row(y);
    if (grey) {
      const uint8_t* source = raster.row(y);
      for (int x = 0; x < raster.width(); ++x) row[x] = compose(source[x], colour.r, alpha[x]);
      continue;
    }
    for (int x = 0; x < raster.width(); ++x) {
      row[3 * x] = compose(row[3 * x], colour.r, alpha[x]);
      row[3 * x + 1] = compose(row[3 * x + 1], colour.g, alpha[x]);
      row[3 * x + 2] = compose(row[3 * x + 2], colour.b, alpha[x]);
    }
  }
  return out;
}

}  // namespace lumatrix
