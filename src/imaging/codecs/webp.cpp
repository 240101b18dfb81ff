// WebP through libwebp, in memory: lossy VP8 and lossless VP8L pictures, with or without alpha,
// and the first frame of an animation. The EXIF block, the XMP packet and the ICC profile travel
// in the container's "EXIF", "XMP " and "ICCP" chunks, read through the demuxer and written
// through the mux API.
//
// libwebp reports failures through return values and status codes; it calls nothing of ours, so
// no exception can cross its frames. Every libwebp object lives in an owner that frees it.
#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <memory>
#include <string>

#include "base/image_error.h"
#include "imaging/codecs/codecs.h"
#include "imaging/codecs/exif_block.h"
#include "imaging/codecs/interleaved.h"
#include "imaging/colour_profile.h"
#include "imaging/resource_policy.h"

namespace lumatrix {

namespace {

struct DemuxDeleter {
  void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};
struct AnimDecoderDeleter {
  void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};
struct MuxDeleter {
  void operator()(WebPMux* mux) const { WebPMuxDelete(mux); }
};
using DemuxPtr = std::unique_ptr<WebPDemuxer, DemuxDeleter>;
using AnimDecoderPtr = std::unique_ptr<WebPAnimDecoder, AnimDecoderDeleter>;
using MuxPtr = std::unique_ptr<WebPMux, MuxDeleter>;

// A picture being encoded and the memory it is encoded into.
class Encoding {
 public:
  Encoding() {
    if (!WebPPictureInit(&picture_)) throw ImageError("cannot set up the WebP encoder");
    WebPMemoryWriterInit(&writer_);
    picture_.writer = WebPMemoryWrite;
    picture_.custom_ptr = &writer_;
  }
  ~Encoding() {
    WebPPictureFree(&picture_);
    WebPMemoryWriterClear(&writer_);
  }
  Encoding(const Encoding&) = delete;
  Encoding& operator=(const Encoding&) = delete;
  WebPPicture& picture() { return picture_; }
  std::span<const uint8_t> bytes() const { return {writer_.mem, writer_.size}; }

 private:
  WebPPicture picture_{};
  WebPMemoryWriter writer_{};
};

// Bytes a mux assembled; WebPDataClear frees them.
struct AssembledData {
  WebPData data{};
  ~AssembledData() { WebPDataClear(&data); }
};

std::string status_text(VP8StatusCode status) {
  switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
      return "out of memory while decoding the WebP image";
    case VP8_STATUS_UNSUPPORTED_FEATURE:
      return "the WebP file uses a feature the decoder does not support";
    case VP8_STATUS_NOT_ENOUGH_DATA:
      return "the WebP data end too early";
    case VP8_STATUS_BITSTREAM_ERROR:
    case VP8_STATUS_INVALID_PARAM:
    default:
      return "damaged WebP data";
  }
}

std::string encoding_error_text(WebPEncodingError error) {
  switch (error) {
    case VP8_ENC_ERROR_OUT_OF_MEMORY:
    case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY:
      return "out of memory while encoding the WebP image";
    case VP8_ENC_ERROR_PARTITION0_OVERFLOW:
    case VP8_ENC_ERROR_PARTITION_OVERFLOW:
      return "the picture is too detailed for a lossy WebP file of this size";
    case VP8_ENC_ERROR_BAD_DIMENSION:
      return "WebP pictures are at most 16383 pixels wide and high";
    default:
      return "cannot encode the WebP image";
  }
}

WebPData whole(std::span<const uint8_t> data) {
  return WebPData{data.data(), data.size()};
}

DemuxPtr demux_of(std::span<const uint8_t> data) {
  if (!sniff_webp(data)) throw ImageError("not a WebP file (no RIFF WEBP signature)");
  const WebPData bytes = whole(data);
  DemuxPtr demux(WebPDemux(&bytes));
  if (!demux) throw ImageError("damaged or truncated WebP container");
  return demux;
}

// The first frame of an animation, composed on the canvas as a player shows it first.
Raster first_animation_frame(std::span<const uint8_t> data) {
  WebPAnimDecoderOptions options;
  if (!WebPAnimDecoderOptionsInit(&options)) throw ImageError("cannot set up the WebP decoder");
  options.color_mode = MODE_RGBA;
  options.use_threads = 0;
  const WebPData bytes = whole(data);
  AnimDecoderPtr decoder(WebPAnimDecoderNew(&bytes, &options));
  if (!decoder) throw ImageError("damaged WebP animation");
  WebPAnimInfo info;
  if (!WebPAnimDecoderGetInfo(decoder.get(), &info)) throw ImageError("damaged WebP animation");
  uint8_t* canvas = nullptr;
  int timestamp = 0;
  if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) || canvas == nullptr)
    throw ImageError("damaged frame in the WebP animation");
  const int width = static_cast<int>(info.canvas_width);
  const int height = static_cast<int>(info.canvas_height);
  Raster raster = raster_from_interleaved(canvas, static_cast<size_t>(width) * 4, width, height, 4);
  // The canvas is always RGBA; an alpha plane that hides nothing is not kept.
  bool opaque = true;
  for (int y = 0; y < height && opaque; ++y)
    opaque = std::all_of(raster.alpha_row(y), raster.alpha_row(y) + width,
                         [](uint8_t a) { return a == 255; });
  if (opaque) raster.drop_alpha();
  return raster;
}

