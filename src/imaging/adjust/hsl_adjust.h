#pragma once
// The "HSL" page: hue, saturation and lightness in the HSL model, computed exactly (not
// on the 100-level scale of the batch brightness), so that 0, 0, 0 leaves every colour as it is.
#include "imaging/image_document.h"

namespace lumatrix::adjust {

struct HslShift {
  int hue = 0;         // degrees -180..180, turning round the colour wheel
  int saturation = 0;  // -100..100: percent of the way to grey (< 0) or to full saturation
  int lightness = 0;   // -100..100: percent of the way to black (< 0) or to white
};

// One undo step "HSL h,s,l". Throws ImageError for values out of range.
void hsl_adjust(ImageDocument& doc, const HslShift& params);

}  // namespace lumatrix::adjust
