#include "imaging/adjust/lens.h"

#include <algorithm>
#include <cmath>

#include "imaging/adjust/adjust_support.h"

namespace lumatrix::adjust {

void lens(ImageDocument& doc, const Lens& params) {
  require_range("Lens", "refraction index", params.refraction, 100, 400);
  require_range("Lens", "radius", params.radius, 0, 100);
  if (!has_pixels(doc)) return;
  const SingleUndo undo(doc, "Lens");
  to_rgb24(doc);
  const Raster& src = doc.raster;
  const double n = params.refraction / 100.0;
  const double radius = std::min(src.width(), src.height()) * params.radius / 100.0;
  const double cx = (src.width() - 1) / 2.0, cy = (src.height() - 1) / 2.0;
  Raster result = inverse_map(src, [&](int x, int y, double& sx, double& sy) {
    const double dx = x - cx, dy = y - cy;
    const double r = std::hypot(dx, dy);
    if (r >= radius || r == 0.0) return false;
    const double z = std::sqrt(radius * radius - r * r);
    const double incidence = std::asin(r / radius);
    const double refracted = std::asin(r / radius / n);
    const double shift = z * std::tan(incidence - refracted) / r;
    sx = x - dx * shift;
    sy = y - dy * shift;
    return true;
  });
  doc.raster = std::move(result);
}

}  // namespace lumatrix::adjust
