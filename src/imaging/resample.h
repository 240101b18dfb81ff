#pragma once
// Resizing the document's raster: nearest neighbour in every pixel format, and a separable
// two-pass fixed-point filter (horizontal pass first) for the smoothing filters.
#include <optional>
#include <utility>

#include "imaging/image_document.h"
#include "imaging/raster.h"
#include "imaging/resample_filter.h"

namespace lumatrix {

// Target size for a requested width and height: both negative does nothing (nullopt); -1 is
// proportional to the other side, 0 keeps the current side, other values count by their
// absolute value, and anything below 1 becomes 1. Sizes beyond int range are capped there (the
// raster's pixel limit then refuses them).
std::optional<std::pair<int, int>> resample_target(int current_width, int current_height, int width,
                                                   int height);

// The raster resized to exactly width x height (both >= 1). Nearest neighbour keeps the pixel
// format; the filters give 24-bit results except for grey sources, which stay grey. An alpha
// plane is resized with the same method. Throws ImageError when a raster would pass the pixel
// limit.
Raster resample_raster(const Raster& source, int width, int height, ResampleFilter filter);

// Which vector instructions the filtered passes may use. Auto (the default) takes the best the
// processor offers; the others pin a level so that tests and benchmarks can compare them. Every
// level gives the same pixels.
enum class ResampleSimd { Auto, Avx2, Sse2, Scalar };
void set_resample_simd(ResampleSimd level);

// The document operation: resolves the target, records the undo step "Resample w,h" (the
// requested width and height as given) and replaces the raster.
void resample(ImageDocument& doc, int width, int height, ResampleFilter filter);

}  // namespace lumatrix
