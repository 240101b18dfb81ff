#include <array>
#include <cmath>
#include <numbers>

#include "imaging/resample_filter.h"

namespace lumatrix {

namespace {

double triangle(double x) {
  const double t = std::abs(x);
  return t < 1.0 ? 1.0 - t : 0.0;
}

double hermite(double x) {
  const double t = std::abs(x);
  return t < 1.0 ? (2.0 * t - 3.0) * t * t + 1.0 : 0.0;
}

double bell(double x) {
  const double t = std::abs(x);
  if (t < 0.5) return 0.75 - t * t;
  if (t < 1.5) return 0.5 * (t - 1.5) * (t - 1.5);
  return 0.0;
}

double b_spline(double x) {
  const double t = std::abs(x);
  if (t < 1.0) return 0.5 * t * t * t - t * t + 2.0 / 3.0;
  if (t < 2.0) return (2.0 - t) * (2.0 - t) * (2.0 - t) / 6.0;
  return 0.0;
}

// Mitchell-Netravali with B = C = 1/3: the cubic its authors found to balance blur against
// ringing, used for the gallery's first thumbnail pass.
double mitchell(double x) {
  const double t = std::abs(x);
  if (t < 1.0) return ((7.0 * t - 12.0) * t * t + 16.0 / 3.0) / 6.0;
  if (t < 2.0) return (((-7.0 / 3.0 * t + 12.0) * t - 20.0) * t + 32.0 / 3.0) / 6.0;
  return 0.0;
}

double sinc(double x) {
  if (x == 0.0) return 1.0;
  const double px = std::numbers::pi * x;
  return std::sin(px) / px;
}

double lanczos3(double x) {
  const double t = std::abs(x);
  return t < 3.0 ? sinc(t) * sinc(t / 3.0) : 0.0;
}

constexpr std::array kFilters{
    FilterKernel{ResampleFilter::Triangle, "triangle", triangle, 1.0},
    FilterKernel{ResampleFilter::Hermite, "Hermite", hermite, 1.0},
    FilterKernel{ResampleFilter::Bell, "bell", bell, 1.5},
    FilterKernel{ResampleFilter::BSpline, "B-spline", b_spline, 2.0},
    FilterKernel{ResampleFilter::Lanczos3, "Lanczos3", lanczos3, 3.0},
    FilterKernel{ResampleFilter::Mitchell, "Mitchell", mitchell, 2.0},
};

}  // namespace

const FilterKernel* filter_kernel(ResampleFilter filter) {
  for (const FilterKernel& row : kFilters)
    if (row.filter == filter) return &row;
  return nullptr;
}

}  // namespace lumatrix
