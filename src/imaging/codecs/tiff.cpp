// Placeholder until the tiff codec lands; replaced by the real codec.
#include "imaging/codecs/codecs.h"
#include "imaging/image_error.h"

namespace lumatrix {
Raster decode_tiff(std::span<const uint8_t>, IOParams&) { throw ImageError("tiff: not built yet"); }
std::vector<uint8_t> encode_tiff(const Raster&, const IOParams&, std::string_view) {
  throw ImageError("tiff: not built yet");
}
void read_tiff_header(std::span<const uint8_t>, IOParams&) { throw ImageError("tiff: not built yet"); }
}  // namespace lumatrix
