// JPEG XL through libjxl, in memory: bare code streams and the container format, grey or
// colour, with or without alpha; of an animation, the first frame. The EXIF block is the
// container's "Exif" box, the XMP packet its "xml " box (Brotli-compressed "brob" boxes are
// unpacked); the colour profile is the code stream's own.
//
// libjxl reports everything through status codes and calls nothing of ours, so no exception
// crosses its frames. Its decoder and encoder live in owners that destroy them.
#include <jxl/decode.h>
#include <jxl/encode.h>

#include <algorithm>
#include <cstring>
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

constexpr uint8_t kContainerSignature[] = {0,   0,   0,    0x0C, 'J',  'X',
                                           'L', ' ', 0x0D, 0x0A, 0x87, 0x0A};
constexpr uint8_t kCodestreamSignature[] = {0xFF, 0x0A};
// An EXIF or XMP box, or a colour profile, larger than this is taken for damage and left out; so
// is what a "brob" box would unpack to beyond it.
constexpr size_t kMaxExifBytes = size_t{16} << 20;

struct DecoderDeleter {
  void operator()(JxlDecoder* decoder) const { JxlDecoderDestroy(decoder); }
};
struct EncoderDeleter {
  void operator()(JxlEncoder* encoder) const { JxlEncoderDestroy(encoder); }
};
using DecoderPtr = std::unique_ptr<JxlDecoder, DecoderDeleter>;
using EncoderPtr = std::unique_ptr<JxlEncoder, EncoderDeleter>;

bool starts_with(std::span<const uint8_t> data, std::span<const uint8_t> prefix) {
  return data.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), data.begin());
}

DecoderPtr decoder_for(std::span<const uint8_t> data, int events) {
  if (!sniff_jxl(data))
    throw ImageError("not a JPEG XL file (no code stream or container signature)");
  DecoderPtr decoder(JxlDecoderCreate(nullptr));
  if (!decoder) throw ImageError("cannot set up the JPEG XL decoder");
  if (JxlDecoderSubscribeEvents(decoder.get(), events) != JXL_DEC_SUCCESS ||
      JxlDecoderSetInput(decoder.get(), data.data(), data.size()) != JXL_DEC_SUCCESS)
    throw ImageError("cannot set up the JPEG XL decoder");
  JxlDecoderCloseInput(decoder.get());
  return decoder;
}

// The next event; a failure or the end of the data is an error.
JxlDecoderStatus next_event(JxlDecoder& decoder) {
  const JxlDecoderStatus status = JxlDecoderProcessInput(&decoder);
  if (status == JXL_DEC_ERROR) throw ImageError("damaged JPEG XL data");
  if (status == JXL_DEC_NEED_MORE_INPUT) throw ImageError("the JPEG XL data end too early");
  return status;
}

// The picture's size as shown: the decoder applies the orientation the header states.
std::pair<uint32_t, uint32_t> shown_size(const JxlBasicInfo& info) {
  return info.orientation > JXL_ORIENT_ROTATE_180 ? std::pair{info.ysize, info.xsize}
                                                  : std::pair{info.xsize, info.ysize};
}

void fill_header(const JxlBasicInfo& info, IOParams& params) {
  const auto [width, height] = shown_size(info);
  params.width = static_cast<int>(std::min<uint32_t>(width, INT32_MAX));
  params.height = static_cast<int>(std::min<uint32_t>(height, INT32_MAX));
  params.bits_per_sample = static_cast<int>(info.bits_per_sample);
  params.samples_per_pixel =
      static_cast<int>(info.num_color_channels) + (info.alpha_bits > 0 ? 1 : 0);
}

