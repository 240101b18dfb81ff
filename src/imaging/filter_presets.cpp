#include "imaging/filter_presets.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace lumatrix {

namespace {

struct Matrix {
  int k[3][3];  // [row above, same row, row below][left, centre, right]
  int divisor;
};

constexpr Matrix kBlur{{{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, 9};
constexpr Matrix kEdge{{{1, 1, 1}, {1, -8, 1}, {1, 1, 1}}, 1};
constexpr Matrix kEmboss{{{-1, 0, 1}, {-1, 1, 1}, {-1, 0, 1}}, 1};
constexpr Matrix kSharpen{{{0, -1, 0}, {-1, 5, -1}, {0, -1, 0}}, 1};
constexpr Matrix kSharpenMore{{{-1, -1, -1}, {-1, 9, -1}, {-1, -1, -1}}, 1};

inline uint8_t clamp_byte(int v) {
  return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// The matrix is a template argument so each preset compiles to its own loop with the zero
// taps and the divisor folded in.
template <const Matrix& M>
void convolve(const Raster& src, Raster& dst) {
  constexpr int d = M.divisor == 0 ? 1 : M.divisor;
  const int w = src.width(), h = src.height();
  for (int y = 0; y < h; ++y) {
    const uint8_t* rows[3] = {src.row(std::max(y - 1, 0)), src.row(y),
                              src.row(std::min(y + 1, h - 1))};
    uint8_t* out = dst.row(y);
    auto pixel = [&](int x, int left, int right) {
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int r = 0; r < 3; ++r) {
          sum += M.k[r][0] * rows[r][3 * left + c];
          sum += M.k[r][1] * rows[r][3 * x + c];
          sum += M.k[r][2] * rows[r][3 * right + c];
        }
        out[3 * x + c] = clamp_byte(sum / d);
      }
    };
    pixel(0, 0, std::min(1, w - 1));
    for (int x = 1; x < w - 1; ++x) pixel(x, x - 1, x + 1);
    if (w > 1) pixel(w - 1, w - 2, w - 1);
  }
}

}  // namespace

void apply_filter(ImageDocument& doc, FilterPreset preset) {
  if (doc.raster.format() == PixelFormat::None || doc.raster.empty()) return;
  doc.save_undo("ApplyFilter");
  if (doc.raster.format() != PixelFormat::Rgb24) return;
  const Raster original = doc.raster;
  switch (preset) {
    case FilterPreset::Blur:
      convolve<kBlur>(original, doc.raster);
      break;
    case FilterPreset::Edge:
      convolve<kEdge>(original, doc.raster);
      break;
    case FilterPreset::Emboss:
      convolve<kEmboss>(original, doc.raster);
      break;
    case FilterPreset::Sharpen:
      convolve<kSharpen>(original, doc.raster);
      break;
    case FilterPreset::SharpenMore:
      convolve<kSharpenMore>(original, doc.raster);
      break;
  }
}

}  // namespace lumatrix
