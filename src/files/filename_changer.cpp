#include "files/filename_changer.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "base/image_error.h"
#include "files/safe_file_ops.h"
#include "files/subfolders.h"

namespace lumatrix {

namespace fs = std::filesystem;

bool filename_changer_on(const Settings& settings) {
  return settings.filename_changer || settings.use_filename_changer;
}

void preview(RenameList& list, const SourceList& control_center, const Settings& settings,
             Questions& questions) {
  if (filename_changer_on(settings) && !control_center.empty() &&
      questions.ask_yes_no("Do You want to Preview Filename Change from Control Center List?"))
    list.fill_from(control_center, settings);
  list.recompute_names(settings);
}

ChangerOutcome process_all(RenameList& list, Settings& settings, const RunSeam& run,
                           const std::function<void(const Settings&)>& save_settings) {
  if (save_settings) save_settings(settings);
  const int count = static_cast<int>(std::min<size_t>(list.size(), INT32_MAX));
  run.events.set_progress(0, count);
  ChangerOutcome outcome;
  int visited = 0;
  for (int r = 1; r <= count; ++r) {
    if (run.cancel.requested() && confirm_stop(run, count)) {
      outcome.stopped = true;
      break;
    }
    visited = r;
    RenameEntry& row = list.entries[static_cast<size_t>(r) - 1];
    const fs::path source = row.full_path();
    row.new_name = pattern_name(settings, row, r);

    std::error_code error;
    if (!fs::exists(source, error)) {
      run.questions.inform(row.old_name + " does not Exist");
      ++outcome.missing;
      continue;
    }

    const std::string dir = expand_save_in(settings.filename_save_in, row.directory);
    fs::create_directories(dir, error);
    if (error) throw ImageError(dir, error.message());
    const fs::path target = fs::path(dir + row.new_name);

    // Renames and moves never replace another file: the old file would be gone with no copy
    // left. Copies replace whole, as a copy leaves its source in place.
    if (settings.overwritefilename) {
      if (move_file_no_replace(source, target) == MoveResult::TargetTaken) {
        run.events.log("Not Renamed : " + source.string() + " (" + target.string() +
                       " already exists)");
        ++outcome.refused;
      } else {
        ++outcome.done;
      }
    } else {
      copy_file_whole(source, target);
      ++outcome.done;
    }
    run.events.set_progress(r, count);
  }
  if (!settings.resetstartnumber) {
    const int64_t next = static_cast<int64_t>(settings.start_number) + visited;
    settings.start_number =
        static_cast<int32_t>(std::min<int64_t>(next, std::numeric_limits<int32_t>::max()));
  }
  // A stopped run has said so; calling it complete would hide the files it never reached.
  if (!outcome.stopped) run.questions.inform("Renaming Process Complete");
  return outcome;
}

}  // namespace lumatrix
