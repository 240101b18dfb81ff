// Placeholder until the pnm codec lands; replaced by the real codec.
#include "imaging/codecs/codecs.h"
#include "imaging/image_error.h"

namespace lumatrix {
Raster decode_pnm(std::span<const uint8_t>, IOParams&) { throw ImageError("pnm: not built yet"); }
std::vector<uint8_t> encode_pnm(const Raster&, const IOParams&, std::string_view) {
  throw ImageError("pnm: not built yet");
}
void read_pnm_header(std::span<const uint8_t>, IOParams&) { throw ImageError("pnm: not built yet"); }
}  // namespace lumatrix
