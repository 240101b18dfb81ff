#include "imaging/adjust/contrast_brightness.h"

#include <string>

#include "imaging/adjust/adjust_support.h"
#include "imaging/colour_adjust.h"

namespace lumatrix::adjust {

void contrast_brightness(ImageDocument& doc, const ContrastBrightness& params) {
  require_range("Contrast", "contrast", params.contrast, -100, 100);
  require_range("Contrast", "brightness", params.brightness, -100, 100);
  if (!has_pixels(doc)) return;
  const SingleUndo undo(
      doc, "Contrast " + std::to_string(params.contrast) + "," + std::to_string(params.brightness));
  adjust_brightness(doc, params.brightness);
  adjust_contrast(doc, params.contrast);
}

}  // namespace lumatrix::adjust
