#include "imaging/adjust/adjust_support.h"

#include <algorithm>

#include "base/image_error.h"

namespace lumatrix::adjust {

SingleUndo::SingleUndo(ImageDocument& doc, const std::string& label)
    : doc_(doc), auto_undo_(doc.auto_undo) {
  doc_.save_undo(label);
  doc_.auto_undo = false;
}

SingleUndo::~SingleUndo() {
  doc_.auto_undo = auto_undo_;
}

bool has_pixels(const ImageDocument& doc) {
  return doc.raster.format() != PixelFormat::None && !doc.raster.empty();
}

void to_rgb24(ImageDocument& doc) {
  if (doc.raster.format() != PixelFormat::Rgb24) doc.convert_to_24bit();
}

void require_range(std::string_view operation, std::string_view parameter, int value, int minimum,
                   int maximum) {
  if (value >= minimum && value <= maximum) return;
  throw ImageError(std::string(operation) + ": " + std::string(parameter) + " must be from " +
                   std::to_string(minimum) + " to " + std::to_string(maximum) + ", not " +
                   std::to_string(value));
}

Raster inverse_map(const Raster& src, const SourceOf& source_of) {
  const int w = src.width(), h = src.height();
  Raster out = src;
  const bool alpha = src.has_alpha();
  for (int y = 0; y < h; ++y) {
    uint8_t* o = out.row(y);
    for (int x = 0; x < w; ++x) {
      double sx = x, sy = y;
      if (!source_of(x, y, sx, sy)) continue;
      sx = std::clamp(sx, 0.0, w - 1.0);
      sy = std::clamp(sy, 0.0, h - 1.0);
      const int x0 = static_cast<int>(sx), y0 = static_cast<int>(sy);
      const int x1 = std::min(x0 + 1, w - 1), y1 = std::min(y0 + 1, h - 1);
      const double fx = sx - x0, fy = sy - y0;
      const double w00 = (1 - fx) * (1 - fy), w10 = fx * (1 - fy), w01 = (1 - fx) * fy,
                   w11 = fx * fy;
      const uint8_t* r0 = src.row(y0);
      const uint8_t* r1 = src.row(y1);
      for (int c = 0; c < 3; ++c)
        o[3 * x + c] = round_byte(w00 * r0[3 * x0 + c] + w10 * r0[3 * x1 + c] +
                                  w01 * r1[3 * x0 + c] + w11 * r1[3 * x1 + c]);
      if (alpha) {
        const uint8_t* a0 = src.alpha_row(y0);
        const uint8_t* a1 = src.alpha_row(y1);
        out.alpha_row(y)[x] = round_byte(w00 * a0[x0] + w10 * a0[x1] + w01 * a1[x0] + w11 * a1[x1]);
      }
    }
  }
  return out;
}

}  // namespace lumatrix::adjust
