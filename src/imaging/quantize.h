#pragma once
// Colour reduction behind the colour-depth setting (ConvertTo).
#include <vector>

#include "imaging/image_document.h"

namespace lumatrix {

enum class Dither { None, FloydSteinberg };

// Reduces a 24-bit raster to `colours` colours (undo "ConvertTo n"):
//  - below 3: a 1-bit picture by 8x8 Bayer ordered dithering (the dither argument is unused);
//  - 3..1024: every pixel becomes its nearest colour of a palette of at most n colours, and the
//    raster stays 24-bit. An image with no more than n colours keeps them all (so an all-grey
//    image at 256 keeps its grey ramp); otherwise NeuQuant builds the palette from 128 colours
//    up, median cut below;
//  - above 1024: the pixels are left as they are.
// Other formats are left untouched.
void convert_to(ImageDocument& doc, int colours, Dither dither = Dither::None);

// The number of distinct colours of a 24-bit raster, counting stops at limit + 1.
int count_colours(const Raster& rgb24, int limit);

// Median cut on a 5-bit-per-channel histogram: the box with the most pixels times its longest
// side is split at the pixel median of that side until there are `colours` boxes; each palette
// entry is the mean of its box's pixels.
std::vector<Rgb> median_cut_palette(const Raster& rgb24, int colours);

// Replaces every pixel by its nearest palette entry (squared RGB distance; ties go to the lower
// palette index), optionally spreading the error Floyd-Steinberg fashion.
void map_to_palette(Raster& rgb24, const std::vector<Rgb>& palette, Dither dither);

// The 1-bit ordered dither: white where the Bayer threshold at (x mod 8, y mod 8) is below
// (21 R + 71 G + 8 B) div 400.
Raster bayer_dither(const Raster& rgb24);

}  // namespace lumatrix
