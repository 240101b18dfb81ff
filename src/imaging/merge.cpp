#include "imaging/merge.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "imaging/resample.h"

namespace lumatrix {

uint8_t merge_byte(int old_value, int source_value, int percent) {
  // The weighted sum in hundredths is exact in integers, so the halfway cases are decided
  // exactly rather than by whatever a binary fraction of 0.01 rounds to.
  const int64_t hundredths =
      int64_t{old_value} * percent + int64_t{source_value} * (100 - int64_t{percent});
  if (hundredths <= 0) return 0;
  int64_t q = hundredths / 100;
  const int64_t r = hundredths % 100;
  if (r > 50 || (r == 50 && (q & 1))) ++q;
  return static_cast<uint8_t>(std::min<int64_t>(q, 255));
}

void merge(ImageDocument& doc, const ImageDocument& source, int x, int y, int width, int height,
           int percent) {
  if (doc.raster.format() == PixelFormat::None || doc.raster.empty()) return;
  doc.save_undo("Merge " + std::to_string(percent));
  if (doc.raster.format() != PixelFormat::Rgb24) return;
  if (source.raster.format() == PixelFormat::None || source.raster.empty()) return;
  const int64_t x1 = std::max<int64_t>(x, 0), y1 = std::max<int64_t>(y, 0);
  const int64_t x2 = std::min<int64_t>(int64_t{x} + width, doc.width());
  const int64_t y2 = std::min<int64_t>(int64_t{y} + height, doc.height());
  if (x2 <= x1 || y2 <= y1) return;
  const int w = static_cast<int>(x2 - x1), h = static_cast<int>(y2 - y1);
  const Raster fitted = resample_raster(source.raster, w, h, ResampleFilter::Triangle).to_rgb24();
  // Every (source, old) pair blended once: cheaper than the division per byte of a large area.
  std::array<uint8_t, 256 * 256> table;
  for (int s = 0; s < 256; ++s)
    for (int o = 0; o < 256; ++o) table[s << 8 | o] = merge_byte(o, s, percent);
  for (int row = 0; row < h; ++row) {
    uint8_t* d = doc.raster.row(static_cast<int>(y1) + row) + x1 * 3;
    const uint8_t* s = fitted.row(row);
    for (int i = 0; i < w * 3; ++i) d[i] = table[s[i] << 8 | d[i]];
  }
}

}  // namespace lumatrix
