#include "imaging/codecs/tiff_io.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <new>

#include "base/image_error.h"
#include "imaging/raster.h"

namespace lumatrix {

namespace {

TiffStream& stream_of(thandle_t handle) {
  return *static_cast<TiffStream*>(handle);
}

tmsize_t read_proc(thandle_t handle, void* buffer, tmsize_t size) {
  TiffStream& s = stream_of(handle);
  const size_t available = s.writing ? s.output.size() : s.input.size();
  const uint8_t* base = s.writing ? s.output.data() : s.input.data();
  if (size <= 0 || s.pos >= available) return 0;
  const size_t n = std::min<uint64_t>(static_cast<uint64_t>(size), available - s.pos);
  std::memcpy(buffer, base + s.pos, n);
  s.pos += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t write_proc(thandle_t handle, void* buffer, tmsize_t size) {
  TiffStream& s = stream_of(handle);
  if (!s.writing || size < 0) return -1;
  const uint64_t end = s.pos + static_cast<uint64_t>(size);
  // A C++ exception must not cross libtiff's frames: a failed allocation is a failed write.
  try {
    if (end > s.output.size()) s.output.resize(end);
  } catch (const std::bad_alloc&) {
    return -1;
  } catch (const std::length_error&) {
    return -1;
  }
  std::memcpy(s.output.data() + s.pos, buffer, static_cast<size_t>(size));
  s.pos = end;
  return size;
}

toff_t seek_proc(thandle_t handle, toff_t offset, int whence) {
  TiffStream& s = stream_of(handle);
  const uint64_t size = s.writing ? s.output.size() : s.input.size();
  uint64_t base = 0;
  if (whence == SEEK_CUR) base = s.pos;
  if (whence == SEEK_END) base = size;
  // Offsets are unsigned; a "negative" relative seek arrives wrapped around and is refused.
  if (offset > std::numeric_limits<uint64_t>::max() - base) return static_cast<toff_t>(-1);
  const uint64_t target = base + offset;
  // Writers may seek past the end (the gap is filled when written); readers may not.
  if (!s.writing && target > size) return static_cast<toff_t>(-1);
  s.pos = target;
  return target;
}

int close_proc(thandle_t) {
  return 0;
}

toff_t size_proc(thandle_t handle) {
  TiffStream& s = stream_of(handle);
  return s.writing ? s.output.size() : s.input.size();
}

int map_proc(thandle_t, void**, toff_t*) {
  return 0;
}
void unmap_proc(thandle_t, void*, toff_t) {}

int on_error(TIFF*, void* user_data, const char*, const char* fmt, va_list ap) {
  auto& s = *static_cast<TiffStream*>(user_data);
  if (s.error.empty()) {
    // The module libtiff names is one of its own functions or the name of our memory stream,
    // neither of which tells the user anything; the message itself says what is wrong.
    char text[512];
    std::vsnprintf(text, sizeof text, fmt, ap);
    size_t end = std::strlen(text);
    while (end > 0 && (text[end - 1] == '.' || text[end - 1] == '\n' || text[end - 1] == ' '))
      --end;
    // Keeping the reason must not throw inside libtiff either.
    try {
      s.error.assign(text, end);
    } catch (...) {
    }
  }
  return 1;  // handled: libtiff's global handler stays silent
}

int on_warning(TIFF*, void* user_data, const char*, const char*, va_list) {
  ++static_cast<TiffStream*>(user_data)->warnings;
  return 1;
}

void silent_handler(const char*, const char*, va_list) {}

struct OptionsDeleter {
  void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

}  // namespace

TiffHandle::TiffHandle(std::span<const uint8_t> data, uint64_t max_alloc) {
  stream_.input = data;
  open("rm", max_alloc);  // "m": no memory mapping, every read goes through read_proc
}

TiffHandle::TiffHandle() {
  stream_.writing = true;
  // Writing allocates for what we hand over, which is already in memory.
  open("w", std::max<uint64_t>(pixel_limit() * 8, uint64_t{64} << 20));
}

TiffHandle::~TiffHandle() {
  if (tif_ != nullptr) TIFFClose(tif_);
}

void TiffHandle::open(const char* mode, uint64_t max_alloc) {
  // The odd message libtiff still routes through its process-wide handlers would go to stderr.
  static std::once_flag silenced;
  std::call_once(silenced, [] {
    TIFFSetErrorHandler(silent_handler);
    TIFFSetWarningHandler(silent_handler);
  });
  std::unique_ptr<TIFFOpenOptions, OptionsDeleter> options(TIFFOpenOptionsAlloc());
  if (!options) throw ImageError("cannot set up the TIFF codec");
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), on_error, &stream_);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), on_warning, &stream_);
  // A damaged directory can claim strips or tables of any size; no single buffer libtiff
  // allocates may be larger than what the whole image may cost.
  TIFFOpenOptionsSetMaxSingleMemAlloc(
      options.get(), static_cast<tmsize_t>(std::min<uint64_t>(
                         max_alloc, static_cast<uint64_t>(std::numeric_limits<tmsize_t>::max()))));
  // libtiff puts this name into some of its messages ("<name>: Bad value 7 for ...").
  tif_ = TIFFClientOpenExt("TIFF data", mode, &stream_, read_proc, write_proc, seek_proc,
                           close_proc, size_proc, map_proc, unmap_proc, options.get());
  if (tif_ == nullptr)
    fail(stream_.writing ? "cannot start a TIFF file" : "not a readable TIFF file");
}

void TiffHandle::fail(const std::string& fallback) const {
  throw ImageError(stream_.error.empty() ? fallback : stream_.error);
}

std::vector<uint8_t> TiffHandle::finish() {
  check(TIFFWriteDirectory(tif_) != 0, "cannot write the TIFF directory");
  TIFFClose(tif_);
  tif_ = nullptr;
  if (!stream_.error.empty()) fail("");
  return std::move(stream_.output);
}

}  // namespace lumatrix
