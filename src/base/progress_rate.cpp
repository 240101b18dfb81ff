#include "base/progress_rate.h"

#include <cstdio>

namespace lumatrix {

void ProgressRate::update(int position, int maximum, Clock::time_point now) {
  if (maximum != maximum_ || position == 0) {
    started_ = now;
    waited_ = {};
    maximum_ = maximum;
  }
  position_ = position;
}

std::optional<ProgressRate::Reading> ProgressRate::reading(Clock::time_point now) const {
  if (position_ <= 0 || maximum_ <= 0) return std::nullopt;
  const double elapsed = std::chrono::duration<double>(now - started_ - waited_).count();
  if (elapsed <= 0.05) return std::nullopt;
  const double rate = position_ / elapsed;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f/s", rate);
  Reading result{text, {}};
  if (position_ < maximum_) result.left = clock_text((maximum_ - position_) / rate) + " left";
  return result;
}

std::string clock_text(double seconds) {
  const long total = static_cast<long>(seconds + 0.5);
  char text[32];
  if (total >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  return text;
}

}  // namespace lumatrix
