// Placeholder until the gif codec lands; replaced by the real codec.
#include "imaging/codecs/codecs.h"
#include "imaging/image_error.h"

namespace lumatrix {
Raster decode_gif(std::span<const uint8_t>, IOParams&) { throw ImageError("gif: not built yet"); }
std::vector<uint8_t> encode_gif(const Raster&, const IOParams&, std::string_view) {
  throw ImageError("gif: not built yet");
}
void read_gif_header(std::span<const uint8_t>, IOParams&) { throw ImageError("gif: not built yet"); }
}  // namespace lumatrix
