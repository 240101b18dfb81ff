#include "imaging/resample.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "base/image_error.h"
#include "imaging/row_resampler.h"

namespace lumatrix {

namespace {

int capped(int64_t v) {
  return static_cast<int>(std::min<int64_t>(v, std::numeric_limits<int>::max()));
}

}  // namespace

std::optional<std::pair<int, int>> resample_target(int current_width, int current_height, int width,
                                                   int height) {
  if (width < 0 && height < 0) return std::nullopt;
  const int64_t W = current_width, H = current_height;
  // A proportional side against a kept (0) other side uses that side's current size, so
  // "-1, 0" keeps the picture as it is rather than collapsing it to one pixel.
  const int64_t h_for_width = height == 0 ? H : std::llabs(int64_t{height});
  int64_t w = width == -1  ? (H > 0 ? W * h_for_width / H : 0)
              : width == 0 ? W
                           : std::llabs(int64_t{width});
  w = std::max<int64_t>(capped(w), 1);
  int64_t h = height == -1  ? (W > 0 ? H * w / W : 0)
              : height == 0 ? H
                            : std::llabs(int64_t{height});
  h = std::max<int64_t>(capped(h), 1);
  return std::pair{static_cast<int>(w), static_cast<int>(h)};
}

Raster resample_raster(const Raster& source, int width, int height, ResampleFilter filter) {
  if (source.format() == PixelFormat::None || source.empty())
    throw ImageError("there is no image to resample");
  // The whole raster goes through the same row-by-row resample that decoding feeds, so both
  // give the same pixels by construction.
  RowResampler resampler(layout_of(source), width, height, filter);
  std::vector<const uint8_t*> rows(static_cast<size_t>(source.height()));
  std::vector<const uint8_t*> alpha(source.has_alpha() ? rows.size() : 0);
  for (int y = 0; y < source.height(); ++y) {
    rows[y] = source.row(y);
    if (source.has_alpha()) alpha[y] = source.alpha_row(y);
  }
  resampler.push(rows, alpha);
  return resampler.finish();
}

void resample(ImageDocument& doc, int width, int height, ResampleFilter filter) {
  if (doc.raster.format() == PixelFormat::None || doc.raster.empty()) return;
  const auto target = resample_target(doc.width(), doc.height(), width, height);
  if (!target) return;
  doc.replace_raster("Resample " + std::to_string(width) + "," + std::to_string(height),
                     resample_raster(doc.raster, target->first, target->second, filter));
}

}  // namespace lumatrix
