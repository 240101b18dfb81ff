#include "engine/entry_job.h"

#include <algorithm>

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

WrittenFile written_file(const std::string& path) {
  WrittenFile file;
  file.path = path;
  return file;
}

// Whether the plan leaves every file of the entry as it is ("Skip existing"): then the source
// is not even read.
bool nothing_to_write(const PlannedEntry& plan) {
  if (!plan.main.skip) return false;
  return std::all_of(plan.thumbnails.begin(), plan.thumbnails.end(),
                     [](const std::optional<PlannedOutput>& t) { return !t || t->skip; });
}

void run_steps(Workspace& ws, const Settings& settings, const ListEntry& entry,
               const PlannedEntry& planned, const Overlays& overlays, EntryReport& report) {
  LineBuffer log(report.lines);
  ImageDocument& doc = ws.processimage;
  ws.current_source_path = entry.full_path();
  PlannedEntry at_turn;
  if (planned.names_at_turn) {
    at_turn = planned;
    name_at_turn(settings, entry, at_turn);
  }
  const PlannedEntry& plan = planned.names_at_turn ? at_turn : planned;
  const OutputTarget& target = plan.target;
  for (const std::string& note : plan.notes) log.log(note);

  report.last_output = plan.main.path();
  for (const std::optional<PlannedOutput>& thumbnail : plan.thumbnails)
    if (thumbnail) report.last_output = thumbnail->path();
  if (nothing_to_write(plan)) {
    report.outputs.kept +=
        1 + static_cast<int>(
                std::count_if(plan.thumbnails.begin(), plan.thumbnails.end(),
                              [](const std::optional<PlannedOutput>& t) { return t.has_value(); }));
    return;
  }

  report.last_output = plan.main.path();
  if (plan.main.skip) {
    // The thumbnails start from the source again, so the main output's steps are not needed.
    ++report.outputs.kept;
  } else {
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

    const bool directory_ready = prepare_output_directory(plan.main.directory, log, report.outputs);
    if (valid && (doc.width() > kLargestUnsavedSide || doc.height() > kLargestUnsavedSide)) {
      log.log("Saving " + report.last_output + " ....");
      if (directory_ready &&
          save_output(doc, report.last_output, log, report.outputs, plan.never_replace))
        report.written.push_back(written_file(report.last_output));
    }
  }

  ThumbnailJob job{entry, plan.position, target, {entry.full_path(), report.last_output}};
  job.outputs = plan.thumbnails;
  job.never_replace = plan.never_replace;
  for (int which = 1; which <= 2; ++which) {
    if (!thumbnail_enabled(settings, which)) continue;
    try {
      const int saved = report.outputs.saved;
      if (auto path = make_thumbnail(ws, log, settings, job, which, report.outputs)) {
        if (report.outputs.saved > saved) report.written.push_back(written_file(*path));
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
