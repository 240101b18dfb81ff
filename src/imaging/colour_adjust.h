#pragma once
// The colour steps of the pipeline: brightness, contrast, grey, negative, the effects step
// (channel offsets, colour space for the saved file, filter preset) and the colour depth.
#include <optional>

#include "imaging/image_document.h"

namespace lumatrix {

// The pixel operations below work on 24-bit rasters only; these steps first bring a palette,
// grey or 1-bit image to 24 bits when they are about to change its pixels, so that a GIF or a
// grey JPEG is adjusted like any other source instead of passing through untouched.

// HSVvar with only a value offset; nothing at 0.
void adjust_brightness(ImageDocument& doc, int brightness);
// Contrast by that amount; nothing at 0.
void adjust_contrast(ImageDocument& doc, int amount);

// Grey by (21 R + 71 G + 8 B) div 100, as 24-bit.
void apply_grayscale(ImageDocument& doc);
// 255 - c per channel (a 1-bit image keeps its format and inverts its bits).
void apply_negative(ImageDocument& doc);

// The colour spaces of the saved file. YCbCrK is not offered by the list but is accepted when
// typed; Unrecognised (any other text) changes nothing, as AsIs does.
enum class ColourSpace { AsIs, RGB, YCbCr, CMYK, YCbCrK, Unrecognised };

// The file parameters a colour space sets for the next save: RGB, YCbCr and CMYK set the JPEG
// colour space and the TIFF photometric interpretation, YCbCrK the JPEG colour space alone.
void apply_colour_space(IOParams& params, ColourSpace colour_space);

// The filter presets of the effects step; Unrecognised applies none, as None does.
enum class EffectFilter { None, Blur, BlurMore, Sharpen, SharpenMore, Edge, Emboss, Unrecognised };

struct EffectsOptions {
  int red = 0, green = 0, blue = 0;
  ColourSpace colour_space = ColourSpace::AsIs;  // colorspace
  EffectFilter filter = EffectFilter::None;
};

// Channel offsets (always, even all zero), then the colour space, then the filter preset
// (BlurMore blurs twice).
void apply_effects(ImageDocument& doc, const EffectsOptions& options);

// The colour depths, valued by their bit counts. Unrecognised leaves the depth as it is.
enum class ColourDepth : int {
  Unrecognised = 0,
  Bits1 = 1,
  Bits2,
  Bits3,
  Bits4,
  Bits5,
  Bits6,
  Bits7,
  Bits8,
  Bits9,
  Bits10,
  Bits11,
  Bits12,
  Bits13,
  Bits14,
  Bits15,
  Bits16,
  Bits24 = 24,
};

// What a colour depth asks for: nullopt for no change, 0 for 24-bit true colour, else the
// colour count: 2 to the bits, except 65535 for 16 bits.
std::optional<int> colour_depth_request(ColourDepth depth);

// Applies colour_depth_request: 24-bit conversion, or reduction without dithering.
void apply_colour_depth(ImageDocument& doc, ColourDepth depth);

}  // namespace lumatrix
