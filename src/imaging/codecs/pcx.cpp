// Placeholder until the pcx codec lands; replaced by the real codec.
#include "imaging/codecs/codecs.h"
#include "imaging/image_error.h"

namespace lumatrix {
Raster decode_pcx(std::span<const uint8_t>, IOParams&) { throw ImageError("pcx: not built yet"); }
std::vector<uint8_t> encode_pcx(const Raster&, const IOParams&, std::string_view) {
  throw ImageError("pcx: not built yet");
}
void read_pcx_header(std::span<const uint8_t>, IOParams&) { throw ImageError("pcx: not built yet"); }
}  // namespace lumatrix
