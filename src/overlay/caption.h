#pragma once
// Text captions: one line drawn into the processed image at one of twelve placements, along an
// edge by turning the image, or in a band added to the image.
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/workspace.h"
#include "overlay/font3d.h"
#include "overlay/point.h"
#include "settings/settings.h"

namespace lumatrix {

// Top-left corner of a tw×th caption on a W×H image at its anchor (the origin for None and
// Unrecognised), then moved across as the placement says. Not clamped.
Point caption_position(const CaptionPlacement& placement, int image_width, int image_height,
                       int text_width, int text_height, Point axis);

// The text a caption draws: Date becomes the date of `date_type` in `date_format` (the last
// write of `source` for Creation, else `now`, also when the file's time cannot be read);
// FileName becomes `output_name`; a Typed text is drawn as typed.
std::string resolve_caption_text(const Choice<CaptionTextChoice>& text, DateType date_type,
                                 std::string_view date_format, std::string_view output_name,
                                 const std::filesystem::path& source, std::time_t now);

// The style of a caption drawing in `colour`, with the soft shadow when `shadowed`.
Font3D caption_style(Rgb colour, bool shadowed);

// Draws caption 1 or 2 of the settings into `processimage` (made 24-bit), using `resizer` as
// scratch for the border band. `output_name` is the saved file's name.
void add_caption(Workspace& ws, const Settings& settings, std::string_view output_name, int which);

}  // namespace lumatrix
