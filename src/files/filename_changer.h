#pragma once
// The Filename Changer's Preview and Process All: every listed file renamed, copied or moved to
// the name the pattern gives its row, in place or into a save-in directory.
#include <functional>
#include <string>
#include <string_view>

#include "base/run_host.h"
#include "files/rename_list.h"
#include "files/source_list.h"
#include "settings/settings.h"

namespace lumatrix {

// Whether either "Use Filename Changer" box is ticked (they always show the same state).
bool filename_changer_on(const Settings& settings);

// Preview: when the changer is on and the Control Center list has rows, offers to refill the
// rename list from it; then computes every row's new name.
void preview(RenameList& list, const SourceList& control_center, const Settings& settings,
             Questions& questions);

struct ChangerOutcome {
  int done = 0;     // rows renamed, copied or moved (or already bearing their name)
  int missing = 0;  // rows whose file did not exist
  int refused = 0;  // renames or moves not made because another file has the new name
  bool stopped = false;
};

// Process All. `save_settings` (may be empty) stores the settings before the run starts, as
// the desktop program does with its automatic profile. The cancel token is tested before each
// row and its stop confirmed with the question every run asks. With resetstartnumber off,
// start_number moves on by the rows the run went through. A file that cannot be read or
// written ends the run with ImageError; rows already done stay done.
ChangerOutcome process_all(RenameList& list, Settings& settings, const RunSeam& run,
                           const std::function<void(const Settings&)>& save_settings = {});

}  // namespace lumatrix
