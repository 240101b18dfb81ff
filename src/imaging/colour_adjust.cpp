#include "imaging/colour_adjust.h"

#include <algorithm>
#include <cstdint>
#include <limits>

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

void apply_colour_space(IOParams& params, ColourSpace colour_space) {
  switch (colour_space) {
    case ColourSpace::RGB:
      params.jpeg_color_space = JpegColorSpace::RGB;
      params.tiff_photometric = 2;
      break;
    case ColourSpace::YCbCr:
      params.jpeg_color_space = JpegColorSpace::YCbCr;
      params.tiff_photometric = 6;
      break;
    case ColourSpace::CMYK:
      params.jpeg_color_space = JpegColorSpace::CMYK;
      params.tiff_photometric = 5;
      break;
    case ColourSpace::YCbCrK:
      params.jpeg_color_space = JpegColorSpace::YCbCrK;
      break;
    case ColourSpace::AsIs:
    case ColourSpace::Unrecognised:
      break;
  }
}

void apply_effects(ImageDocument& doc, const EffectsOptions& options) {
  // Offsets of zero still pass through (the undo step is recorded) but need no conversion.
  if (options.red != 0 || options.green != 0 || options.blue != 0) to_rgb24(doc);
  intensity_rgb_all(doc, options.red, options.green, options.blue);
  apply_colour_space(doc.params, options.colour_space);

  const EffectFilter filter = options.filter;
  if (filter == EffectFilter::None || filter == EffectFilter::Unrecognised) return;
  to_rgb24(doc);
  switch (filter) {
    case EffectFilter::Emboss:
      apply_filter(doc, FilterPreset::Emboss);
      break;
    case EffectFilter::Blur:
      apply_filter(doc, FilterPreset::Blur);
      break;
    case EffectFilter::BlurMore:
      apply_filter(doc, FilterPreset::Blur);
      apply_filter(doc, FilterPreset::Blur);
      break;
    case EffectFilter::Sharpen:
      apply_filter(doc, FilterPreset::Sharpen);
      break;
    case EffectFilter::SharpenMore:
      apply_filter(doc, FilterPreset::SharpenMore);
      break;
    case EffectFilter::Edge:
      apply_filter(doc, FilterPreset::Edge);
      break;
    case EffectFilter::None:
    case EffectFilter::Unrecognised:
      break;
  }
}

std::optional<int> colour_depth_request(ColourDepth depth) {
  const int bits = static_cast<int>(depth);
  if (depth == ColourDepth::Unrecognised) return std::nullopt;
  if (depth == ColourDepth::Bits24) return 0;
  // Deliberately 65535, not 65536: the count the list has always used for 16 bits.
  if (depth == ColourDepth::Bits16) return 65535;
  return 1 << bits;
}

void apply_colour_depth(ImageDocument& doc, ColourDepth depth) {
  const std::optional<int> colours = colour_depth_request(depth);
  if (!colours) return;
  if (*colours == 0) {
    doc.convert_to_24bit();
  } else {
    convert_to(doc, *colours, Dither::None);
  }
}

}  // namespace lumatrix
