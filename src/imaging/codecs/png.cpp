// Placeholder until the png codec lands; replaced by the real codec.
#include "imaging/codecs/codecs.h"
#include "imaging/image_error.h"

namespace lumatrix {
Raster decode_png(std::span<const uint8_t>, IOParams&) { throw ImageError("png: not built yet"); }
std::vector<uint8_t> encode_png(const Raster&, const IOParams&, std::string_view) {
  throw ImageError("png: not built yet");
}
void read_png_header(std::span<const uint8_t>, IOParams&) { throw ImageError("png: not built yet"); }
}  // namespace lumatrix
