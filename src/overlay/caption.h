#pragma once
// Text captions: one line drawn into the processed image at one of twelve placements, along an
// edge by turning the image, or in a band added to the image.
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

#include "settings/settings.h"
#include "engine/workspace.h"
#include "overlay/font3d.h"
#include "overlay/point.h"

namespace lumatrix {

// Top-left corner of a tw×th caption on a W×H image. The three "Middle" names are matched
// trimmed, the others exactly; unknown names give (0, 0). Then a name containing "Center" is
// centred across, else one containing "Right" goes to the right edge. Not clamped.
Point caption_position(std::string_view placement, int image_width, int image_height,
                       int text_width, int text_height, Point axis);

// Whether a caption in border gets its band on top (names containing "Top" or "Vertical").
bool band_on_top(std::string_view placement);

// The text a caption draws: "[DATE]" (any case, blanks around) becomes the date of `date_type`
// in `date_format`: the last write of `source` for "Creation", else `now` (also when the file's
// time cannot be read); "[FILENAME]" becomes `output_name`; anything else is drawn as typed.
std::string resolve_caption_text(std::string_view text, std::string_view date_type,
                                 std::string_view date_format, std::string_view output_name,
                                 const std::filesystem::path& source, std::time_t now);

// The style of a caption drawing in `colour`, with the soft shadow when `shadowed`.
Font3D caption_style(Rgb colour, bool shadowed);

// Draws caption 1 or 2 of the settings into `processimage` (made 24-bit), using `resizer` as
// scratch for the border band. `output_name` is the saved file's name.
void add_caption(Workspace& ws, const Settings& settings, std::string_view output_name, int which);

}  // namespace lumatrix
