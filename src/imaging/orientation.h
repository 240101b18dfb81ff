#pragma once
// The two geometric steps of the pipeline: the crop, first of all operations, and the
// orientation of a list entry, right after the resize.
#include "imaging/image_document.h"

namespace lumatrix {

// The orientations of a list entry. Unrecognised (any other text) leaves the image alone, as
// AsIs does.
enum class Orientation {
  AsIs,
  RotateLeft90,
  RotateRight90,
  Rotate180,
  FlipLeft,
  FlipRight,
  FlipDown,
  Unrecognised,
};

// The rotations turn by exact quarter turns, FlipLeft mirrors left-right, FlipDown and
// FlipRight mirror top-bottom.
void apply_orientation(ImageDocument& doc, Orientation orientation);

// Turns a picture whose EXIF Orientation tag (params.exif) is 2..8 the way the camera holder
// saw it and sets the tag to 1, so nothing downstream turns it again; width, height and the
// resolution follow a quarter turn. Returns whether it turned anything: an untagged picture, or
// one tagged 1, is not touched.
bool turn_upright(ImageDocument& doc);

struct CropCorners {
  int x1 = 0, y1 = 0;
  int x2 = 0, y2 = 0;  // 0 reaches the far edge
};

// Crops to the rectangle between the corners, both included. A second corner of 0 or beyond
// the image reaches the last column or row; equal coordinates across or down crop nothing.
void apply_crop(ImageDocument& doc, const CropCorners& corners);

}  // namespace lumatrix
