#pragma once
// The codec table. Each format lives in one file under codecs/ and contributes a decoder, an
// encoder and a header reader working on bytes in memory; the table picks the codec by the
// lower-cased last extension of a file name. The document does the file I/O, so every codec gets
// the same error reporting and the same whole-or-nothing saves.
#include <cstdint>
#include <deque>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/io_params.h"
#include "imaging/raster.h"

namespace lumatrix {

// Decodes a whole file. Fills the format's fields of `params` (size, DPI, bits, file type,
// EXIF/IPTC, the format's own options). Throws ImageError(reason) on corrupt or truncated data
// and on images above the pixel limit; never reads outside `data`.
using DecodeFn = Raster (*)(std::span<const uint8_t> data, IOParams& params);
// Encodes a raster with the format's options from `params`. `extension` is the lower-cased
// extension of the target (".pbm" and ".ppm" choose different variants). Throws ImageError.
using EncodeFn = std::vector<uint8_t> (*)(const Raster& raster, const IOParams& params,
                                          std::string_view extension);
// Reads width, height, bits, DPI and the file type from the header, without decoding pixels
// where the format allows.
using HeaderFn = void (*)(std::span<const uint8_t> data, IOParams& params);

struct Codec {
  std::string_view name;                     // "JPEG"
  std::vector<std::string_view> extensions;  // lower case, with the dot: ".jpg"
  FileType file_type;
  DecodeFn decode = nullptr;       // null: cannot load
  EncodeFn encode = nullptr;       // null: cannot save
  HeaderFn read_header = nullptr;  // null: falls back to a full decode
};

// The codec for a path's last extension (compared lower-cased), or null.
const Codec* find_codec(const std::filesystem::path& path);
// Every known codec, built-in first, then those added by register_codec.
const std::deque<Codec>& codecs();
// Adds a format at start-up (not thread-safe); lookups try it after the built-in ones.
void register_codec(Codec codec);

// The lower-cased last extension including its dot ("" when there is none).
std::string lower_extension(const std::filesystem::path& path);

}  // namespace lumatrix
