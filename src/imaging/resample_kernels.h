#pragma once
// The inner loops of the filtered resample, one row at a time, shared by the whole-raster
// resample and the one that takes rows while they are decoded. Internal to imaging.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/resample.h"

namespace lumatrix::resample_detail {

// Contributors of every destination index along one axis, computed once. Source indices that
// fall outside the image are mirrored and clamped, so several taps can land on one index; they
// are folded into a single weight per index. The sums and totals are unchanged by that, and each
// destination index then reads one contiguous run of source pixels.
struct AxisWeights {
  std::vector<int32_t> first;   // first source index
  std::vector<int32_t> count;   // number of consecutive source indices
  std::vector<int32_t> offset;  // into `weights`
  std::vector<int32_t> weights;
  std::vector<int32_t> total;   // sum of the weights (before folding; folding keeps it)
  std::vector<uint64_t> magic;  // reciprocal of `total` for the exact division fast path
  bool identity = false;        // every index reads only itself at full weight
  // The same weights as 16-bit integers, each run padded with zeros to a multiple of 8, for
  // the vector loops; empty when a folded weight does not fit.
  std::vector<int16_t> weights16;
  std::vector<int32_t> offset16;
  // 1 / total rounded up, or 0 where the vector division does not apply (see divide4).
  std::vector<double> inverse;
};

// The weights of n source indices resampled to m destination indices with `filter`.
AxisWeights compute_weights(int n, int m, const FilterKernel& filter);

// The level the loops run at: the one set_resample_simd asked for, capped by the processor.
ResampleSimd effective_simd();

// Scratch memory of the horizontal pass, kept across rows.
struct RowScratch {
  std::vector<uint32_t> line;  // an RGB row widened to 4 bytes per pixel
};

// One source row of `src_width` pixels of `channels` (1 or 3) interleaved bytes, filtered to
// the destination width of `w`.
void filter_row(const uint8_t* in, int src_width, int channels, uint8_t* out, const AxisWeights& w,
                ResampleSimd simd, RowScratch& scratch);

// Destination row `y` of the vertical pass: rows[t] is the intermediate row at index
// w.first[y] + t, each `row_bytes` long. `acc` is scratch of row_bytes entries at least.
void filter_column_row(const uint8_t* const* rows, int y, const AxisWeights& w, size_t row_bytes,
                       uint8_t* out, int32_t* acc, ResampleSimd simd);

}  // namespace lumatrix::resample_detail
