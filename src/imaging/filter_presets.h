#pragma once
// The 3x3 convolution presets of ApplyFilter (24-bit only; undo "ApplyFilter").
#include "imaging/image_document.h"

namespace lumatrix {

enum class FilterPreset { Blur, Edge, Emboss, Sharpen, SharpenMore };

// Convolves every pixel with the preset's matrix, reading only the pixels as they were before
// the filter started; neighbours outside the raster repeat the nearest edge pixel. Each channel
// is clamp((sum of k * value) div d).
void apply_filter(ImageDocument& doc, FilterPreset preset);

}  // namespace lumatrix
