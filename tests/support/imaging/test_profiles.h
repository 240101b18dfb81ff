#pragma once
// ICC profiles made by LittleCMS for the tests, from published colour space definitions, and
// LittleCMS's own conversion to compare ours against.
#include <cstdint>
#include <span>
#include <vector>

namespace lumatrix::test {

// Adobe RGB (1998): its primaries, D65 white, gamma 2.2 (563/256).
std::vector<uint8_t> adobe_rgb_profile();
// Display P3: the DCI-P3 primaries, D65 white, the sRGB tone curve.
std::vector<uint8_t> display_p3_profile();
// A grey profile: D65 white, gamma 2.2.
std::vector<uint8_t> grey_gamma22_profile();
// A CMYK profile whose A2B0 table maps ink amounts to L*a*b* by a smooth formula of its own
// (black and the three inks darken; cyan pulls a*, yellow b*), not the naive complement.
std::vector<uint8_t> test_cmyk_profile();
// Adobe RGB with a description of `text_bytes` characters, making a profile too large for one
// JPEG APP2 segment.
std::vector<uint8_t> large_rgb_profile(size_t text_bytes);

// LittleCMS's conversion of `pixels` interleaved samples (3 for RGB, 1 for grey, 4 for CMYK, as
// `profile` says) to 8-bit sRGB, perceptual intent, the transform flags ours uses.
std::vector<uint8_t> lcms_to_srgb(std::span<const uint8_t> profile,
                                  std::span<const uint8_t> samples, size_t pixels);

// The CMYK samples libjpeg decodes from a CMYK JPEG, as ink amounts (0 = no ink): the inverted
// values of files with an Adobe segment are turned back. Throws std::runtime_error on failure.
std::vector<uint8_t> jpeg_cmyk_samples(std::span<const uint8_t> jpeg);

}  // namespace lumatrix::test
