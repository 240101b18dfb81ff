#pragma once
// The resampling filters and their kernels.
#include <string_view>

namespace lumatrix {

enum class ResampleFilter { None, Triangle, Hermite, Bell, BSpline, Lanczos3, Mitchell };

// One row of the filter table: the kernel K(x) (0 at and beyond `support`) and its support R.
// Adding a filter is adding an enumerator and one row in resample_filters.cpp.
struct FilterKernel {
  ResampleFilter filter;
  std::string_view name;
  double (*kernel)(double x);
  double support;
};

// The table row of a smoothing filter; nullptr for None.
const FilterKernel* filter_kernel(ResampleFilter filter);

}  // namespace lumatrix
