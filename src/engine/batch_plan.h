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
//
// The plan also applies overwrite_policy to every output whose name is taken, by a file there
// before the run or by an earlier entry's output: "Replace" keeps the name (and a name an
// earlier entry writes too gets the line "<path> is also the output of entry N; the later one
// remains"), "Skip existing" leaves the file alone, "Keep both" takes the first free
// "name (2).ext". Decided here, before any entry runs, the names are the same for any number of
// workers.
#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/output_target.h"
#include "engine/pipeline.h"
#include "files/source_list.h"
#include "settings/settings.h"

namespace lumatrix {

struct PlannedEntry {
  int position = 1;     // 1-based row
  OutputTarget target;  // the main output's naming, output_name as the policy left it
  PlannedOutput main;
  std::array<std::optional<PlannedOutput>, 2> thumbnails;  // 1 and 2, when enabled
  // "Keep both": every output is written only under a name nothing holds.
  bool never_replace = false;
  // Lines the entry logs first when its turn comes: its clashes and the outputs it leaves.
  std::vector<std::string> notes;
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

// The first output (in list order) that would replace a source of the run.
struct SourceOverwrite {
  int position = 1;  // the entry writing it
  std::filesystem::path output, source;
};

struct BatchPlan {
  std::vector<PlannedEntry> entries;  // in list order
  std::optional<SourceOverwrite> replaces_source;
};

// Whether the output names read a date from the source (the Filename Changer's "Creation" or
// "Date Taken").
bool names_follow_source_date(const Settings& settings);

// Plans the run of `list`. `shared_inputs` are the files every entry reads besides its source.
BatchPlan plan_batch(const Settings& settings, const SourceList& list,
                     const std::vector<std::filesystem::path>& shared_inputs);

// For an entry whose names are formed again when its turn comes (names_at_turn): its names, and
// the overwrite policy applied to the files there at that moment (it runs alone, so every
// earlier entry has finished).
void name_at_turn(const Settings& settings, const ListEntry& entry, PlannedEntry& planned);

// The name overwrite_policy gives an output whose name `taken` may hold: itself when it is free
// or the policy replaces, skip for "Skip existing", else the first free "name (2).ext" (the
// number before the last extension).
PlannedOutput apply_overwrite_policy(OverwritePolicy policy, PlannedOutput output,
                                     const std::function<bool(const std::string&)>& taken);

// The folders below `root` that this run writes into for sources elsewhere: outputs of a run
// over `root`, which a run taking the tree below `root` must not take as sources.
std::vector<std::filesystem::path> output_folders_below(const Settings& settings,
                                                        const SourceList& list,
                                                        const std::filesystem::path& root);
// Drops the rows from `first` on that lie in one of `folders` or below it; returns how many.
size_t drop_rows_in(SourceList& list, size_t first,
                    const std::vector<std::filesystem::path>& folders);

}  // namespace lumatrix
