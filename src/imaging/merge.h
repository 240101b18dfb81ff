#pragma once
// Blending one picture into a rectangle of another (the merge-mode watermark).
#include "imaging/image_document.h"

namespace lumatrix {

// Blends `source` into the rectangle of `doc` covering columns x..x+width-1 and rows
// y..y+height-1. The rectangle is clipped to the image and the source is resampled (triangle
// filter; exact when the sizes already agree) to the clipped size, so a source reaching past an
// edge is squeezed into the visible part. Each byte becomes
// round(old * percent / 100 + src * (100 - percent) / 100), halves to even, clamped: 100 keeps
// the image, 0 replaces the area. 24-bit documents only (undo "Merge p").
void merge(ImageDocument& doc, const ImageDocument& source, int x, int y, int width, int height,
           int percent);

// The blend of one byte, exactly as above.
uint8_t merge_byte(int old_value, int source_value, int percent);

}  // namespace lumatrix
