#pragma once
// The "Morph filters": grey-level morphology per channel over a square window.
#include "imaging/image_document.h"

namespace lumatrix::adjust {

enum class MorphOperation {
  Erode,   // the minimum of the window: dark areas grow
  Dilate,  // the maximum: bright areas grow
  Open,    // erode, then dilate: removes bright specks smaller than the window
  Close,   // dilate, then erode: fills dark specks smaller than the window
};

struct MorphFilter {
  MorphOperation operation = MorphOperation::Erode;
  int radius = 0;  // 0..20: the window is (2 radius + 1) pixels square; 0 is the identity
};

// Each channel of each pixel becomes the minimum or maximum of that channel over the window,
// which the picture's border cuts off. Alpha is kept. One undo step "Morph filters". Throws
// ImageError for values out of range.
void morph_filter(ImageDocument& doc, const MorphFilter& params);

}  // namespace lumatrix::adjust
