#include "engine/entry_job.h"

#include "engine/save_options.h"
#include "engine/thumbnails.h"

namespace lumatrix {

namespace {

// Results of five pixels or less each way are what a failed step leaves behind, not images.
constexpr int kLargestUnsavedSide = 5;

// The job's own log: kept until the run releases it. The bar belongs to the run.
class LineBuffer : public EventSink {
 public:
  explicit LineBuffer(std::vector<std::string>& lines) : lines_(lines) {}
  void log_line(const std::string& line, std::optional<int>) override { lines_.push_back(line); }
  void set_progress(int, int) override {}

 private:
  std::vector<std::string>& lines_;
};

void run_steps(Workspace& ws, const Settings& settings, const ListEntry& entry,
               const PlannedEntry& plan, const Overlays& overlays, EntryReport& report) {
  LineBuffer log(report.lines);
  ImageDocument& doc = ws.processimage;
  ws.current_source_path = entry.full_path();
  const OutputTarget target =
      plan.names_at_turn ? output_target(settings, entry, plan.position) : plan.target;

  doc.params.stream_header = settings.retainheaderinfo;
  bool valid = false;
  try {
    valid = process_image(ws, log, settings,
                          pipeline_entry(entry, plan.position, target.output_name), overlays);
  } catch (const std::exception& error) {
    // An operation that fails on one image costs that image, not the rest of the run.
    log.log("Error: " + entry.full_path().string() + ": " + error.what());
    ++report.outputs.failed;
  }
  report.skipped = !valid;
  apply_main_output_options(settings, doc);

  const std::string& directory = plan.main_directory;
  const bool directory_ready = prepare_output_directory(directory, log, report.outputs);
  report.last_output = directory + target.output_name;
  if (valid && (doc.width() > kLargestUnsavedSide || doc.height() > kLargestUnsavedSide)) {
    log.log("Saving " + report.last_output + " ....");
    if (directory_ready) save_output(doc, report.last_output, log, report.outputs);
  }

  ThumbnailJob job{entry, plan.position, target, {entry.full_path(), report.last_output}};
  for (int which = 1; which <= 2; ++which) {
    if (!thumbnail_enabled(settings, which)) continue;
    try {
      if (auto path = make_thumbnail(ws, log, settings, job, which, report.outputs)) {
        report.last_output = *path;
        job.protected_paths.push_back(*path);
      }
    } catch (const std::exception& error) {
      log.log("Error: Thumbnail " + std::to_string(which) + " of " + entry.full_path().string() +
              ": " + error.what());
      ++report.outputs.failed;
    }
  }
  doc.raster = Raster{};
  doc.deselect();
}

}  // namespace

EntryReport run_entry(Workspace& ws, const Settings& settings, const ListEntry& entry,
                      const PlannedEntry& plan, const Overlays& overlays) noexcept {
  EntryReport report;
  try {
    run_steps(ws, settings, entry, plan, overlays, report);
  } catch (...) {
    report.failure = std::current_exception();
  }
  return report;
}

}  // namespace lumatrix
