#pragma once
// PNG chunks beyond the pixels, for writing a picture back in place: what the reader leaves
// aside (text, colour facts, EXIF, unknown chunks) goes into the new file as it was.
#include <png.h>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace lumatrix {

// `rewritten` (our writer's PNG of the turned picture, `width` x `height`) with the ancillary
// chunks of `original` it lacks, in their order, right after its header chunk. Left out are the
// chunks tied to the old pixels (transparency, background, histogram, significant bits,
// suggested palettes, resolution and time, which the writer or the turn renew) and unknown
// chunks the format marks unsafe to copy into an altered picture. An eXIf chunk's block says
// Orientation 1, the new size, and loses its thumbnail.
std::vector<uint8_t> carry_png_chunks(std::span<const uint8_t> original,
                                      std::span<const uint8_t> rewritten, int width, int height);

// A PNG of 16-bit samples as stored, which the decoder rounds to 8 bits: the pixels of such a
// file can only be turned as they are, sample by sample.
struct PngSamples {
  int width = 0, height = 0;
  int bit_depth = 16;
  int color_type = 0;           // PNG_COLOR_TYPE_*
  int pixel_bytes = 0;          // all samples of one pixel, alpha included
  std::vector<uint8_t> pixels;  // rows top to bottom, without padding
  struct Resolution {
    png_uint_32 x = 0, y = 0;
    int unit = 0;
  };
  std::optional<Resolution> resolution;     // pHYs as stored
  std::optional<png_color_16> transparent;  // a tRNS colour

  uint8_t* row(int y) { return pixels.data() + static_cast<size_t>(y) * width * pixel_bytes; }
  const uint8_t* row(int y) const {
    return pixels.data() + static_cast<size_t>(y) * width * pixel_bytes;
  }
};
// Throws ImageError(reason) for damage and for files whose samples are not 16 bits.
PngSamples read_png_samples(std::span<const uint8_t> data);
// Written without interlacing; only IHDR, pHYs, tRNS and the pixels.
std::vector<uint8_t> write_png_samples(const PngSamples& samples);

}  // namespace lumatrix
