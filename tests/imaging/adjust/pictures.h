#pragma once
// Tiny pictures with exact values for the adjustment tests.
#include <initializer_list>
#include <vector>

#include "imaging/image_document.h"

namespace lumatrix::test {

// A width x height 24-bit raster from its pixels, row by row.
inline Raster rgb_picture(int width, int height, std::initializer_list<Rgb> pixels) {
  Raster r(width, height, PixelFormat::Rgb24);
  auto it = pixels.begin();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) r.set_pixel(x, y, *it++);
  return r;
}

// The same with grey pixels (all three channels equal).
inline Raster grey_picture(int width, int height, std::initializer_list<int> values) {
  Raster r(width, height, PixelFormat::Rgb24);
  auto it = values.begin();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x, ++it) {
      const auto v = static_cast<uint8_t>(*it);
      r.set_pixel(x, y, {v, v, v});
    }
  return r;
}

// Every pixel `colour`.
inline Raster flat_picture(int width, int height, Rgb colour) {
  Raster r(width, height, PixelFormat::Rgb24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) r.set_pixel(x, y, colour);
  return r;
}

inline ImageDocument document_of(Raster raster) {
  ImageDocument doc;
  doc.raster = std::move(raster);
  return doc;
}

// The red channel, row by row.
inline std::vector<int> reds(const Raster& r) {
  std::vector<int> out;
  for (int y = 0; y < r.height(); ++y)
    for (int x = 0; x < r.width(); ++x) out.push_back(r.pixel(x, y).r);
  return out;
}

}  // namespace lumatrix::test
