#pragma once
// The codec table: one row per format, the one place that states what the program knows about a
// format. Each format lives in one file under codecs/ and contributes a decoder, an encoder, a
// header reader and a signature test working on bytes in memory; its row in codec_registry.cpp
// adds the extensions, what the codec can do and, where the format is a save choice, its
// Image_Format items. The lists the rest of the program needs (the Image_Format items, the output
// extension rules, the folder-load extensions, ...) are derived from the rows (format_facts.h).
// The document does the file I/O, so every codec gets the same error reporting and the same
// whole-or-nothing saves.
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/io_params.h"
#include "imaging/raster.h"
#include "imaging/row_reader.h"

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
// Whether the data carry the format's signature (its first bytes; Targa's is at the end). It
// must not answer yes for data without the signature: a file named for one format is read by
// another only when that one's signature says so.
using SniffFn = bool (*)(std::span<const uint8_t> data);
// Reads the header as DecodeFn does (filling the same fields of `params`) and returns a reader
// that decodes the rows on demand (row_reader.h), the same pixels the decoder gives. `data`
// must outlive the reader. Null where this file cannot be read row by row; the caller then
// decodes it whole.
using OpenRowsFn = std::unique_ptr<RowReader> (*)(std::span<const uint8_t> data, IOParams& params);
// How many images (pages, frames) a file of a multi-image format holds. Throws ImageError where
// the data cannot be read.
using CountImagesFn = int (*)(std::span<const uint8_t> data);

// How a file of the format can be turned or mirrored in place without losing anything.
enum class LosslessTurn {
  None,       // not at all: its coding approximates, or its writer drops what its reader reads
  Transform,  // its coded blocks are rearranged without decoding them (JPEG)
  // Decoded, turned and encoded again: the writer stores every pixel, the palette and the bit
  // depth its reader gives. Files the reader rounds (16-bit samples) or the writer cannot store
  // alike are still refused, file by file.
  Rewrite,
};

// What our codec for a format really does (not everything the format could hold).
struct Capabilities {
  bool alpha = false;  // reads an alpha channel or transparent pixels
  // Writes the alpha channel (or transparent pixels) it is given; a transparent image saved by
  // a codec without it is flattened first (IOParams::flatten_colour).
  bool writes_alpha = false;
  bool palette = false;      // reads colour-mapped images (kept as such or expanded)
  bool grey = false;         // reads grey images as grey rather than as a palette of greys
  bool multi_image = false;  // a file may hold several images; one of them is read
  bool exif = false;         // keeps the EXIF block from load to save
  bool iptc = false;         // keeps the IPTC records from load to save
  bool icc = false;          // keeps an embedded colour profile
  bool lossless = false;     // writes codings that keep every pixel
  bool lossy = false;        // writes codings that approximate the pixels
};

// One Image_Format item and what saving under it means.
struct SaveChoice {
  std::string_view label = {};  // the item as the list shows it: "TIFF Packbits"
  // The first is the extension a save under the item gets; a source extension among them
  // (compared lower-cased) is kept in its own letter case.
  std::vector<std::string_view> extensions = {};
  // The TIFF compression the item selects, for TIFF items.
  std::optional<TiffCompression> tiff_compression = std::nullopt;
  // Its compression also serves every Image_Format text that is not a TIFF item exactly.
  bool compression_otherwise = false;
};

// How a format appears among the Image_Format items.
struct SaveFormat {
  int list_position = 0;  // where its items stand in the list, after "As Is" (1 first)
  std::vector<SaveChoice> choices = {};  // in list order
  // Further texts that name the first choice for the output extension (compared trimmed and
  // lower-cased, like the labels): "jpg".
  std::vector<std::string_view> aliases = {};
  // Any text containing this word (lower case) names the first choice: "tiff".
  std::string_view named_within = {};
};

struct Codec {
  std::string_view name = {};  // "JPEG"
  // Read and written by this row; lower case, with the dot.
  std::vector<std::string_view> extensions = {};
  FileType file_type = FileType::None;
  DecodeFn decode = nullptr;       // null: cannot load
  EncodeFn encode = nullptr;       // null: cannot save
  HeaderFn read_header = nullptr;  // null: falls back to a full decode
  SniffFn sniff = nullptr;         // null: the format has no signature to recognise it by
  OpenRowsFn open_rows = nullptr;  // null: only decoded whole
  Capabilities can = {};
  // The extensions a folder load lists (lower case, with the dot). A row may name ones it cannot
  // read: the list is the one the program has always offered, and such files are skipped when
  // the run finds no reader for them.
  std::vector<std::string_view> folder_load = {};
  std::optional<SaveFormat> save = std::nullopt;  // set where the format is an Image_Format choice
  // A "Transparent  Watermark" of this format is drawn through its own alpha channel; for the
  // other formats its key colour is the bottom-right pixel. This is the program's long-standing
  // rule and names GIF and PNG only: other formats that carry alpha (Targa, TIFF, ...) keep the
  // key colour, so existing watermark files keep looking the way their users made them.
  bool watermark_alpha = false;
  LosslessTurn lossless_turn = LosslessTurn::None;
  // For multi-image rows: how many images a file holds; a file of several cannot be rewritten
  // by a writer that keeps one. Null: the row reads one image only, or cannot tell.
  CountImagesFn count_images = nullptr;
};

// The codec for a path's last extension (compared lower-cased) among the rows that read or
// write, or null.
const Codec* find_codec(const std::filesystem::path& path);
// The first row whose signature `data` carry and that decodes with another decoder than
// `besides` (rows sharing one, such as icons and cursors, read each other's files already), or
// null.
const Codec* codec_by_signature(std::span<const uint8_t> data, const Codec* besides = nullptr);
// Every known row, built-in first, then those added by register_codec.
const std::deque<Codec>& codecs();
// Adds a format at start-up (not thread-safe); lookups try it after the built-in ones. The
// Image_Format items and the folder-load list are taken from the rows once, when first asked for
// (the settings table asks while the program starts), so a row added later is in neither.
void register_codec(Codec codec);

// The lower-cased last extension including its dot ("" when there is none).
std::string lower_extension(const std::filesystem::path& path);

}  // namespace lumatrix
