#include "imaging/adjust/fft_filter.h"

#include <fftw3.h>

#include <cmath>
#include <complex>
#include <memory>
#include <mutex>
#include <string>

#include "base/image_error.h"
#include "imaging/adjust/adjust_support.h"

namespace lumatrix::adjust {

namespace {

// FFTW's planner keeps global state: creating and destroying plans must not overlap in
// different threads (executing them may).
std::mutex& planner_mutex() {
  static std::mutex mutex;
  return mutex;
}

struct PlanDeleter {
  void operator()(fftw_plan plan) const {
    const std::lock_guard lock(planner_mutex());
    fftw_destroy_plan(plan);
  }
};
using Plan = std::unique_ptr<std::remove_pointer_t<fftw_plan>, PlanDeleter>;

struct FftwFree {
  void operator()(void* p) const { fftw_free(p); }
};
template <typename T>
using FftwBuffer = std::unique_ptr<T[], FftwFree>;

template <typename T>
FftwBuffer<T> fftw_buffer(size_t count) {
  auto* p = static_cast<T*>(fftw_malloc(sizeof(T) * count));
  if (p == nullptr) throw ImageError("FFT: not enough memory for the transform");
  return FftwBuffer<T>(p);
}

// Plans with FFTW_ESTIMATE: measuring would pick plans by timing, and the results would then
// differ by rounding from one run to the next.
template <typename MakePlan>
Plan make_plan(MakePlan make) {
  const std::lock_guard lock(planner_mutex());
  fftw_plan plan = make();
  if (plan == nullptr) throw ImageError("FFT: FFTW could not plan the transform");
  return Plan(plan);
}

// The filter's weight for a frequency at distance d (0 at zero, 1 at the spectrum's corner).
double weight(const FftFilter& params, double d) {
  const double c = params.cut_off / 100.0;
  double low;
  if (!params.soft_edge)
    low = d <= c ? 1.0 : 0.0;
  else if (c == 0.0)
    low = d == 0.0 ? 1.0 : 0.0;
  else
    low = std::exp(-std::log(2.0) * (d / c) * (d / c));
  return params.pass == FftPass::LowPass ? low : 1.0 - low;
}

}  // namespace

void fft_filter(ImageDocument& doc, const FftFilter& params) {
  require_range("FFT", "cut-off", params.cut_off, 0, 100);
  if (!has_pixels(doc)) return;
  const SingleUndo undo(doc, "FFT");
  to_rgb24(doc);
  Raster& raster = doc.raster;
  const int w = raster.width(), h = raster.height();
  const int half_w = w / 2 + 1;
  const size_t pixels = static_cast<size_t>(w) * h;
  auto spatial = fftw_buffer<double>(pixels);
  auto spectrum = fftw_buffer<fftw_complex>(static_cast<size_t>(h) * half_w);
  const Plan forward = make_plan(
      [&] { return fftw_plan_dft_r2c_2d(h, w, spatial.get(), spectrum.get(), FFTW_ESTIMATE); });
  const Plan inverse = make_plan(
      [&] { return fftw_plan_dft_c2r_2d(h, w, spectrum.get(), spatial.get(), FFTW_ESTIMATE); });

  // The weights, with the pixel count of the unnormalised inverse folded in. Distance:
  // frequencies in cycles per pixel, doubled (so that Nyquist is 1 on each axis), then divided
  // by sqrt 2 so that the corner of the spectrum lies at 1.
  std::vector<double> weights(static_cast<size_t>(h) * half_w);
  for (int ky = 0; ky < h; ++ky) {
    const double fy = 2.0 * (ky <= h / 2 ? ky : ky - h) / h;
    for (int kx = 0; kx < half_w; ++kx) {
      const double fx = 2.0 * kx / w;
      const double d = std::sqrt((fx * fx + fy * fy) / 2.0);
      weights[static_cast<size_t>(ky) * half_w + kx] = weight(params, d) / pixels;
    }
  }
  const double offset = params.pass == FftPass::HighPass ? 128.0 : 0.0;
  for (int c = 0; c < 3; ++c) {
    for (int y = 0; y < h; ++y) {
      const uint8_t* p = raster.row(y);
      for (int x = 0; x < w; ++x) spatial[static_cast<size_t>(y) * w + x] = p[3 * x + c];
    }
    fftw_execute(forward.get());
    for (size_t i = 0; i < weights.size(); ++i) {
      spectrum[i][0] *= weights[i];
      spectrum[i][1] *= weights[i];
    }
    fftw_execute(inverse.get());
    for (int y = 0; y < h; ++y) {
      uint8_t* p = raster.row(y);
      for (int x = 0; x < w; ++x)
        p[3 * x + c] = round_byte(spatial[static_cast<size_t>(y) * w + x] + offset);
    }
  }
}

}  // namespace lumatrix::adjust
