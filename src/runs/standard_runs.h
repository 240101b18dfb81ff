#pragma once
// The runs as the front ends start them, composed once for the desktop program and the command
// line: the engine's run with the captions and watermarks of the overlay layer, the web
// output's after-pass, the automatic profile and the numbering carried on.
#include <optional>

#include "engine/batch_run.h"
#include "engine/preview_one.h"
#include "files/filename_changer.h"
#include "web/gallery.h"

namespace lumatrix {

// "Process All". Saves the automatic profile first (every run started stores its settings,
// confirmed or not), runs the list with the standard overlays and the web after-pass, which
// hands the gallery's start page to `show_gallery` when Previewafter is on (unset: the pass
// logs "HTML Autogeneration Done"), and then moves `settings.start_number` on as the run
// leaves it for the next one. A shard of a run leaves the numbering to the join.
BatchRunResult run_process_all(const RunSeam& run, Settings& settings, const SourceList& list,
                               const GalleryPreview& show_gallery,
                               const RunResources& resources = {}, const RunScope& scope = {});

// The join of a sharded run of `entries` entries: the web after-pass over every shard's
// records, then the numbering moved on as one run of the whole list moves it.
void run_joined_after_pass(const RunSeam& run, Settings& settings,
                           const std::vector<GalleryRecord>& records, int entries,
                           const GalleryPreview& show_gallery);

// The Filename Changer's "Process All": the automatic profile saved first, as for every run
// started, then every row renamed, copied or moved (`settings.start_number` moved on when
// resetstartnumber is off).
ChangerOutcome run_filename_changer(const RunSeam& run, Settings& settings, RenameList& list);

// "Preview One" on the row at 0-based `selected`, with the standard overlays.
PreviewResult run_preview_one(Workspace& ws, EventSink& events, const Settings& settings,
                              const SourceList& list, std::optional<size_t> selected);

}  // namespace lumatrix