// A still picture: its one frame's bitstream (VP8 or VP8L, with its ALPH chunk), decoded into
// memory we own, sized from the header.
Raster still_picture(const WebPDemuxer& demux, int width, int height) {
  WebPIterator frame;
  if (!WebPDemuxGetFrame(&demux, 1, &frame)) throw ImageError("the WebP file holds no picture");
  const std::span<const uint8_t> bits(frame.fragment.bytes, frame.fragment.size);
  const bool alpha = frame.has_alpha != 0;
  const bool covers =
      frame.x_offset == 0 && frame.y_offset == 0 && frame.width == width && frame.height == height;
  WebPDemuxReleaseIterator(&frame);
  if (!covers) throw ImageError("the WebP picture does not fill its canvas");

  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) throw ImageError("cannot set up the WebP decoder");
  WebPBitstreamFeatures& features = config.input;
  VP8StatusCode status = WebPGetFeatures(bits.data(), bits.size(), &features);
  if (status != VP8_STATUS_OK) throw ImageError(status_text(status));
  if (features.width != width || features.height != height)
    throw ImageError("the WebP picture's size differs from its container's");

  const int channels = alpha ? 4 : 3;
  const size_t stride = static_cast<size_t>(width) * channels;
  Raster raster;
  std::vector<uint8_t> rgba;
  config.options.use_threads = 0;
  config.output.colorspace = alpha ? MODE_RGBA : MODE_RGB;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.stride = static_cast<int>(stride);
  if (alpha) {
    check_pixel_limit(static_cast<uint64_t>(width), static_cast<uint64_t>(height));
    rgba.resize(stride * static_cast<size_t>(height));
    config.output.u.RGBA.rgba = rgba.data();
    config.output.u.RGBA.size = rgba.size();
  } else {
    // Without alpha the samples go straight into the raster, whose rows are just as long.
    raster = Raster(width, height, PixelFormat::Rgb24);
    config.output.u.RGBA.rgba = raster.bytes().data();
    config.output.u.RGBA.size = raster.bytes().size();
  }
  status = WebPDecode(bits.data(), bits.size(), &config);
  WebPFreeDecBuffer(&config.output);  // releases nothing of ours; external memory stays
  if (status != VP8_STATUS_OK) throw ImageError(status_text(status));
  if (alpha) return raster_from_interleaved(rgba.data(), stride, width, height, 4);
  return raster;
}

// The container's chunk `fourcc`, or nothing.
std::vector<uint8_t> chunk_of(const WebPDemuxer& demux, const char* fourcc) {
  WebPChunkIterator chunk;
  if (!WebPDemuxGetChunk(&demux, fourcc, 1, &chunk)) return {};
  std::vector<uint8_t> bytes(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
  WebPDemuxReleaseChunkIterator(&chunk);
  return bytes;
}

void read_chunks(const WebPDemuxer& demux, IOParams& params) {
  if (std::vector<uint8_t> exif = chunk_of(demux, "EXIF"); !exif.empty())
    keep_exif(exif_from_chunk(exif), params);
  const std::vector<uint8_t> xmp = chunk_of(demux, "XMP ");
  params.xmp.assign(xmp.begin(), xmp.end());
  params.icc_profile = chunk_of(demux, "ICCP");
}

// The encoded picture with the metadata chunks the parameters hold (the picture is always RGB,
// so only an RGB profile fits it).
std::vector<uint8_t> with_chunks(std::span<const uint8_t> picture, const IOParams& params) {
  const bool icc = profile_fits(params.icc_profile, false);
  if (params.exif.empty() && params.xmp.empty() && !icc) return {picture.begin(), picture.end()};
  const WebPData image = whole(picture);
  MuxPtr mux(WebPMuxCreate(&image, 0));
  if (!mux) throw ImageError("cannot set up the WebP container writer");
  const auto add = [&](const char* fourcc, std::span<const uint8_t> bytes, const char* what) {
    if (bytes.empty()) return;
    const WebPData block = whole(bytes);
    if (WebPMuxSetChunk(mux.get(), fourcc, &block, 1) != WEBP_MUX_OK)
      throw ImageError(std::string("cannot add the ") + what + " to the WebP file");
  };
  if (icc) add("ICCP", params.icc_profile, "colour profile");
  add("EXIF", params.exif, "EXIF block");
  add("XMP ", std::span(reinterpret_cast<const uint8_t*>(params.xmp.data()), params.xmp.size()),
      "XMP packet");
  AssembledData out;
  if (WebPMuxAssemble(mux.get(), &out.data) != WEBP_MUX_OK)
    throw ImageError("cannot assemble the WebP file");
  return {out.data.bytes, out.data.bytes + out.data.size};
}

}  // namespace

