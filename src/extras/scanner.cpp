#include "extras/scanner.h"

namespace lumatrix {

std::string ScanSource::description() const {
  std::string text;
  for (const std::string* word : {&vendor, &model, &type}) {
    if (word->empty()) continue;
    if (!text.empty()) text += ' ';
    text += *word;
  }
  return text;
}

ScanError::ScanError(const std::string& device, const std::string& reason)
    : std::runtime_error("scanner " + device + ": " + reason), device_(device), reason_(reason) {}

bool Scanner::select_source(int index) {
  selected_.reset();
  selected_index_ = -1;
  if (index < 0) return false;
  std::vector<ScanSource> sources = list_sources();
  if (static_cast<size_t>(index) >= sources.size()) return false;
  selected_ = std::move(sources[static_cast<size_t>(index)]);
  selected_index_ = index;
  return true;
}

ImageDocument Scanner::acquire(std::stop_token stop, const ScanProgress& progress) {
  if (!selected_) throw ScanError("(none)", "no scanner source chosen");
  if (stop.stop_requested()) throw ScanCancelled(selected_->name, "cancelled");
  return acquire_from(*selected_, stop, progress);
}

}  // namespace lumatrix
