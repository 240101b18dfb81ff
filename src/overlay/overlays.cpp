#include "overlay/overlays.h"

#include "overlay/watermark.h"

namespace lumatrix {

Overlays standard_overlays() {
  Overlays overlays;
  overlays.watermark = apply_watermark;
  return overlays;
}

}  // namespace lumatrix
