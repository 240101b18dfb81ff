#pragma once
// Scanners through SANE: every device its configured backends find, opened for one page at a
// time. Backends and their options come from SANE's own configuration (SANE_CONFIG_DIR, else
// /etc/sane.d); the device's current settings decide mode, resolution and area.
#include "extras/scanner.h"

namespace lumatrix {

class SaneScanner : public Scanner {
 public:
  // Initialises SANE for the process unless another SaneScanner already did; the last one to
  // go ends it. Throws ScanError when SANE cannot start.
  SaneScanner();
  ~SaneScanner() override;
  SaneScanner(const SaneScanner&) = delete;
  SaneScanner& operator=(const SaneScanner&) = delete;

  // Every device of every configured backend, local and on the network.
  std::vector<ScanSource> list_sources() override;

 protected:
  ImageDocument acquire_from(const ScanSource& source, std::stop_token stop,
                             const ScanProgress& progress) override;
};

}  // namespace lumatrix
