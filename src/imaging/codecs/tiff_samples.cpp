#include "imaging/codecs/tiff_samples.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace lumatrix {

namespace {

// IEEE half precision (1 sign, 5 exponent, 10 fraction bits) as a float.
float half_to_float(uint16_t h) {
  const int exponent = (h >> 10) & 0x1F;
  const int fraction = h & 0x3FF;
  float value;
  if (exponent == 0)
    value = std::ldexp(static_cast<float>(fraction), -24);  // subnormal
  else if (exponent == 31)
    value = fraction != 0 ? std::numeric_limits<float>::quiet_NaN()
                          : std::numeric_limits<float>::infinity();
  else
    value = std::ldexp(static_cast<float>(fraction | 0x400), exponent - 25);
  return (h & 0x8000) != 0 ? -value : value;
}

// Floating-point samples are light from 0 to 1; beyond is clipped, and NaN is black.
uint32_t unit_to_16(double v) {
  if (!(v > 0)) return 0;
  if (v >= 1) return 65535;
  return static_cast<uint32_t>(std::lround(v * 65535));
}

}  // namespace

SampleUnpacker::SampleUnpacker(int bits, TiffSampleType type, bool swapped)
    : bits_(bits),
      type_(type),
      native_24_(swapped),
      max_(type == TiffSampleType::Float ? 65535
           : bits >= 32                  ? std::numeric_limits<uint32_t>::max()
                                         : (uint32_t{1} << bits) - 1) {}

bool SampleUnpacker::supported(int bits, TiffSampleType type, std::string& why) {
  if (type == TiffSampleType::Float) {
    if (bits == 16 || bits == 32 || bits == 64) return true;
    why = "floating-point samples of " + std::to_string(bits) +
          " bits are not supported (16, 32 and 64 bits are)";
    return false;
  }
  if (bits >= 1 && bits <= 32) return true;
  why = "samples of " + std::to_string(bits) + " bits are not supported (1 to 32 bits are)";
  return false;
}

uint32_t SampleUnpacker::unsigned_at(const uint8_t* row, size_t index) const {
  switch (bits_) {
    case 8:
      return row[index];
    case 16: {
      uint16_t v;
      std::memcpy(&v, row + 2 * index, 2);
      return v;
    }
    case 24: {
      const uint8_t* p = row + 3 * index;
      if (native_24_ && std::endian::native == std::endian::little)
        return p[0] | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
      return p[2] | uint32_t{p[1]} << 8 | uint32_t{p[0]} << 16;
    }
    case 32: {
      uint32_t v;
      std::memcpy(&v, row + 4 * index, 4);
      return v;
    }
    default: {
      // Packed most significant bit first; only the bytes the sample covers are read.
      const uint64_t bit = uint64_t{index} * static_cast<uint64_t>(bits_);
      const size_t first = static_cast<size_t>(bit / 8);
      const int skip = static_cast<int>(bit % 8);
      const int bytes = (skip + bits_ + 7) / 8;
      uint64_t gathered = 0;
      for (int i = 0; i < bytes; ++i) gathered = gathered << 8 | row[first + i];
      return static_cast<uint32_t>(gathered >> (bytes * 8 - skip - bits_)) & max_;
    }
  }
}

uint32_t SampleUnpacker::value_at(const uint8_t* row, size_t index) const {
  switch (type_) {
    case TiffSampleType::Unsigned:
      return unsigned_at(row, index);
    case TiffSampleType::Signed:
      // Two's complement shifted up by half the range: flipping the sign bit does exactly that.
      return unsigned_at(row, index) ^ (uint32_t{1} << (bits_ - 1));
    case TiffSampleType::Float:
      break;
  }
  if (bits_ == 16) {
    uint16_t h;
    std::memcpy(&h, row + 2 * index, 2);
    return unit_to_16(half_to_float(h));
  }
  if (bits_ == 32) {
    float f;
    std::memcpy(&f, row + 4 * index, 4);
    return unit_to_16(f);
  }
  double d;
  std::memcpy(&d, row + 8 * index, 8);
  return unit_to_16(d);
}

