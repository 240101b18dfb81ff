#include "imaging/raster.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <string>

#include "base/image_error.h"

namespace lumatrix {

namespace {
int colour_distance(Rgb a, Rgb b) {
  int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
  return dr * dr + dg * dg + db * db;
}

uint8_t nearest_index(const std::vector<Rgb>& palette, Rgb colour) {
  size_t best = 0;
  int best_distance = std::numeric_limits<int>::max();
  for (size_t i = 0; i < palette.size(); ++i) {
    int d = colour_distance(palette[i], colour);
    if (d < best_distance) best_distance = d, best = i;
  }
  return static_cast<uint8_t>(best);
}
}  // namespace

int bits_per_pixel(PixelFormat format) {
  switch (format) {
    case PixelFormat::None:
      return 0;
    case PixelFormat::Bit1:
      return 1;
    case PixelFormat::Palette8:
    case PixelFormat::Gray8:
      return 8;
    case PixelFormat::Rgb24:
      return 24;
  }
  return 0;
}

Raster::Raster(int width, int height, PixelFormat format)
    : Raster(width, height, format, PixelBuffer::Fill::Zero) {}

Raster Raster::for_overwrite(int width, int height, PixelFormat format) {
  return Raster(width, height, format, PixelBuffer::Fill::None);
}

Raster::Raster(int width, int height, PixelFormat format, PixelBuffer::Fill fill) {
  if (width < 0 || height < 0)
    throw ImageError("invalid image size " + std::to_string(width) + "x" + std::to_string(height));
  check_pixel_limit(static_cast<uint64_t>(width), static_cast<uint64_t>(height));
  width_ = width;
  height_ = height;
  format_ = format;
  stride_ = (static_cast<size_t>(width) * bits_per_pixel(format) + 7) / 8;
  pixels_.resize(stride_ * static_cast<size_t>(height), fill);
  if (format == PixelFormat::Bit1) palette = {Rgb{0, 0, 0}, Rgb{255, 255, 255}};
}

void Raster::add_alpha() {
  if (alpha_.empty()) alpha_.assign(static_cast<size_t>(width_) * height_, 255);
}

Rgb Raster::pixel(int x, int y) const {
  const uint8_t* p = row(y);
  switch (format_) {
    case PixelFormat::None:
      return {};
    case PixelFormat::Bit1: {
      size_t index = (p[x >> 3] >> (7 - (x & 7))) & 1;
      return index < palette.size() ? palette[index] : Rgb{};
    }
    case PixelFormat::Palette8:
      return p[x] < palette.size() ? palette[p[x]] : Rgb{};
    case PixelFormat::Gray8:
      return {p[x], p[x], p[x]};
    case PixelFormat::Rgb24:
      return {p[3 * x], p[3 * x + 1], p[3 * x + 2]};
  }
  return {};
}

void Raster::set_pixel(int x, int y, Rgb colour) {
  uint8_t* p = row(y);
  switch (format_) {
    case PixelFormat::None:
      return;
    case PixelFormat::Bit1: {
      uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
      if (nearest_index(palette, colour))
        p[x >> 3] |= mask;
      else
        p[x >> 3] &= static_cast<uint8_t>(~mask);
      return;
    }
    case PixelFormat::Palette8:
      p[x] = nearest_index(palette, colour);
      return;
    case PixelFormat::Gray8:
      p[x] = colour.r;
      return;
    case PixelFormat::Rgb24:
      p[3 * x] = colour.r, p[3 * x + 1] = colour.g, p[3 * x + 2] = colour.b;
      return;
  }
}

void row_to_rgb24(const uint8_t* row, int width, PixelFormat format,
                  const std::vector<Rgb>& palette, uint8_t* out) {
  const auto put = [&out](Rgb c) {
    out[0] = c.r, out[1] = c.g, out[2] = c.b;
    out += 3;
  };
  // Every index of a byte maps through a full table, so those past the palette read black.
  std::array<Rgb, 256> table{};
  if (format == PixelFormat::Bit1 || format == PixelFormat::Palette8)
    std::copy_n(palette.begin(), std::min<size_t>(palette.size(), 256), table.begin());
  switch (format) {
    case PixelFormat::None:
      return;
    case PixelFormat::Bit1:
      for (int x = 0; x < width; ++x) put(table[(row[x >> 3] >> (7 - (x & 7))) & 1]);
      return;
    case PixelFormat::Palette8:
      for (int x = 0; x < width; ++x) put(table[row[x]]);
      return;
    case PixelFormat::Gray8:
      for (int x = 0; x < width; ++x) put({row[x], row[x], row[x]});
      return;
    case PixelFormat::Rgb24:
      std::memcpy(out, row, static_cast<size_t>(width) * 3);
      return;
  }
}

Raster Raster::to_rgb24() const {
  if (format_ == PixelFormat::Rgb24) return *this;
  if (format_ == PixelFormat::None) return Raster(width_, height_, PixelFormat::None);
  Raster out = for_overwrite(width_, height_, PixelFormat::Rgb24);
  for (int y = 0; y < height_; ++y) row_to_rgb24(row(y), width_, format_, palette, out.row(y));
  out.alpha_ = alpha_;
  return out;
}

}  // namespace lumatrix
