#pragma once
// The colour steps of the pipeline: brightness, contrast, grey, negative, the effects step
// (channel offsets, colour space for the saved file, filter preset) and the colour depth.
#include <optional>
#include <string_view>

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

// The file parameters a colour-space text (trimmed, lower-cased) sets for the next save:
// "rgb", "ycbcr", "cmyk" set the JPEG colour space and the TIFF photometric interpretation,
// "ycbcrk" the JPEG colour space alone; any other text ("as is") changes nothing.
void apply_colour_space(IOParams& params, std::string_view colour_space);

struct EffectsOptions {
  int red = 0, green = 0, blue = 0;
  std::string_view colour_space;  // colorspace
  std::string_view filter;        // filter preset name
};

// Channel offsets (always, even all zero), then the colour space, then the filter preset:
// "emboss", "blur", "blur more" (blur twice), "sharpen", "sharpen more", "edge"; other texts
// apply no filter.
void apply_effects(ImageDocument& doc, const EffectsOptions& options);

// What a colour-depth text asks for: nullopt for no change, 0 for 24-bit true colour, else the
// colour count. The text is searched, case-sensitive, for "24 Bits", "16 Bits" (65535 colours),
// "15 Bits" ... "1 Bits" (2 colours) in that order, so "11 Bits" wins over "1 Bits".
std::optional<int> colour_depth_request(std::string_view colour_depth);

// Applies colour_depth_request: 24-bit conversion, or reduction without dithering.
void apply_colour_depth(ImageDocument& doc, std::string_view colour_depth);

}  // namespace lumatrix
