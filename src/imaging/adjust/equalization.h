#pragma once
// The "Equalization" page: histogram equalization by the cumulative histogram.
#include "imaging/image_document.h"

namespace lumatrix::adjust {

enum class EqualizeOn {
  Luminance,   // one histogram of Y = (299 R + 587 G + 114 B) / 1000; hues are kept
  PerChannel,  // red, green and blue each by their own histogram
};

struct Equalization {
  EqualizeOn on = EqualizeOn::Luminance;
  // Percent of the pixels at the dark and at the bright end (0..49 each) that are pushed to 0 and
  // to 255 before the rest is spread over the whole range.
  int low_cut = 0;
  int high_cut = 0;
};

// The levels lo and hi below which low_cut % and above which high_cut % of the `count` pixels
// fall are found from the histogram; levels below lo map to 0, above hi to 255, and a level v
// between them to round(255 x (C(v) - C(lo)) / (C(hi) - C(lo))), C the cumulative count.
// With one level alone between the cuts the channel is left as it is. On luminance each pixel's
// three channels move by the change of its Y (clamped), which keeps its chroma. Alpha is kept.
// One undo step "Equalization". Throws ImageError for values out of range.
void equalization(ImageDocument& doc, const Equalization& params);

}  // namespace lumatrix::adjust
