#pragma once
// SANE for a test alone: a configuration folder whose dll.conf offers only SANE's own "test"
// backend, with that backend's options (mode, depth, three-pass, hand-scanner, test picture,
// ...) as the test chooses. SANE_CONFIG_DIR points at the folder while the object lives, for
// this process and the programs it starts.
//
// The test backend loses some of its read buffers at the end of every scan. In this process it
// stays loaded, so that the leak checker can name it and leave its losses alone
// (tests/lsan.supp); the programs started meanwhile unload it and could not tell its losses
// from their own, so they are started without the leak check.
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace lumatrix::test {

class SaneTestBackend {
 public:
  // Option lines of the backend's test.conf: {"mode", "Color"}, {"test-picture", "\"Grid\""}.
  using Options = std::vector<std::pair<std::string, std::string>>;

  explicit SaneTestBackend(const Options& options = {});
  ~SaneTestBackend();
  SaneTestBackend(const SaneTestBackend&) = delete;
  SaneTestBackend& operator=(const SaneTestBackend&) = delete;

  // Replaces the options; they apply from SANE's next start.
  void set_options(const Options& options);
  // From SANE's next start no backend at all, so no scanner. (The test backend itself cannot
  // offer none: it crashes when told to have no devices.)
  void offer_no_scanner();
  // One folder for the whole process: SANE looks up its configuration folder once per process
  // and keeps it, so every test rewrites the same one.
  static const std::filesystem::path& folder();

 private:
  // An environment variable set while the object lives, then put back.
  class EnvironmentValue {
   public:
    EnvironmentValue(const char* name, const std::string& value);
    ~EnvironmentValue();
    EnvironmentValue(const EnvironmentValue&) = delete;
    EnvironmentValue& operator=(const EnvironmentValue&) = delete;
    static std::optional<std::string> current(const char* name);

   private:
    const char* name_;
    std::optional<std::string> previous_;
  };
  EnvironmentValue config_dir_;
  EnvironmentValue children_without_leak_check_;
};

}  // namespace lumatrix::test
