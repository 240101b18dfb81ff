#include "engine/preview_one.h"

#include "engine/output_target.h"
#include "settings/read_limits.h"

namespace lumatrix {

PreviewResult preview_one(Workspace& ws, EventSink& events, const Settings& settings,
                          const SourceList& list, std::optional<size_t> selected,
                          const Overlays& overlays) {
  PreviewResult result;
  if (!selected || *selected >= list.size()) return result;
  const ListEntry& entry = list.entries[*selected];
  const long long position = static_cast<long long>(*selected) + 1;

  // The preview fills the "Before" and "After" views.
  ws.keep_views = true;
  ws.current_source_path = entry.full_path();
  result.output_name = output_target(settings, entry, position).output_name;

  result.ran = true;
  apply_read_limits(settings);
  result.valid = process_image(ws, events, settings,
                               pipeline_entry(entry, position, result.output_name), overlays);
  events.log("Image Processed");
  return result;
}

}  // namespace lumatrix
