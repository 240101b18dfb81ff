#include "imaging/adjust/hsl_adjust.h"

#include <string>

#include "imaging/adjust/adjust_support.h"
#include "imaging/adjust/hue_models.h"

namespace lumatrix::adjust {

void hsl_adjust(ImageDocument& doc, const HslShift& params) {
  require_range("HSL", "hue", params.hue, -180, 180);
  require_range("HSL", "saturation", params.saturation, -100, 100);
  require_range("HSL", "lightness", params.lightness, -100, 100);
  if (!has_pixels(doc)) return;
  const SingleUndo undo(doc, "HSL " + std::to_string(params.hue) + "," +
                                 std::to_string(params.saturation) + "," +
                                 std::to_string(params.lightness));
  to_rgb24(doc);
  shift_in_model(doc.raster, to_hsl, from_hsl, params.hue, params.saturation, params.lightness);
}

}  // namespace lumatrix::adjust
