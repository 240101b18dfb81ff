#include "imaging/colour_ops.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace lumatrix {

namespace {

bool has_pixels(const ImageDocument& doc) {
  return doc.raster.format() != PixelFormat::None && !doc.raster.empty();
}

uint8_t clamp_byte(int64_t v) {
  return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255));
}

// round(c / 255 * 99) and round(c / 99 * 255): neither ratio can land on a half, so plain
// integer rounding gives the nearest value.
constexpr int to_99(int c) {
  return (c * 99 * 2 + 255) / 510;
}
constexpr int from_99(int c) {
  return (c * 255 * 2 + 99) / 198;
}

// The same map for every byte of every pixel of a 24-bit raster, channel by channel.
void map_channels(Raster& raster, const std::array<std::array<uint8_t, 256>, 3>& lut) {
  // Steps at their neutral setting (no offset, no contrast) map every byte to itself, and runs
  // apply them to every picture: the pass over the pixels is then skipped.
  bool identity = true;
  for (const auto& channel : lut)
    for (int v = 0; v < 256 && identity; ++v) identity = channel[v] == v;
  if (identity) return;
  for (int y = 0; y < raster.height(); ++y) {
    uint8_t* p = raster.row(y);
    for (int x = 0; x < raster.width(); ++x, p += 3) {
      p[0] = lut[0][p[0]];
      p[1] = lut[1][p[1]];
      p[2] = lut[2][p[2]];
    }
  }
}

std::string joined(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) {
    if (!out.empty()) out += ',';
    out += std::to_string(v);
  }
  return out;
}

struct Hsv99 {
  int r, g, b;  // each 0..99
};

Hsv99 shift_99(int r, int g, int b, int hue, int saturation, int value) {
  const int v_max = std::max({r, g, b});
  const int delta = v_max - std::min({r, g, b});
  int s = v_max == 0 ? 0 : delta * 99 / v_max;
  int h = 0;
  if (s != 0) {
    if (r == v_max)
      h = (g - b) * 60 / delta;
    else if (g == v_max)
      h = (b - r) * 60 / delta + 120;
    else
      h = (r - g) * 60 / delta + 240;
    if (h < 0) h += 360;
  }
  h = std::clamp(h + hue, 0, 359);
  s = std::clamp(s + saturation, 0, 99);
  int v = std::clamp(v_max + value, 0, 99);
  if (s == 0) return {v, v, v};
  if (h == 360) h = 0;
  const int k = h / 60, e = h % 60;
  const int p = v - v * s / 99;
  const int q = v - v * s * e / 5940;
  const int t = v - (60 - e) * v * s / 5940;
  switch (k) {
    case 0:
      return {v, t, p};
    case 1:
      return {q, v, p};
    case 2:
      return {p, v, t};
    case 3:
      return {p, q, v};
    case 4:
      return {t, p, v};
    default:
      return {v, p, q};
  }
}

}  // namespace

Rgb hsv_shift(Rgb c, int hue, int saturation, int value) {
  const Hsv99 o = shift_99(to_99(c.r), to_99(c.g), to_99(c.b), hue, saturation, value);
  return {static_cast<uint8_t>(from_99(o.r)), static_cast<uint8_t>(from_99(o.g)),
          static_cast<uint8_t>(from_99(o.b))};
}

void hsv_var(ImageDocument& doc, int hue, int saturation, int value) {
  if (!has_pixels(doc)) return;
  doc.save_undo("HSVvar " + joined({hue, saturation, value}));
  Raster& raster = doc.raster;
  if (raster.format() != PixelFormat::Rgb24) return;
  std::array<uint8_t, 256> scale99{};
  for (int c = 0; c < 256; ++c) scale99[c] = static_cast<uint8_t>(to_99(c));
  // Only 100^3 inputs exist once the channels are on the 0..99 scale; a large image is cheaper
  // to serve from a table of all of them than to convert pixel by pixel.
  const uint64_t pixels = static_cast<uint64_t>(raster.width()) * raster.height();
  std::vector<uint8_t> table;
  if (pixels >= 2'000'000) {
    table.resize(100 * 100 * 100 * 3);
    uint8_t* t = table.data();
    for (int r = 0; r < 100; ++r)
      for (int g = 0; g < 100; ++g)
        for (int b = 0; b < 100; ++b, t += 3) {
          const Hsv99 o = shift_99(r, g, b, hue, saturation, value);
          t[0] = static_cast<uint8_t>(from_99(o.r));
          t[1] = static_cast<uint8_t>(from_99(o.g));
          t[2] = static_cast<uint8_t>(from_99(o.b));
        }
  }
  for (int y = 0; y < raster.height(); ++y) {
    uint8_t* p = raster.row(y);
    for (int x = 0; x < raster.width(); ++x, p += 3) {
      const int r = scale99[p[0]], g = scale99[p[1]], b = scale99[p[2]];
      if (!table.empty()) {
        const uint8_t* t = table.data() + static_cast<size_t>((r * 100 + g) * 100 + b) * 3;
        p[0] = t[0], p[1] = t[1], p[2] = t[2];
      } else {
        const Hsv99 o = shift_99(r, g, b, hue, saturation, value);
        p[0] = static_cast<uint8_t>(from_99(o.r));
        p[1] = static_cast<uint8_t>(from_99(o.g));
        p[2] = static_cast<uint8_t>(from_99(o.b));
      }
    }
  }
}

