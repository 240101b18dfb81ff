#include "engine/memory_budget.h"

#include <fstream>
#include <limits>
#include <vector>

#include "base/file_bytes.h"
#include "base/system_resources.h"
#include "imaging/codec.h"

namespace lumatrix {

namespace {

// Enough for the headers of every format but those that put theirs at the end (TIFF may).
constexpr std::streamsize kHeaderPrefix = 64 * 1024;

std::vector<uint8_t> file_start(const std::filesystem::path& path) {
  std::vector<uint8_t> bytes(static_cast<size_t>(kHeaderPrefix));
  std::ifstream in(path, std::ios::binary);
  in.read(reinterpret_cast<char*>(bytes.data()), kHeaderPrefix);
  bytes.resize(static_cast<size_t>(in ? kHeaderPrefix : in.gcount()));
  return bytes;
}

bool read_header(const Codec& codec, const std::vector<uint8_t>& bytes, IOParams& params) {
  try {
    codec.read_header(bytes, params);
    return params.width > 0 && params.height > 0;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

uint64_t decoded_size(const std::filesystem::path& source) {
  const Codec* codec = find_codec(source);
  if (codec == nullptr || codec->decode == nullptr || codec->read_header == nullptr) return 0;
  IOParams params;
  std::vector<uint8_t> bytes = file_start(source);
  if (!read_header(*codec, bytes, params)) {
    if (bytes.size() < static_cast<size_t>(kHeaderPrefix)) return 0;  // that was all of it
    try {
      bytes = read_file_bytes(source);
    } catch (const std::exception&) {
      return 0;
    }
    params = IOParams{};
    if (!read_header(*codec, bytes, params)) return 0;
  }
  const bool alpha = params.samples_per_pixel == 2 || params.samples_per_pixel == 4;
  return static_cast<uint64_t>(params.width) * static_cast<uint64_t>(params.height) *
         (alpha ? 4u : 3u);
}

uint64_t automatic_memory_budget() {
  const std::optional<uint64_t> available = available_memory_bytes();
  if (!available) return std::numeric_limits<uint64_t>::max();
  return *available / 4 * 3;
}

}  // namespace lumatrix
