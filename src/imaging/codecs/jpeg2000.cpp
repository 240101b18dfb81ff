// Placeholder until the jpeg2000 codec lands; replaced by the real codec.
#include "imaging/codecs/codecs.h"
#include "imaging/image_error.h"

namespace lumatrix {
Raster decode_jpeg2000(std::span<const uint8_t>, IOParams&) { throw ImageError("jpeg2000: not built yet"); }
std::vector<uint8_t> encode_jpeg2000(const Raster&, const IOParams&, std::string_view) {
  throw ImageError("jpeg2000: not built yet");
}
void read_jpeg2000_header(std::span<const uint8_t>, IOParams&) { throw ImageError("jpeg2000: not built yet"); }
}  // namespace lumatrix
