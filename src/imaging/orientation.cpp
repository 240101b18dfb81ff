#include "imaging/orientation.h"

#include <utility>

#include "imaging/codecs/exif_block.h"
#include "imaging/rotate_flip.h"

namespace lumatrix {

void apply_orientation(ImageDocument& doc, Orientation orientation) {
  // Quarter turns move pixels exactly; antialiasing and the fill cannot show, but they are the
  // settings a free angle would use.
  switch (orientation) {
    case Orientation::RotateLeft90:
      rotate(doc, 90, true, doc.background);
      break;
    case Orientation::RotateRight90:
      rotate(doc, 270, true, doc.background);
      break;
    case Orientation::Rotate180:
      rotate(doc, 180, true, doc.background);
      break;
    case Orientation::FlipDown:
    case Orientation::FlipRight:
      // Deliberate: the list offers "Flip Right" beside "Flip Left" but no command of it writes
      // "Flip Down", so without this the vertical flip could never be chosen and a "Flip Right"
      // entry would come out unflipped. "Flip Right" is therefore read as the vertical flip.
      flip(doc, FlipDirection::Vertical);
      break;
    case Orientation::FlipLeft:
      flip(doc, FlipDirection::Horizontal);
      break;
    case Orientation::AsIs:
    case Orientation::Unrecognised:
      break;
  }
}

bool turn_upright(ImageDocument& doc) {
  const int tag = exif_orientation(doc.params.exif);
  if (tag < 2 || doc.empty()) return false;
  // 5 and 7 are mirrored quarter turns: mirrored left-right first, then turned as 8 and 6.
  if (tag == 2 || tag == 4 || tag == 5 || tag == 7)
    flip(doc, tag == 4 ? FlipDirection::Vertical : FlipDirection::Horizontal);
  const int degrees = tag == 3                 ? 180
                      : (tag == 5 || tag == 8) ? 90
                      : (tag == 6 || tag == 7) ? 270
                                               : 0;
  if (degrees != 0) rotate(doc, degrees, true, doc.background);
  if (degrees == 90 || degrees == 270) std::swap(doc.params.dpi_x, doc.params.dpi_y);
  mark_exif_upright(doc.params.exif);
  return true;
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
