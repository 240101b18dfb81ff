#include "sane_test_backend.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "test_support.h"

namespace lumatrix::test {

const std::filesystem::path& SaneTestBackend::folder() {
  static const TempDir dir;
  return dir.path();
}

SaneTestBackend::SaneTestBackend(const Options& options) {
  std::ofstream(folder() / "dll.conf") << "test\n";
  set_options(options);
  if (const char* before = std::getenv("SANE_CONFIG_DIR")) previous_ = before;
  ::setenv("SANE_CONFIG_DIR", folder().c_str(), 1);
}

SaneTestBackend::~SaneTestBackend() {
  if (previous_)
    ::setenv("SANE_CONFIG_DIR", previous_->c_str(), 1);
  else
    ::unsetenv("SANE_CONFIG_DIR");
}

void SaneTestBackend::offer_no_scanner() {
  std::ofstream(folder() / "dll.conf") << "";
}

void SaneTestBackend::set_options(const Options& options) {
  // The backend's own defaults for what a test leaves out: without them it scans at a
  // resolution near zero and never ends its page.
  Options lines{{"number_of_devices", "2"},
                {"mode", "Gray"},
                {"depth", "8"},
                {"resolution_min", "1.0"},
                {"resolution_max", "1200.0"},
                {"resolution_quant", "1.0"},
                {"resolution", "50.0"},
                {"test-picture", "\"Solid black\""},
                {"read-limit-size", "1"},
                {"read-delay-duration", "1000"},
                {"geometry_min", "0.0"},
                {"geometry_max", "200.0"},
                {"geometry_quant", "1.0"},
                {"tl_x", "0.0"},
                {"tl_y", "0.0"},
                {"br_x", "80.0"},
                {"br_y", "100.0"}};
  for (const auto& option : options) {
    auto same = std::find_if(lines.begin(), lines.end(),
                             [&](const auto& line) { return line.first == option.first; });
    if (same != lines.end())
      same->second = option.second;
    else
      lines.push_back(option);
  }
  std::ofstream conf(folder() / "test.conf");
  for (const auto& [name, value] : lines) conf << name << ' ' << value << '\n';
}

}  // namespace lumatrix::test
