#pragma once
// Entry points of the built-in codecs, one file per format; the table in codec_registry.cpp
// lists them. See codec.h for the contract each function keeps.
#include "imaging/codec.h"

namespace lumatrix {

#define LUMATRIX_DECLARE_CODEC(fmt)                                                         \
  Raster decode_##fmt(std::span<const uint8_t> data, IOParams& params);                    \
  std::vector<uint8_t> encode_##fmt(const Raster& raster, const IOParams& params,           \
                                    std::string_view extension);                            \
  void read_##fmt##_header(std::span<const uint8_t> data, IOParams& params);

LUMATRIX_DECLARE_CODEC(jpeg)
LUMATRIX_DECLARE_CODEC(png)
LUMATRIX_DECLARE_CODEC(bmp)
LUMATRIX_DECLARE_CODEC(pnm)

#undef LUMATRIX_DECLARE_CODEC

}  // namespace lumatrix
