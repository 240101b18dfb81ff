#include "imaging/codecs/jpeg_transform.h"

#include <turbojpeg.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/image_error.h"
#include "imaging/codecs/exif_block.h"
#include "imaging/io_params.h"
#include "imaging/metadata.h"

namespace lumatrix {

namespace {

struct TjFree {
  void operator()(void* handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjFree>;

struct TjBufferFree {
  void operator()(unsigned char* buffer) const { tjFree(buffer); }
};
using TjBuffer = std::unique_ptr<unsigned char, TjBufferFree>;

[[noreturn]] void fail(tjhandle handle) {
  throw ImageError(tjGetErrorStr2(handle));
}

// One segment between SOI and the first scan: the marker byte and the payload after the length.
struct Segment {
  uint8_t marker = 0;
  size_t start = 0;  // of the 0xFF
  size_t end = 0;    // one past the payload
  std::span<const uint8_t> payload;
};

// The segments up to the first SOS (which is not among them); stops quietly at damage, which the
// transform itself reports.
std::vector<Segment> header_segments(std::span<const uint8_t> data) {
  std::vector<Segment> segments;
  size_t pos = 2;
  while (pos + 4 <= data.size() && data[pos] == 0xFF) {
    const uint8_t marker = data[pos + 1];
    if (marker == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    if (marker == 0xDA) break;
    const size_t length = (size_t{data[pos + 2]} << 8) | data[pos + 3];
    if (length < 2 || pos + 2 + length > data.size()) break;
    segments.push_back({marker, pos, pos + 2 + length, data.subspan(pos + 4, length - 2)});
    pos += 2 + length;
  }
  return segments;
}

constexpr std::string_view kExifSignature{"Exif\0\0", 6};
constexpr std::string_view kXmpSignature{"http://ns.adobe.com/xap/1.0/\0", 29};

bool starts_with(std::span<const uint8_t> payload, std::string_view signature) {
  return payload.size() >= signature.size() &&
         std::string_view(reinterpret_cast<const char*>(payload.data()), signature.size()) ==
             signature;
}

bool progressive(const std::vector<Segment>& segments) {
  for (const Segment& segment : segments)
    if (segment.marker == 0xC2) return true;
  return false;
}

int tj_operation(JpegTransform transform) {
  switch (transform) {
    case JpegTransform::Rotate90:
      return TJXOP_ROT90;
    case JpegTransform::Rotate270:
      return TJXOP_ROT270;
    case JpegTransform::FlipHorizontal:
      return TJXOP_HFLIP;
    case JpegTransform::FlipVertical:
      return TJXOP_VFLIP;
  }
  return TJXOP_NONE;
}

// The edge a transform moves to the left or the top must be a whole block: turning clockwise
// moves the bottom edge to the left, counter-clockwise the right edge to the top; a mirror moves
// the edge it mirrors.
void require_whole_blocks(int width, int height, int subsampling, JpegTransform transform) {
  const int block_w = tjMCUWidth[subsampling];
  const int block_h = tjMCUHeight[subsampling];
  const bool across =
      transform == JpegTransform::Rotate270 || transform == JpegTransform::FlipHorizontal;
  if (across ? width % block_w == 0 : height % block_h == 0) return;
  throw ImageError(std::to_string(width) + "×" + std::to_string(height) +
                   " is not a whole number of " + std::to_string(block_w) + "×" +
                   std::to_string(block_h) + " blocks " + (across ? "across" : "down") +
                   "; turning it without loss would cut the edge");
}

std::vector<uint8_t> with_segment(std::vector<uint8_t> out, uint8_t marker,
                                  std::string_view signature, std::span<const uint8_t> body) {
  const size_t length = 2 + signature.size() + body.size();
  if (length > 0xFFFF) throw ImageError("the changed metadata no longer fit one JPEG segment");
  out.push_back(0xFF);
  out.push_back(marker);
  out.push_back(static_cast<uint8_t>(length >> 8));
  out.push_back(static_cast<uint8_t>(length & 0xFF));
  out.insert(out.end(), signature.begin(), signature.end());
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

// The file with its EXIF and XMP segments describing a `width` x `height` picture that is
// upright as stored; untouched segments are copied byte for byte.
std::vector<uint8_t> fit_metadata_segments(std::span<const uint8_t> data, int width, int height) {
  const std::vector<Segment> segments = header_segments(data);
  const Segment* exif = nullptr;
  const Segment* xmp = nullptr;
  for (const Segment& segment : segments) {
    if (segment.marker != 0xE1) continue;
    if (!exif && starts_with(segment.payload, kExifSignature)) exif = &segment;
    if (!xmp && starts_with(segment.payload, kXmpSignature)) xmp = &segment;
  }
  if (!exif && !xmp) return {data.begin(), data.end()};

  IOParams params;
  if (exif) params.exif.assign(exif->payload.begin() + kExifSignature.size(), exif->payload.end());
  if (xmp)
    params.xmp.assign(reinterpret_cast<const char*>(xmp->payload.data()) + kXmpSignature.size(),
                      xmp->payload.size() - kXmpSignature.size());
  const IOParams before = params;
  fit_metadata(params, MetadataKeep::All, width, height, true);
  mark_exif_upright(params.exif);
  mark_xmp_upright(params.xmp);
  if (params.exif == before.exif && params.xmp == before.xmp) return {data.begin(), data.end()};

  std::vector<uint8_t> out(data.begin(), data.begin() + 2);
  size_t copied = 2;
  for (const Segment& segment : segments) {
    if (&segment != exif && &segment != xmp) continue;
    out.insert(out.end(), data.begin() + copied, data.begin() + segment.start);
    if (&segment == exif)
      out = with_segment(std::move(out), 0xE1, kExifSignature, params.exif);
    else
      out = with_segment(std::move(out), 0xE1, kXmpSignature,
                         {reinterpret_cast<const uint8_t*>(params.xmp.data()), params.xmp.size()});
    copied = segment.end;
  }
  out.insert(out.end(), data.begin() + copied, data.end());
  return out;
}

}  // namespace

std::vector<uint8_t> transform_jpeg(std::span<const uint8_t> data, JpegTransform transform) {
  TjHandle handle(tjInitTransform());
  if (!handle) fail(nullptr);
  int width = 0, height = 0, subsampling = 0, colour_space = 0;
  if (tjDecompressHeader3(handle.get(), data.data(), static_cast<unsigned long>(data.size()),
                          &width, &height, &subsampling, &colour_space) != 0)
    fail(handle.get());
  require_whole_blocks(width, height, subsampling, transform);

  tjtransform how{};
  how.op = tj_operation(transform);
  // Copying every marker is the default (no TJXOPT_COPYNONE); PERFECT is the library's own
  // guard for the block check above. Stopping on warnings refuses a truncated or damaged file,
  // which the library would otherwise pad and turn as if it were whole.
  how.options = TJXOPT_PERFECT;
  if (progressive(header_segments(data))) how.options |= TJXOPT_PROGRESSIVE;
  unsigned char* out = nullptr;
  unsigned long out_size = 0;
  const int status = tjTransform(handle.get(), data.data(), static_cast<unsigned long>(data.size()),
                                 1, &out, &out_size, &how, TJFLAG_STOPONWARNING);
  TjBuffer owned(out);
  if (status != 0) fail(handle.get());

  const bool quarter =
      transform == JpegTransform::Rotate90 || transform == JpegTransform::Rotate270;
  return fit_metadata_segments({out, out_size}, quarter ? height : width, quarter ? width : height);
}

}  // namespace lumatrix
