#include "imaging/adjust/rgb_offsets.h"

#include <string>

#include "imaging/adjust/adjust_support.h"
#include "imaging/colour_ops.h"

namespace lumatrix::adjust {

void rgb_offsets(ImageDocument& doc, const RgbOffsets& params) {
  require_range("RGB", "red", params.red, -255, 255);
  require_range("RGB", "green", params.green, -255, 255);
  require_range("RGB", "blue", params.blue, -255, 255);
  if (!has_pixels(doc)) return;
  const SingleUndo undo(doc, "RGB " + std::to_string(params.red) + "," +
                                 std::to_string(params.green) + "," + std::to_string(params.blue));
  if (params.red == 0 && params.green == 0 && params.blue == 0) return;
  to_rgb24(doc);
  intensity_rgb_all(doc, params.red, params.green, params.blue);
}

}  // namespace lumatrix::adjust
