#pragma once
// JPEG files made for tests with TurboJPEG and Exiv2: chosen subsampling, progressive and CMYK
// coding, and the segments a camera or an editor adds (EXIF with a thumbnail, ICC, comments).
#include <exiv2/exiv2.hpp>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/raster.h"

namespace lumatrix::test {

// `raster` (24-bit RGB) coded at quality 90 with the TJSAMP_* subsampling and TJFLAG_* flags.
std::vector<uint8_t> jpeg_of(const Raster& raster, int subsampling, int flags = 0);
// A picture of flat 8x8 blocks, grey or coloured. Coded as a JPEG each block keeps only its mean,
// and a decoder's rounding, which depends on the direction it works in, has nothing to round:
// its decoded pixels turn exactly with the blocks. Grey blocks keep the colour planes flat for
// subsampled coding too.
Raster blocks_of(int width, int height, bool grey);
// A CMYK JPEG whose four channels differ everywhere.
std::vector<uint8_t> cmyk_jpeg(int width, int height);

// An EXIF block (TIFF structure, as after "Exif\0\0") from a camera: make, model, a date, the
// orientation tag, the pixel size tags and a small JPEG thumbnail.
std::vector<uint8_t> camera_exif(int orientation, int width, int height);
// Bytes that pass for an ICC profile where only their identity matters.
std::vector<uint8_t> fake_icc_profile();
// The APP2 payload that carries `profile` in one segment.
std::vector<uint8_t> icc_segment_payload(std::span<const uint8_t> profile);
// `jpeg` with APP1 EXIF, APP2 ICC and a COM segment put right after SOI (each only when given).
std::vector<uint8_t> with_segments(std::vector<uint8_t> jpeg, std::span<const uint8_t> exif,
                                   std::span<const uint8_t> icc, std::string_view comment);
// The payload of the first segment with `marker` before the first scan; empty when none.
std::vector<uint8_t> segment_payload(std::span<const uint8_t> jpeg, uint8_t marker);
bool has_marker(std::span<const uint8_t> jpeg, uint8_t marker);
std::vector<uint8_t> bytes_of(std::string_view text);

// The file's EXIF as Exiv2 reads it.
Exiv2::ExifData exif_of(const std::filesystem::path& file);
bool has_exif_thumbnail(const Exiv2::ExifData& exif);
// Every tag but the thumbnail's and the `left_out` ones, one "key=value" line each, in key
// order: two blocks with the same text say the same.
std::string exif_text(const Exiv2::ExifData& exif, std::initializer_list<const char*> left_out);

// The largest difference of any channel (alpha included) between two pictures of one size, as
// 24-bit RGB; 256 when their sizes differ.
int max_difference(const Raster& a, const Raster& b);

}  // namespace lumatrix::test
