#include "runs/standard_runs.h"

#include "overlay/overlays.h"
#include "settings/profile_file.h"
#include "web/after_pass.h"

namespace lumatrix {

BatchRunResult run_process_all(const RunSeam& run, Settings& settings, const SourceList& list,
                               const GalleryPreview& show_gallery, const RunResources& resources,
                               const RunScope& scope) {
  save_default_profile(settings);
  Workspace ws;
  WebAfterPass after_pass;
  after_pass.preview = show_gallery;
  Settings effective = settings;
  if (resources.fast_resize) effective.fast_resize = true;
  const BatchRunResult result =
      process_all(ws, run, effective, list, standard_overlays(), &after_pass, resources, scope);
  if (!scope.shard) carry_start_number(settings, result);
  return result;
}

void run_joined_after_pass(const RunSeam& run, Settings& settings,
                           const std::vector<GalleryRecord>& records, int entries,
                           const GalleryPreview& show_gallery) {
  Workspace ws;
  WebAfterPass after_pass;
  after_pass.preview = show_gallery;
  run_after_pass(ws, run, settings, records, &after_pass);
  BatchRunResult whole;
  whole.entries_done = entries;
  carry_start_number(settings, whole);
}

ChangerOutcome run_filename_changer(const RunSeam& run, Settings& settings, RenameList& list) {
  return process_all(list, settings, run, [](const Settings& s) { save_default_profile(s); });
}

PreviewResult run_preview_one(Workspace& ws, EventSink& events, const Settings& settings,
                              const SourceList& list, std::optional<size_t> selected) {
  return preview_one(ws, events, settings, list, selected, standard_overlays());
}

}  // namespace lumatrix
