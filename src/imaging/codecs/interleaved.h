#pragma once
// Pictures as the C codec libraries take and give them: 8-bit samples interleaved per pixel,
// grey or RGB, then alpha, rows one after the other.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/raster.h"

namespace lumatrix {

struct Interleaved {
  int width = 0, height = 0;
  int channels = 3;  // 1 grey, 2 grey and alpha, 3 RGB, 4 RGB and alpha
  std::vector<uint8_t> samples;
  size_t stride() const { return static_cast<size_t>(width) * channels; }
  bool grey() const { return channels < 3; }
  bool alpha() const { return channels == 2 || channels == 4; }
};

// The raster's pixels interleaved: grey rasters stay grey where `keep_grey` (else, like palette
// and 1-bit rasters, they become RGB), and an alpha plane follows the colours.
Interleaved interleave(const Raster& raster, bool keep_grey);

// A raster from interleaved samples of `channels` (as above), `stride` bytes a row: Gray8 or
// Rgb24, with an alpha plane when there is an alpha sample. Allocates through Raster, so a size
// above the pixel limit is refused.
Raster raster_from_interleaved(const uint8_t* samples, size_t stride, int width, int height,
                               int channels);

}  // namespace lumatrix
