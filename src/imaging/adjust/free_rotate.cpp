#include "imaging/adjust/free_rotate.h"

#include <cstdio>
#include <string>

#include "imaging/adjust/adjust_support.h"
#include "imaging/rotate_flip.h"

namespace lumatrix::adjust {

void free_rotate(ImageDocument& doc, const FreeRotate& params) {
  require_range("Rotate", "angle", params.tenths, -1800, 1800);
  if (!has_pixels(doc)) return;
  char angle[32];
  std::snprintf(angle, sizeof angle, "%g", params.tenths / 10.0);
  const SingleUndo undo(doc, std::string("Rotate ") + angle);
  rotate(doc, params.tenths / 10.0, params.antialias, params.background);
}

}  // namespace lumatrix::adjust
