#pragma once
// Turning a resizing method and its size options into one target size and filter. Pure: the
// caller logs, resamples and guards. The main resize and both thumbnail resizes share it.
#include <optional>

#include "imaging/resample.h"

namespace lumatrix {

// The resizing methods, in the order the lists offer them. Unrecognised is any other text: it
// goes to the exact size when the aspect ratio is not kept and does nothing otherwise.
enum class ResizeMethod {
  AsIs,
  ResizeByPixels,
  DownsizeByPixels,
  UpsizeByPixels,
  DownsizeByPercent,
  UpsizeByPercent,
  Quarter,        // 1/4x
  Third,          // 1/3x
  Half,           // 1/2x
  ThreeQuarters,  // 3/4x
  Double,         // 2x
  Triple,         // 3x
  Quadruple,      // 4x
  Unrecognised,
};

struct ResizeOptions {
  ResizeMethod method = ResizeMethod::AsIs;
  int width = 640;   // image_width
  int height = 480;  // image_height
  int percentage = 0;
  bool keep_aspect = true;                       // dimension_aspect_ratio
  bool swap_portrait = true;                     // reverse_widthheight
  ResampleFilter filter = ResampleFilter::None;  // the filter chosen for this image
  // The thumbnails offer only the shrinking methods: without this, Double, Triple, Quadruple,
  // UpsizeByPercent and UpsizeByPixels are not methods and fall through like Unrecognised.
  bool enlarging_methods = true;
};

enum class ResizeKind {
  // Fixed factors, percentages and exact sizes without the aspect ratio: the caller resamples,
  // then logs, and lets errors through.
  Direct,
  // The pixel methods with the aspect ratio kept: the caller logs first, then resamples, and
  // an error clears the image instead of ending the step. Pixels is ResizeByPixels; Box is
  // DownsizeByPixels and UpsizeByPixels, which let events run in between.
  Pixels,
  Box,
};

struct ResizePlan {
  int width = 0, height = 0;  // as handed to resample: 0 and negative values follow its rules
  ResampleFilter filter = ResampleFilter::None;
  ResizeKind kind = ResizeKind::Direct;
  friend bool operator==(const ResizePlan&, const ResizePlan&) = default;
};

// The target for an image of current_width x current_height, or nullopt when the method does
// nothing (AsIs, and Unrecognised with the aspect ratio kept). First match wins: fixed factors,
// DownsizeByPercent, UpsizeByPercent, any remaining method without the aspect ratio, then
// ResizeByPixels (always Lanczos3), DownsizeByPixels, UpsizeByPixels. Computed sizes round half
// to even. Throws ImageError when a pixel method meets a zero-sized image.
std::optional<ResizePlan> plan_resize(const ResizeOptions& options, int current_width,
                                      int current_height);

// round(value) with ties to the even integer, held to -INT_MAX..INT_MAX.
int round_half_even(double value);

}  // namespace lumatrix
