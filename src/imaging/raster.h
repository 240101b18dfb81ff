#pragma once
// The pixels of an image document: 1-bit, 8-bit palette, 8-bit grey or 24-bit RGB, with an
// optional 8-bit alpha plane. Rows are stored top to bottom, each `stride()` bytes long with no
// padding beyond the last byte the format needs.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/pixel_buffer.h"
#include "imaging/resource_policy.h"  // the pixel limit every allocation obeys

namespace lumatrix {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

enum class PixelFormat {
  None,      // no raster
  Bit1,      // 1 bit per pixel, most significant bit first; value indexes `palette` (2 entries)
  Palette8,  // 1 byte per pixel indexing `palette` (up to 256 entries)
  Gray8,     // 1 byte per pixel, 0 black .. 255 white
  Rgb24,     // 3 bytes per pixel in R, G, B order
};

// Bits per pixel of a format (0 for None).
int bits_per_pixel(PixelFormat format);

// One row of `width` pixels in `format` as 24-bit RGB, 3 bytes per pixel, read as
// Raster::pixel reads them (an index past the palette's end is black).
void row_to_rgb24(const uint8_t* row, int width, PixelFormat format,
                  const std::vector<Rgb>& palette, uint8_t* out);

class Raster {
 public:
  Raster() = default;
  // Allocates a zero-filled raster. Throws ImageError when the size is negative or above the
  // pixel limit.
  Raster(int width, int height, PixelFormat format);
  // The same without the fill, for a maker that writes every byte of every row before anyone
  // reads the raster (decoders, resampling, rotation); the pixels are unspecified until then.
  static Raster for_overwrite(int width, int height, PixelFormat format);

  int width() const { return width_; }
  int height() const { return height_; }
  PixelFormat format() const { return format_; }
  bool empty() const { return width_ == 0 || height_ == 0; }
  size_t stride() const { return stride_; }

  uint8_t* row(int y) { return pixels_.data() + static_cast<size_t>(y) * stride_; }
  const uint8_t* row(int y) const { return pixels_.data() + static_cast<size_t>(y) * stride_; }
  std::span<uint8_t> bytes() { return pixels_.span(); }
  std::span<const uint8_t> bytes() const { return pixels_.span(); }

  // Colour table for Bit1 and Palette8 (Bit1 defaults to black, white).
  std::vector<Rgb> palette;

  bool has_alpha() const { return !alpha_.empty(); }
  // Adds a fully opaque alpha plane if there is none.
  void add_alpha();
  void drop_alpha() {
    alpha_.clear();
    alpha_.shrink_to_fit();
  }
  uint8_t* alpha_row(int y) { return alpha_.data() + static_cast<size_t>(y) * width_; }
  const uint8_t* alpha_row(int y) const { return alpha_.data() + static_cast<size_t>(y) * width_; }

  // Colour of one pixel whatever the format (slow; for tests, codecs and edge handling).
  Rgb pixel(int x, int y) const;
  // Sets one pixel: Rgb24 stores the colour, Gray8 its red channel (pass a grey), Bit1 and
  // Palette8 the index of the nearest palette entry. Slow; for tests and small fills.
  void set_pixel(int x, int y, Rgb colour);

  // The same picture as 24-bit RGB (alpha kept).
  Raster to_rgb24() const;

  friend bool operator==(const Raster&, const Raster&) = default;

 private:
  Raster(int width, int height, PixelFormat format, PixelBuffer::Fill fill);

  int width_ = 0, height_ = 0;
  PixelFormat format_ = PixelFormat::None;
  size_t stride_ = 0;
  PixelBuffer pixels_;
  std::vector<uint8_t> alpha_;
};

}  // namespace lumatrix
