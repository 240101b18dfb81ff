// Placeholder until the jpeg codec lands; replaced by the real codec.
#include "imaging/codecs/codecs.h"
#include "imaging/image_error.h"

namespace lumatrix {
Raster decode_jpeg(std::span<const uint8_t>, IOParams&) { throw ImageError("jpeg: not built yet"); }
std::vector<uint8_t> encode_jpeg(const Raster&, const IOParams&, std::string_view) {
  throw ImageError("jpeg: not built yet");
}
void read_jpeg_header(std::span<const uint8_t>, IOParams&) { throw ImageError("jpeg: not built yet"); }
}  // namespace lumatrix