// Collects the first "Exif" and the first "xml " (XMP) box as the decoder hands them out in
// pieces.
class MetadataBoxes {
 public:
  // At a box event: finishes the box before it and starts on this one if it is one we keep.
  void at_box(JxlDecoder& decoder) {
    finish(decoder);
    JxlBoxType type;
    if (JxlDecoderGetBoxType(&decoder, type, JXL_TRUE) != JXL_DEC_SUCCESS) return;
    if (std::memcmp(type, "Exif", 4) == 0 && !exif_done_)
      current_ = Box::Exif;
    else if (std::memcmp(type, "xml ", 4) == 0 && !xmp_done_)
      current_ = Box::Xmp;
    else
      return;
    box_.assign(4096, 0);
    JxlDecoderSetBoxBuffer(&decoder, box_.data(), box_.size());
  }
  // The buffer is full: it grows, and past the bound the rest of the box is drained and dropped.
  void more(JxlDecoder& decoder) {
    const size_t unused = JxlDecoderReleaseBoxBuffer(&decoder);
    if (current_ != Box::None) {
      const size_t filled = box_.size() - unused;
      if (box_.size() * 2 <= kMaxExifBytes) {
        box_.resize(box_.size() * 2);
        JxlDecoderSetBoxBuffer(&decoder, box_.data() + filled, box_.size() - filled);
        return;
      }
      done(current_);
      current_ = Box::None;
      box_.assign(4096, 0);
    }
    JxlDecoderSetBoxBuffer(&decoder, box_.data(), box_.size());
  }
  // At the end of the data, or when the box ended.
  void finish(JxlDecoder& decoder) {
    const size_t unused = JxlDecoderReleaseBoxBuffer(&decoder);
    if (current_ == Box::None) return;
    box_.resize(box_.size() - unused);
    if (current_ == Box::Exif)
      exif_ = exif_from_box(box_);
    else
      xmp_.assign(box_.begin(), box_.end());
    done(current_);
    current_ = Box::None;
  }
  std::vector<uint8_t> take_exif() { return std::move(exif_); }
  std::string take_xmp() { return std::move(xmp_); }

 private:
  enum class Box { None, Exif, Xmp };
  void done(Box box) { (box == Box::Exif ? exif_done_ : xmp_done_) = true; }

  std::vector<uint8_t> box_, exif_;
  std::string xmp_;
  Box current_ = Box::None;
  bool exif_done_ = false, xmp_done_ = false;
};

// The sRGB (or sRGB-curved grey) the decoded samples are in when the file says nothing else.
bool is_srgb(const JxlColorEncoding& c) {
  const bool rgb = c.color_space == JXL_COLOR_SPACE_RGB && c.primaries == JXL_PRIMARIES_SRGB;
  return (rgb || c.color_space == JXL_COLOR_SPACE_GRAY) && c.white_point == JXL_WHITE_POINT_D65 &&
         c.transfer_function == JXL_TRANSFER_FUNCTION_SRGB;
}

// The profile of the samples the decoder hands out: none when they are sRGB, otherwise the file's
// own ICC profile or libjxl's rendering of the colour space it names.
std::vector<uint8_t> data_profile(const JxlDecoder& decoder) {
  JxlColorEncoding encoding;
  if (JxlDecoderGetColorAsEncodedProfile(&decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                         &encoding) == JXL_DEC_SUCCESS &&
      is_srgb(encoding))
    return {};
  size_t size = 0;
  if (JxlDecoderGetICCProfileSize(&decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) !=
          JXL_DEC_SUCCESS ||
      size == 0 || size > kMaxExifBytes)
    return {};
  std::vector<uint8_t> icc(size);
  if (JxlDecoderGetColorAsICCProfile(&decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, icc.data(),
                                     icc.size()) != JXL_DEC_SUCCESS)
    return {};
  return icc;
}

// The lossy distance for a quality, as libjxl's own tools map one to the other.
float distance_for(int quality) {
  const double q = std::clamp(quality, 0, 99);
  const double d =
      q >= 30 ? 0.1 + (100 - q) * 0.09 : 53.0 / 3000.0 * q * q - 23.0 / 20.0 * q + 25.0;
  return static_cast<float>(std::min(d, 15.0));
}

void check(JxlEncoderStatus status, const char* what) {
  if (status != JXL_ENC_SUCCESS) throw ImageError(std::string("cannot ") + what);
}

}  // namespace

