#pragma once
// The two geometric steps of the pipeline: the crop, first of all operations, and the
// orientation of a list entry, right after the resize.
#include <string_view>

#include "imaging/image_document.h"

namespace lumatrix {

// The orientation values, exactly as the list writes them (the degree sign is U+00B0 in UTF-8).
inline constexpr std::string_view kAsIs = "As Is";
inline constexpr std::string_view kRotateLeft90 = "Rotate Left 90\u00B0";
inline constexpr std::string_view kRotateRight90 = "Rotate Right 90\u00B0";
inline constexpr std::string_view kRotate180 = "Rotate 180\u00B0";
inline constexpr std::string_view kFlipLeft = "Flip Left";
inline constexpr std::string_view kFlipRight = "Flip Right";
inline constexpr std::string_view kFlipDown = "Flip Down";

// Applies an orientation value, compared after trimming blanks with letter case significant:
// the rotations turn by exact quarter turns, "Flip Left" mirrors left-right, "Flip Down" and
// "Flip Right" mirror top-bottom. "As Is" and any other text leave the image alone.
void apply_orientation(ImageDocument& doc, std::string_view orientation);

struct CropCorners {
  int x1 = 0, y1 = 0;
  int x2 = 0, y2 = 0;  // 0 reaches the far edge
};

// Crops to the rectangle between the corners, both included. A second corner of 0 or beyond
// the image reaches the last column or row; equal coordinates across or down crop nothing.
void apply_crop(ImageDocument& doc, const CropCorners& corners);

}  // namespace lumatrix
