#pragma once
// The adjustments of the single-image editing dialog, one row each: the page title, the
// parameters the page shows, and the pixel operation they drive. The dialog builds its pages
// from these rows alone, and every operation can be reached the same way by tests and by the
// window. The operations themselves live under imaging/adjust/, one file each.
#include <span>
#include <string_view>
#include <vector>

#include "imaging/image_document.h"

namespace lumatrix {

enum class AdjustmentParamKind {
  Integer,  // a number from `minimum` to `maximum` (slider with a spin box)
  Boolean,  // 0 or 1 (check box)
  Choice,   // an index into `choices` (drop-down)
  Colour,   // 0xRRGGBB (colour chooser)
};

// How a parameter follows the picture's size, so that a preview on a downscaled copy looks like
// the full result: lengths in pixels shrink with the copy, frequencies measured against the
// picture's own highest one grow.
enum class PreviewScaling { None, WithSize, AgainstSize };

struct AdjustmentParam {
  std::string_view name;   // snake_case key, unique within its adjustment
  std::string_view label;  // the caption on the page
  AdjustmentParamKind kind = AdjustmentParamKind::Integer;
  int minimum = 0;
  int maximum = 0;
  int initial = 0;
  std::span<const std::string_view> choices = {};  // Choice only
  // Parameters sharing a non-empty group are laid out side by side in one row captioned by
  // the group (a filter kernel's rows, say).
  std::string_view group = {};
  PreviewScaling scaling = PreviewScaling::None;
};

// One value per parameter, in the row's order.
using AdjustmentValues = std::vector<int>;

struct Adjustment {
  std::string_view page;  // the page title, exactly as the dialog shows it
  std::span<const AdjustmentParam> params;
  // Applies the adjustment to the document's picture. Palette, grey and 1-bit pictures are
  // brought to 24-bit RGB first; alpha is kept (and moves with the pixels in the warps). At the
  // initial values the picture is left as it was, except where the page has no neutral setting
  // (equalization). Lengths are in parts of the picture's size, not pixels, so that the dialog's
  // preview on a downscaled copy looks like the full result. Records its undo step as the
  // document's other operations do. Throws ImageError for values out of range.
  void (*apply)(ImageDocument& doc, const AdjustmentValues& values) = nullptr;
};

// Every page in the dialog's order: "Contrast", "HSV", "HSL", "RGB", "User filter",
// "Equalization", "Bump map", "Lens", "Wave", "Morph filters", "Rotate", "FFT".
std::span<const Adjustment> adjustments();
// The row with that page title, or null.
const Adjustment* find_adjustment(std::string_view page);
// The initial value of every parameter of `adjustment`.
AdjustmentValues initial_values(const Adjustment& adjustment);

// The values that give on a copy downscaled by `scale` (0 < scale <= 1) the look `values`
// give at full size, each kept within its parameter's range.
AdjustmentValues preview_values(const Adjustment& adjustment, const AdjustmentValues& values,
                                double scale);

// The pages offered by the two editing commands, in that order.
// "Color &Adjustment": "Contrast", "HSV", "HSL", "RGB", "Equalization", "FFT".
std::span<const std::string_view> colour_adjustment_pages();
// "&Effects": "User filter", "Bump map", "Lens", "Wave", "Morph filters", "Rotate".
std::span<const std::string_view> effect_pages();

}  // namespace lumatrix
