#pragma once
// Composing a transparent image onto a solid colour, for formats that cannot keep its alpha.
#include "imaging/raster.h"

namespace lumatrix {

// The raster composed onto `colour` through its alpha plane, without one: 8-bit grey when it
// was grey and the colour is a grey, else 24-bit RGB. Each channel is
// (pixel × alpha + colour × (255 − alpha)) / 255, rounded. A raster without alpha is returned
// as it is.
Raster flattened_onto(const Raster& raster, Rgb colour);

}  // namespace lumatrix
