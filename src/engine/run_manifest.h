#pragma once
// The manifest of a run: one JSON line per entry of the run's share of the list (source,
// position, status, reason, and every output with its size and SHA-256), after a header line
// naming the settings, the list and the shard. It is what lets a killed run be resumed without
// redoing finished entries, and what `lumatrix finish` joins the shards of one run from.
//
// While the run works, the lines go to a journal beside it ("<manifest>.partial"), each flushed
// to disk as its entry is released in list order; at the end the whole manifest is written in
// one piece (temporary file, then rename), with a last line saying whether the run went through,
// and the journal is removed. A torn last journal line (a run killed while writing it) is
// ignored on reading.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "engine/batch_plan.h"
#include "engine/entry_job.h"
#include "engine/output_target.h"
#include "engine/run_shards.h"
#include "files/source_list.h"
#include "settings/settings.h"

namespace lumatrix {

struct ManifestEntry {
  int position = 0;  // 1-based row of the whole list
  std::string source;
  // The source as it was read; a changed source is processed again.
  uint64_t source_size = 0;
  int64_t source_time = 0;  // last write, nanoseconds since the epoch
  std::string status;       // "done", "failed" or "skipped" (not a valid image)
  std::string reason;       // the first error line for "failed" and "skipped"
  std::vector<WrittenFile> outputs;
  // What the gallery and slicing need of the entry once every shard is through.
  std::string display_name, caption, last_output;
  OutputCounts counts;
};

struct ManifestHeader {
  std::string settings;  // settings_fingerprint
  std::string list;      // list_fingerprint
  int entries = 0;       // rows of the whole list
  Shard shard;
};

struct RunManifest {
  ManifestHeader header;
  std::vector<ManifestEntry> entries;  // in list order
  // The closing line: "complete", or "stopped" when the user stopped the run. Empty when the
  // manifest was read from a journal (the run never closed it).
  std::string end;
};

// A digest of every setting that shapes what a run writes (the workers and the memory budget
// do not), and of the list's rows.
std::string settings_fingerprint(const Settings& settings);
std::string list_fingerprint(const SourceList& list);

// "<manifest>.partial"
std::filesystem::path journal_path(const std::filesystem::path& manifest);

// Reads a manifest, or nullopt when the file does not exist. Throws ImageError naming the file
// for one that cannot be read or is not a manifest.
std::optional<RunManifest> read_manifest(const std::filesystem::path& path);
// The manifest when it exists, else its journal (a run that did not finish), else nullopt.
std::optional<RunManifest> read_manifest_or_journal(const std::filesystem::path& path);

class ManifestWriter {
 public:
  // Starts a new journal (replacing one left by an earlier run) with the header line.
  ManifestWriter(std::filesystem::path path, ManifestHeader header);
  ManifestWriter(const ManifestWriter&) = delete;
  ManifestWriter& operator=(const ManifestWriter&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Appends the entry's line and flushes it to disk.
  void add(ManifestEntry entry);
  // Writes the manifest whole with the closing line `end` and removes the journal.
  void close(const std::string& end);

 private:
  void append(const std::string& line);

  std::filesystem::path path_;
  RunManifest manifest_;
  std::ofstream journal_;
};

// The manifest line of an entry the run processed.
ManifestEntry manifest_entry(const ListEntry& entry, int position, const EntryReport& report);

// Size and digest of each written file (in place).
void describe_written(std::vector<WrittenFile>& files);

// The outputs of entries that an earlier run finished and that are still as it wrote them: for
// each entry its earlier manifest line, or null when it must run. A group of entries that wait
// for one another (they write one file, or one reads what another writes) is taken whole or run
// whole, so that the later entry's file still remains. `members` limits it to a shard's entries.
std::vector<const ManifestEntry*> finished_before(const RunManifest& earlier,
                                                  const Settings& settings, const SourceList& list,
                                                  const BatchPlan& plan,
                                                  const std::vector<int>& groups);

}  // namespace lumatrix
