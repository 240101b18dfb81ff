#pragma once
// A pixel position on an image; either coordinate may be negative (clipped when drawn).

namespace lumatrix {

struct Point {
  int x = 0, y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

}  // namespace lumatrix
