#pragma once
// Preview One: the pipeline on the selected list entry, named as a run would name it, with the
// result left in the "After" view. Nothing is written: no output, no thumbnail, no profile.
#include <cstddef>
#include <optional>
#include <string>

#include "base/run_host.h"
#include "engine/pipeline.h"
#include "engine/workspace.h"
#include "files/source_list.h"
#include "settings/settings.h"

namespace lumatrix {

struct PreviewResult {
  bool ran = false;         // false: no entry was selected, nothing happened
  bool valid = false;       // the pipeline's verdict; the "After" view changed only when valid
  std::string output_name;  // the name a run would give the entry's main output
};

// Previews the row at 0-based `selected` (nothing when it is empty or out of the list). Logs
// the pipeline's lines, then "Image Processed". The work document's stream-header flag is left
// as it is.
PreviewResult preview_one(Workspace& ws, EventSink& events, const Settings& settings,
                          const SourceList& list, std::optional<size_t> selected,
                          const Overlays& overlays = {});

}  // namespace lumatrix
