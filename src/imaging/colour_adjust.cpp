#include "imaging/colour_adjust.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string>

#include "base/choice_text.h"
#include "imaging/colour_ops.h"
#include "imaging/filter_presets.h"
#include "imaging/quantize.h"

namespace lumatrix {

namespace {

// The track bars hand their values over as 16-bit integers.
int as_int16(int value) {
  return std::clamp(value, int{std::numeric_limits<int16_t>::min()},
                    int{std::numeric_limits<int16_t>::max()});
}

struct DepthMarker {
  std::string_view marker;
  int colours;  // 0: 24-bit true colour
};

// Longer numbers first, so that "14 Bits" is not taken for "4 Bits" nor "11 Bits" for
// "1 Bits". 65535, not 65536, is the count the list has always used for 16 bits.
constexpr std::array<DepthMarker, 17> kDepthMarkers{{
    {"24 Bits", 0},
    {"16 Bits", 65535},
    {"15 Bits", 32768},
    {"14 Bits", 16384},
    {"13 Bits", 8192},
    {"12 Bits", 4096},
    {"11 Bits", 2048},
    {"10 Bits", 1024},
    {"9 Bits", 512},
    {"8 Bits", 256},
    {"7 Bits", 128},
    {"6 Bits", 64},
    {"5 Bits", 32},
    {"4 Bits", 16},
    {"3 Bits", 8},
    {"2 Bits", 4},
    {"1 Bits", 2},
}};

void to_rgb24(ImageDocument& doc) {
  if (doc.raster.format() != PixelFormat::Rgb24) doc.convert_to_24bit();
}

}  // namespace

void adjust_brightness(ImageDocument& doc, int brightness) {
  if (brightness == 0) return;
  to_rgb24(doc);
  hsv_var(doc, 0, 0, as_int16(brightness));
}

void adjust_contrast(ImageDocument& doc, int amount) {
  if (amount == 0) return;
  to_rgb24(doc);
  contrast(doc, as_int16(amount));
}

void apply_grayscale(ImageDocument& doc) {
  to_rgb24(doc);
  convert_to_gray(doc);
}

void apply_negative(ImageDocument& doc) {
  if (doc.raster.format() != PixelFormat::Bit1) to_rgb24(doc);
  negative(doc);
}

void apply_colour_space(IOParams& params, std::string_view colour_space) {
  const std::string name = normalized_choice(colour_space);
  if (name == "rgb") {
    params.jpeg_color_space = JpegColorSpace::RGB;
    params.tiff_photometric = 2;
  } else if (name == "ycbcr") {
    params.jpeg_color_space = JpegColorSpace::YCbCr;
    params.tiff_photometric = 6;
  } else if (name == "cmyk") {
    params.jpeg_color_space = JpegColorSpace::CMYK;
    params.tiff_photometric = 5;
  } else if (name == "ycbcrk") {
    params.jpeg_color_space = JpegColorSpace::YCbCrK;
  }
}

void apply_effects(ImageDocument& doc, const EffectsOptions& options) {
  // Offsets of zero still pass through (the undo step is recorded) but need no conversion.
  if (options.red != 0 || options.green != 0 || options.blue != 0) to_rgb24(doc);
  intensity_rgb_all(doc, options.red, options.green, options.blue);
  apply_colour_space(doc.params, options.colour_space);

  const std::string filter = normalized_choice(options.filter);
  static constexpr std::string_view kPresets[] = {"emboss",  "blur",         "blur more",
                                                  "sharpen", "sharpen more", "edge"};
  if (std::find(std::begin(kPresets), std::end(kPresets), filter) != std::end(kPresets))
    to_rgb24(doc);
  if (filter == "emboss") {
    apply_filter(doc, FilterPreset::Emboss);
  } else if (filter == "blur") {
    apply_filter(doc, FilterPreset::Blur);
  } else if (filter == "blur more") {
    apply_filter(doc, FilterPreset::Blur);
    apply_filter(doc, FilterPreset::Blur);
  } else if (filter == "sharpen") {
    apply_filter(doc, FilterPreset::Sharpen);
  } else if (filter == "sharpen more") {
    apply_filter(doc, FilterPreset::SharpenMore);
  } else if (filter == "edge") {
    apply_filter(doc, FilterPreset::Edge);
  }
}

std::optional<int> colour_depth_request(std::string_view colour_depth) {
  for (const DepthMarker& m : kDepthMarkers)
    if (colour_depth.find(m.marker) != std::string_view::npos) return m.colours;
  return std::nullopt;
}

void apply_colour_depth(ImageDocument& doc, std::string_view colour_depth) {
  const std::optional<int> colours = colour_depth_request(colour_depth);
  if (!colours) return;
  if (*colours == 0) {
    doc.convert_to_24bit();
  } else {
    convert_to(doc, *colours, Dither::None);
  }
}

}  // namespace lumatrix
