#pragma once
// Raw fax pages (.fax, .g3n, .g3f): CCITT Group 3 one-dimensional data without a TIFF header.
#include <cstdint>
#include <span>

#include "imaging/io_params.h"
#include "imaging/raster.h"

namespace lumatrix {

// Decodes a raw Group 3 1-D page 1728 pixels wide (the fax standard width) into a 1-bit raster,
// as many rows as the data holds. Throws ImageError when not a single row decodes.
Raster decode_raw_fax(std::span<const uint8_t> data, IOParams& params);

}  // namespace lumatrix
