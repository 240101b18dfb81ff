// libFuzzer target for one reader, named at run time by the environment variable
// LUMATRIX_FUZZ_FORMAT (a row's name or extension: "png", "pnm", "tga"; see fuzz_readers).
// Each input goes to the decoder and to the header reader; both may refuse it with ImageError,
// anything else (a crash, a sanitizer report, another exception) is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "base/image_error.h"
#include "readers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const lumatrix::Codec* codec = [] {
    lumatrix::set_pixel_limit(uint64_t{1} << 24);  // keep memory per input small
    const char* format = std::getenv("LUMATRIX_FUZZ_FORMAT");
    const std::vector<lumatrix::fuzz::Reader> all = lumatrix::fuzz::readers();
    const lumatrix::fuzz::Reader* reader =
        format == nullptr ? nullptr : lumatrix::fuzz::reader_named(all, format);
    if (reader == nullptr) {
      std::fprintf(stderr, "set LUMATRIX_FUZZ_FORMAT to a reader fuzz_readers lists\n");
      std::abort();
    }
    return reader->codec;
  }();
  const std::span<const uint8_t> bytes(data, size);
  try {
    lumatrix::IOParams params;
    codec->decode(bytes, params);
  } catch (const lumatrix::ImageError&) {
  }
  if (codec->read_header != nullptr) {
    try {
      lumatrix::IOParams params;
      codec->read_header(bytes, params);
    } catch (const lumatrix::ImageError&) {
    }
  }
  return 0;
}
