// A raw fax page carries no size, only coded rows. Rather than keep a second Group 3 decoder,
// the bytes are wrapped in a synthetic one-strip TIFF in memory (width 1728, as many rows as the
// data could possibly hold) and libtiff's fax decoder reads it row by row. The page ends at the
// first row libtiff cannot decode or warns about: the end of the data, or the run of EOL codes
// (return to control) that closes a page, which decodes as rows of the wrong length.
#include "imaging/codecs/tiff_raw_fax.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "base/image_error.h"
#include "imaging/codecs/tiff_io.h"

namespace lumatrix {

namespace {

constexpr uint32_t kFaxWidth = 1728;
constexpr size_t kRowBytes = kFaxWidth / 8;

void put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, static_cast<uint16_t>(v));
  put16(out, static_cast<uint16_t>(v >> 16));
}

std::vector<uint8_t> wrap_in_tiff(std::span<const uint8_t> data, uint32_t rows, uint16_t fill) {
  struct Entry {
    uint16_t tag, type;
    uint32_t value;
  };
  constexpr uint16_t kShort = 3, kLong = 4;
  constexpr uint32_t kEntries = 11, kDataOffset = 8 + 2 + kEntries * 12 + 4;
  const Entry entries[kEntries] = {
      {TIFFTAG_IMAGEWIDTH, kLong, kFaxWidth},
      {TIFFTAG_IMAGELENGTH, kLong, rows},
      {TIFFTAG_BITSPERSAMPLE, kShort, 1},
      {TIFFTAG_COMPRESSION, kShort, COMPRESSION_CCITTFAX3},
      {TIFFTAG_PHOTOMETRIC, kShort, PHOTOMETRIC_MINISWHITE},
      {TIFFTAG_FILLORDER, kShort, fill},
      {TIFFTAG_STRIPOFFSETS, kLong, kDataOffset},
      {TIFFTAG_SAMPLESPERPIXEL, kShort, 1},
      {TIFFTAG_ROWSPERSTRIP, kLong, rows},
      {TIFFTAG_STRIPBYTECOUNTS, kLong, static_cast<uint32_t>(data.size())},
      {TIFFTAG_GROUP3OPTIONS, kLong, 0},
  };
  std::vector<uint8_t> tiff = {'I', 'I', 42, 0};
  tiff.reserve(kDataOffset + data.size());
  put32(tiff, 8);
  put16(tiff, kEntries);
  for (const Entry& e : entries) {
    put16(tiff, e.tag);
    put16(tiff, e.type);
    put32(tiff, 1);
    if (e.type == kShort) {
      put16(tiff, static_cast<uint16_t>(e.value));
      put16(tiff, 0);
    } else {
      put32(tiff, e.value);
    }
  }
  put32(tiff, 0);
  tiff.insert(tiff.end(), data.begin(), data.end());
  return tiff;
}

// The rows that decode cleanly in one bit order, packed 1728 bits each.
std::vector<uint8_t> decode_rows(std::span<const uint8_t> data, uint32_t max_rows, uint16_t fill) {
  const std::vector<uint8_t> tiff = wrap_in_tiff(data, max_rows, fill);
  std::vector<uint8_t> rows;
  TiffHandle handle(tiff);
  std::vector<uint8_t> row(kRowBytes);
  for (uint32_t y = 0; y < max_rows; ++y) {
    const int warnings = handle.warnings();
    if (TIFFReadScanline(handle.get(), row.data(), y, 0) != 1 || handle.warnings() != warnings)
      break;
    rows.insert(rows.end(), row.begin(), row.end());
  }
  return rows;
}

}  // namespace

Raster decode_raw_fax(std::span<const uint8_t> data, IOParams& params) {
  if (data.empty()) throw ImageError("empty fax page");
  if (data.size() > std::numeric_limits<uint32_t>::max() - 256)
    throw ImageError("fax page too large");
  // Even an all-white row takes more than a byte of code, which bounds the page's height.
  const uint64_t most = std::min<uint64_t>(
      {data.size() + 1, pixel_limit() / kFaxWidth, uint64_t{std::numeric_limits<int32_t>::max()}});
  if (most == 0) throw ImageError("fax page is above the pixel limit");
  const uint32_t max_rows = static_cast<uint32_t>(most);
  // Fax software writes either bit order; the wrong one fails within a row or two.
  std::vector<uint8_t> rows = decode_rows(data, max_rows, FILLORDER_MSB2LSB);
  if (rows.size() < kRowBytes * 4) {
    std::vector<uint8_t> reversed = decode_rows(data, max_rows, FILLORDER_LSB2MSB);
    if (reversed.size() > rows.size()) rows = std::move(reversed);
  }
  if (rows.empty()) throw ImageError("not a TIFF file or fax page");

  const int height = static_cast<int>(rows.size() / kRowBytes);
  Raster raster(static_cast<int>(kFaxWidth), height, PixelFormat::Bit1);
  raster.palette = {Rgb{255, 255, 255}, Rgb{0, 0, 0}};  // fax bits: 1 is black
  std::copy(rows.begin(), rows.end(), raster.bytes().begin());
  params.file_type = FileType::TIFF;
  params.width = static_cast<int>(kFaxWidth);
  params.height = height;
  params.bits_per_sample = 1;
  params.samples_per_pixel = 1;
  params.dpi_x = params.dpi_y = kDisplayDpi;
  params.tiff_compression = TiffCompression::G3;
  params.tiff_photometric = PHOTOMETRIC_MINISWHITE;
  return raster;
}

}  // namespace lumatrix
