#include "imaging/adjust/bump_map.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "imaging/adjust/adjust_support.h"

namespace lumatrix::adjust {

void bump_map(ImageDocument& doc, const BumpMap& params) {
  require_range("Bump map", "azimuth", params.azimuth, 0, 359);
  require_range("Bump map", "elevation", params.elevation, 1, 90);
  require_range("Bump map", "depth", params.depth, 0, 100);
  if (!has_pixels(doc)) return;
  const SingleUndo undo(doc, "Bump map");
  to_rgb24(doc);
  Raster& raster = doc.raster;
  const int w = raster.width(), h = raster.height();
  std::vector<double> height(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    const uint8_t* p = raster.row(y);
    for (int x = 0; x < w; ++x, p += 3)
      height[static_cast<size_t>(y) * w + x] =
          params.depth * ((299 * p[0] + 587 * p[1] + 114 * p[2]) / 1000.0) / 255.0;
  }
  auto z = [&](int x, int y) {
    return height[static_cast<size_t>(std::clamp(y, 0, h - 1)) * w + std::clamp(x, 0, w - 1)];
  };
  const double az = params.azimuth * std::numbers::pi / 180.0;
  const double el = params.elevation * std::numbers::pi / 180.0;
  // The light's direction; y grows downwards in the picture, so "up" on screen is -y.
  const double lx = std::cos(el) * std::cos(az), ly = -std::cos(el) * std::sin(az),
               lz = std::sin(el);
  const double flat = params.keep_brightness ? lz : 1.0;
  for (int y = 0; y < h; ++y) {
    uint8_t* p = raster.row(y);
    for (int x = 0; x < w; ++x, p += 3) {
      const double nx = -(z(x + 1, y) - z(x - 1, y)) / 2.0;
      const double ny = -(z(x, y + 1) - z(x, y - 1)) / 2.0;
      const double shade =
          std::max(0.0, (nx * lx + ny * ly + lz) / std::sqrt(nx * nx + ny * ny + 1.0)) / flat;
      for (int c = 0; c < 3; ++c) p[c] = round_byte(p[c] * shade);
    }
  }
}

}  // namespace lumatrix::adjust