void contrast(ImageDocument& doc, int amount) {
  if (!has_pixels(doc)) return;
  doc.save_undo("Contrast " + std::to_string(amount));
  Raster& raster = doc.raster;
  if (raster.format() != PixelFormat::Rgb24) return;
  if (raster.width() < 2 && raster.height() < 2) return;
  const int w = raster.width(), h = raster.height();
  int64_t mean[3] = {};
  for (int y = 0; y < h; ++y) {
    const uint8_t* p = raster.row(y);
    int64_t row_sum[3] = {};
    for (int x = 0; x < w; ++x, p += 3) row_sum[0] += p[0], row_sum[1] += p[1], row_sum[2] += p[2];
    for (int c = 0; c < 3; ++c) mean[c] += row_sum[c] / w;
  }
  for (int64_t& m : mean) m /= h;
  const double factor = amount >= 0 ? 1.0 + amount / 10.0 : 1.0 - std::sqrt(-double(amount)) / 10.0;
  const auto f = static_cast<int64_t>(std::trunc(factor * 65536.0));
  std::array<std::array<uint8_t, 256>, 3> lut;
  for (int c = 0; c < 3; ++c)
    for (int v = 0; v < 256; ++v) lut[c][v] = clamp_byte(mean[c] + (f * (v - mean[c])) / 65536);
  map_channels(raster, lut);
}

void intensity_rgb_all(ImageDocument& doc, int red, int green, int blue) {
  if (!has_pixels(doc)) return;
  doc.save_undo("IntensityRGBall " + joined({red, green, blue}));
  if (doc.raster.format() != PixelFormat::Rgb24) return;
  std::array<std::array<uint8_t, 256>, 3> lut;
  const int64_t offsets[3] = {red, green, blue};
  for (int c = 0; c < 3; ++c)
    for (int v = 0; v < 256; ++v) lut[c][v] = clamp_byte(v + offsets[c]);
  map_channels(doc.raster, lut);
}

void convert_to_gray(ImageDocument& doc) {
  if (!has_pixels(doc)) return;
  doc.save_undo("ConvertToGray");
  Raster& raster = doc.raster;
  if (raster.format() != PixelFormat::Rgb24) return;
  for (int y = 0; y < raster.height(); ++y) {
    uint8_t* p = raster.row(y);
    for (int x = 0; x < raster.width(); ++x, p += 3) {
      const auto grey = static_cast<uint8_t>((21 * p[0] + 71 * p[1] + 8 * p[2]) / 100);
      p[0] = p[1] = p[2] = grey;
    }
  }
}

void negative(ImageDocument& doc) {
  if (!has_pixels(doc)) return;
  doc.save_undo("Negative");
  Raster& raster = doc.raster;
  if (raster.format() == PixelFormat::Rgb24) {
    for (uint8_t& b : raster.bytes()) b = static_cast<uint8_t>(255 - b);
  } else if (raster.format() == PixelFormat::Bit1) {
    // Only the bits that hold pixels flip; the padding at the end of each row stays clear.
    const int tail = raster.width() & 7;
    const auto last_mask = static_cast<uint8_t>(tail == 0 ? 0xFF : 0xFF << (8 - tail));
    for (int y = 0; y < raster.height(); ++y) {
      uint8_t* p = raster.row(y);
      for (size_t i = 0; i < raster.stride(); ++i) p[i] = static_cast<uint8_t>(~p[i]);
      p[raster.stride() - 1] &= last_mask;
    }
  }
}

}  // namespace lumatrix
