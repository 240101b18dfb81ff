#pragma once
// Entry points of the built-in codecs, one file per format; the table in codec_registry.cpp
// lists them. See codec.h for the contract each function keeps.
#include "imaging/codec.h"

namespace lumatrix {

#define LUMATRIX_DECLARE_CODEC(fmt)                                               \
  Raster decode_##fmt(std::span<const uint8_t> data, IOParams& params);           \
  std::vector<uint8_t> encode_##fmt(const Raster& raster, const IOParams& params, \
                                    std::string_view extension);                  \
  void read_##fmt##_header(std::span<const uint8_t> data, IOParams& params);

LUMATRIX_DECLARE_CODEC(jpeg)
LUMATRIX_DECLARE_CODEC(png)
LUMATRIX_DECLARE_CODEC(bmp)
LUMATRIX_DECLARE_CODEC(pnm)
LUMATRIX_DECLARE_CODEC(tiff)
LUMATRIX_DECLARE_CODEC(gif)
LUMATRIX_DECLARE_CODEC(pcx)
LUMATRIX_DECLARE_CODEC(targa)
// One codec serves the .jp2 file format and bare code streams: the decoder tells them by their
// signature, the encoder by the target's extension.
LUMATRIX_DECLARE_CODEC(jpeg2000)

// One decoder serves icons and cursors; neither can be written.
Raster decode_ico(std::span<const uint8_t> data, IOParams& params);
void read_ico_header(std::span<const uint8_t> data, IOParams& params);

#undef LUMATRIX_DECLARE_CODEC

}  // namespace lumatrix
