#pragma once
// ImageMagick as the independent decoder our codecs are compared against.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "imaging/raster.h"

namespace lumatrix::test {

// Runs `/usr/bin/convert ARGS`; fails the current test with its output when it does not succeed.
void imagemagick(const std::string& args);

// The picture in `file` as ImageMagick decodes it: Rgb24, with an alpha plane when `with_alpha`.
// Returns an empty raster (after failing the test) when ImageMagick cannot read it.
Raster imagemagick_decode(const std::filesystem::path& file, bool with_alpha = false);

// Same size, and every colour (compared as RGB) and alpha value within `tolerance`; names the
// first pixel that differs.
::testing::AssertionResult same_pixels(const Raster& actual, const Raster& expected,
                                       int tolerance = 0);

}  // namespace lumatrix::test
