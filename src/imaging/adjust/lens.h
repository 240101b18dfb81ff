#pragma once
// The "Lens": a glass sphere laid on the picture's centre, seen from straight above.
#include "imaging/image_document.h"

namespace lumatrix::adjust {

struct Lens {
  int refraction = 150;  // refraction index x 100, 100..400; 100 (air) bends nothing
  int radius = 50;       // percent of the smaller side, 0..100
};

// For a destination pixel at distance r < R from the centre ((w - 1) / 2, (h - 1) / 2), the ray
// coming straight down meets the sphere at height z = sqrt(R^2 - r^2) at the angle a with
// sin a = r / R, is refracted to b with sin b = sin a / n, and reaches the picture displaced
// by z tan(a - b) towards the centre; the pixel is sampled there bilinearly. Pixels outside the
// lens stay as they are; alpha moves with the colours. Index 100 or radius 0 is the identity.
// One undo step "Lens". Throws ImageError for values out of range.
void lens(ImageDocument& doc, const Lens& params);

}  // namespace lumatrix::adjust
