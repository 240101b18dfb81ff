#include "engine/batch_run.h"

#include <algorithm>

#include "base/choice_text.h"
#include "engine/save_options.h"
#include "engine/thumbnails.h"
#include "files/subfolders.h"
#include "settings/profile_file.h"

namespace lumatrix {

AfterPass::~AfterPass() = default;
void AfterPass::slice_images(Workspace&, RunHost&, const Settings&,
                             const std::vector<GalleryRecord>&) {}
void AfterPass::create_gallery(Workspace&, RunHost&, const Settings&,
                               const std::vector<GalleryRecord>&) {}

namespace {

// Results of five pixels or less each way are what a failed step leaves behind, not images.
constexpr int kLargestUnsavedSide = 5;

void add_sorted(std::vector<GalleryRecord>& records, GalleryRecord record) {
  const std::string key = lower_ascii(record.filename);
  // After every equal name, so records of equal names keep the order of the list.
  const auto at = std::upper_bound(
      records.begin(), records.end(), key,
      [](const std::string& k, const GalleryRecord& r) { return k < lower_ascii(r.filename); });
  records.insert(at, std::move(record));
}

// The stop check before an entry. Returns false when the user confirms the stop.
bool may_continue(RunHost& host, bool& run_active, int maximum) {
  if (run_active && host.stop_requested()) run_active = false;
  if (run_active) return true;
  // Cancel goes on with this entry but leaves the run marked, so the question comes again.
  return !confirm_stop(host, maximum);
}

}  // namespace

std::string confirmation_question(const Choice<SaveInChoice>& save_in_directory) {
  const bool own_folder = save_in_directory.value() == SaveInFolder::Source;
  const std::string place = own_folder ? " Original Files Directory " : save_in_directory.text();
  return "You have Opted under Save In Directory to save the processed images\r\nin the " + place +
         ". If there are existing files there with the same filename\r\n they would be replaced. "
         "Do you want to proceed ?";
}

BatchRunResult process_all(Workspace& ws, RunHost& host, Settings& settings, const SourceList& list,
                           const Overlays& overlays, AfterPass* after_pass) {
  BatchRunResult result;
  save_default_profile(settings);

  const int count = static_cast<int>(list.size());
  // The bar counts finished entries, so its end is the entry count.
  const int maximum = count;
  host.set_progress(0, maximum);
  bool run_active = true;

  if (!host.ask_yes_no(confirmation_question(settings.save_in_directory))) return result;
  result.confirmed = true;

  ImageDocument& doc = ws.processimage;
  int position = 1;
  for (; position <= count; ++position) {
    if (!may_continue(host, run_active, maximum)) {
      result.stopped = true;
      break;
    }
    const ListEntry& entry = list.entries[static_cast<size_t>(position - 1)];
    ws.current_source_path = entry.full_path();
    const OutputTarget target = output_target(settings, entry, position);

    doc.params.stream_header = settings.retainheaderinfo;
    bool valid = false;
    try {
      valid = process_image(ws, host, settings, pipeline_entry(entry, position, target.output_name),
                            overlays);
    } catch (const std::exception& error) {
      // An operation that fails on one image costs that image, not the rest of the run.
      host.log("Error: " + entry.full_path().string() + ": " + error.what());
      ++result.outputs.failed;
    }
    if (!valid) ++result.skipped;
    apply_main_output_options(settings, doc);

    const std::string directory =
        expand_save_in(settings.save_in_directory.text(), entry.file_path);
    const bool directory_ready = prepare_output_directory(directory, host, result.outputs);
    std::string last_output = directory + target.output_name;
    if (valid && (doc.width() > kLargestUnsavedSide || doc.height() > kLargestUnsavedSide)) {
      host.log("Saving " + last_output + " ....");
      host.process_events();
      if (directory_ready) save_output(doc, last_output, host, result.outputs);
    }
    host.set_progress(position, maximum);
    host.process_events();

    ThumbnailJob job{entry, position, target, {entry.full_path(), last_output}};
    for (int which = 1; which <= 2; ++which) {
      if (thumbnail_enabled(settings, which)) {
        try {
          if (auto path = make_thumbnail(ws, host, settings, job, which, result.outputs)) {
            last_output = *path;
            job.protected_paths.push_back(*path);
          }
        } catch (const std::exception& error) {
          host.log("Error: Thumbnail " + std::to_string(which) + " of " +
                   entry.full_path().string() + ": " + error.what());
          ++result.outputs.failed;
        }
        host.set_progress(position, maximum);
        host.process_events();
      }
      if (which == 1) host.process_events();
    }
    host.process_events();
    host.process_events();

    if (settings.usethumbnailgallery || settings.enableslicing)
      add_sorted(result.gallery, {entry.display_name, entry.caption, last_output});
    doc.raster = Raster{};
    doc.deselect();
  }
  result.entries_done = position - 1;

  host.log("Batch Image Processing Completed");
  AfterPass nothing;
  AfterPass& after = after_pass ? *after_pass : nothing;
  if (settings.enableslicing && !settings.usethumbnailgallery) {
    host.log("Begin Image Slicing Procedure");
    after.slice_images(ws, host, settings, result.gallery);
  } else if (settings.usethumbnailgallery) {
    host.log("Begin Thumbnail Gallery Creation Process");
    after.create_gallery(ws, host, settings, result.gallery);
  }
  host.inform("All Batch Image Processing Completed");
  if (!settings.resetstartnumber) settings.start_number += result.entries_done;
  return result;
}

}  // namespace lumatrix
