#include "imaging/resize_plan.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "base/image_error.h"

namespace lumatrix {

int round_half_even(double value) {
  // Symmetric, so that a negative result can always be negated.
  constexpr double lo = -std::numeric_limits<int>::max();
  constexpr double hi = std::numeric_limits<int>::max();
  if (std::isnan(value)) return 0;
  // rint follows the default rounding mode, which rounds ties to even.
  return static_cast<int>(std::clamp(std::rint(value), lo, hi));
}

namespace {

// Whole-number products are computed wide so that 4x of a large side cannot wrap.
int times(int side, int factor) {
  return round_half_even(static_cast<double>(side) * factor);
}

int scaled(int side, double factor) {
  return round_half_even(side * factor);
}

int divided(int side, int divisor) {
  return round_half_even(static_cast<double>(side) / divisor);
}

struct Box {
  int width, height;
};

// The box of the two pixel methods, turned for portrait images (a square is landscape).
Box box_for(const ResizeOptions& o, int w, int h) {
  if (o.swap_portrait && h > w) return {o.height, o.width};
  return {o.width, o.height};
}

void require_area(int w, int h) {
  if (w <= 0 || h <= 0)
    throw ImageError("cannot resize an image of " + std::to_string(w) + "x" + std::to_string(h) +
                     " pixels");
}

ResizePlan resize_by_pixels(const ResizeOptions& o, int w, int h) {
  // Deliberately Lanczos3 whatever filter was chosen: this method has always resampled so, and
  // its outputs would change otherwise.
  ResizePlan plan{w, h, ResampleFilter::Lanczos3, ResizeKind::Pixels};
  if (o.width == 0 && o.height == 0) return plan;
  require_area(w, h);
  if (o.width > 0 && o.height == 0) {
    plan.width = o.width;
    plan.height = round_half_even(static_cast<double>(h) * o.width / w);
  } else if (o.width == 0 && o.height > 0) {
    plan.height = o.height;
    plan.width = round_half_even(static_cast<double>(w) * o.height / h);
  } else {
    plan.width = o.width;
    plan.height = o.height;
  }
  return plan;
}

ResizePlan downsize_by_pixels(const ResizeOptions& o, int w, int h) {
  require_area(w, h);
  const Box box = box_for(o, w, h);
  int tw = w, th = h;
  if (w > box.width && box.width > 0) {
    tw = box.width;
    th = round_half_even(static_cast<double>(h) * box.width / w);
  }
  if (box.height > 0 && th > box.height) {
    const double r = static_cast<double>(box.height) / th;
    th = box.height;
    tw = round_half_even(tw * r);
  }
  return {tw, th, o.filter, ResizeKind::Box};
}

ResizePlan upsize_by_pixels(const ResizeOptions& o, int w, int h) {
  require_area(w, h);
  const Box box = box_for(o, w, h);
  int tw = w, th = h;
  if (w < box.width && box.width > 0) {
    tw = box.width;
    th = round_half_even(static_cast<double>(h) * box.width / w);
  }
  if (box.height > th && box.height > 0) {
    if (th <= 0) throw ImageError("cannot upsize an image of no height");
    const double r = static_cast<double>(box.height) / th;
    th = box.height;
    tw = round_half_even(tw * r);
  }
  return {tw, th, o.filter, ResizeKind::Box};
}

}  // namespace

std::optional<ResizePlan> plan_resize(const ResizeOptions& o, int w, int h) {
  using M = ResizeMethod;
  const M method = o.method;
  if (method == M::AsIs) return std::nullopt;
  const auto direct = [&](int tw, int th) {
    return ResizePlan{tw, th, o.filter, ResizeKind::Direct};
  };

  if (method == M::Quarter) return direct(divided(w, 4), divided(h, 4));
  if (method == M::Third) return direct(divided(w, 3), divided(h, 3));
  if (method == M::Half) return direct(divided(w, 2), divided(h, 2));
  if (method == M::ThreeQuarters) return direct(scaled(w, 0.75), scaled(h, 0.75));
  if (o.enlarging_methods) {
    if (method == M::Double) return direct(times(w, 2), times(h, 2));
    if (method == M::Triple) return direct(times(w, 3), times(h, 3));
    if (method == M::Quadruple) return direct(times(w, 4), times(h, 4));
  }
  if (method == M::DownsizeByPercent) {
    const double f = (100.0 - o.percentage) / 100.0;
    return direct(scaled(w, f), scaled(h, f));
  }
  if (o.enlarging_methods && method == M::UpsizeByPercent) {
    const double f = (100.0 + o.percentage) / 100.0;
    return direct(scaled(w, f), scaled(h, f));
  }
  // Deliberately ahead of the pixel methods: without the aspect ratio every method not handled
  // above, an unrecognised one included, stretches to the exact size.
  if (!o.keep_aspect) return direct(o.width, o.height);

  if (method == M::ResizeByPixels) return resize_by_pixels(o, w, h);
  if (method == M::DownsizeByPixels) return downsize_by_pixels(o, w, h);
  if (o.enlarging_methods && method == M::UpsizeByPixels) return upsize_by_pixels(o, w, h);
  return std::nullopt;
}

}  // namespace lumatrix
