#include "test_support.h"

#include <gtest/gtest.h>

#include <random>

#include "base/image_error.h"

namespace lumatrix::test {

Raster gradient_rgb(int width, int height) {
  Raster r(width, height, PixelFormat::Rgb24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      r.set_pixel(x, y,
                  Rgb{static_cast<uint8_t>(x * 37 + y * 11), static_cast<uint8_t>(x * 5 + y * 71),
                      static_cast<uint8_t>(x * y + 13)});
  return r;
}

Raster grey_ramp(int width, int height) {
  Raster r(width, height, PixelFormat::Gray8);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) r.row(y)[x] = static_cast<uint8_t>(x * 7 + y * 3);
  return r;
}

Raster paletted(int width, int height, int colours) {
  Raster r(width, height, PixelFormat::Palette8);
  for (int i = 0; i < colours; ++i)
    r.palette.push_back(Rgb{static_cast<uint8_t>(i * 5), static_cast<uint8_t>(255 - i),
                            static_cast<uint8_t>(i * 13)});
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) r.row(y)[x] = static_cast<uint8_t>((x + 3 * y) % colours);
  return r;
}

Raster with_ramp_alpha(Raster raster) {
  raster.add_alpha();
  for (int y = 0; y < raster.height(); ++y)
    for (int x = 0; x < raster.width(); ++x)
      raster.alpha_row(y)[x] = static_cast<uint8_t>(x * 255 / raster.width());
  return raster;
}

std::string refusal_reason(DecodeFn decode, std::span<const uint8_t> bytes) {
  try {
    IOParams params;
    decode(bytes, params);
  } catch (const ImageError& e) {
    return e.what();
  }
  return "decoded";
}

int expect_survives_damage(std::span<const uint8_t> valid,
                           const std::function<void(std::span<const uint8_t>)>& decode) {
  int tried = 0;
  auto attempt = [&](std::span<const uint8_t> damaged, const std::string& what) {
    ++tried;
    try {
      decode(damaged);
    } catch (const ImageError&) {
    } catch (const std::exception& e) {
      ADD_FAILURE() << what << ": unexpected exception " << e.what();
    }
  };
  const size_t size = valid.size();
  for (size_t cut = 0; cut < size; cut += std::max<size_t>(1, size / 64))
    attempt(valid.first(cut), "truncated to " + std::to_string(cut) + " bytes");
  std::mt19937 rng(12345);
  std::vector<uint8_t> copy(valid.begin(), valid.end());
  for (int i = 0; i < 200 && size > 0; ++i) {
    const size_t pos = i < 64 ? std::min<size_t>(size - 1, static_cast<size_t>(i)) : rng() % size;
    const uint8_t bit = static_cast<uint8_t>(1u << (rng() % 8));
    copy[pos] ^= bit;
    attempt(copy, "bit flip at " + std::to_string(pos));
    copy[pos] ^= bit;
  }
  return tried;
}

int expect_reader_survives_damage(std::span<const uint8_t> valid, DecodeFn decode,
                                  HeaderFn read_header) {
  return expect_survives_damage(valid, [&](std::span<const uint8_t> damaged) {
    IOParams params;
    try {
      read_header(damaged, params);
    } catch (const ImageError&) {
    }
    decode(damaged, params);
  });
}

}  // namespace lumatrix::test
