#pragma once
// Resampling a picture that arrives a strip of rows at a time, top to bottom. The filter is
// separable, so the horizontal pass runs on each row as it comes and the vertical pass on a ring
// that holds only the filtered rows its window still needs: the source never has to exist
// whole. The result is exactly what resample_raster gives for the whole picture (which is built
// on this).
#include <memory>
#include <span>

#include "imaging/raster.h"
#include "imaging/resample.h"
#include "imaging/row_reader.h"

namespace lumatrix {

class RowResampler {
 public:
  // `source` describes the rows to come; width x height is the target (both >= 1). Throws
  // ImageError for targets the resample refuses (beyond the pixel limit, a filtered side beyond
  // what its weight tables allow).
  RowResampler(const RowLayout& source, int width, int height, ResampleFilter filter);
  ~RowResampler();
  RowResampler(const RowResampler&) = delete;
  RowResampler& operator=(const RowResampler&) = delete;

  // The next rows of the source in its layout, with their alpha rows when it has alpha (and an
  // empty span otherwise). Rows past the source's height are refused (ImageError).
  void push(std::span<const uint8_t* const> rows, std::span<const uint8_t* const> alpha);
  // How many source rows are still to come.
  int rows_left() const;
  // The resampled picture; throws ImageError when rows are still missing.
  Raster finish();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Whether a resample of a picture to width x height with `filter` goes ahead, rather than being
// refused as RowResampler's constructor refuses it.
bool resample_accepts(int width, int height, ResampleFilter filter);

}  // namespace lumatrix
