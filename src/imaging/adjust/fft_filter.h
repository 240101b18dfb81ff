#pragma once
// The "FFT" page: low-pass or high-pass filtering in the frequency domain (FFTW).
#include "imaging/image_document.h"

namespace lumatrix::adjust {

enum class FftPass { LowPass, HighPass };

struct FftFilter {
  FftPass pass = FftPass::LowPass;
  // 0..100: percent of the highest frequency the picture holds (Nyquist in both directions at
  // once, the spectrum's corner); a frequency's distance from zero is measured against that.
  int cut_off = 100;
  // Off: frequencies keep all (pass) or nothing beyond the cut-off. On: a Gaussian that passes
  // exactly half at the cut-off, exp(-ln 2 (d / cut_off)^2) for the low-pass, one minus that
  // for the high-pass.
  bool soft_edge = false;
};

// Per channel: a 2-D real-to-complex transform, multiplied by the filter, transformed back,
// divided by the pixel count, rounded and clamped. The high-pass removes the mean and adds 128,
// so that what it keeps shows around mid-grey (a constant picture turns a flat 128). A sharp
// low-pass at 100 % keeps the picture as it was. Alpha is kept. One undo step "FFT". Throws
// ImageError for values out of range, and when FFTW cannot plan the transform.
void fft_filter(ImageDocument& doc, const FftFilter& params);

}  // namespace lumatrix::adjust
