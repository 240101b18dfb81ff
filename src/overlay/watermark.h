#pragma once
// Image watermarks: a picture file stamped onto the processed image, blended with a percentage,
// through its own alpha channel, or around a key colour, optionally over a drop shadow.
#include <filesystem>

#include "base/run_host.h"
#include "engine/workspace.h"
#include "imaging/image_document.h"
#include "overlay/point.h"
#include "settings/settings.h"

namespace lumatrix {

// Top-left corner of a w×h watermark on a W×H image at a placement; None and Unrecognised give
// (0, 0). Not clamped: a watermark larger than the image gets negative coordinates.
Point watermark_position(WatermarkPlacement placement, int image_width, int image_height,
                         int mark_width, int mark_height, Point axis);

// Whether a transparent watermark in this file is drawn through its own alpha channel rather than
// around a key colour: the rows' watermark_alpha rule by extension (GIF and PNG).
bool alpha_capable(const std::filesystem::path& file);

enum class StampMode { Merge, Alpha, KeyColour };

// The colour the drop shadow is painted in (the usual 3D dark-shadow grey).
inline constexpr Rgb kWatermarkShadow{0x40, 0x40, 0x40};
// How far right and down the shadow lies.
inline constexpr int kWatermarkShadowOffset = 5;

// Stamps `mark` onto `doc` (made 24-bit first) with its top-left corner at `at`:
// Merge blends the clipped rectangle with `percent` (100 keeps the image, 0 replaces it); Alpha
// composites through the mark's alpha plane (opaque where it has none); KeyColour copies every
// pixel that differs from the mark's bottom-right pixel. With `shadow`, the same stamp in
// kWatermarkShadow is laid kWatermarkShadowOffset pixels right and down first; in KeyColour
// mode the shadow covers the pixels that differ from the key colour.
void stamp_watermark(ImageDocument& doc, const ImageDocument& mark, Point at, StampMode mode,
                     int percent, bool shadow);

// Applies watermark 1 or 2 of the settings to `processimage`, loading the file into `resizer`.
// A file that cannot be loaded leaves the image as it was and logs
// "Watermark not applied: <file>: <reason>".
void apply_watermark(Workspace& ws, EventSink& events, const Settings& settings, int which);

}  // namespace lumatrix
