#pragma once
// Scanner acquisition: the sources present, one of them chosen by index, and one page acquired
// from it into an image document. Acquiring blocks until the page is complete, so a window runs
// it on a worker thread and ends it early through the stop token it passed in.
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <vector>

#include "imaging/image_document.h"

namespace lumatrix {

// One scanner the platform offers.
struct ScanSource {
  std::string name;  // what the device is opened by ("test:0", "epson2:libusb:001:004")
  std::string vendor, model, type;

  // "vendor model type", the words that are present.
  std::string description() const;
  friend bool operator==(const ScanSource&, const ScanSource&) = default;
};

// A failure of the scanner or of its data, naming the device and the reason.
class ScanError : public std::runtime_error {
 public:
  ScanError(const std::string& device, const std::string& reason);
  const std::string& device() const { return device_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string device_, reason_;
};

// The acquisition ended because its stop token asked for it (or the user cancelled at the
// device); nothing was acquired.
class ScanCancelled : public ScanError {
 public:
  using ScanError::ScanError;
};

// How far the page has come: bytes received and the bytes expected in all, or -1 while the
// total is unknown (a hand scanner does not know its page length). Called on the acquiring
// thread.
using ScanProgress = std::function<void(int64_t received, int64_t expected)>;

// Used from one thread at a time (a window lists and chooses on its own thread, then hands the
// acquisition to a worker); only the stop of an acquisition comes from another thread.
class Scanner {
 public:
  virtual ~Scanner() = default;

  // The sources present now, in the platform's order; a source's index is its position.
  virtual std::vector<ScanSource> list_sources() = 0;

  // Chooses the source at `index` among those present now. Any other index (negative, or one
  // whose scanner has gone since it was stored) leaves no source chosen. Returns whether one
  // is chosen.
  bool select_source(int index);
  // The index the chosen source had when it was chosen; -1 when none is chosen.
  int selected_index() const { return selected_index_; }
  const std::optional<ScanSource>& selected_source() const { return selected_; }

  // Acquires one page from the chosen source: 24-bit colour, 8-bit grey or 1-bit line art, with
  // the scanner's resolution as the document's DPI. Blocks until the page is complete. A stop
  // requested on `stop` (from any thread) ends the scan early with ScanCancelled. Throws
  // ScanError when no source is chosen and for every failure of the device or its data; the
  // device is released either way.
  ImageDocument acquire(std::stop_token stop = {}, const ScanProgress& progress = {});

 protected:
  virtual ImageDocument acquire_from(const ScanSource& source, std::stop_token stop,
                                     const ScanProgress& progress) = 0;

 private:
  std::optional<ScanSource> selected_;
  int selected_index_ = -1;
};

}  // namespace lumatrix
