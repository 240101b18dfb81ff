#pragma once
// The "HSV" page: hue, saturation and value in the HSV model, computed exactly (not
// on the 100-level scale of the batch brightness), so that 0, 0, 0 leaves every colour as it is.
#include "imaging/image_document.h"

namespace lumatrix::adjust {

struct HsvShift {
  int hue = 0;         // degrees -180..180, turning round the colour wheel
  int saturation = 0;  // -100..100: percent of the way to grey (< 0) or to full saturation
  int value = 0;       // -100..100: percent of the way to black (< 0) or to full value
};

// One undo step "HSV h,s,v". Throws ImageError for values out of range.
void hsv_adjust(ImageDocument& doc, const HsvShift& params);

}  // namespace lumatrix::adjust
