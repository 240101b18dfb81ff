#include "imaging/adjust/equalization.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "imaging/adjust/adjust_support.h"

namespace lumatrix::adjust {

namespace {

using Histogram = std::array<uint64_t, 256>;
using Levels = std::array<uint8_t, 256>;

// The equalizing map of one histogram holding `count` values.
Levels equalizing_map(const Histogram& histogram, uint64_t count, int low_cut, int high_cut) {
  Levels map{};
  for (int v = 0; v < 256; ++v) map[v] = static_cast<uint8_t>(v);
  std::array<uint64_t, 256> cumulative{};
  uint64_t running = 0;
  for (int v = 0; v < 256; ++v) cumulative[v] = running += histogram[v];
  // lo: the first level whose cumulative count exceeds the low cut's share (at 0 %: the darkest
  // level present); hi: the last level with more than the high cut's share at or above it.
  const uint64_t low_share = count * static_cast<uint64_t>(low_cut) / 100;
  const uint64_t high_share = count * static_cast<uint64_t>(high_cut) / 100;
  int lo = 0;
  while (lo < 255 && cumulative[lo] <= low_share) ++lo;
  int hi = 255;
  while (hi > 0 && count - cumulative[hi - 1] <= high_share) --hi;
  if (hi <= lo) return map;
  const double span = static_cast<double>(cumulative[hi] - cumulative[lo]);
  for (int v = 0; v < 256; ++v) {
    if (v <= lo)
      map[v] = 0;
    else if (v >= hi)
      map[v] = 255;
    else
      map[v] = round_byte(255.0 * static_cast<double>(cumulative[v] - cumulative[lo]) / span);
  }
  return map;
}

int luminance(const uint8_t* p) {
  return (299 * p[0] + 587 * p[1] + 114 * p[2] + 500) / 1000;
}

}  // namespace

void equalization(ImageDocument& doc, const Equalization& params) {
  require_range("Equalization", "low cut", params.low_cut, 0, 49);
  require_range("Equalization", "high cut", params.high_cut, 0, 49);
  if (!has_pixels(doc)) return;
  const SingleUndo undo(doc, "Equalization");
  to_rgb24(doc);
  Raster& raster = doc.raster;
  const int w = raster.width(), h = raster.height();
  const uint64_t count = static_cast<uint64_t>(w) * h;
  if (params.on == EqualizeOn::PerChannel) {
    std::array<Histogram, 3> histograms{};
    for (int y = 0; y < h; ++y) {
      const uint8_t* p = raster.row(y);
      for (int x = 0; x < 3 * w; ++x) ++histograms[x % 3][p[x]];
    }
    std::array<Levels, 3> maps;
    for (int c = 0; c < 3; ++c)
      maps[c] = equalizing_map(histograms[c], count, params.low_cut, params.high_cut);
    for (int y = 0; y < h; ++y) {
      uint8_t* p = raster.row(y);
      for (int x = 0; x < 3 * w; ++x) p[x] = maps[x % 3][p[x]];
    }
    return;
  }
  Histogram histogram{};
  for (int y = 0; y < h; ++y) {
    const uint8_t* p = raster.row(y);
    for (int x = 0; x < w; ++x, p += 3) ++histogram[luminance(p)];
  }
  const Levels map = equalizing_map(histogram, count, params.low_cut, params.high_cut);
  for (int y = 0; y < h; ++y) {
    uint8_t* p = raster.row(y);
    for (int x = 0; x < w; ++x, p += 3) {
      const int y_old = luminance(p);
      const int shift = map[y_old] - y_old;
      for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(std::clamp(p[c] + shift, 0, 255));
    }
  }
}

}  // namespace lumatrix::adjust
