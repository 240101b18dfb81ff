#pragma once
// Turning and mirroring a JPEG without decoding it: its coded blocks are rearranged (TurboJPEG's
// transform), so not one sample is re-quantised and turning back restores the picture exactly.
#include <cstdint>
#include <span>
#include <vector>

namespace lumatrix {

enum class JpegTransform {
  Rotate90,        // clockwise
  Rotate270,       // clockwise, a quarter turn counter-clockwise
  FlipHorizontal,  // left to right
  FlipVertical,    // top to bottom
};

// The transformed file: every marker of the source copied (EXIF, XMP, IPTC, ICC, comments), no
// crop, no grey conversion, progressive coding kept. The EXIF block then describes the new
// picture: Orientation 1 (the pixels themselves are now turned; a viewer honouring a stale tag
// would turn them again), the pixel size tags swapped by a quarter turn, and the embedded
// thumbnail, which would show the old picture, dropped; every other segment stays byte for byte.
// Throws ImageError(reason) when the data cannot be read, or when the picture is not a whole
// number of its blocks in the direction the transform moves (the partial blocks at the edge
// would have to be cut off, and a trimmed turn cannot be undone).
std::vector<uint8_t> transform_jpeg(std::span<const uint8_t> data, JpegTransform transform);

}  // namespace lumatrix
