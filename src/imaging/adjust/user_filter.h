#pragma once
// The "User filter": a 3x3 convolution kernel of the user's own, with divisor and bias.
#include <array>

#include "imaging/image_document.h"

namespace lumatrix::adjust {

struct UserFilter {
  // kernel[row][column]: row 0 weighs the row above the pixel, column 0 the pixel on its left.
  std::array<std::array<int, 3>, 3> kernel{{{0, 0, 0}, {0, 1, 0}, {0, 0, 0}}};
  // The weighted sum is divided by this; 0 means the sum of the kernel, or 1 when that is 0.
  int divisor = 0;
  int bias = 0;  // added after the division
};

// Weights of -255..255, a divisor of -2295..2295 and a bias of -255..255 are accepted.
inline constexpr int kUserFilterMaxWeight = 255;
inline constexpr int kUserFilterMaxDivisor = 9 * kUserFilterMaxWeight;

// Each channel becomes clamp(round(sum of weight x value / divisor) + bias), halves rounded away
// from zero, reading only the pixels as they were; neighbours beyond the border repeat the edge
// pixel. The identity kernel with bias 0 leaves the picture as it was. Alpha is kept. One undo
// step "User filter". Throws ImageError for values out of range.
void user_filter(ImageDocument& doc, const UserFilter& params);

}  // namespace lumatrix::adjust
