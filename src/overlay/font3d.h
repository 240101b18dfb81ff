#pragma once
// The style record of one caption drawing: colours, outline, shadow and lighting of the text.
#include "imaging/raster.h"

namespace lumatrix {

enum class ShadowStyle { sfssNone, sfssDiffuse, sfssSharp };
enum class GradientKind { sfgkVertical, sfgkHorizontal };
enum class TextSite { sfpFlying, sfpLowered, sfpRaised };

struct Font3D {
  double Altitude = 3.0;  // height of the text above the surface: the shadow's distance
  bool Antialiasing = true;
  struct {
    Rgb Color{128, 128, 128};
    double Height = 1.0;        // outline thickness in pixels; 0 draws none
    double EffectColor = -1.0;  // not used by this renderer
  } Border;
  int CharacterMargin = 0;  // extra pixels after every character
  Rgb FrontColor{0, 0, 0};
  struct {
    bool Active = false;
    GradientKind Kind = GradientKind::sfgkVertical;
    Rgb BeginColor{0, 0, 0};
    Rgb EndColor{255, 255, 255};
  } Gradient;
  struct {
    ShadowStyle Style = ShadowStyle::sfssSharp;
    int Color = 32;  // intensity 0..255 of the darkening
  } Shadow;
  TextSite Site = TextSite::sfpFlying;  // raised and lowered add a relief lit from ViewDirection
  double ViewDirection = 135;  // where the light comes from, degrees counter-clockwise from east
};

}  // namespace lumatrix
