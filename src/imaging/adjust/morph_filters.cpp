#include "imaging/adjust/morph_filters.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "imaging/adjust/adjust_support.h"

namespace lumatrix::adjust {

namespace {

// The minimum (erode) or maximum of a square window, as two passes: along the rows, then along
// the columns of that result (a square's extreme is the extreme of its rows' extremes).
void extreme_filter(Raster& raster, int radius, bool maximum) {
  const int w = raster.width(), h = raster.height();
  auto pick = [maximum](uint8_t a, uint8_t b) { return maximum ? std::max(a, b) : std::min(a, b); };
  std::vector<uint8_t> line;
  for (int y = 0; y < h; ++y) {
    uint8_t* p = raster.row(y);
    line.assign(p, p + 3 * w);
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) {
        uint8_t v = line[3 * x + c];
        for (int i = std::max(0, x - radius); i <= std::min(w - 1, x + radius); ++i)
          v = pick(v, line[3 * i + c]);
        p[3 * x + c] = v;
      }
  }
  line.resize(static_cast<size_t>(h));
  for (int x = 0; x < w; ++x)
    for (int c = 0; c < 3; ++c) {
      for (int y = 0; y < h; ++y) line[y] = raster.row(y)[3 * x + c];
      for (int y = 0; y < h; ++y) {
        uint8_t v = line[y];
        for (int i = std::max(0, y - radius); i <= std::min(h - 1, y + radius); ++i)
          v = pick(v, line[i]);
        raster.row(y)[3 * x + c] = v;
      }
    }
}

}  // namespace

void morph_filter(ImageDocument& doc, const MorphFilter& params) {
  require_range("Morph filters", "radius", params.radius, 0, 20);
  if (!has_pixels(doc)) return;
  const SingleUndo undo(doc, "Morph filters");
  if (params.radius == 0) return;
  to_rgb24(doc);
  const bool dilate_first =
      params.operation == MorphOperation::Dilate || params.operation == MorphOperation::Close;
  extreme_filter(doc.raster, params.radius, dilate_first);
  if (params.operation == MorphOperation::Open || params.operation == MorphOperation::Close)
    extreme_filter(doc.raster, params.radius, !dilate_first);
}

}  // namespace lumatrix::adjust
