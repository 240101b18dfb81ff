// Placeholder until the targa codec lands; replaced by the real codec.
#include "imaging/codecs/codecs.h"
#include "imaging/image_error.h"

namespace lumatrix {
Raster decode_targa(std::span<const uint8_t>, IOParams&) { throw ImageError("targa: not built yet"); }
std::vector<uint8_t> encode_targa(const Raster&, const IOParams&, std::string_view) {
  throw ImageError("targa: not built yet");
}
void read_targa_header(std::span<const uint8_t>, IOParams&) { throw ImageError("targa: not built yet"); }
}  // namespace lumatrix
