#include "extras/scan_page_builder.h"

#include <algorithm>
#include <cstring>

#include "base/image_error.h"
#include "extras/scanner.h"

namespace lumatrix {

namespace {

bool is_plane(ScanFrameKind kind) {
  return kind == ScanFrameKind::Red || kind == ScanFrameKind::Green || kind == ScanFrameKind::Blue;
}

const char* kind_name(ScanFrameKind kind) {
  switch (kind) {
    case ScanFrameKind::Gray:
      return "grey";
    case ScanFrameKind::Rgb:
      return "colour";
    case ScanFrameKind::Red:
      return "red";
    case ScanFrameKind::Green:
      return "green";
    case ScanFrameKind::Blue:
      return "blue";
  }
  return "unknown";
}

int64_t bytes_needed_per_line(const ScanFrame& frame) {
  const int64_t samples = frame.kind == ScanFrameKind::Rgb ? 3 : 1;
  return (frame.pixels_per_line * samples * frame.depth + 7) / 8;
}

// Sample `index` of a line as 8 bits. 16-bit samples come in the machine's byte order and are
// rounded as a 16-bit file's samples are when read; a set bit of a 1-bit colour sample is full
// intensity.
uint8_t sample8(const uint8_t* line, size_t index, int depth) {
  if (depth == 8) return line[index];
  if (depth == 16) {
    uint16_t value;
    std::memcpy(&value, line + 2 * index, sizeof value);
    return static_cast<uint8_t>((uint32_t{value} * 255 + 32767) / 65535);
  }
  return (line[index / 8] >> (7 - index % 8)) & 1 ? 255 : 0;
}

// The most bytes a page may bring: the pixel limit at the widest sample layout (16-bit RGB).
uint64_t byte_limit() {
  return pixel_limit() * 6;
}

}  // namespace

void ScanPageBuilder::fail(const std::string& reason) const {
  throw ScanError(device_, reason);
}

void ScanPageBuilder::begin_frame(const ScanFrame& frame) {
  if (frame.depth != 1 && frame.depth != 8 && frame.depth != 16)
    fail("samples of " + std::to_string(frame.depth) + " bits are not supported");
  if (frame.pixels_per_line <= 0 || frame.lines < -1)
    fail("the device announced a page of " + std::to_string(frame.pixels_per_line) + " pixels by " +
         std::to_string(frame.lines) + " lines");
  if (frame.bytes_per_line < bytes_needed_per_line(frame))
    fail("lines of " + std::to_string(frame.bytes_per_line) + " bytes cannot hold " +
         std::to_string(frame.pixels_per_line) + " pixels");
  if (frame.lines > 0) {
    try {
      check_pixel_limit(static_cast<uint64_t>(frame.pixels_per_line),
                        static_cast<uint64_t>(frame.lines));
    } catch (const ImageError& e) {
      fail(e.reason());
    }
  }
  for (const FrameData& before : frames_) {
    if (!is_plane(frame.kind) || !is_plane(before.layout.kind))
      fail(std::string("a ") + kind_name(frame.kind) + " frame followed a " +
           kind_name(before.layout.kind) + " frame");
    if (before.layout.kind == frame.kind)
      fail(std::string("the ") + kind_name(frame.kind) + " frame came twice");
    if (before.layout.pixels_per_line != frame.pixels_per_line ||
        before.layout.depth != frame.depth)
      fail("the colour frames differ in width or depth");
  }
  FrameData data{frame, {}};
  if (frame.lines > 0)
    data.bytes.reserve(static_cast<size_t>(frame.lines) *
                       static_cast<size_t>(frame.bytes_per_line));
  frames_.push_back(std::move(data));
}

void ScanPageBuilder::add(std::span<const uint8_t> bytes) {
  if (frames_.empty()) fail("image data arrived before a frame began");
  FrameData& frame = frames_.back();
  if (static_cast<uint64_t>(received_) + bytes.size() > byte_limit())
    fail("the page's data exceed " + std::to_string(byte_limit()) + " bytes");
  frame.bytes.insert(frame.bytes.end(), bytes.begin(), bytes.end());
  received_ += static_cast<int64_t>(bytes.size());
  // Lines beyond the announced count (or any, when none was announced) are checked as they
  // come; a partly received line counts.
  const int64_t lines =
      (static_cast<int64_t>(frame.bytes.size()) + frame.layout.bytes_per_line - 1) /
      frame.layout.bytes_per_line;
  if (lines > frame.layout.lines) {
    try {
      check_pixel_limit(static_cast<uint64_t>(frame.layout.pixels_per_line),
                        static_cast<uint64_t>(lines));
    } catch (const ImageError& e) {
      fail(e.reason());
    }
  }
}

int64_t ScanPageBuilder::expected() const {
  if (frames_.empty()) return -1;
  const ScanFrame& layout = frames_.front().layout;
  if (layout.lines < 0) return -1;
  const int64_t frame_bytes = int64_t{layout.lines} * layout.bytes_per_line;
  return is_plane(layout.kind) ? 3 * frame_bytes : frame_bytes;
}

Raster ScanPageBuilder::single_frame_raster(const FrameData& frame, int height) const {
  const ScanFrame& layout = frame.layout;
  const int width = layout.pixels_per_line;
  const bool colour = layout.kind == ScanFrameKind::Rgb;
  const PixelFormat format = colour              ? PixelFormat::Rgb24
                             : layout.depth == 1 ? PixelFormat::Bit1
                                                 : PixelFormat::Gray8;
  Raster raster(width, height, format);
  for (int y = 0; y < height; ++y) {
    const uint8_t* line = frame.bytes.data() + static_cast<size_t>(y) * layout.bytes_per_line;
    uint8_t* out = raster.row(y);
    if (format == PixelFormat::Bit1) {
      // A set bit is black here and white in the raster's default palette; the bits of the
      // last byte beyond the width stay clear.
      for (size_t i = 0; i < raster.stride(); ++i) out[i] = static_cast<uint8_t>(~line[i]);
      if (width % 8 != 0) out[raster.stride() - 1] &= static_cast<uint8_t>(0xFF << (8 - width % 8));
    } else if (layout.depth == 8) {
      std::memcpy(out, line, raster.stride());
    } else {
      const size_t samples = raster.stride();
      for (size_t i = 0; i < samples; ++i) out[i] = sample8(line, i, layout.depth);
    }
  }
  return raster;
}

Raster ScanPageBuilder::three_pass_raster(int height) const {
  const ScanFrame& first = frames_.front().layout;
  Raster raster(first.pixels_per_line, height, PixelFormat::Rgb24);
  for (const FrameData& plane : frames_) {
    const int channel = plane.layout.kind == ScanFrameKind::Red     ? 0
                        : plane.layout.kind == ScanFrameKind::Green ? 1
                                                                    : 2;
    for (int y = 0; y < height; ++y) {
      const uint8_t* line =
          plane.bytes.data() + static_cast<size_t>(y) * plane.layout.bytes_per_line;
      uint8_t* out = raster.row(y) + channel;
      for (int x = 0; x < raster.width(); ++x) out[3 * x] = sample8(line, x, plane.layout.depth);
    }
  }
  return raster;
}

ImageDocument ScanPageBuilder::finish(std::optional<int> dpi) const {
  if (frames_.empty()) fail("the device sent no image");
  const bool three_pass = is_plane(frames_.front().layout.kind);
  if (three_pass) {
    for (ScanFrameKind kind : {ScanFrameKind::Red, ScanFrameKind::Green, ScanFrameKind::Blue})
      if (std::none_of(frames_.begin(), frames_.end(),
                       [&](const FrameData& f) { return f.layout.kind == kind; }))
        fail(std::string("the three-pass scan ended without its ") + kind_name(kind) + " frame");
  }
  // Planes of a hand scanner may end at different lengths; the page is as long as all of them.
  int64_t height = frames_.front().whole_lines();
  for (const FrameData& frame : frames_) height = std::min(height, frame.whole_lines());
  if (height == 0) fail("the device sent no whole image line");

  ImageDocument page;
  page.raster = three_pass ? three_pass_raster(static_cast<int>(height))
                           : single_frame_raster(frames_.front(), static_cast<int>(height));
  page.reset_info();
  page.params.bits_per_sample = page.raster.format() == PixelFormat::Bit1 ? 1 : 8;
  page.params.samples_per_pixel = page.raster.format() == PixelFormat::Rgb24 ? 3 : 1;
  if (dpi && *dpi > 0) page.params.dpi_x = page.params.dpi_y = *dpi;
  return page;
}

}  // namespace lumatrix
