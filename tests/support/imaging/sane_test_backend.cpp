#include "sane_test_backend.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string_view>

#include "test_support.h"

namespace lumatrix::test {

namespace {

// Keeps SANE's test backend mapped after SANE lets it go, found beside the SANE library this
// program uses. Nothing happens in a program without SANE.
void keep_test_backend_loaded() {
  static const bool kept = [] {
    std::string sane_folder;
    ::dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* found) {
          const std::string_view name = info->dlpi_name ? info->dlpi_name : "";
          if (!name.ends_with("/libsane.so.1")) return 0;
          *static_cast<std::string*>(found) = name.substr(0, name.rfind('/'));
          return 1;
        },
        &sane_folder);
    return !sane_folder.empty() && ::dlopen((sane_folder + "/sane/libsane-test.so.1").c_str(),
                                            RTLD_NOW | RTLD_NODELETE) != nullptr;
  }();
  (void)kept;
}

}  // namespace

SaneTestBackend::EnvironmentValue::EnvironmentValue(const char* name, const std::string& value)
    : name_(name), previous_(current(name)) {
  ::setenv(name, value.c_str(), 1);
}

SaneTestBackend::EnvironmentValue::~EnvironmentValue() {
  if (previous_)
    ::setenv(name_, previous_->c_str(), 1);
  else
    ::unsetenv(name_);
}

std::optional<std::string> SaneTestBackend::EnvironmentValue::current(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::optional<std::string>(value) : std::nullopt;
}

const std::filesystem::path& SaneTestBackend::folder() {
  static const TempDir dir;
  return dir.path();
}

SaneTestBackend::SaneTestBackend(const Options& options)
    : config_dir_("SANE_CONFIG_DIR", folder().string()),
      children_without_leak_check_(
          "ASAN_OPTIONS",
          EnvironmentValue::current("ASAN_OPTIONS").value_or("") + ":detect_leaks=0") {
  std::ofstream(folder() / "dll.conf") << "test\n";
  set_options(options);
  keep_test_backend_loaded();
}

SaneTestBackend::~SaneTestBackend() = default;

void SaneTestBackend::offer_no_scanner() {
  std::ofstream(folder() / "dll.conf") << "";
}

void SaneTestBackend::set_options(const Options& options) {
  // Every option at the value of the backend's own test.conf, for what a test leaves out:
  // without a value some options start near zero (a resolution of 0.0008 dpi never ends its
  // page), and the backend, kept loaded, would otherwise keep the values of the test before.
  Options lines{{"number_of_devices", "2"},
                {"mode", "Gray"},
                {"depth", "8"},
                {"hand-scanner", "false"},
                {"three-pass", "false"},
                {"three-pass-order", "RGB"},
                {"resolution_min", "1.0"},
                {"resolution_max", "1200.0"},
                {"resolution_quant", "1.0"},
                {"resolution", "50.0"},
                {"test-picture", "\"Solid black\""},
                {"invert-endianess", "false"},
                {"read-limit", "false"},
                {"read-limit-size", "1"},
                {"read-delay", "false"},
                {"read-delay-duration", "1000"},
                {"read-status-code", "\"Default\""},
                {"fuzzy-parameters", "false"},
                {"ppl-loss", "0"},
                {"non-blocking", "false"},
                {"select-fd", "false"},
                {"enable-test-options", "false"},
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
