#pragma once
// libtiff over bytes in memory, shared by the TIFF reader and writer.
//
// libtiff reports errors through a handler that returns, after which the failing call returns an
// error code; nothing longjmps. Each handle gets its own handlers (the per-handle handlers of
// libtiff 4.5), which keep the first error message and count warnings, so that errors become
// ImageError with libtiff's own reason, several documents can be read on different threads, and
// nothing is printed to stderr.
#include <tiffio.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace lumatrix {

// What libtiff's callbacks work on: the input being read or the output being built.
struct TiffStream {
  std::span<const uint8_t> input;
  std::vector<uint8_t> output;
  bool writing = false;
  uint64_t pos = 0;
  std::string error;  // the first error libtiff reported, in plain words
  int warnings = 0;
};

// One open TIFF, closed on destruction. Not movable: libtiff keeps a pointer to the stream.
class TiffHandle {
 public:
  // Opens `data` for reading; no single buffer libtiff allocates for it may exceed `max_alloc`
  // bytes. Throws ImageError when libtiff cannot read its first directory.
  TiffHandle(std::span<const uint8_t> data, uint64_t max_alloc);
  // Opens an empty output for writing.
  TiffHandle();
  ~TiffHandle();
  TiffHandle(const TiffHandle&) = delete;
  TiffHandle& operator=(const TiffHandle&) = delete;

  TIFF* get() const { return tif_; }
  int warnings() const { return stream_.warnings; }
  // The first error libtiff reported since the last clear_error(), or "".
  const std::string& error() const { return stream_.error; }
  void clear_error() { stream_.error.clear(); }
  // Throws ImageError with libtiff's first error message, or `fallback` when it gave none.
  [[noreturn]] void fail(const std::string& fallback) const;
  void check(bool ok, const char* what) const {
    if (!ok) fail(what);
  }
  // Writes the directory, closes the file and hands over the bytes written.
  std::vector<uint8_t> finish();

 private:
  void open(const char* mode, uint64_t max_alloc);

  TiffStream stream_;
  TIFF* tif_ = nullptr;
};

}  // namespace lumatrix
