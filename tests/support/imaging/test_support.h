#pragma once
// Helpers shared by the tests of imaging and the layers above: synthetic images and damaged
// inputs, besides the scratch folders and programs of test_files.h.
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "base/image_error.h"
#include "imaging/codec.h"
#include "imaging/raster.h"
#include "test_files.h"

namespace lumatrix::test {

// A w×h 24-bit image whose pixels differ everywhere: (x*37+y*11, x*5+y*71, x*y+13) mod 256.
Raster gradient_rgb(int width, int height);

// A grey ramp: (7x + 3y) mod 256.
Raster grey_ramp(int width, int height);
// A palette of `colours` entries (i*5, 255-i, i*13), pixels (x + 3y) mod colours.
Raster paletted(int width, int height, int colours);
// The raster with an alpha plane rising from left to right (x * 255 / width).
Raster with_ramp_alpha(Raster raster);

// The message of the ImageError `fn` throws, or "no error".
template <typename Fn>
std::string error_of(Fn&& fn) {
  try {
    fn();
  } catch (const ImageError& e) {
    return e.what();
  }
  return "no error";
}

// What a decoder says when it refuses `bytes` (the ImageError's message), or "decoded".
std::string refusal_reason(DecodeFn decode, std::span<const uint8_t> bytes);

// Feeds damaged copies of a valid file to `decode`: every truncation length in a spread of
// points, and single-bit flips at a spread of positions. Each call must either return or throw
// ImageError; anything else (another exception, a crash, a sanitizer report) fails the test.
// Returns how many damaged inputs were tried.
int expect_survives_damage(std::span<const uint8_t> valid,
                           const std::function<void(std::span<const uint8_t>)>& decode);
// The same for one reader: each damaged copy goes to its header reader (whose refusal is
// allowed) and then to its decoder.
int expect_reader_survives_damage(std::span<const uint8_t> valid, DecodeFn decode,
                                  HeaderFn read_header);

}  // namespace lumatrix::test
