#pragma once
// Pictures delivered a strip of rows at a time, top to bottom: what a decoder hands out when the
// whole raster is not to exist at once (decoding straight into a resample).
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/raster.h"

namespace lumatrix {

// The shape of the rows: size, pixel format with its palette, and whether an alpha row (one
// byte per pixel) comes with each row.
struct RowLayout {
  int width = 0, height = 0;
  PixelFormat format = PixelFormat::None;
  std::vector<Rgb> palette;  // Bit1 and Palette8
  bool alpha = false;

  size_t stride() const { return (static_cast<size_t>(width) * bits_per_pixel(format) + 7) / 8; }
  friend bool operator==(const RowLayout&, const RowLayout&) = default;
};

// The layout of a raster's rows.
RowLayout layout_of(const Raster& raster);

// A decoder positioned after the file's header.
class RowReader {
 public:
  virtual ~RowReader() = default;

  const RowLayout& layout() const { return layout_; }

  // Before the first read: a decoder that can shrink while it decodes (JPEG's DCT scaling) may
  // deliver a smaller picture, no narrower than min_width and no lower than min_height;
  // layout() then gives the size delivered. The others keep the full size.
  virtual void allow_shrink(int min_width, int min_height) {}

  // Decodes the next rows.size() rows into `rows` (layout().stride() bytes each) and, when the
  // layout has alpha, their alpha rows into `alpha` (width bytes each; otherwise empty). The
  // unused bits at the end of a 1-bit row may be left as they were. Throws ImageError on
  // corrupt or truncated data, or when asked for more rows than remain.
  virtual void read(std::span<uint8_t* const> rows, std::span<uint8_t* const> alpha) = 0;

 protected:
  RowLayout layout_;
};

// The whole picture of a reader that has delivered no row yet, decoded straight into the
// raster's memory.
Raster read_all_rows(RowReader& reader);

}  // namespace lumatrix
