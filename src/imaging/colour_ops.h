#pragma once
// Colour operations behind brightness, contrast, the RGB offsets, grayscale and negative. All
// but `negative` work on 24-bit rasters only and leave other formats untouched; each records its
// undo step first when the document has a raster.
#include "imaging/image_document.h"

namespace lumatrix {

// Hue, saturation and value offsets applied on the 0..99 scale (undo "HSVvar h,s,v"). Every
// pixel passes through that scale, so even an offset of 1 re-quantizes the image.
void hsv_var(ImageDocument& doc, int hue, int saturation, int value);

// Stretches (amount > 0) or flattens (amount < 0) each channel about its mean, in 1/65536
// fixed point (undo "Contrast v"). Needs at least 2 pixels across or down.
void contrast(ImageDocument& doc, int amount);

// Adds an offset to each channel, clamped (undo "IntensityRGBall r,g,b").
void intensity_rgb_all(ImageDocument& doc, int red, int green, int blue);

// Grey = (21 R + 71 G + 8 B) div 100 in all three channels; stays 24-bit (undo "ConvertToGray").
void convert_to_gray(ImageDocument& doc);

// 255 - c on 24-bit rasters, every bit inverted on 1-bit ones (undo "Negative").
void negative(ImageDocument& doc);

// One pixel through the HSVvar scale, for tests and tables (channels 0..255).
Rgb hsv_shift(Rgb colour, int hue, int saturation, int value);

}  // namespace lumatrix
