#pragma once
// Exact conversions between 8-bit RGB and the two hue models of the HSV and HSL pages, in
// double precision: hue in degrees 0..360 (0 for greys), the other two 0..1. Converting a
// colour there and back with no change gives the same 8-bit colour.
#include "imaging/raster.h"

namespace lumatrix::adjust {

struct HueColour {
  double hue = 0;         // degrees, 0 <= hue < 360
  double saturation = 0;  // 0..1
  double third = 0;       // value (HSV) or lightness (HSL), 0..1
};

HueColour to_hsv(Rgb colour);
Rgb from_hsv(const HueColour& hsv);
HueColour to_hsl(Rgb colour);
Rgb from_hsl(const HueColour& hsl);

// The hue turned by `degrees` and brought back into 0..360.
double turn_hue(double hue, double degrees);
// Moves a 0..1 quantity by a percentage of the way: towards 1 by amount% of what is left for
// amount > 0, towards 0 by amount% of itself for amount < 0; 0 keeps it, +100 gives 1, -100 0.
double move_by_percent(double value, int amount);

// Every pixel of a 24-bit raster through the model and back: the hue turned by `hue` degrees,
// the saturation and the third quantity moved by their percentages (move_by_percent; greys
// keep no saturation, having no hue to saturate). Alpha is left alone.
void shift_in_model(Raster& raster, HueColour (*to)(Rgb), Rgb (*from)(const HueColour&), int hue,
                    int saturation, int third);

}  // namespace lumatrix::adjust
