#pragma once
// The frame step: a solid border around the image, or a solid drop shadow ("3D Effect"). Both
// grow the canvas and copy the image itself unchanged.
#include "imaging/image_document.h"

namespace lumatrix {

// Unrecognised (a frame text naming neither) draws nothing, as None does.
enum class FrameKind { None, Border, Effect3D, Unrecognised };

struct FrameOptions {
  FrameKind kind = FrameKind::None;
  Rgb colour;         // framecolor
  int thickness = 0;  // framethickness, border only
  int x_offset = 0;   // effectxoffset: the shadow's side, may be negative
  int y_offset = 0;   // effectyoffset
};

// Replaces the raster with the framed picture (as 24-bit; an alpha plane is kept for the image
// area, opaque over the frame); the file parameters stay. Throws ImageError when the canvas
// would pass the pixel limit.
void apply_frame(ImageDocument& doc, const FrameOptions& options);

}  // namespace lumatrix
