#pragma once
// Rotation (positive angles turn counter-clockwise) and mirroring.
#include <optional>

#include "imaging/image_document.h"

namespace lumatrix {

enum class FlipDirection { Horizontal, Vertical };

// Angle 0 does nothing. Whole multiples of 90 move pixels exactly in every format (90 and 270
// swap width and height), whatever `antialias` says. Any other angle turns the picture about
// its centre onto a canvas grown to hold all of it, as 24-bit RGB; uncovered corners take
// `fill` (the document's background when not given). With `antialias` the source is sampled
// bilinearly, otherwise by nearest pixel. Alpha turns with the picture (uncovered: 0).
// Undo "Rotate a" with the angle as given.
void rotate(ImageDocument& doc, double degrees, bool antialias = false,
            std::optional<Rgb> fill = std::nullopt);

// Horizontal mirrors every row, vertical the row order. Every format, alpha included. Flip
// records no undo step.
void flip(ImageDocument& doc, FlipDirection direction);

}  // namespace lumatrix
