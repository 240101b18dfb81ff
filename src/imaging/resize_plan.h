#pragma once
// Turning a resizing method and its size options into one target size and filter. Pure: the
// caller logs, resamples and guards. The main resize and both thumbnail resizes share it.
#include <optional>
#include <string_view>

#include "imaging/resample.h"

namespace lumatrix {

// The filter named by a resample-type text, compared trimmed and lower-cased: "none",
// "triangle", "hermite", "bell", "bspline"; every other text (the list's "Lanczos3" among them)
// gives Lanczos3.
ResampleFilter resample_filter_for(std::string_view resample_type);

struct ResizeOptions {
  std::string_view method;  // as typed; compared trimmed and lower-cased
  int width = 640;          // image_width
  int height = 480;         // image_height
  int percentage = 0;
  bool keep_aspect = true;                       // dimension_aspect_ratio
  bool swap_portrait = true;                     // reverse_widthheight
  ResampleFilter filter = ResampleFilter::None;  // the filter chosen for this image
  // The thumbnails offer only the shrinking methods: without this, "2x", "3x", "4x",
  // "upsize by %" and "upsize by pixels" are not methods and fall through like any other text.
  bool enlarging_methods = true;
};

enum class ResizeKind {
  // Fixed factors, percentages and exact sizes without the aspect ratio: the caller resamples,
  // then logs, and lets errors through.
  Direct,
  // The pixel methods with the aspect ratio kept: the caller logs first, then resamples, and
  // an error clears the image instead of ending the step. Pixels is "resize by pixels"; Box
  // is "downsize by pixels" and "upsize by pixels", which let events run in between.
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
// nothing ("as is" and unknown texts with the aspect ratio kept). First match wins: fixed
// factors, "downsize by %", "upsize by %", any remaining method without the aspect ratio, then
// "resize by pixels" (always Lanczos3), "downsize by pixels", "upsize by pixels". Computed sizes
// round half to even. Throws ImageError when a pixel method meets a zero-sized image.
std::optional<ResizePlan> plan_resize(const ResizeOptions& options, int current_width,
                                      int current_height);

// round(value) with ties to the even integer, held to the int range.
int round_half_even(double value);

}  // namespace lumatrix
