#include "overlay/overlays.h"

#include "overlay/caption.h"
#include "overlay/watermark.h"

namespace lumatrix {

Overlays standard_overlays() {
  Overlays overlays;
  overlays.caption = [](Workspace& ws, EventSink&, const Settings& settings,
                        const PipelineEntry& entry,
                        int which) { add_caption(ws, settings, entry.output_name, which); };
  overlays.watermark = apply_watermark;
  return overlays;
}

}  // namespace lumatrix
