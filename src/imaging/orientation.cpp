#include "imaging/orientation.h"

#include "base/choice_text.h"
#include "imaging/rotate_flip.h"

namespace lumatrix {

void apply_orientation(ImageDocument& doc, std::string_view orientation) {
  const std::string_view value = trim_blanks(orientation);
  // Quarter turns move pixels exactly; antialiasing and the fill cannot show, but they are the
  // settings a free angle would use.
  if (value == kRotateLeft90) {
    rotate(doc, 90, true, doc.background);
  } else if (value == kRotateRight90) {
    rotate(doc, 270, true, doc.background);
  } else if (value == kRotate180) {
    rotate(doc, 180, true, doc.background);
  } else if (value == kFlipDown || value == kFlipRight) {
    // The list offers "Flip Right" beside "Flip Left" but no command of it writes "Flip Down",
    // so without this the vertical flip could never be chosen and a "Flip Right" entry would
    // come out unflipped. "Flip Right" is therefore read as the vertical flip.
    flip(doc, FlipDirection::Vertical);
  } else if (value == kFlipLeft) {
    flip(doc, FlipDirection::Horizontal);
  }
}

void apply_crop(ImageDocument& doc, const CropCorners& corners) {
  const int w = doc.width(), h = doc.height();
  int x2 = corners.x2, y2 = corners.y2;
  if (x2 == 0 || x2 > w) x2 = w;
  if (y2 == 0 || y2 > h) y2 = h;
  // select() replaces any earlier selection, does nothing for equal coordinates and clamps
  // the corners into the image, which turns a far edge of w into the last column.
  doc.select(corners.x1, corners.y1, x2, y2);
  doc.crop_sel();
}

}  // namespace lumatrix
