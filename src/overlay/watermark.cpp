#include "overlay/watermark.h"

#include <string>

#include "base/choice_text.h"
#include "base/image_error.h"
#include "imaging/codec.h"
#include "imaging/merge.h"
#include "settings/setting_groups.h"

namespace lumatrix {

namespace {

int half(int difference) {
  return difference / 2;
}  // C++ division truncates toward zero

bool inside(const Raster& r, int x, int y) {
  return x >= 0 && y >= 0 && x < r.width() && y < r.height();
}

void put_opaque(Raster& target, int x, int y, Rgb colour) {
  uint8_t* p = target.row(y) + static_cast<size_t>(x) * 3;
  p[0] = colour.r;
  p[1] = colour.g;
  p[2] = colour.b;
  if (target.has_alpha()) target.alpha_row(y)[x] = 255;
}

uint8_t blend(int over, int under, int alpha) {
  return static_cast<uint8_t>((over * alpha + under * (255 - alpha) + 127) / 255);
}

// `mark` is 24-bit; `paint` replaces its colours (the shadow) when given.
void draw_through_alpha(Raster& target, const Raster& mark, Point at, const Rgb* paint) {
  for (int j = 0; j < mark.height(); ++j) {
    if (!inside(target, 0, at.y + j)) continue;
    const uint8_t* src = mark.row(j);
    for (int i = 0; i < mark.width(); ++i) {
      const int x = at.x + i, y = at.y + j;
      if (!inside(target, x, y)) continue;
      const int a = mark.has_alpha() ? mark.alpha_row(j)[i] : 255;
      if (a == 0) continue;
      const Rgb colour = paint ? *paint : Rgb{src[i * 3], src[i * 3 + 1], src[i * 3 + 2]};
      uint8_t* d = target.row(y) + static_cast<size_t>(x) * 3;
      d[0] = blend(colour.r, d[0], a);
      d[1] = blend(colour.g, d[1], a);
      d[2] = blend(colour.b, d[2], a);
      if (target.has_alpha()) {
        uint8_t& da = target.alpha_row(y)[x];
        da = static_cast<uint8_t>(a + (da * (255 - a) + 127) / 255);
      }
    }
  }
}

void draw_around_key(Raster& target, const Raster& mark, Point at, const Rgb* paint) {
  const Rgb key = mark.pixel(mark.width() - 1, mark.height() - 1);
  for (int j = 0; j < mark.height(); ++j) {
    const uint8_t* src = mark.row(j);
    for (int i = 0; i < mark.width(); ++i) {
      const Rgb colour{src[i * 3], src[i * 3 + 1], src[i * 3 + 2]};
      if (colour == key || !inside(target, at.x + i, at.y + j)) continue;
      put_opaque(target, at.x + i, at.y + j, paint ? *paint : colour);
    }
  }
}

void stamp_once(ImageDocument& doc, const ImageDocument& mark, const Raster& mark24, Point at,
                StampMode mode, int percent, const Rgb* paint) {
  switch (mode) {
    case StampMode::Merge:
      if (paint) {
        ImageDocument painted;
        painted.raster = Raster(mark.width(), mark.height(), PixelFormat::Rgb24);
        for (int j = 0; j < painted.height(); ++j)
          for (int i = 0; i < painted.width(); ++i) painted.raster.set_pixel(i, j, *paint);
        merge(doc, painted, at.x, at.y, mark.width(), mark.height(), percent);
      } else {
        merge(doc, mark, at.x, at.y, mark.width(), mark.height(), percent);
      }
      break;
    case StampMode::Alpha:
      draw_through_alpha(doc.raster, mark24, at, paint);
      break;
    case StampMode::KeyColour:
      draw_around_key(doc.raster, mark24, at, paint);
      break;
  }
}

}  // namespace

Point watermark_position(WatermarkPlacement placement, int image_width, int image_height,
                         int mark_width, int mark_height, Point axis) {
  const int dx = image_width - mark_width, dy = image_height - mark_height;
  switch (placement) {
    case WatermarkPlacement::TopLeft:
      return {0, 0};
    case WatermarkPlacement::TopCenter:
      return {half(dx), 0};
    case WatermarkPlacement::TopRight:
      return {dx, 0};
    case WatermarkPlacement::MiddleCenter:
      return {half(dx), half(dy)};
    case WatermarkPlacement::BottomLeft:
      return {0, dy};
    case WatermarkPlacement::BottomCenter:
      return {half(dx), dy};
    case WatermarkPlacement::BottomRight:
      return {dx, dy};
    case WatermarkPlacement::ByAxis:
      return axis;
    case WatermarkPlacement::None:
    case WatermarkPlacement::Unrecognised:
      break;
  }
  return {0, 0};
}

bool alpha_capable(const std::filesystem::path& file) {
  const Codec* codec = find_codec(file);
  return codec != nullptr && codec->watermark_alpha;
}

void stamp_watermark(ImageDocument& doc, const ImageDocument& mark, Point at, StampMode mode,
                     int percent, bool shadow) {
  if (doc.empty() || mark.empty()) return;
  // Drawn in colour whatever the source's depth; the colour-depth step later decides the
  // saved depth, so a grey or palette image still shows its watermark.
  if (doc.raster.format() != PixelFormat::Rgb24) doc.convert_to_24bit();
  const Raster mark24 = mark.raster.to_rgb24();
  if (shadow) {
    const Point offset{at.x + kWatermarkShadowOffset, at.y + kWatermarkShadowOffset};
    stamp_once(doc, mark, mark24, offset, mode, percent, &kWatermarkShadow);
  }
  stamp_once(doc, mark, mark24, at, mode, percent, nullptr);
}

void apply_watermark(Workspace& ws, EventSink& events, const Settings& settings, int which) {
  const WatermarkGroup wm = watermark_group(settings, which);
  const std::filesystem::path file(std::string(trim_blanks(wm.file)));
  ImageDocument& mark = ws.resizer;
  // Deliberate: only watermark 2 clears the scratch document before loading, as the two steps
  // always have; what watermark 1 finds there (its background among it) stays until the load.
  if (which == 2) mark.clear();
  std::string failure;
  try {
    if (!mark.load(file)) failure = "not a supported image format";
  } catch (const ImageError& error) {
    failure = error.reason();
  }
  if (failure.empty() && mark.empty()) failure = "the file holds no picture";
  if (!failure.empty()) {
    events.log("Watermark not applied: " + file.string() + ": " + failure);
    return;
  }
  ImageDocument& doc = ws.processimage;
  const Point at = watermark_position(wm.placement.value(), doc.width(), doc.height(), mark.width(),
                                      mark.height(), {wm.axis_x, wm.axis_y});
  StampMode mode = StampMode::Merge;
  if (wm.alpha_channel) mode = alpha_capable(file) ? StampMode::Alpha : StampMode::KeyColour;
  stamp_watermark(doc, mark, at, mode, wm.transparency, wm.shadow);
}

}  // namespace lumatrix
