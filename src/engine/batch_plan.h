#pragma once
// The plan of a batch run, made before any pixel work: every entry's output names and folders
// (numbered by list position) and which entries must wait for which, so that entries may run
// at the same time and still leave the files a run in list order leaves.
//
// Entries touch files: each reads its source (again for every thumbnail) and the watermark
// images, and writes its main output and thumbnails. In list order an entry sees every file
// the entries before it wrote, and none of those after it. So an entry waits for an earlier one
// when
//   - both write one file (the later one's must remain; a failed later write leaves the
//     earlier one's),
//   - it reads what the earlier one writes (it must read the written file), or
//   - it writes what the earlier one reads (not before that one has read it, thumbnails
//     included).
// Paths are compared after resolving links in their folders, and existing files by identity
// (device and inode), so another spelling of a path is the same file. Rarer relations run the
// entry alone (see PlannedEntry::alone).
#include <string>
#include <vector>

#include "engine/output_target.h"
#include "engine/pipeline.h"
#include "files/source_list.h"
#include "settings/settings.h"

namespace lumatrix {

struct PlannedEntry {
  int position = 1;     // 1-based row
  OutputTarget target;  // the main output's naming
  std::string main_directory;
  // Earlier rows (1-based, ascending) that must have finished before this one starts.
  std::vector<int> after;
  // Runs with nothing else: every earlier entry has finished before it starts, and no later one
  // starts before it has finished. For a file written where an earlier entry makes a folder (or
  // the reverse), and for names that depend on a file an earlier entry may write.
  bool alone = false;
  // The names depend on the source's time stamp and an earlier entry may write the source:
  // they are formed again when the entry's turn comes, as a run in list order forms them.
  bool names_at_turn = false;
};

struct BatchPlan {
  std::vector<PlannedEntry> entries;  // in list order
};

// Whether the output names read the source's time stamp (the Filename Changer's "Creation"
// date).
bool names_follow_source_date(const Settings& settings);

// Plans the run of `list`. `shared_inputs` are the files every entry reads besides its source.
BatchPlan plan_batch(const Settings& settings, const SourceList& list,
                     const std::vector<std::filesystem::path>& shared_inputs);

}  // namespace lumatrix
