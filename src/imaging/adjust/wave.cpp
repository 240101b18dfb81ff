#include "imaging/adjust/wave.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "imaging/adjust/adjust_support.h"

namespace lumatrix::adjust {

void wave(ImageDocument& doc, const Wave& params) {
  require_range("Wave", "amplitude", params.amplitude, 0, 250);
  require_range("Wave", "wavelength", params.wavelength, 1, 100);
  require_range("Wave", "phase", params.phase, 0, 359);
  if (!has_pixels(doc)) return;
  const SingleUndo undo(doc, "Wave");
  to_rgb24(doc);
  const Raster& src = doc.raster;
  const int w = src.width(), h = src.height();
  const bool sideways = params.direction != WaveDirection::Vertical;
  const bool upright = params.direction != WaveDirection::Horizontal;
  const double phase = params.phase * std::numbers::pi / 180.0;
  const double across = w * params.amplitude / 1000.0, down = h * params.amplitude / 1000.0;
  // Angular steps per pixel, the wavelength at least one pixel.
  const double step_down = 2 * std::numbers::pi / std::max(1.0, h * params.wavelength / 100.0);
  const double step_across = 2 * std::numbers::pi / std::max(1.0, w * params.wavelength / 100.0);
  Raster result = inverse_map(src, [&](int x, int y, double& sx, double& sy) {
    sx = x, sy = y;
    if (sideways) sx += across * std::sin(step_down * y + phase);
    if (upright) sy += down * std::sin(step_across * x + phase);
    return true;
  });
  doc.raster = std::move(result);
}

}  // namespace lumatrix::adjust
