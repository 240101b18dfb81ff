#pragma once
// PNG chunks beyond the pixels, for writing a picture back in place: what the reader leaves
// aside (text, colour facts, EXIF, unknown chunks) goes into the new file as it was.
#include <cstdint>
#include <span>
#include <vector>

namespace lumatrix {

// `rewritten` (our writer's PNG of the turned picture, `width` x `height`) with the ancillary
// chunks of `original` it lacks, in their order, right after its header chunk. Left out are the
// chunks tied to the old pixels (transparency, background, histogram, significant bits,
// suggested palettes, resolution and time, which the writer or the turn renew) and unknown
// chunks the format marks unsafe to copy into an altered picture. An eXIf chunk's block says
// Orientation 1, the new size, and loses its thumbnail.
std::vector<uint8_t> carry_png_chunks(std::span<const uint8_t> original,
                                      std::span<const uint8_t> rewritten, int width, int height);

}  // namespace lumatrix