Raster decode_jxl(std::span<const uint8_t> data, IOParams& params) {
  const ReadBudget budget(data.size());
  DecoderPtr decoder = decoder_for(
      data, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE | JXL_DEC_BOX);
  JxlDecoderSetDecompressBoxes(decoder.get(), JXL_TRUE);
  JxlBasicInfo info{};
  JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
  uint32_t width = 0, height = 0;
  Raster raster;
  std::vector<uint8_t> samples;  // interleaved with alpha, when there is alpha
  MetadataBoxes boxes;
  std::vector<uint8_t> icc;
  bool have_info = false, have_image = false;
  for (;;) {
    const JxlDecoderStatus status = next_event(*decoder);
    if (status == JXL_DEC_SUCCESS) break;
    switch (status) {
      case JXL_DEC_BASIC_INFO: {
        if (JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS)
          throw ImageError("damaged JPEG XL header");
        std::tie(width, height) = shown_size(info);
        if (width == 0 || height == 0) throw ImageError("JPEG XL picture with an empty area");
        format.num_channels =
            (info.num_color_channels == 1 ? 1 : 3) + (info.alpha_bits > 0 ? 1 : 0);
        // The picture, and the interleaved samples libjxl writes before they are split.
        budget.check_picture(width, height, info.num_color_channels == 1 ? 8 : 24,
                             info.alpha_bits > 0, "JPEG XL",
                             uint64_t{width} * height * format.num_channels);
        have_info = true;
        break;
      }
      case JXL_DEC_COLOR_ENCODING:
        icc = data_profile(*decoder);
        break;
      case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
        if (!have_info || have_image) throw ImageError("damaged JPEG XL data");
        size_t size = 0;
        if (JxlDecoderImageOutBufferSize(decoder.get(), &format, &size) != JXL_DEC_SUCCESS)
          throw ImageError("damaged JPEG XL data");
        const size_t expected = size_t{width} * height * format.num_channels;
        if (size != expected)
          throw ImageError("the JPEG XL picture's size differs from its header");
        uint8_t* out = nullptr;
        if (format.num_channels == 2 || format.num_channels == 4) {
          samples.resize(size);
          out = samples.data();
        } else {
          // Without alpha the samples go straight into the raster, whose rows are just as long.
          raster = Raster(static_cast<int>(width), static_cast<int>(height),
                          format.num_channels == 1 ? PixelFormat::Gray8 : PixelFormat::Rgb24);
          out = raster.bytes().data();
        }
        if (JxlDecoderSetImageOutBuffer(decoder.get(), &format, out, size) != JXL_DEC_SUCCESS)
          throw ImageError("cannot set up the JPEG XL decoder");
        break;
      }
      case JXL_DEC_FULL_IMAGE:
        have_image = true;
        break;
      case JXL_DEC_BOX:
        boxes.at_box(*decoder);
        break;
      case JXL_DEC_BOX_NEED_MORE_OUTPUT:
        boxes.more(*decoder);
        break;
      default:
        break;
    }
    // Of an animation only the first frame is read; boxes after it are not waited for.
    if (have_image && info.have_animation) break;
  }
  if (!have_image) throw ImageError("the JPEG XL file holds no picture");
  boxes.finish(*decoder);
  if (!samples.empty())
    raster = raster_from_interleaved(samples.data(), size_t{width} * format.num_channels,
                                     static_cast<int>(width), static_cast<int>(height),
                                     static_cast<int>(format.num_channels));
  fill_header(info, params);
  params.bits_per_sample = 8;
  std::vector<uint8_t> block = boxes.take_exif();
  // The decoder turned the picture the way the header says; the tag must not ask again.
  mark_exif_upright(block);
  keep_exif(std::move(block), params);
  params.xmp = boxes.take_xmp();
  params.icc_profile = std::move(icc);
  return raster;
}

void read_jxl_header(std::span<const uint8_t> data, IOParams& params) {
  // The colour encoding follows the basic information closely, before any pixel data.
  DecoderPtr decoder = decoder_for(data, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING);
  JxlBasicInfo info{};
  for (;;) {
    const JxlDecoderStatus status = next_event(*decoder);
    if (status == JXL_DEC_SUCCESS) throw ImageError("damaged JPEG XL header");
    if (status == JXL_DEC_BASIC_INFO &&
        JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS)
      throw ImageError("damaged JPEG XL header");
    if (status == JXL_DEC_COLOR_ENCODING) break;
  }
  fill_header(info, params);
  params.icc_profile = data_profile(*decoder);
}

