#pragma once
// The reduce of a batch run: entries finish in any order, and their reports are released in
// list order, so the log, the counts and the gallery records come out as a run in list order
// gives them, whatever the number of workers.
#include <optional>
#include <vector>

#include "base/run_host.h"
#include "engine/entry_job.h"
#include "files/source_list.h"

namespace lumatrix {

// What the after-passes publish for one entry, kept sorted by `filename` ignoring letter case.
struct GalleryRecord {
  std::string displayname;
  std::string caption;
  std::string filename;  // directory + name of the file written last for the entry
  friend bool operator==(const GalleryRecord&, const GalleryRecord&) = default;
};

class OrderedReduce {
 public:
  // `records` says whether entries add gallery records (the gallery or the slicing is on).
  OrderedReduce(EventSink& events, const SourceList& list, bool records);

  // Takes the report of the entry at 0-based `index`. Every report that now follows without a
  // gap is released: its lines go to the log tagged with its row, its counts and gallery record
  // are added. Then the bar counts the finished entries.
  void finished(size_t index, EntryReport report);

  // The first run-ending error among the released entries.
  std::exception_ptr failure() const { return failure_; }

  int skipped() const { return skipped_; }
  const OutputCounts& outputs() const { return outputs_; }
  std::vector<GalleryRecord>& gallery() { return gallery_; }

 private:
  void release(size_t index, EntryReport& report);

  EventSink& events_;
  const SourceList& list_;
  const bool records_;
  std::vector<std::optional<EntryReport>> reports_;
  size_t released_ = 0;  // entries released, a prefix of the list
  int finished_ = 0;
  int skipped_ = 0;
  OutputCounts outputs_;
  std::vector<GalleryRecord> gallery_;
  std::exception_ptr failure_;
};

}  // namespace lumatrix
