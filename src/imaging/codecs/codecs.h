#pragma once
// Entry points of the built-in codecs, one file per format; the table in codec_registry.cpp
// lists them. See codec.h for the contract each function keeps.
#include "imaging/codec.h"

namespace lumatrix {

#define LUMATRIX_DECLARE_CODEC(fmt)                                               \
  Raster decode_##fmt(std::span<const uint8_t> data, IOParams& params);           \
  std::vector<uint8_t> encode_##fmt(const Raster& raster, const IOParams& params, \
                                    std::string_view extension);                  \
  void read_##fmt##_header(std::span<const uint8_t> data, IOParams& params);      \
  bool sniff_##fmt(std::span<const uint8_t> data);

LUMATRIX_DECLARE_CODEC(jpeg)
LUMATRIX_DECLARE_CODEC(png)
LUMATRIX_DECLARE_CODEC(bmp)
LUMATRIX_DECLARE_CODEC(pnm)
LUMATRIX_DECLARE_CODEC(tiff)
LUMATRIX_DECLARE_CODEC(gif)
LUMATRIX_DECLARE_CODEC(pcx)
LUMATRIX_DECLARE_CODEC(targa)

#undef LUMATRIX_DECLARE_CODEC

// The formats that can be read row by row.
std::unique_ptr<RowReader> open_jpeg_rows(std::span<const uint8_t> data, IOParams& params);
std::unique_ptr<RowReader> open_png_rows(std::span<const uint8_t> data, IOParams& params);

// One codec serves the .jp2 file format and bare code streams: the decoder tells them by their
// signature, the encoder by the target's extension. Builds with LUMATRIX_WITH_JPEG2000=OFF
// leave its file out, and the registry its rows.
Raster decode_jpeg2000(std::span<const uint8_t> data, IOParams& params);
std::vector<uint8_t> encode_jpeg2000(const Raster& raster, const IOParams& params,
                                     std::string_view extension);
void read_jpeg2000_header(std::span<const uint8_t> data, IOParams& params);
bool sniff_jp2(std::span<const uint8_t> data);  // the JP2 signature box
bool sniff_j2k(std::span<const uint8_t> data);  // a code stream's SOC and SIZ markers

// One decoder serves icons and cursors; neither can be written.
Raster decode_ico(std::span<const uint8_t> data, IOParams& params);
void read_ico_header(std::span<const uint8_t> data, IOParams& params);
bool sniff_ico(std::span<const uint8_t> data);
bool sniff_cur(std::span<const uint8_t> data);

}  // namespace lumatrix