void SampleUnpacker::unpack(const uint8_t* row, size_t first, size_t step, size_t count,
                            uint32_t* out, size_t out_step) const {
  if (bits_ == 8 && type_ == TiffSampleType::Unsigned) {
    for (size_t i = 0; i < count; ++i) out[i * out_step] = row[first + i * step];
    return;
  }
  for (size_t i = 0; i < count; ++i) out[i * out_step] = value_at(row, first + i * step);
}

int colour_sample_count(TiffColour colour) {
  switch (colour) {
    case TiffColour::Grey:
    case TiffColour::GreyInverted:
    case TiffColour::Palette:
      return 1;
    case TiffColour::Rgb:
      return 3;
    case TiffColour::Cmyk:
      return 4;
  }
  return 1;
}

PixelFormat PixelWriter::format_for(TiffPixels pixels, int bits) {
  switch (pixels.colour) {
    case TiffColour::Grey:
    case TiffColour::GreyInverted:
      // One bit per pixel stays packed: the palette says what 0 and 1 are.
      return bits == 1 && !pixels.alpha ? PixelFormat::Bit1 : PixelFormat::Gray8;
    case TiffColour::Palette:
      if (bits == 1 && !pixels.alpha) return PixelFormat::Bit1;
      return bits <= 8 ? PixelFormat::Palette8 : PixelFormat::Rgb24;
    case TiffColour::Rgb:
    case TiffColour::Cmyk:
      return PixelFormat::Rgb24;
  }
  return PixelFormat::Rgb24;
}

PixelWriter::PixelWriter(int width, int height, TiffPixels pixels, int bits, uint32_t max,
                         std::vector<Rgb> palette)
    : raster_(width, height, format_for(pixels, bits)),
      pixels_(pixels),
      max_(max),
      samples_(colour_sample_count(pixels.colour) + (pixels.alpha ? 1 : 0)) {
  const PixelFormat format = raster_.format();
  if (pixels.colour == TiffColour::Palette) {
    if (format == PixelFormat::Rgb24)
      wide_palette_ = std::move(palette);
    else
      raster_.palette = std::move(palette);
  } else if (format == PixelFormat::Bit1) {
    raster_.palette = pixels.colour == TiffColour::GreyInverted
                          ? std::vector<Rgb>{{255, 255, 255}, {0, 0, 0}}
                          : std::vector<Rgb>{{0, 0, 0}, {255, 255, 255}};
  }
  if (format == PixelFormat::Bit1 || format == PixelFormat::Palette8) {
    int best = std::numeric_limits<int>::max();
    for (size_t i = 0; i < raster_.palette.size(); ++i) {
      const Rgb c = raster_.palette[i];
      const int darkness = c.r * c.r + c.g * c.g + c.b * c.b;
      if (darkness < best) best = darkness, background_index_ = static_cast<uint8_t>(i);
    }
  }
  // Bits are set and cleared one by one, so the rows start clear, padding included.
  if (format == PixelFormat::Bit1) std::fill(raster_.bytes().begin(), raster_.bytes().end(), 0);
  if (pixels.alpha) raster_.add_alpha();
  if (max <= 65535) {
    to8_.resize(size_t{max} + 1);
    for (uint32_t v = 0; v <= max; ++v)
      to8_[v] = static_cast<uint8_t>((uint64_t{v} * 255 + max / 2) / max);
  }
}

uint8_t PixelWriter::to8(uint32_t v) const {
  if (!to8_.empty()) return to8_[v];
  return static_cast<uint8_t>((uint64_t{v} * 255 + max_ / 2) / max_);
}

