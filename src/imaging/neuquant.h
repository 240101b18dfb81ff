#pragma once
// NeuQuant: a Kohonen self-organising map that learns a palette from sampled pixels, after
// Anthony Dekker's published algorithm (1994), with the network size as a parameter.
#include <vector>

#include "imaging/raster.h"

namespace lumatrix {

// A palette of `colours` entries (2..1024) learnt from a 24-bit raster. `sample_factor` 1
// learns from every pixel, larger values from every n-th (1..30); small images always use 1.
std::vector<Rgb> neuquant_palette(const Raster& rgb24, int colours, int sample_factor);

}  // namespace lumatrix
