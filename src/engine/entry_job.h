#pragma once
// One entry of a batch run as a job: the pipeline, the main output and thumbnails 1 and 2 on
// one worker's workspace. A job shares nothing but the read-only settings, list entry, plan and
// overlays; what it did comes back as its report, and the run releases that in list order.
#include <exception>
#include <string>
#include <vector>

#include "engine/batch_plan.h"
#include "engine/output_target.h"
#include "engine/pipeline.h"
#include "engine/workspace.h"
#include "files/source_list.h"
#include "settings/settings.h"

namespace lumatrix {

struct EntryReport {
  std::vector<std::string> lines;  // the entry's log lines, in order
  OutputCounts outputs;
  bool skipped = false;     // the source was not a valid image
  std::string last_output;  // directory + name of the file written last (the gallery's record)
  // An error that ends the run; a single image's failure is a line and a count instead.
  std::exception_ptr failure;
};

// Runs the entry as a run in list order does when its turn comes. Never throws: whatever
// escapes is the report's `failure`.
EntryReport run_entry(Workspace& ws, const Settings& settings, const ListEntry& entry,
                      const PlannedEntry& plan, const Overlays& overlays) noexcept;

}  // namespace lumatrix