void PixelWriter::write(int y, int x, int count, const uint32_t* values) {
  uint8_t* out = raster_.row(y);
  const int n = samples_;
  switch (raster_.format()) {
    case PixelFormat::Bit1:
      for (int i = 0; i < count; ++i) {
        const int at = x + i;
        const auto mask = static_cast<uint8_t>(0x80 >> (at & 7));
        if (values[i] != 0)
          out[at >> 3] |= mask;
        else
          out[at >> 3] &= static_cast<uint8_t>(~mask);
      }
      break;
    case PixelFormat::Palette8:
      for (int i = 0; i < count; ++i) out[x + i] = static_cast<uint8_t>(values[i * n]);
      break;
    case PixelFormat::Gray8: {
      const bool invert = pixels_.colour == TiffColour::GreyInverted;
      for (int i = 0; i < count; ++i) {
        const uint8_t v = to8(values[i * n]);
        out[x + i] = invert ? 255 - v : v;
      }
      break;
    }
    case PixelFormat::Rgb24: {
      uint8_t* d = out + 3 * static_cast<size_t>(x);
      if (pixels_.colour == TiffColour::Palette) {
        for (int i = 0; i < count; ++i, d += 3) {
          const Rgb c = wide_palette_[values[i * n]];
          d[0] = c.r, d[1] = c.g, d[2] = c.b;
        }
      } else if (pixels_.colour == TiffColour::Cmyk) {
        // The plain conversion of inks to light, as libtiff and ImageMagick do it, at the
        // samples' own precision and rounded once.
        const double full = max_;
        const double scale = 255.0 / (full * full);
        for (int i = 0; i < count; ++i, d += 3) {
          const uint32_t* s = values + static_cast<size_t>(i) * n;
          const double light = full - s[3];
          for (int c = 0; c < 3; ++c)
            d[c] = static_cast<uint8_t>(std::lround((full - s[c]) * light * scale));
        }
      } else {
        for (int i = 0; i < count; ++i, d += 3) {
          const uint32_t* s = values + static_cast<size_t>(i) * n;
          d[0] = to8(s[0]), d[1] = to8(s[1]), d[2] = to8(s[2]);
        }
      }
      break;
    }
    case PixelFormat::None:
      break;
  }
  if (pixels_.alpha) {
    uint8_t* a = raster_.alpha_row(y) + x;
    for (int i = 0; i < count; ++i) a[i] = to8(values[i * n + n - 1]);
  }
}

void PixelWriter::fill_background(int y0, int y1, int x0, int x1) {
  const bool black_is_one = raster_.format() == PixelFormat::Bit1 && background_index_ == 1;
  for (int y = y0; y < y1; ++y) {
    uint8_t* out = raster_.row(y);
    switch (raster_.format()) {
      case PixelFormat::Bit1:
        for (int x = x0; x < x1; ++x) {
          const auto mask = static_cast<uint8_t>(0x80 >> (x & 7));
          out[x >> 3] = black_is_one ? out[x >> 3] | mask : out[x >> 3] & ~mask;
        }
        break;
      case PixelFormat::Palette8:
        std::fill(out + x0, out + x1, background_index_);
        break;
      case PixelFormat::Gray8:
        std::fill(out + x0, out + x1, 0);
        break;
      case PixelFormat::Rgb24:
        std::fill(out + 3 * static_cast<size_t>(x0), out + 3 * static_cast<size_t>(x1), 0);
        break;
      case PixelFormat::None:
        break;
    }
    if (pixels_.alpha) std::fill(raster_.alpha_row(y) + x0, raster_.alpha_row(y) + x1, 255);
  }
}

Raster PixelWriter::finish() {
  if (pixels_.alpha && pixels_.associated &&
      (raster_.format() == PixelFormat::Gray8 || raster_.format() == PixelFormat::Rgb24)) {
    const int channels = raster_.format() == PixelFormat::Rgb24 ? 3 : 1;
    for (int y = 0; y < raster_.height(); ++y) {
      uint8_t* p = raster_.row(y);
      const uint8_t* a = raster_.alpha_row(y);
      for (int x = 0; x < raster_.width(); ++x)
        for (int c = 0; c < channels; ++c) {
          uint8_t& v = p[x * channels + c];
          v = a[x] == 0 ? 0 : static_cast<uint8_t>(std::min(255, (v * 255 + a[x] / 2) / a[x]));
        }
    }
  }
  return std::move(raster_);
}

}  // namespace lumatrix
