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

// How many images a multi-image file holds: TIFF directories, GIF frames.
int count_tiff_images(std::span<const uint8_t> data);
int count_gif_images(std::span<const uint8_t> data);

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

// Formats the builds may leave out, each with the library that does its work:
// LUMATRIX_WITH_WEBP (libwebp), LUMATRIX_WITH_HEIF (libheif), LUMATRIX_WITH_JXL (libjxl),
// LUMATRIX_WITH_CAMERA_RAW (LibRaw). The registry leaves out the rows of a format switched off.
LUMATRIX_DECLARE_CODEC(webp)
LUMATRIX_DECLARE_CODEC(jxl)

#undef LUMATRIX_DECLARE_CODEC

// One codec serves AVIF and HEIC files: the decoder reads either, the encoder writes the coding
// the target's extension names. What libheif can code depends on the plugins installed with it;
// a format it has no encoder for is read only.
Raster decode_heif(std::span<const uint8_t> data, IOParams& params);
std::vector<uint8_t> encode_heif(const Raster& raster, const IOParams& params,
                                 std::string_view extension);
void read_heif_header(std::span<const uint8_t> data, IOParams& params);
bool heif_reads(std::string_view extension);     // ".avif" or ".heic"
bool heif_writes(std::string_view extension);    // ".avif" or ".heic"
bool sniff_avif(std::span<const uint8_t> data);  // an "avif" or "avis" brand
bool sniff_heic(std::span<const uint8_t> data);  // a HEVC or plain HEIF brand, and no AVIF one

// Camera raw files, read only. The half-size mode takes one pixel per colour-filter block
// instead of demosaicing: a quarter of the pixels, much sooner.
struct CameraRawOptions {
  bool half_size = false;
};
Raster decode_camera_raw(std::span<const uint8_t> data, IOParams& params);
Raster decode_camera_raw(std::span<const uint8_t> data, IOParams& params,
                         const CameraRawOptions& options);
void read_camera_raw_header(std::span<const uint8_t> data, IOParams& params);
bool sniff_camera_raw(std::span<const uint8_t> data);

// One decoder serves icons and cursors; neither can be written.
Raster decode_ico(std::span<const uint8_t> data, IOParams& params);
void read_ico_header(std::span<const uint8_t> data, IOParams& params);
bool sniff_ico(std::span<const uint8_t> data);
bool sniff_cur(std::span<const uint8_t> data);

}  // namespace lumatrix
