#include "overlay/caption.h"

#include <algorithm>
#include <cstring>

#include "base/choice_text.h"
#include "files/filename_pattern.h"
#include "imaging/rotate_flip.h"
#include "overlay/text_renderer.h"

namespace lumatrix {

namespace {

int half(int difference) {
  return difference / 2;
}  // C++ division truncates toward zero

constexpr std::string_view kVerticalLeft = "Vertical Left BottomUp";
constexpr std::string_view kVerticalRight = "Vertical Right TopDown";

// The settings of one of the two captions.
struct CaptionSettings {
  const std::string& text;
  const std::string& placement;
  Point axis;
  bool border, shadow, clear_background;
  const FontRecord& font;
  ColourValue background;
};

CaptionSettings caption_settings(const Settings& s, int which) {
  if (which == 2)
    return {s.caption_text2, s.text_alignment2, {s.textaxisx2, s.textaxisy2},
            s.text_border2,  s.shadowtext2,     s.havebackground2,
            s.FontDialog2,   s.ColorDialog2};
  return {s.caption_text, s.Text_Alignment, {s.textaxisx, s.textaxisy},
          s.text_border,  s.shadowtext,     s.havebackground,
          s.FontDialog1,  s.ColorDialog1};
}

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
  doc.save_undo("Caption band");
  doc.raster = std::move(scratch.raster);
  doc.params.width = doc.width();
  doc.params.height = doc.height();
  scratch.raster = Raster();
}

}  // namespace

Point caption_position(std::string_view placement, int image_width, int image_height,
                       int text_width, int text_height, Point axis) {
  const int dx = image_width - text_width, dy = image_height - text_height;
  const std::string_view trimmed = trim_blanks(placement);
  Point at;
  if (placement == "Top Left")
    at = {0, 0};
  else if (placement == "Top Center")
    at = {half(dx), 0};
  else if (placement == "Top Right")
    at = {dx, 0};
  else if (trimmed == "Middle Left")
    at = {0, half(dy)};
  else if (trimmed == "Middle Center")
    at = {half(dx), half(dy)};
  else if (trimmed == "Middle Right")
    at = {dx, half(dy)};
  else if (placement == "Bottom Left")
    at = {0, dy};
  else if (placement == "Bottom Center")
    at = {half(dx), dy};
  else if (placement == "Bottom Right")
    at = {dx, dy};
  else if (placement == "By Axis")
    at = axis;
  else if (placement == kVerticalLeft)
    at = {0, 0};
  else if (placement == kVerticalRight)
    at = {dx, 0};
  if (placement.find("Center") != std::string_view::npos)
    at.x = half(dx);
  else if (placement.find("Right") != std::string_view::npos)
    at.x = dx;
  return at;
}

bool band_on_top(std::string_view placement) {
  return placement.find("Top") != std::string_view::npos ||
         placement.find("Vertical") != std::string_view::npos;
}

std::string resolve_caption_text(std::string_view text, std::string_view date_type,
                                 std::string_view date_format, std::string_view output_name,
                                 const std::filesystem::path& source, std::time_t now) {
  const std::string token = normalized_choice(text);
  if (token == "[filename]") return std::string(output_name);
  if (token != "[date]") return std::string(text);
  std::optional<std::tm> date;
  if (normalized_choice(date_type) == "creation") date = file_write_date(source);
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
  const CaptionSettings c = caption_settings(settings, which);
  ImageDocument& doc = ws.processimage;
  if (doc.empty()) return;
  const std::string text =
      resolve_caption_text(c.text, settings.date_type, settings.date_format, output_name,
                           ws.current_source_path, std::time(nullptr));
  const Font3D style = caption_style(rgb_of(c.font.Color), c.shadow);
  const Rgb background = rgb_of(c.background);
  ws.resizer.background = background;
  const Brush brush{!c.clear_background, background};
  TextRenderer& renderer = text_renderer();

  if (doc.raster.format() != PixelFormat::Rgb24) doc.convert_to_24bit();
  // The vertical runs are drawn across the top of the turned image and turned back.
  const bool left = c.placement == kVerticalLeft, right = c.placement == kVerticalRight;
  if (left) rotate(doc, -90);
  if (right) rotate(doc, 90);

  const int text_height = renderer.text_height(c.font, style, text);
  if (c.border) add_band(doc, ws.resizer, text_height, band_on_top(c.placement), background);
  const int text_width = renderer.text_width(c.font, style, text);
  const Point at =
      caption_position(c.placement, doc.width(), doc.height(), text_width, text_height, c.axis);
  renderer.draw(doc.raster, at.x, at.y, text, c.font, style, brush);

  if (left) rotate(doc, 90);
  if (right) rotate(doc, -90);
}

}  // namespace lumatrix
