#include "imaging/adjust/hue_models.h"

#include <algorithm>
#include <cmath>

#include "imaging/adjust/adjust_support.h"

namespace lumatrix::adjust {

namespace {

// The hue of a colour with maximum `mx` and spread `delta` > 0, channels 0..1.
double hue_of(double r, double g, double b, double mx, double delta) {
  double h;
  if (mx == r)
    h = (g - b) / delta;
  else if (mx == g)
    h = (b - r) / delta + 2.0;
  else
    h = (r - g) / delta + 4.0;
  h *= 60.0;
  return h < 0 ? h + 360.0 : h;
}

// The channels of a hue at full saturation between `low` and `high` (the HSV and HSL models
// differ only in how they find those two), rounded to 8 bits.
Rgb from_hue(double hue, double low, double high) {
  const double h = std::fmod(hue, 360.0) / 60.0;
  const int sector = std::clamp(static_cast<int>(h), 0, 5);
  const double f = h - sector;
  const double rising = low + (high - low) * f, falling = high - (high - low) * f;
  double r, g, b;
  switch (sector) {
    case 0:
      r = high, g = rising, b = low;
      break;
    case 1:
      r = falling, g = high, b = low;
      break;
    case 2:
      r = low, g = high, b = rising;
      break;
    case 3:
      r = low, g = falling, b = high;
      break;
    case 4:
      r = rising, g = low, b = high;
      break;
    default:
      r = high, g = low, b = falling;
      break;
  }
  return {round_byte(r * 255.0), round_byte(g * 255.0), round_byte(b * 255.0)};
}

}  // namespace

HueColour to_hsv(Rgb c) {
  const double r = c.r / 255.0, g = c.g / 255.0, b = c.b / 255.0;
  const double mx = std::max({r, g, b}), mn = std::min({r, g, b}), delta = mx - mn;
  if (delta == 0) return {0, 0, mx};
  return {hue_of(r, g, b, mx, delta), delta / mx, mx};
}

Rgb from_hsv(const HueColour& hsv) {
  const double v = hsv.third;
  return from_hue(hsv.hue, v * (1.0 - hsv.saturation), v);
}

HueColour to_hsl(Rgb c) {
  const double r = c.r / 255.0, g = c.g / 255.0, b = c.b / 255.0;
  const double mx = std::max({r, g, b}), mn = std::min({r, g, b}), delta = mx - mn;
  const double l = (mx + mn) / 2.0;
  if (delta == 0) return {0, 0, l};
  return {hue_of(r, g, b, mx, delta), delta / (1.0 - std::abs(2.0 * l - 1.0)), l};
}

Rgb from_hsl(const HueColour& hsl) {
  const double l = hsl.third;
  const double chroma = (1.0 - std::abs(2.0 * l - 1.0)) * hsl.saturation;
  return from_hue(hsl.hue, l - chroma / 2.0, l + chroma / 2.0);
}

double turn_hue(double hue, double degrees) {
  const double h = std::fmod(hue + degrees, 360.0);
  return h < 0 ? h + 360.0 : h;
}

double move_by_percent(double value, int amount) {
  const double k = amount / 100.0;
  const double moved = amount >= 0 ? value + (1.0 - value) * k : value * (1.0 + k);
  return std::clamp(moved, 0.0, 1.0);
}

}  // namespace lumatrix::adjust

namespace lumatrix::adjust {

void shift_in_model(Raster& raster, HueColour (*to)(Rgb), Rgb (*from)(const HueColour&), int hue,
                    int saturation, int third) {
  for (int y = 0; y < raster.height(); ++y) {
    uint8_t* p = raster.row(y);
    for (int x = 0; x < raster.width(); ++x, p += 3) {
      HueColour c = to(Rgb{p[0], p[1], p[2]});
      c.hue = turn_hue(c.hue, hue);
      if (c.saturation > 0) c.saturation = move_by_percent(c.saturation, saturation);
      c.third = move_by_percent(c.third, third);
      const Rgb out = from(c);
      p[0] = out.r, p[1] = out.g, p[2] = out.b;
    }
  }
}

}  // namespace lumatrix::adjust
