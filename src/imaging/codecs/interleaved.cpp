#include "imaging/codecs/interleaved.h"

#include <algorithm>

namespace lumatrix {

Interleaved interleave(const Raster& raster, bool keep_grey) {
  const bool grey = keep_grey && raster.format() == PixelFormat::Gray8;
  const Raster converted =
      grey || raster.format() == PixelFormat::Rgb24 ? Raster() : raster.to_rgb24();
  const Raster& source = converted.format() == PixelFormat::None ? raster : converted;
  const int colours = grey ? 1 : 3;
  Interleaved out;
  out.width = source.width();
  out.height = source.height();
  out.channels = colours + (source.has_alpha() ? 1 : 0);
  out.samples.resize(out.stride() * static_cast<size_t>(out.height));
  const size_t width = static_cast<size_t>(out.width);
  for (int y = 0; y < out.height; ++y) {
    const uint8_t* s = source.row(y);
    uint8_t* d = out.samples.data() + static_cast<size_t>(y) * out.stride();
    if (!source.has_alpha()) {
      std::copy_n(s, width * colours, d);
      continue;
    }
    const uint8_t* a = source.alpha_row(y);
    for (size_t x = 0; x < width; ++x, d += out.channels) {
      std::copy_n(s + x * colours, colours, d);
      d[colours] = a[x];
    }
  }
  return out;
}

Raster raster_from_interleaved(const uint8_t* samples, size_t stride, int width, int height,
                               int channels) {
  const int colours = channels < 3 ? 1 : 3;
  const bool alpha = channels == 2 || channels == 4;
  Raster raster(width, height, colours == 1 ? PixelFormat::Gray8 : PixelFormat::Rgb24);
  if (alpha) raster.add_alpha();
  const size_t w = static_cast<size_t>(width);
  for (int y = 0; y < height; ++y) {
    const uint8_t* s = samples + static_cast<size_t>(y) * stride;
    uint8_t* d = raster.row(y);
    if (!alpha) {
      std::copy_n(s, w * colours, d);
      continue;
    }
    uint8_t* a = raster.alpha_row(y);
    for (size_t x = 0; x < w; ++x, s += channels) {
      std::copy_n(s, colours, d + x * colours);
      a[x] = s[colours];
    }
  }
  return raster;
}

}  // namespace lumatrix
