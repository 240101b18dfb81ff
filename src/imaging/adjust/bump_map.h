#pragma once
// The "Bump map" page: relief lighting that takes the picture's own luminance as height.
#include "imaging/image_document.h"

namespace lumatrix::adjust {

struct BumpMap {
  int azimuth = 135;   // degrees 0..359 the light comes from, counter-clockwise from the right
  int elevation = 45;  // degrees 1..90 of the light above the picture
  int depth = 5;       // 0..100: the height of white over black, in pixels
  // Divide by the shading of flat ground, so that flat areas keep their brightness and only
  // slopes lighten or darken; off, everything is lit at sin(elevation) and darkens.
  bool keep_brightness = true;
};

// Height z = depth x Y / 255 with Y = (299 R + 587 G + 114 B) / 1000 per pixel; the surface
// normal comes from central differences of z (the edge repeated beyond the border); each channel
// is multiplied by the Lambert shading max(0, N.L) (divided by sin(elevation) when keeping
// brightness) and clamped. A flat picture is shaded uniformly; depth 0 with keep_brightness is
// the identity. Alpha is kept. One undo step "Bump map". Throws ImageError for values out of
// range.
void bump_map(ImageDocument& doc, const BumpMap& params);

}  // namespace lumatrix::adjust
