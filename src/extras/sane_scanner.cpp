#include "extras/sane_scanner.h"

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <cmath>
#include <mutex>
#include <string_view>

#include "extras/scan_page_builder.h"

namespace lumatrix {

namespace {

// SANE's global calls (init and exit, device lists, open and close) are not reentrant: they
// all go through this lock. Reads and parameters belong to one open device and one thread, and
// sane_cancel may come from any thread at any time.
std::mutex& library_lock() {
  static std::mutex lock;
  return lock;
}
int g_users = 0;  // SaneScanner objects alive; SANE is initialised while there is one

[[noreturn]] void fail(const std::string& device, SANE_Status status, std::stop_token stop) {
  if (status == SANE_STATUS_CANCELLED || stop.stop_requested())
    throw ScanCancelled(device, sane_strstatus(SANE_STATUS_CANCELLED));
  throw ScanError(device, sane_strstatus(status));
}

void check(const std::string& device, SANE_Status status, std::stop_token stop) {
  if (status != SANE_STATUS_GOOD) fail(device, status, stop);
}

// An open device, closed when it goes.
class Device {
 public:
  explicit Device(const std::string& name) : name_(name) {
    std::lock_guard lock(library_lock());
    check(name, sane_open(name.c_str(), &handle_), {});
  }
  ~Device() {
    std::lock_guard lock(library_lock());
    sane_close(handle_);
  }
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;
  SANE_Handle handle() const { return handle_; }
  const std::string& name() const { return name_; }

 private:
  std::string name_;
  SANE_Handle handle_ = nullptr;
};

// A scan begun on a device: ended with sane_cancel however the page ends, as SANE asks after
// every page, complete or not.
class ScanGuard {
 public:
  explicit ScanGuard(SANE_Handle handle) : handle_(handle) {}
  ~ScanGuard() { sane_cancel(handle_); }
  ScanGuard(const ScanGuard&) = delete;
  ScanGuard& operator=(const ScanGuard&) = delete;

 private:
  SANE_Handle handle_;
};

// The resolution the device will scan at, when it has a readable resolution option.
std::optional<int> resolution(SANE_Handle handle) {
  for (SANE_Int option = 1;; ++option) {
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle, option);
    if (d == nullptr) return std::nullopt;
    if (d->name == nullptr || (std::string_view(d->name) != SANE_NAME_SCAN_RESOLUTION &&
                               std::string_view(d->name) != SANE_NAME_SCAN_X_RESOLUTION))
      continue;
    if (!SANE_OPTION_IS_ACTIVE(d->cap) ||
        (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED) ||
        d->size < static_cast<SANE_Int>(sizeof(SANE_Word)))
      continue;
    std::vector<SANE_Word> value(static_cast<size_t>(d->size) / sizeof(SANE_Word));
    if (sane_control_option(handle, option, SANE_ACTION_GET_VALUE, value.data(), nullptr) !=
        SANE_STATUS_GOOD)
      continue;
    const double dpi = d->type == SANE_TYPE_FIXED ? SANE_UNFIX(value[0]) : value[0];
    if (dpi >= 1 && dpi <= 1e6) return static_cast<int>(std::lround(dpi));
  }
}

ScanFrame frame_layout(const std::string& device, const SANE_Parameters& p) {
  ScanFrame frame;
  switch (p.format) {
    case SANE_FRAME_GRAY:
      frame.kind = ScanFrameKind::Gray;
      break;
    case SANE_FRAME_RGB:
      frame.kind = ScanFrameKind::Rgb;
      break;
    case SANE_FRAME_RED:
      frame.kind = ScanFrameKind::Red;
      break;
    case SANE_FRAME_GREEN:
      frame.kind = ScanFrameKind::Green;
      break;
    case SANE_FRAME_BLUE:
      frame.kind = ScanFrameKind::Blue;
      break;
    default:
      throw ScanError(device, "frames of format " + std::to_string(static_cast<int>(p.format)) +
                                  " are not supported");
  }
  frame.depth = p.depth;
  frame.pixels_per_line = p.pixels_per_line;
  frame.bytes_per_line = p.bytes_per_line;
  frame.lines = p.lines;
  return frame;
}

}  // namespace

SaneScanner::SaneScanner() {
  std::lock_guard lock(library_lock());
  if (g_users == 0) {
    SANE_Int version = 0;
    const SANE_Status status = sane_init(&version, nullptr);
    if (status != SANE_STATUS_GOOD) throw ScanError("SANE", sane_strstatus(status));
  }
  ++g_users;
}

SaneScanner::~SaneScanner() {
  std::lock_guard lock(library_lock());
  if (--g_users == 0) sane_exit();
}

std::vector<ScanSource> SaneScanner::list_sources() {
  std::lock_guard lock(library_lock());
  const SANE_Device** devices = nullptr;
  const SANE_Status status = sane_get_devices(&devices, SANE_FALSE);
  if (status != SANE_STATUS_GOOD) throw ScanError("SANE", sane_strstatus(status));
  // The list belongs to SANE until the next call: copied at once.
  std::vector<ScanSource> sources;
  const auto text = [](const char* s) { return std::string(s ? s : ""); };
  for (size_t i = 0; devices != nullptr && devices[i] != nullptr; ++i)
    sources.push_back({text(devices[i]->name), text(devices[i]->vendor), text(devices[i]->model),
                       text(devices[i]->type)});
  return sources;
}

ImageDocument SaneScanner::acquire_from(const ScanSource& source, std::stop_token stop,
                                        const ScanProgress& progress) {
  Device device(source.name);
  const SANE_Handle handle = device.handle();
  const std::optional<int> dpi = resolution(handle);
  ScanGuard scan(handle);
  // A stop from another thread cancels at the device, which ends a read that is waiting for
  // data; the reading loop then sees the cancellation.
  std::stop_callback cancel_at_device(stop, [handle] { sane_cancel(handle); });

  ScanPageBuilder page(source.name);
  std::vector<SANE_Byte> buffer(64 * 1024);
  for (;;) {
    check(source.name, sane_start(handle), stop);
    SANE_Parameters parameters{};
    check(source.name, sane_get_parameters(handle, &parameters), stop);
    page.begin_frame(frame_layout(source.name, parameters));
    for (;;) {
      SANE_Int length = 0;
      const SANE_Status status =
          sane_read(handle, buffer.data(), static_cast<SANE_Int>(buffer.size()), &length);
      if (status != SANE_STATUS_GOOD && status != SANE_STATUS_EOF) fail(source.name, status, stop);
      if (length < 0 || length > static_cast<SANE_Int>(buffer.size()))
        throw ScanError(source.name, "the device reported reading " + std::to_string(length) +
                                         " bytes into a buffer of " +
                                         std::to_string(buffer.size()));
      // Some backends hand over their last bytes together with the end of the frame.
      page.add({buffer.data(), static_cast<size_t>(length)});
      if (length > 0 && progress) progress(page.received(), page.expected());
      if (stop.stop_requested()) fail(source.name, SANE_STATUS_CANCELLED, stop);
      if (status == SANE_STATUS_EOF) break;
    }
    if (parameters.last_frame) break;
  }
  return page.finish(dpi);
}

}  // namespace lumatrix
