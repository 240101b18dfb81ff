#include "imaging/adjust/user_filter.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "imaging/adjust/adjust_support.h"

namespace lumatrix::adjust {

namespace {

// n / d rounded to the nearest integer, halves away from zero (d != 0).
int64_t rounded_quotient(int64_t n, int64_t d) {
  if (d < 0) n = -n, d = -d;
  return n >= 0 ? (2 * n + d) / (2 * d) : -((-2 * n + d) / (2 * d));
}

}  // namespace

void user_filter(ImageDocument& doc, const UserFilter& params) {
  int sum = 0;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      const std::string name =
          "kernel row " + std::to_string(r + 1) + " column " + std::to_string(c + 1);
      require_range("User filter", name, params.kernel[r][c], -kUserFilterMaxWeight,
                    kUserFilterMaxWeight);
      sum += params.kernel[r][c];
    }
  require_range("User filter", "divisor", params.divisor, -kUserFilterMaxDivisor,
                kUserFilterMaxDivisor);
  require_range("User filter", "bias", params.bias, -255, 255);
  if (!has_pixels(doc)) return;
  const SingleUndo undo(doc, "User filter");
  to_rgb24(doc);
  const int divisor = params.divisor != 0 ? params.divisor : (sum != 0 ? sum : 1);
  const Raster src = doc.raster;
  Raster& dst = doc.raster;
  const int w = src.width(), h = src.height();
  for (int y = 0; y < h; ++y) {
    const uint8_t* rows[3] = {src.row(std::max(y - 1, 0)), src.row(y),
                              src.row(std::min(y + 1, h - 1))};
    uint8_t* out = dst.row(y);
    for (int x = 0; x < w; ++x) {
      const int columns[3] = {std::max(x - 1, 0), x, std::min(x + 1, w - 1)};
      for (int ch = 0; ch < 3; ++ch) {
        int64_t total = 0;
        for (int r = 0; r < 3; ++r)
          for (int c = 0; c < 3; ++c) total += params.kernel[r][c] * rows[r][3 * columns[c] + ch];
        const int64_t v = rounded_quotient(total, divisor) + params.bias;
        out[3 * x + ch] = static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255));
      }
    }
  }
}

}  // namespace lumatrix::adjust
