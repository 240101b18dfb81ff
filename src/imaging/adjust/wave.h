#pragma once
// The "Wave": a sine displacement of rows, columns or both.
#include "imaging/image_document.h"

namespace lumatrix::adjust {

enum class WaveDirection {
  Horizontal,  // rows slide sideways, by an amount that waves down the picture
  Vertical,    // columns slide up and down, waving across the picture
  Both,
};

struct Wave {
  int amplitude = 0;    // per mille (0..250) of the width (sideways) or height (up and down)
  int wavelength = 25;  // percent (1..100) of the height (sideways) or width (up and down)
  int phase = 0;        // degrees 0..359
  WaveDirection direction = WaveDirection::Horizontal;
};

// Destination (x, y) takes the source at x + A sin(2 pi y / L + phase) (sideways) and at
// y + A sin(2 pi x / L + phase) (up and down), sampled bilinearly with the coordinates clamped to
// the edge; alpha moves with the colours. Amplitude 0 is the identity. One undo step "Wave".
// Throws ImageError for values out of range.
void wave(ImageDocument& doc, const Wave& params);

}  // namespace lumatrix::adjust
