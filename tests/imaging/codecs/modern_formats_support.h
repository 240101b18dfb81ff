#pragma once
// What the tests of the newer formats (WebP, HEIF, JPEG XL, camera raw) share: a picture that
// codes like a photograph, a fidelity measure, an EXIF block as a camera writes one, and the
// formats' own command-line tools as independent coders.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/raster.h"

namespace lumatrix::test {

// Smooth shapes with some grain, closer to a photograph than the busy test gradient.
Raster photo_like(int width, int height);

// Peak signal-to-noise ratio of two rasters of one size and format, in dB (99 when equal).
double psnr(const Raster& a, const Raster& b);

// A little-endian EXIF block (written by Exiv2) with a make, a model, a capture date, a
// resolution of 300 DPI and the given Orientation.
std::vector<uint8_t> camera_exif(int orientation = 1);
// The Orientation tag of a block as Exiv2 reads it, 0 when there is none.
int exif_orientation(const std::vector<uint8_t>& exif);

// Runs a tool from /usr/bin with `args`; fails the current test with its output unless it
// succeeds. Returns whether it did.
bool run_tool(const std::string& tool, const std::string& args);
std::string quoted(const std::filesystem::path& path);

// The raster as a PNG file (written by our PNG codec), for tools that take PNG input.
void write_png(const std::filesystem::path& path, const Raster& raster);

}  // namespace lumatrix::test
