#pragma once
// The "Contrast" page: the batch run's own brightness and contrast, so that a picture adjusted
// here looks as the same settings make it in a run.
#include "imaging/image_document.h"

namespace lumatrix::adjust {

struct ContrastBrightness {
  int contrast = 0;    // -100..100: stretch (> 0) or flatten (< 0) about each channel's mean
  int brightness = 0;  // -100..100: value offset on the 100-level HSV scale
};

// Brightness first, then contrast, as a run applies them; each is skipped at 0, so 0 and 0
// leave the picture exactly as it was. One undo step "Contrast c,b". Throws ImageError for
// values out of range.
void contrast_brightness(ImageDocument& doc, const ContrastBrightness& params);

}  // namespace lumatrix::adjust
