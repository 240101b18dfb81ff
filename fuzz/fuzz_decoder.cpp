// libFuzzer target for one reader, chosen at build time by LUMATRIX_FUZZ_EXTENSION (".bmp",
// ...). Each input goes to the decoder and to the header reader; both may refuse it with
// ImageError, anything else (a crash, a sanitizer report, another exception) is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "imaging/codec.h"
#include "base/image_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const lumatrix::Codec* codec = [] {
    lumatrix::set_pixel_limit(uint64_t{1} << 24);  // keep memory per input small
    const lumatrix::Codec* found = lumatrix::find_codec("input" LUMATRIX_FUZZ_EXTENSION);
    if (found == nullptr || found->decode == nullptr) {
      std::fprintf(stderr, "no reader for " LUMATRIX_FUZZ_EXTENSION "\n");
      std::abort();
    }
    return found;
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
