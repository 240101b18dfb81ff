#pragma once
// "Process All": the whole run over the source list on a run host — the automatic profile, the
// confirmation, every entry's main output and thumbnails, the stop questions, the gallery
// records and the after-pass.
#include <string>
#include <vector>

#include "base/run_host.h"
#include "engine/output_target.h"
#include "engine/pipeline.h"
#include "engine/workspace.h"
#include "files/source_list.h"
#include "settings/settings.h"

namespace lumatrix {

// What the after-passes publish for one entry, kept sorted by `filename` ignoring letter case.
struct GalleryRecord {
  std::string displayname;
  std::string caption;
  std::string filename;  // directory + name of the file written last for the entry
  friend bool operator==(const GalleryRecord&, const GalleryRecord&) = default;
};

// The work after the image pass: slicing or the gallery (which slices too when both are on).
// The default does nothing; the web output plugs in here.
class AfterPass {
 public:
  virtual ~AfterPass();
  virtual void slice_images(Workspace& ws, RunHost& host, const Settings& settings,
                            const std::vector<GalleryRecord>& records);
  virtual void create_gallery(Workspace& ws, RunHost& host, const Settings& settings,
                              const std::vector<GalleryRecord>& records);
};

struct BatchRunResult {
  bool confirmed = false;  // false: the user answered No, only the profile was written
  bool stopped = false;    // the user confirmed a stop
  int entries_done = 0;    // entries whose turn came (added to start_number when it carries)
  int skipped = 0;         // invalid sources
  OutputCounts outputs;
  std::vector<GalleryRecord> gallery;
};

// The confirmation text for a save-in directory: the source's own folder is named as such,
// any other as typed.
std::string confirmation_question(const Choice<SaveInChoice>& save_in_directory);

// Runs the list. Saves `settings` to the automatic profile first (an error there throws
// ImageError and nothing else happens). A single image's failure, and a file that cannot be
// written, are log lines and the run goes on. When resetstartnumber is off, start_number grows
// by the entries whose turn came. Overlays draw the captions and watermarks.
BatchRunResult process_all(Workspace& ws, RunHost& host, Settings& settings, const SourceList& list,
                           const Overlays& overlays = {}, AfterPass* after_pass = nullptr);

}  // namespace lumatrix
