#include "engine/ordered_reduce.h"

#include <algorithm>

#include "base/choice_text.h"

namespace lumatrix {

namespace {

void add_sorted(std::vector<GalleryRecord>& records, GalleryRecord record) {
  const std::string key = lower_ascii(record.filename);
  // After every equal name, so records of equal names keep the order of the list.
  const auto at = std::upper_bound(
      records.begin(), records.end(), key,
      [](const std::string& k, const GalleryRecord& r) { return k < lower_ascii(r.filename); });
  records.insert(at, std::move(record));
}

}  // namespace

OrderedReduce::OrderedReduce(EventSink& events, const SourceList& list, bool records)
    : events_(events), list_(list), records_(records), reports_(list.size()) {}

void OrderedReduce::finished(size_t index, EntryReport report) {
  reports_[index] = std::move(report);
  ++finished_;
  while (released_ < reports_.size() && reports_[released_]) {
    release(released_, *reports_[released_]);
    reports_[released_].reset();
    ++released_;
  }
  events_.set_progress(finished_, static_cast<int>(reports_.size()));
}

void OrderedReduce::release(size_t index, EntryReport& report) {
  const int row = static_cast<int>(index) + 1;
  for (const std::string& line : report.lines) events_.log_line(line, row);
  OutputCounts& total = outputs_;
  total.saved += report.outputs.saved;
  total.unwritten += report.outputs.unwritten;
  total.failed += report.outputs.failed;
  total.refused += report.outputs.refused;
  if (report.skipped) ++skipped_;
  if (report.failure && !failure_) failure_ = report.failure;
  if (records_ && !report.failure) {
    const ListEntry& entry = list_.entries[index];
    add_sorted(gallery_, {entry.display_name, entry.caption, std::move(report.last_output)});
  }
}

}  // namespace lumatrix
