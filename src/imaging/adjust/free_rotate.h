#pragma once
// The "Rotate" page: a turn by any angle onto a canvas grown to hold the whole picture.
#include "imaging/image_document.h"

namespace lumatrix::adjust {

struct FreeRotate {
  int tenths = 0;           // the angle in tenths of a degree, -1800..1800, counter-clockwise
  bool antialias = true;    // sample bilinearly rather than by nearest pixel
  Rgb background{0, 0, 0};  // the corners the turned picture leaves uncovered
};

// The document's rotate: whole quarter turns move pixels exactly, other angles turn about the
// centre onto a grown 24-bit canvas; alpha turns with the picture. Angle 0 leaves the picture
// as it was. One undo step "Rotate a". Throws ImageError for values out of range.
void free_rotate(ImageDocument& doc, const FreeRotate& params);

}  // namespace lumatrix::adjust
