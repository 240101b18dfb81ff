#include "overlay/caption.h"

#include <algorithm>
#include <cstring>

#include "files/filename_pattern.h"
#include "imaging/rotate_flip.h"
#include "overlay/text_renderer.h"
#include "settings/setting_groups.h"

namespace lumatrix {

namespace {

int half(int difference) {
  return difference / 2;
}  // C++ division truncates toward zero

// The image grown by a band `band` rows tall in `colour`, on top or below; built in the scratch
// document, which is left empty with `colour` as its background.
void add_band(ImageDocument& doc, ImageDocument& scratch, int band, bool on_top, Rgb colour) {
  const Raster& old = doc.raster;
  scratch.background = colour;
  scratch.raster = Raster(old.width(), old.height() + band, PixelFormat::Rgb24);
  if (old.has_alpha()) scratch.raster.add_alpha();
  for (int y = 0; y < scratch.height(); ++y) {
    uint8_t* row = scratch.raster.row(y);
    const int source_row = on_top ? y - band : y;
    if (source_row >= 0 && source_row < old.height()) {
      std::memcpy(row, old.row(source_row), old.stride());
      if (old.has_alpha())
        std::memcpy(scratch.raster.alpha_row(y), old.alpha_row(source_row), old.width());
    } else {
      for (int x = 0; x < old.width(); ++x)
        row[x * 3] = colour.r, row[x * 3 + 1] = colour.g, row[x * 3 + 2] = colour.b;
    }
  }
  doc.replace_raster("Caption band", std::move(scratch.raster));
  doc.params.width = doc.width();
  doc.params.height = doc.height();
  scratch.raster = Raster();
}

}  // namespace

Point caption_position(const CaptionPlacement& placement, int image_width, int image_height,
                       int text_width, int text_height, Point axis) {
  const int dx = image_width - text_width, dy = image_height - text_height;
  Point at;
  switch (placement.anchor) {
    case CaptionAnchor::TopLeft:
    case CaptionAnchor::VerticalLeft:
      at = {0, 0};
      break;
    case CaptionAnchor::TopCenter:
      at = {half(dx), 0};
      break;
    case CaptionAnchor::TopRight:
    case CaptionAnchor::VerticalRight:
      at = {dx, 0};
      break;
    case CaptionAnchor::MiddleLeft:
      at = {0, half(dy)};
      break;
    case CaptionAnchor::MiddleCenter:
      at = {half(dx), half(dy)};
      break;
    case CaptionAnchor::MiddleRight:
      at = {dx, half(dy)};
      break;
    case CaptionAnchor::BottomLeft:
      at = {0, dy};
      break;
    case CaptionAnchor::BottomCenter:
      at = {half(dx), dy};
      break;
    case CaptionAnchor::BottomRight:
      at = {dx, dy};
      break;
    case CaptionAnchor::ByAxis:
      at = axis;
      break;
    case CaptionAnchor::None:
    case CaptionAnchor::Unrecognised:
      break;
  }
  if (placement.across == CaptionAcross::Centred)
    at.x = half(dx);
  else if (placement.across == CaptionAcross::RightEdge)
    at.x = dx;
  return at;
}

std::string resolve_caption_text(const Choice<CaptionTextChoice>& text, DateType date_type,
                                 std::string_view date_format, std::string_view output_name,
                                 const std::filesystem::path& source, std::time_t now) {
  if (text.value() == CaptionText::FileName) return std::string(output_name);
  if (text.value() == CaptionText::Typed) return text.text();
  std::optional<std::tm> date = source_date(date_type, source);
  if (!date) {
    std::tm local{};
    localtime_r(&now, &local);
    date = local;
  }
  return format_date(*date, date_format);
}

Font3D caption_style(Rgb colour, bool shadowed) {
  Font3D style;
  style.Antialiasing = true;
  style.FrontColor = colour;
  style.Border.Color = {0, 0, 0};
  if (shadowed) {
    style.Shadow.Style = ShadowStyle::sfssDiffuse;
    style.Shadow.Color = 120;
    style.ViewDirection = 160;
    style.Altitude = 5.0;
    style.Site = TextSite::sfpFlying;
  } else {
    style.Shadow.Style = ShadowStyle::sfssNone;
  }
  return style;
}

void add_caption(Workspace& ws, const Settings& settings, std::string_view output_name, int which) {
  const CaptionGroup c = caption_group(settings, which);
  ImageDocument& doc = ws.processimage;
  if (doc.empty()) return;
  const std::string text =
      resolve_caption_text(c.text, settings.date_type.value(), settings.date_format, output_name,
                           ws.current_source_path, std::time(nullptr));
  const CaptionPlacement& placement = c.placement.value();
  const Font3D style = caption_style(rgb_of(c.font.Color), c.shadow);
  const Rgb background = rgb_of(c.background);
  ws.resizer.background = background;
  const Brush brush{!c.clear_background, background};
  TextRenderer& renderer = text_renderer();

  if (doc.raster.format() != PixelFormat::Rgb24) doc.convert_to_24bit();
  // The vertical runs are drawn across the top of the turned image and turned back.
  const bool left = placement.anchor == CaptionAnchor::VerticalLeft;
  const bool right = placement.anchor == CaptionAnchor::VerticalRight;
  if (left) rotate(doc, -90);
  if (right) rotate(doc, 90);

  const int text_height = renderer.text_height(c.font, style, text);
  if (c.border) add_band(doc, ws.resizer, text_height, placement.band_on_top, background);
  const int text_width = renderer.text_width(c.font, style, text);
  const Point at = caption_position(placement, doc.width(), doc.height(), text_width, text_height,
                                    {c.axis_x, c.axis_y});
  renderer.draw(doc.raster, at.x, at.y, text, c.font, style, brush);

  if (left) rotate(doc, 90);
  if (right) rotate(doc, -90);
}

}  // namespace lumatrix
