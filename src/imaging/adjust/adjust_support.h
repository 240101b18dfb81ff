#pragma once
// What the adjustments share: one undo step for the whole operation, the move to 24-bit RGB,
// parameter checks that name the parameter, and bilinear inverse mapping for the warps.
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "imaging/image_document.h"

namespace lumatrix::adjust {

// Records the document's picture as the undo step `label` and, while it lives, keeps the
// operations it runs from recording steps of their own: the user's one "Undo" then returns the
// picture as it was before the whole adjustment, conversion to 24 bits included.
class SingleUndo {
 public:
  SingleUndo(ImageDocument& doc, const std::string& label);
  ~SingleUndo();
  SingleUndo(const SingleUndo&) = delete;
  SingleUndo& operator=(const SingleUndo&) = delete;

 private:
  ImageDocument& doc_;
  bool auto_undo_;
};

// Whether the document has a picture to work on.
bool has_pixels(const ImageDocument& doc);

// Palette, grey and 1-bit pictures become 24-bit RGB (alpha kept); 24-bit ones stay as they are.
void to_rgb24(ImageDocument& doc);

// Throws ImageError "<operation>: <parameter> must be from <min> to <max>, not <value>".
void require_range(std::string_view operation, std::string_view parameter, int value, int minimum,
                   int maximum);

// The channel value nearest to v, clamped to 0..255.
inline uint8_t round_byte(double v) {
  if (!(v > 0.0)) return 0;  // also NaN
  if (v >= 255.0) return 255;
  return static_cast<uint8_t>(std::lround(v));
}

// Where a warp takes a destination pixel from: false keeps the pixel as it is.
using SourceOf = std::function<bool(int x, int y, double& sx, double& sy)>;

// A new 24-bit raster the size of `src` (which must be 24-bit) whose pixel (x, y) is `src`
// sampled bilinearly at source_of(x, y), coordinates outside the picture clamped to its edge.
// The alpha plane is sampled the same way, so transparency moves with the colours.
Raster inverse_map(const Raster& src, const SourceOf& source_of);

}  // namespace lumatrix::adjust