Raster decode_webp(std::span<const uint8_t> data, IOParams& params) {
  const DemuxPtr demux = demux_of(data);
  const uint32_t width = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH);
  const uint32_t height = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT);
  const uint32_t flags = WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS);
  if (width == 0 || height == 0) throw ImageError("WebP image with an empty canvas");
  // The picture, and for alpha the interleaved samples libwebp writes before they are split.
  const bool alpha = (flags & ALPHA_FLAG) != 0;
  ReadBudget(data.size())
      .check_picture(width, height, 24, alpha, "WebP", alpha ? uint64_t{width} * height * 4 : 0);

  Raster raster = (flags & ANIMATION_FLAG) != 0
                      ? first_animation_frame(data)
                      : still_picture(*demux, static_cast<int>(width), static_cast<int>(height));

  read_chunks(*demux, params);
  params.bits_per_sample = 8;
  params.samples_per_pixel = raster.has_alpha() ? 4 : 3;
  return raster;
}

void read_webp_header(std::span<const uint8_t> data, IOParams& params) {
  if (!sniff_webp(data)) throw ImageError("not a WebP file (no RIFF WEBP signature)");
  WebPBitstreamFeatures features;
  const VP8StatusCode status = WebPGetFeatures(data.data(), data.size(), &features);
  if (status != VP8_STATUS_OK) throw ImageError(status_text(status));
  params.width = features.width;
  params.height = features.height;
  params.bits_per_sample = 8;
  params.samples_per_pixel = features.has_alpha ? 4 : 3;
  // The chunks too, when the container can be walked; the size above needs only the bitstream.
  const WebPData bytes = whole(data);
  if (const DemuxPtr demux(WebPDemux(&bytes)); demux) read_chunks(*demux, params);
}

// Quality below 100 writes a lossy picture at that quality (its alpha stays exact); 100 writes a
// lossless one that keeps even the colours under fully transparent pixels. WebP has no field for
// the resolution, so the DPI setting is not stored.
std::vector<uint8_t> encode_webp(const Raster& raster, const IOParams& params,
                                 std::string_view extension) {
  if (raster.empty()) throw ImageError("the image has no pixels to save");
  if (raster.width() > WEBP_MAX_DIMENSION || raster.height() > WEBP_MAX_DIMENSION)
    throw ImageError("WebP pictures are at most 16383 pixels wide and high; this one is " +
                     std::to_string(raster.width()) + "x" + std::to_string(raster.height()));
  const bool lossless = params.jpeg_quality >= 100;
  WebPConfig config;
  if (!WebPConfigInit(&config)) throw ImageError("cannot set up the WebP encoder");
  config.thread_level = 0;
  if (lossless) {
    config.lossless = 1;
    config.exact = 1;
  } else {
    config.quality = static_cast<float>(std::clamp(params.jpeg_quality, 0, 100));
  }
  if (!WebPValidateConfig(&config)) throw ImageError("cannot set up the WebP encoder");

  const Interleaved pixels = interleave(raster, false);
  Encoding encoding;
  WebPPicture& picture = encoding.picture();
  picture.use_argb = lossless ? 1 : 0;
  picture.width = pixels.width;
  picture.height = pixels.height;
  const int stride = static_cast<int>(pixels.stride());
  const int imported = pixels.alpha()
                           ? WebPPictureImportRGBA(&picture, pixels.samples.data(), stride)
                           : WebPPictureImportRGB(&picture, pixels.samples.data(), stride);
  if (!imported) throw ImageError("out of memory while encoding the WebP image");
  if (!WebPEncode(&config, &picture)) throw ImageError(encoding_error_text(picture.error_code));

  return with_chunks(encoding.bytes(), params);
}

bool sniff_webp(std::span<const uint8_t> data) {
  return data.size() >= 12 && std::equal(data.begin(), data.begin() + 4, "RIFF") &&
         std::equal(data.begin() + 8, data.begin() + 12, "WEBP");
}

}  // namespace lumatrix
