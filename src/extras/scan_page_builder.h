#pragma once
// Puts a scanned page together from the frames a scanner transmits: one grey or colour frame,
// or a red, a green and a blue frame in any order (a three-pass scanner). Samples of 1, 8 or
// 16 bits; lines may carry padding bytes after their pixels; the number of lines may be unknown
// until the data end (a hand scanner).
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "imaging/image_document.h"

namespace lumatrix {

enum class ScanFrameKind { Gray, Rgb, Red, Green, Blue };

// What a frame's data hold, as the scanner announces it before sending them.
struct ScanFrame {
  ScanFrameKind kind = ScanFrameKind::Gray;
  int depth = 8;  // bits per sample
  int pixels_per_line = 0;
  int bytes_per_line = 0;
  int lines = -1;  // -1: unknown until the data end
};

class ScanPageBuilder {
 public:
  // `device` names the scanner in the errors.
  explicit ScanPageBuilder(std::string device) : device_(std::move(device)) {}

  // Starts the next frame. Throws ScanError for a depth other than 1, 8 or 16, a line too
  // short for its pixels, a page above the pixel limit, and a frame that does not belong with
  // the ones before it (a second grey frame, a colour plane twice or of another width).
  void begin_frame(const ScanFrame& frame);
  // The current frame's next bytes. Throws ScanError when the data outgrow the pixel limit.
  void add(std::span<const uint8_t> bytes);

  // Bytes received so far, and the bytes the whole page will have (three planes for a
  // three-pass scan), or -1 while that is unknown.
  int64_t received() const { return received_; }
  int64_t expected() const;

  // The page from the whole lines received: 1-bit line art for 1-bit grey, 8-bit grey for
  // deeper grey, 24-bit colour otherwise (16-bit samples rounded to 8 bits). `dpi` is the
  // scanner's resolution, when it tells. Throws ScanError when no frame arrived, no whole line
  // did, or a three-pass scan lacks a colour plane.
  ImageDocument finish(std::optional<int> dpi) const;

 private:
  struct FrameData {
    ScanFrame layout;
    std::vector<uint8_t> bytes;
    int64_t whole_lines() const {
      return static_cast<int64_t>(bytes.size()) / layout.bytes_per_line;
    }
  };
  [[noreturn]] void fail(const std::string& reason) const;
  Raster single_frame_raster(const FrameData& frame, int height) const;
  Raster three_pass_raster(int height) const;

  std::string device_;
  std::vector<FrameData> frames_;
  int64_t received_ = 0;
};

}  // namespace lumatrix
