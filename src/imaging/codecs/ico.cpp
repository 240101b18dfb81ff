// Placeholder until the icon codec lands; replaced by the real codec.
#include "imaging/codecs/codecs.h"
#include "imaging/image_error.h"

namespace lumatrix {
Raster decode_ico(std::span<const uint8_t>, IOParams&) { throw ImageError("ico: not built yet"); }
void read_ico_header(std::span<const uint8_t>, IOParams&) { throw ImageError("ico: not built yet"); }
}  // namespace lumatrix
