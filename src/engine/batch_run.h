#pragma once
// "Process All": the run over the source list — the confirmation, every entry's main output and
// thumbnails on N workers, the stop questions, the gallery records and the after-pass.
//
// The run is a plan (names, folders and which entries wait for which, before any pixel work),
// one job per entry on the workers (each with its own workspace), and an ordered reduce (log
// lines, counts and records released in list order). With any number of workers it writes the
// same files and the same log as one worker does.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/run_host.h"
#include "engine/ordered_reduce.h"
#include "engine/output_target.h"
#include "engine/pipeline.h"
#include "engine/run_manifest.h"
#include "engine/run_shards.h"
#include "engine/workspace.h"
#include "files/source_list.h"
#include "settings/settings.h"

namespace lumatrix {

// The work after the image pass: slicing or the gallery (which slices too when both are on).
// The default does nothing; the web output plugs in here.
class AfterPass {
 public:
  virtual ~AfterPass();
  virtual void slice_images(Workspace& ws, const RunSeam& run, const Settings& settings,
                            const std::vector<GalleryRecord>& records);
  virtual void create_gallery(Workspace& ws, const RunSeam& run, const Settings& settings,
                              const std::vector<GalleryRecord>& records);
};

// What the run may use of the machine. Unset: the settings' `workers` and `memory_budget`;
// 0 there: as many workers as the CPUs allow, and a budget from the available memory.
struct RunResources {
  std::optional<int> workers;
  std::optional<uint64_t> memory_bytes;
  // Fast JPEG resize for this run only, whatever the setting fast_resize says.
  bool fast_resize = false;
};

// How much of the list this run does, and what it keeps for the next one.
struct RunScope {
  // Only this shard's entries run; the gallery and slicing wait for the join of all shards.
  std::optional<Shard> shard;
  // An earlier run's manifest (or journal): entries it finished whose files are still as it
  // wrote them are not run again.
  const RunManifest* earlier = nullptr;
  // Where this run's manifest goes; empty: none is written.
  std::filesystem::path manifest;
};

struct BatchRunResult {
  bool confirmed = false;   // false: the user answered No and nothing ran
  bool stopped = false;     // the user confirmed a stop
  int entries_done = 0;     // entries whose turn came (started, in list order)
  int skipped = 0;          // invalid sources
  int finished_before = 0;  // entries an earlier run had finished (not run again)
  int elsewhere = 0;        // entries of the other shards
  OutputCounts outputs;
  std::vector<GalleryRecord> gallery;
  std::vector<EntryTrouble> troubles;  // entries skipped or with outputs not written, in order
  int workers = 0;                     // how many the run used
  uint64_t memory_budget = 0;          // bytes
};

// The confirmation text for a save-in directory: the source's own folder is named as such,
// any other as typed.
std::string confirmation_question(const Choice<SaveInChoice>& save_in_directory);

// Runs the list. A single image's failure, and a file that cannot be written, are log lines and
// the run goes on. The cancel token is tested before each entry starts: once it is set no new
// entry starts, the running ones finish and their lines are released, then the stop question
// comes (again before every further entry after a Cancel). Overlays draw the captions and
// watermarks; they are called from the workers at once. `ws` serves the after-pass.
//
// The front end saves the automatic profile before (the desktop program and the command line
// both do) and moves start_number on after (carry_start_number).
BatchRunResult process_all(Workspace& ws, const RunSeam& run, const Settings& settings,
                           const SourceList& list, const Overlays& overlays = {},
                           AfterPass* after_pass = nullptr, const RunResources& resources = {},
                           const RunScope& scope = {});

// The work after the image pass over `records`: slicing, or the gallery, with their log lines.
void run_after_pass(Workspace& ws, const RunSeam& run, const Settings& settings,
                    const std::vector<GalleryRecord>& records, AfterPass* after_pass);

// When resetstartnumber is off, start_number grows by the entries whose turn came, so that the
// next run continues the numbering.
void carry_start_number(Settings& settings, const BatchRunResult& result);

// The workers a run uses for `workers` (0: the CPUs this process may use) and a list of
// `entries` (never more workers than entries, at least one).
int worker_count(int workers, size_t entries);

}  // namespace lumatrix
