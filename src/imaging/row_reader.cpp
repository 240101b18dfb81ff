#include "imaging/row_reader.h"

namespace lumatrix {

RowLayout layout_of(const Raster& raster) {
  return {raster.width(), raster.height(), raster.format(), raster.palette, raster.has_alpha()};
}

}  // namespace lumatrix
