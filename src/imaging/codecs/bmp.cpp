// Placeholder until the bmp codec lands; replaced by the real codec.
#include "imaging/codecs/codecs.h"
#include "imaging/image_error.h"

namespace lumatrix {
Raster decode_bmp(std::span<const uint8_t>, IOParams&) { throw ImageError("bmp: not built yet"); }
std::vector<uint8_t> encode_bmp(const Raster&, const IOParams&, std::string_view) {
  throw ImageError("bmp: not built yet");
}
void read_bmp_header(std::span<const uint8_t>, IOParams&) { throw ImageError("bmp: not built yet"); }
}  // namespace lumatrix
