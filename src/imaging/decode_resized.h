#pragma once
// Decoding straight into a resample. When the first thing done to a picture is to resize it,
// the full-size raster need never exist: the rows go from the decoder through the horizontal
// pass as they come, and only the few the vertical pass still needs are kept.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "imaging/codec.h"
#include "imaging/io_params.h"
#include "imaging/raster.h"
#include "imaging/resample_filter.h"

namespace lumatrix {

struct ResampleTarget {
  int width = 0, height = 0;  // the exact size, both at least 1
  ResampleFilter filter = ResampleFilter::None;
  friend bool operator==(const ResampleTarget&, const ResampleTarget&) = default;
};

// Given the picture's size (from its header), the size to resample it to, or nullopt to keep it
// as it is.
using ChooseTarget = std::function<std::optional<ResampleTarget>(int width, int height)>;

enum class ResizeSpeed {
  // Byte for byte what the decoder followed by resample_raster gives.
  Exact,
  // JPEG files are decoded by libjpeg's DCT scaling at a half, a quarter or an eighth of their
  // size, the smallest of these that keeps the filter's support as a margin around the target
  // (margin_for), and that is then resampled to the target with the same filter. Much faster on
  // large photos; the pixels differ from Exact. Other formats read as with Exact.
  Fast,
};

// The pixels the fast path keeps beyond the target on every side, per axis: the filter's
// support, rounded up, on both sides.
int margin_for(ResampleFilter filter);

// Decodes `data` with `codec` and resamples it to what `choose` asks for its size. Formats that
// read row by row (the codec's open_rows) are resampled while they decode; the others are
// decoded whole first. `params` is filled as the decoder fills it, with width and height the
// size of the picture in the file (not of the result). Throws ImageError for corrupt data and
// for targets the resample refuses; with Exact, the same errors in the same order as decoding
// and then resampling.
Raster decode_resized(std::span<const uint8_t> data, const Codec& codec, IOParams& params,
                      const ChooseTarget& choose, ResizeSpeed speed = ResizeSpeed::Exact);
// The same with a target fixed beforehand.
Raster decode_resized(std::span<const uint8_t> data, const Codec& codec, IOParams& params,
                      ResampleTarget target, ResizeSpeed speed = ResizeSpeed::Exact);

}  // namespace lumatrix
