#pragma once
// TIFF samples of any depth and kind made into our pixels: the TIFF reader hands over packed rows
// (of a strip, a tile or one plane of them), SampleUnpacker turns their samples into plain
// unsigned values, and PixelWriter turns those into grey, palette, RGB or CMYK pixels with an
// optional alpha, scaled to 8 bits.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/raster.h"

namespace lumatrix {

enum class TiffSampleType { Unsigned, Signed, Float };

// Reads the samples of packed rows as unsigned values in 0..max(): integers of 1 to 32 bits at
// their own precision (signed ones shifted so that zero is mid-scale), IEEE floating point of
// 16, 32 or 64 bits clipped to 0..1 and scaled to 16 bits. Rows are as libtiff hands them out:
// samples of 16, 32 and 64 bits in the machine's byte order, other depths packed most
// significant bit first. 24-bit samples are packed so by ImageMagick in either byte order;
// libtiff swaps those of files in the other byte order than the machine's (`swapped`), which
// leaves them in the machine's.
class SampleUnpacker {
 public:
  SampleUnpacker(int bits, TiffSampleType type, bool swapped);

  // Whether samples of this depth and type can be read; `why` says why not.
  static bool supported(int bits, TiffSampleType type, std::string& why);

  uint32_t max() const { return max_; }
  // `count` samples of `row`, the first at sample index `first` and each next `step` further,
  // into out[0], out[out_step], ...
  void unpack(const uint8_t* row, size_t first, size_t step, size_t count, uint32_t* out,
              size_t out_step) const;

 private:
  uint32_t unsigned_at(const uint8_t* row, size_t index) const;
  uint32_t value_at(const uint8_t* row, size_t index) const;

  int bits_;
  TiffSampleType type_;
  bool native_24_;
  uint32_t max_;
};

// What a pixel's samples mean, in order: the colour samples, then alpha if there is one.
enum class TiffColour { Grey, GreyInverted, Palette, Rgb, Cmyk };

struct TiffPixels {
  TiffColour colour = TiffColour::Rgb;
  bool alpha = false;
  // Alpha premultiplied into the colour samples (TIFF's associated alpha).
  bool associated = false;
};

// Colour samples a pixel of this kind has.
int colour_sample_count(TiffColour colour);

// Writes values of one SampleUnpacker's scale into a raster: grey as Gray8 (or Bit1 for 1-bit
// grey without alpha), palettes of up to 8 bits as Palette8 with their own palette and wider ones
// as RGB, RGB and CMYK as RGB (the plain ink-to-light conversion, at the samples' precision).
class PixelWriter {
 public:
  // `palette` holds 2^bits entries for TiffColour::Palette, else nothing.
  PixelWriter(int width, int height, TiffPixels pixels, int bits, uint32_t max,
              std::vector<Rgb> palette);

  // The format the picture gets, worked out before allocating it.
  static PixelFormat format_for(TiffPixels pixels, int bits);

  // Values each pixel takes in write(): its colour samples and its alpha.
  int samples() const { return samples_; }
  // Pixels x .. x + count - 1 of row y, from samples() values each.
  void write(int y, int x, int count, const uint32_t* values);
  // The area a damaged strip or tile would have covered shows the background: black, opaque.
  void fill_background(int y0, int y1, int x0, int x1);
  // The picture, with associated alpha divided out of its colours.
  Raster finish();

 private:
  uint8_t to8(uint32_t v) const;

  Raster raster_;
  TiffPixels pixels_;
  uint32_t max_;
  int samples_;
  std::vector<Rgb> wide_palette_;  // palettes above 8 bits, looked up into RGB
  uint8_t background_index_ = 0;   // the palette entry nearest black
  std::vector<uint8_t> to8_;       // the scale to 8 bits, for samples of up to 16 bits
};

}  // namespace lumatrix
