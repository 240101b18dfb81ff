#pragma once
// Thumbnails 1 and 2: after an entry's main output, each starts again from the source, is
// sized by its own settings, gets the main colour steps and frame, and is saved beside (or away
// from) the main output under its own name.
#include <filesystem>
#include <optional>
#include <vector>

#include "base/run_host.h"
#include "engine/output_target.h"
#include "engine/workspace.h"
#include "files/source_list.h"
#include "imaging/resize_plan.h"
#include "settings/settings.h"

namespace lumatrix {

// Whether thumbnail `which` (1 or 2) is made: its check box on and its method not "As Is".
bool thumbnail_enabled(const Settings& settings, int which);

// Thumbnail `which`'s resize options (the shrinking methods only) with `filter`.
ResizeOptions thumbnail_resize_options(const Settings& settings, int which, ResampleFilter filter);

// The thumbnail's file name: the thumbnail pattern when its prefix or suffix is not blank, else
// the main output's base name and extension.
std::string thumbnail_name(const Settings& settings, int which, const OutputTarget& target,
                           long long position);

struct ThumbnailJob {
  const ListEntry& entry;
  long long position;          // 1-based row
  const OutputTarget& target;  // the main output's naming
  // Files this entry must not overwrite: its source, its main output, thumbnail 1.
  std::vector<std::filesystem::path> protected_paths;
};

// Makes thumbnail `which` for the entry in `processimage`, logging as a run does. Returns the
// directory + name it formed (the path the gallery record takes), or nothing when the source
// could not be loaded again. A thumbnail whose path is one of `protected_paths` is not saved;
// the log says why and which setting gives it a name of its own.
std::optional<std::string> make_thumbnail(Workspace& ws, EventSink& events,
                                          const Settings& settings, const ThumbnailJob& job,
                                          int which, OutputCounts& counts);

}  // namespace lumatrix
