#include "imaging/row_reader.h"

#include <vector>

namespace lumatrix {

RowLayout layout_of(const Raster& raster) {
  return {raster.width(), raster.height(), raster.format(), raster.palette, raster.has_alpha()};
}

Raster read_all_rows(RowReader& reader) {
  const RowLayout& layout = reader.layout();
  // Decoders write every byte of a row but may leave the unused bits at the end of a 1-bit row
  // as they found them (libpng does), so those rows start cleared.
  Raster raster = layout.format == PixelFormat::Bit1
                      ? Raster(layout.width, layout.height, layout.format)
                      : Raster::for_overwrite(layout.width, layout.height, layout.format);
  if (layout.format == PixelFormat::Bit1 || layout.format == PixelFormat::Palette8)
    raster.palette = layout.palette;
  if (layout.alpha) raster.add_alpha();
  std::vector<uint8_t*> rows(static_cast<size_t>(layout.height));
  std::vector<uint8_t*> alpha(layout.alpha ? rows.size() : 0);
  for (int y = 0; y < layout.height; ++y) {
    rows[y] = raster.row(y);
    if (layout.alpha) alpha[y] = raster.alpha_row(y);
  }
  reader.read(rows, alpha);
  return raster;
}

}  // namespace lumatrix
