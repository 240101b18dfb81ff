#include "imaging/rotate_flip.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

namespace lumatrix {

namespace {

bool bit_at(const uint8_t* row, int x) {
  return (row[x >> 3] >> (7 - (x & 7))) & 1;
}
void set_bit(uint8_t* row, int x) {
  row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
}

// A new raster of width x height whose pixel (x, y) is the source pixel at source_of(x, y);
// copies the format's own bytes (or bits), and the alpha plane.
template <typename Map>
Raster remap(const Raster& src, int width, int height, Map source_of) {
  const int bytes = bits_per_pixel(src.format()) / 8;
  // Every pixel is written; 1-bit rows are assembled by setting bits and need a cleared start.
  Raster out = bytes == 0 ? Raster(width, height, src.format())
                          : Raster::for_overwrite(width, height, src.format());
  out.palette = src.palette;
  for (int y = 0; y < height; ++y) {
    uint8_t* o = out.row(y);
    for (int x = 0; x < width; ++x) {
      const auto [sx, sy] = source_of(x, y);
      const uint8_t* in = src.row(sy);
      if (bytes == 0) {
        if (bit_at(in, sx)) set_bit(o, x);
      } else {
        std::copy_n(in + static_cast<size_t>(sx) * bytes, bytes,
                    o + static_cast<size_t>(x) * bytes);
      }
    }
  }
  if (src.has_alpha()) {
    out.add_alpha();
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const auto [sx, sy] = source_of(x, y);
        out.alpha_row(y)[x] = src.alpha_row(sy)[sx];
      }
  }
  return out;
}

Raster quarter_turns(const Raster& src, int turns) {
  const int w = src.width(), h = src.height();
  switch (turns) {
    case 1:  // counter-clockwise: the top-right corner comes to the top-left
      return remap(src, h, w, [w](int x, int y) { return std::pair{w - 1 - y, x}; });
    case 2:
      return remap(src, w, h, [w, h](int x, int y) { return std::pair{w - 1 - x, h - 1 - y}; });
    default:
      return remap(src, h, w, [h](int x, int y) { return std::pair{y, h - 1 - x}; });
  }
}

Raster free_rotation(const Raster& source, double degrees, bool antialias, Rgb fill) {
  const Raster src = source.to_rgb24();
  const double a = degrees * std::numbers::pi / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  const int w = src.width(), h = src.height();
  // The 1e-9 keeps exact fits (such as 45 degrees on a square of whole pixels) from growing a
  // spurious extra column through rounding noise.
  const int out_w =
      std::max(1, static_cast<int>(std::ceil(w * std::abs(c) + h * std::abs(s) - 1e-9)));
  const int out_h =
      std::max(1, static_cast<int>(std::ceil(w * std::abs(s) + h * std::abs(c) - 1e-9)));
  Raster out = Raster::for_overwrite(out_w, out_h, PixelFormat::Rgb24);
  if (src.has_alpha()) out.add_alpha();
  auto sample = [&](int x, int y, int channel) -> double {
    if (x < 0 || y < 0 || x >= w || y >= h) {
      if (channel == 3) return 0.0;
      return channel == 0 ? fill.r : (channel == 1 ? fill.g : fill.b);
    }
    return channel == 3 ? src.alpha_row(y)[x] : src.row(y)[3 * x + channel];
  };
  const int channels = src.has_alpha() ? 4 : 3;
  for (int y = 0; y < out_h; ++y) {
    uint8_t* o = out.row(y);
    for (int x = 0; x < out_w; ++x) {
      // Destination offset from the centre, turned back into the source.
      const double dx = x + 0.5 - out_w / 2.0, dy = y + 0.5 - out_h / 2.0;
      const double sx = dx * c - dy * s + w / 2.0 - 0.5;
      const double sy = dx * s + dy * c + h / 2.0 - 0.5;
      for (int ch = 0; ch < channels; ++ch) {
        double v;
        if (antialias) {
          const int x0 = static_cast<int>(std::floor(sx)), y0 = static_cast<int>(std::floor(sy));
          const double fx = sx - x0, fy = sy - y0;
          v = (sample(x0, y0, ch) * (1 - fx) + sample(x0 + 1, y0, ch) * fx) * (1 - fy) +
              (sample(x0, y0 + 1, ch) * (1 - fx) + sample(x0 + 1, y0 + 1, ch) * fx) * fy;
        } else {
          v = sample(static_cast<int>(std::lround(sx)), static_cast<int>(std::lround(sy)), ch);
        }
        const auto byte = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
        if (ch == 3)
          out.alpha_row(y)[x] = byte;
        else
          o[3 * x + ch] = byte;
      }
    }
  }
  return out;
}

std::string angle_text(double degrees) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", degrees);
  return buffer;
}

}  // namespace

void rotate(ImageDocument& doc, double degrees, bool antialias, std::optional<Rgb> fill) {
  if (doc.raster.format() == PixelFormat::None || doc.raster.empty()) return;
  if (degrees == 0.0 || !std::isfinite(degrees)) return;
  const std::string label = "Rotate " + angle_text(degrees);
  const double turns = degrees / 90.0;
  if (turns == std::trunc(turns)) {
    const int quarter = static_cast<int>(std::fmod(std::fmod(turns, 4.0) + 4.0, 4.0));
    if (quarter == 0)
      doc.save_undo(label);
    else
      doc.replace_raster(label, quarter_turns(doc.raster, quarter));
    return;
  }
  doc.replace_raster(label,
                     free_rotation(doc.raster, degrees, antialias, fill.value_or(doc.background)));
}

void flip(ImageDocument& doc, FlipDirection direction) {
  Raster& r = doc.raster;
  if (r.format() == PixelFormat::None || r.empty()) return;
  const int w = r.width(), h = r.height();
  if (direction == FlipDirection::Vertical) {
    for (int y = 0; y < h / 2; ++y) {
      std::swap_ranges(r.row(y), r.row(y) + r.stride(), r.row(h - 1 - y));
      if (r.has_alpha())
        std::swap_ranges(r.alpha_row(y), r.alpha_row(y) + w, r.alpha_row(h - 1 - y));
    }
    return;
  }
  const int bytes = bits_per_pixel(r.format()) / 8;
  if (bytes == 0) {
    r = remap(r, w, h, [w](int x, int y) { return std::pair{w - 1 - x, y}; });
    return;
  }
  for (int y = 0; y < h; ++y) {
    uint8_t* p = r.row(y);
    for (int x = 0; x < w / 2; ++x)
      std::swap_ranges(p + x * bytes, p + (x + 1) * bytes, p + (w - 1 - x) * bytes);
    if (r.has_alpha()) std::reverse(r.alpha_row(y), r.alpha_row(y) + w);
  }
}

}  // namespace lumatrix
