#include "imaging/adjust/hsv_adjust.h"

#include <string>

#include "imaging/adjust/adjust_support.h"
#include "imaging/adjust/hue_models.h"

namespace lumatrix::adjust {

void hsv_adjust(ImageDocument& doc, const HsvShift& params) {
  require_range("HSV", "hue", params.hue, -180, 180);
  require_range("HSV", "saturation", params.saturation, -100, 100);
  require_range("HSV", "value", params.value, -100, 100);
  if (!has_pixels(doc)) return;
  const SingleUndo undo(doc, "HSV " + std::to_string(params.hue) + "," +
                                 std::to_string(params.saturation) + "," +
                                 std::to_string(params.value));
  to_rgb24(doc);
  shift_in_model(doc.raster, to_hsv, from_hsv, params.hue, params.saturation, params.value);
}

}  // namespace lumatrix::adjust
