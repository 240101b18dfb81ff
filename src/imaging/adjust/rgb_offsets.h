#pragma once
// The "RGB" page: an offset per channel, clamped to 0..255.
#include "imaging/image_document.h"

namespace lumatrix::adjust {

struct RgbOffsets {
  int red = 0, green = 0, blue = 0;  // each -255..255
};

// Adds the offsets through IntensityRGBall; all three 0 leave the picture as it was. One undo
// step "RGB r,g,b". Throws ImageError for values out of range.
void rgb_offsets(ImageDocument& doc, const RgbOffsets& params);

}  // namespace lumatrix::adjust