// Quality below 100 is a lossy distance on libjxl's own scale (quality 90 is distance 1, "visually
// lossless"); 100 writes a lossless file. The container is always written, so the file starts
// with its full signature and can carry the EXIF box. JPEG XL has no field for the resolution, so
// the DPI setting is not stored.
std::vector<uint8_t> encode_jxl(const Raster& raster, const IOParams& params,
                                std::string_view extension) {
  if (raster.empty()) throw ImageError("the image has no pixels to save");
  const Interleaved pixels = interleave(raster, true);
  const bool lossless = params.jpeg_quality >= 100;
  EncoderPtr encoder(JxlEncoderCreate(nullptr));
  if (!encoder) throw ImageError("cannot set up the JPEG XL encoder");
  check(JxlEncoderUseContainer(encoder.get(), JXL_TRUE), "set up the JPEG XL container");

  JxlBasicInfo info;
  JxlEncoderInitBasicInfo(&info);
  info.xsize = static_cast<uint32_t>(pixels.width);
  info.ysize = static_cast<uint32_t>(pixels.height);
  info.bits_per_sample = 8;
  info.num_color_channels = pixels.grey() ? 1 : 3;
  info.alpha_bits = pixels.alpha() ? 8 : 0;
  info.num_extra_channels = pixels.alpha() ? 1 : 0;
  // A picture with a colour profile is coded in its own colours even when lossy: libjxl's
  // decoder hands XYB-coded pictures of an ICC space back in linear sRGB, which 8 bits a sample
  // cannot hold without banding, and the profile would be lost on the way.
  const bool icc = profile_fits(params.icc_profile, pixels.grey());
  info.uses_original_profile = lossless || icc ? JXL_TRUE : JXL_FALSE;
  check(JxlEncoderSetBasicInfo(encoder.get(), &info), "set up the JPEG XL encoder");
  if (icc) {
    check(JxlEncoderSetICCProfile(encoder.get(), params.icc_profile.data(),
                                  params.icc_profile.size()),
          "set up the JPEG XL colours from the colour profile");
  } else {
    JxlColorEncoding colour;
    JxlColorEncodingSetToSRGB(&colour, pixels.grey() ? JXL_TRUE : JXL_FALSE);
    check(JxlEncoderSetColorEncoding(encoder.get(), &colour), "set up the JPEG XL colours");
  }

  JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(encoder.get(), nullptr);
  if (settings == nullptr) throw ImageError("cannot set up the JPEG XL encoder");
  if (lossless)
    check(JxlEncoderSetFrameLossless(settings, JXL_TRUE), "set up lossless JPEG XL coding");
  else
    check(JxlEncoderSetFrameDistance(settings, distance_for(params.jpeg_quality)),
          "set up the JPEG XL quality");

  const bool exif = has_tiff_header(params.exif);
  if (exif || !params.xmp.empty()) {
    check(JxlEncoderUseBoxes(encoder.get()), "set up the JPEG XL boxes");
    if (exif) {
      const std::vector<uint8_t> box = exif_box(params.exif);
      check(JxlEncoderAddBox(encoder.get(), "Exif", box.data(), box.size(), JXL_FALSE),
            "add the EXIF block to the JPEG XL file");
    }
    if (!params.xmp.empty())
      check(JxlEncoderAddBox(encoder.get(), "xml ",
                             reinterpret_cast<const uint8_t*>(params.xmp.data()), params.xmp.size(),
                             JXL_FALSE),
            "add the XMP packet to the JPEG XL file");
    JxlEncoderCloseBoxes(encoder.get());
  }

  const JxlPixelFormat format{static_cast<uint32_t>(pixels.channels), JXL_TYPE_UINT8,
                              JXL_NATIVE_ENDIAN, 0};
  check(JxlEncoderAddImageFrame(settings, &format, pixels.samples.data(), pixels.samples.size()),
        "encode the JPEG XL picture");
  JxlEncoderCloseInput(encoder.get());

  std::vector<uint8_t> out(std::max<size_t>(4096, pixels.samples.size() / 4));
  size_t used = 0;
  for (;;) {
    uint8_t* next = out.data() + used;
    size_t available = out.size() - used;
    const JxlEncoderStatus status = JxlEncoderProcessOutput(encoder.get(), &next, &available);
    used = static_cast<size_t>(next - out.data());
    if (status == JXL_ENC_SUCCESS) break;
    if (status != JXL_ENC_NEED_MORE_OUTPUT) throw ImageError("cannot encode the JPEG XL picture");
    out.resize(out.size() * 2);
  }
  out.resize(used);
  return out;
}

bool sniff_jxl(std::span<const uint8_t> data) {
  return starts_with(data, kContainerSignature) || starts_with(data, kCodestreamSignature);
}

}  // namespace lumatrix
