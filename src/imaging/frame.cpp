#include "imaging/frame.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/image_error.h"

namespace lumatrix {

namespace {

// The sides of a grown canvas, checked in 64 bits: offsets come straight from the settings and
// are not bounded.
Raster canvas_of(int64_t width, int64_t height) {
  if (width > INT32_MAX || height > INT32_MAX ||
      static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > pixel_limit())
    throw ImageError("a frame of " + std::to_string(width) + "x" + std::to_string(height) +
                     " pixels is beyond the pixel limit");
  return Raster(static_cast<int>(width), static_cast<int>(height), PixelFormat::Rgb24);
}

void fill(Raster& canvas, int x, int y, int width, int height, Rgb colour) {
  for (int row = y; row < y + height; ++row) {
    uint8_t* p = canvas.row(row) + static_cast<size_t>(x) * 3;
    for (int col = 0; col < width; ++col, p += 3) {
      p[0] = colour.r;
      p[1] = colour.g;
      p[2] = colour.b;
    }
  }
}

// Draws the picture opaque with its top-left corner at (x, y); its alpha, if any, goes into the
// canvas's alpha plane so transparency survives the frame.
void draw(Raster& canvas, const Raster& picture, int x, int y) {
  const Raster rgb = picture.format() == PixelFormat::Rgb24 ? Raster{} : picture.to_rgb24();
  const Raster& src = picture.format() == PixelFormat::Rgb24 ? picture : rgb;
  for (int row = 0; row < src.height(); ++row)
    std::memcpy(canvas.row(y + row) + static_cast<size_t>(x) * 3, src.row(row),
                static_cast<size_t>(src.width()) * 3);
  if (!picture.has_alpha()) return;
  canvas.add_alpha();
  for (int row = 0; row < picture.height(); ++row)
    std::memcpy(canvas.alpha_row(y + row) + x, picture.alpha_row(row),
                static_cast<size_t>(picture.width()));
}

Raster bordered(const Raster& picture, int thickness, Rgb colour) {
  const int64_t t = thickness > 0 ? thickness : 0;
  Raster canvas = canvas_of(picture.width() + 2 * t, picture.height() + 2 * t);
  fill(canvas, 0, 0, canvas.width(), canvas.height(), colour);
  draw(canvas, picture, static_cast<int>(t), static_cast<int>(t));
  return canvas;
}

Raster shadowed(const Raster& picture, int x_offset, int y_offset, Rgb colour, Rgb background) {
  const int64_t dx = std::llabs(x_offset), dy = std::llabs(y_offset);
  Raster canvas = canvas_of(picture.width() + dx, picture.height() + dy);
  // Neither the shadow nor the picture covers two corner strips of the canvas; they take the
  // document's background colour rather than whatever the canvas happened to hold.
  fill(canvas, 0, 0, canvas.width(), canvas.height(), background);
  const int image_x = x_offset < 0 ? static_cast<int>(dx) : 0;
  const int image_y = y_offset < 0 ? static_cast<int>(dy) : 0;
  const int shadow_x = x_offset < 0 ? 0 : static_cast<int>(dx);
  const int shadow_y = y_offset < 0 ? 0 : static_cast<int>(dy);
  fill(canvas, shadow_x, shadow_y, picture.width(), picture.height(), colour);
  draw(canvas, picture, image_x, image_y);
  return canvas;
}

}  // namespace

void apply_frame(ImageDocument& doc, const FrameOptions& options) {
  if (doc.raster.format() == PixelFormat::None || doc.raster.empty()) return;
  switch (options.kind) {
    case FrameKind::Border:
      doc.raster = bordered(doc.raster, options.thickness, options.colour);
      break;
    case FrameKind::Effect3D:
      doc.raster =
          shadowed(doc.raster, options.x_offset, options.y_offset, options.colour, doc.background);
      break;
    case FrameKind::None:
    case FrameKind::Unrecognised:
      break;
  }
}

}  // namespace lumatrix
