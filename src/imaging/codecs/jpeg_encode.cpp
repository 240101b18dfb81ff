// JPEG writing through libjpeg(-turbo) with the quality, smoothing, Huffman, progressive and
// colour-space options of the parameters, the resolution as JFIF density, and the EXIF and IPTC
// blocks written back.
#include <algorithm>
#include <array>
#include <new>
#include <span>
#include <string_view>
#include <vector>

#include "imaging/codecs/codecs.h"
#include "imaging/codecs/jpeg_error.h"
#include "imaging/codecs/jpeg_icc.h"
#include "imaging/colour_profile.h"
#include "imaging/metadata.h"

namespace lumatrix {

namespace {

constexpr size_t kMaxSegmentPayload = 65533;  // a marker's 16-bit length counts itself
constexpr std::array<uint8_t, 6> kExifSignature = {'E', 'x', 'i', 'f', 0, 0};
// The XMP namespace with its terminating zero.
constexpr std::string_view kXmpSignature{"http://ns.adobe.com/xap/1.0/", 29};
constexpr std::array<uint8_t, 14> kPhotoshopSignature = {'P', 'h', 'o', 't', 'o', 's', 'h',
                                                         'o', 'p', ' ', '3', '.', '0', 0};

// A libjpeg destination that appends to a vector. Growing the vector may throw bad_alloc,
// which must not cross libjpeg's C frames: it is caught here and turned into a libjpeg error.
struct VectorDestination {
  jpeg_destination_mgr pub;  // first member: libjpeg hands back a pointer to it
  std::vector<uint8_t>* out;
  std::array<JOCTET, 65536> buffer;

  static VectorDestination* of(j_compress_ptr cinfo) {
    return reinterpret_cast<VectorDestination*>(cinfo->dest);
  }
  static void init(j_compress_ptr cinfo) {
    VectorDestination* d = of(cinfo);
    d->pub.next_output_byte = d->buffer.data();
    d->pub.free_in_buffer = d->buffer.size();
  }
  static bool append(VectorDestination* d, size_t count) {
    try {
      d->out->insert(d->out->end(), d->buffer.data(), d->buffer.data() + count);
      return true;
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  static boolean empty(j_compress_ptr cinfo) {
    VectorDestination* d = of(cinfo);
    if (!append(d, d->buffer.size())) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    init(cinfo);
    return TRUE;
  }
  static void term(j_compress_ptr cinfo) {
    VectorDestination* d = of(cinfo);
    if (!append(d, d->buffer.size() - d->pub.free_in_buffer))
      ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
  }
};

// Owns a compressor writing into `out`; non-movable, libjpeg points into it.
class JpegWriter {
 public:
  explicit JpegWriter(std::vector<uint8_t>& out) {
    cinfo_.err = install_jpeg_errors(err_);
    jpeg_guarded(err_, [&] { jpeg_create_compress(&cinfo_); });
    dest_.out = &out;
    dest_.pub.init_destination = VectorDestination::init;
    dest_.pub.empty_output_buffer = VectorDestination::empty;
    dest_.pub.term_destination = VectorDestination::term;
    cinfo_.dest = &dest_.pub;
  }
  ~JpegWriter() { jpeg_destroy_compress(&cinfo_); }
  JpegWriter(const JpegWriter&) = delete;
  JpegWriter& operator=(const JpegWriter&) = delete;

  jpeg_compress_struct& cinfo() { return cinfo_; }
  JpegErrorManager& err() { return err_; }

 private:
  JpegErrorManager err_{};
  jpeg_compress_struct cinfo_{};
  VectorDestination dest_{};
};

J_COLOR_SPACE libjpeg_space(JpegColorSpace space) {
  switch (space) {
    case JpegColorSpace::RGB:
      return JCS_RGB;
    case JpegColorSpace::Gray:
      return JCS_GRAYSCALE;
    case JpegColorSpace::YCbCr:
      return JCS_YCbCr;
    case JpegColorSpace::CMYK:
      return JCS_CMYK;
    case JpegColorSpace::YCbCrK:
      return JCS_YCCK;
  }
  return JCS_YCbCr;
}

// Naive RGB to CMYK with the values inverted the way Photoshop stores them (the Adobe segment
// libjpeg writes for CMYK files tells readers so): ink = 255 - stored value.
void rgb_to_inverted_cmyk(const uint8_t* rgb, uint8_t* cmyk, size_t width) {
  for (size_t x = 0; x < width; ++x, rgb += 3, cmyk += 4) {
    const unsigned max = std::max({rgb[0], rgb[1], rgb[2]});
    if (max == 0) {
      cmyk[0] = cmyk[1] = cmyk[2] = 255, cmyk[3] = 0;
      continue;
    }
    // ink c = (max - r) * 255 / max, black k = 255 - max; stored inverted.
    for (int i = 0; i < 3; ++i)
      cmyk[i] = static_cast<uint8_t>(255 - ((max - rgb[i]) * 255 + max / 2) / max);
    cmyk[3] = static_cast<uint8_t>(max);
  }
}

std::vector<std::vector<uint8_t>> segments(std::span<const uint8_t> signature,
                                           std::span<const uint8_t> payload) {
  std::vector<std::vector<uint8_t>> out;
  const size_t room = kMaxSegmentPayload - signature.size();
  for (size_t pos = 0; pos < payload.size(); pos += room) {
    const size_t n = std::min(room, payload.size() - pos);
    std::vector<uint8_t> segment(signature.begin(), signature.end());
    segment.insert(segment.end(), payload.begin() + pos, payload.begin() + pos + n);
    out.push_back(std::move(segment));
  }
  return out;
}

}  // namespace

std::vector<uint8_t> encode_jpeg(const Raster& raster, const IOParams& params,
                                 std::string_view /*extension*/) {
  J_COLOR_SPACE target = libjpeg_space(params.jpeg_color_space);
  // Grey stays grey unless the parameters ask for a colour model that needs three channels;
  // anything else is written from 24-bit RGB.
  const bool gray_input =
      raster.format() == PixelFormat::Gray8 && (target == JCS_GRAYSCALE || target == JCS_YCbCr);
  if (gray_input) target = JCS_GRAYSCALE;
  Raster converted;
  if (!gray_input && raster.format() != PixelFormat::Rgb24) converted = raster.to_rgb24();
  const Raster& source = converted.format() != PixelFormat::None ? converted : raster;
  if (source.empty()) throw ImageError("cannot write an empty image as JPEG");
  if (source.width() > JPEG_MAX_DIMENSION || source.height() > JPEG_MAX_DIMENSION)
    throw ImageError("image too large for JPEG");

  const bool cmyk = target == JCS_CMYK || target == JCS_YCCK;
  std::vector<uint8_t> cmyk_row(cmyk ? static_cast<size_t>(source.width()) * 4 : 0);

  // EXIF must fit one APP1 segment; a larger block cannot be stored in a JPEG and is left out.
  std::vector<std::vector<uint8_t>> app1;
  if (!params.exif.empty() && params.exif.size() + kExifSignature.size() <= kMaxSegmentPayload)
    app1 = segments(kExifSignature, params.exif);
  // XMP likewise: the extended form spread over several segments is not written.
  if (!params.xmp.empty() && params.xmp.size() + kXmpSignature.size() <= kMaxSegmentPayload) {
    const std::span<const uint8_t> signature(reinterpret_cast<const uint8_t*>(kXmpSignature.data()),
                                             kXmpSignature.size());
    const std::span<const uint8_t> packet(reinterpret_cast<const uint8_t*>(params.xmp.data()),
                                          params.xmp.size());
    for (std::vector<uint8_t>& segment : segments(signature, packet))
      app1.push_back(std::move(segment));
  }
  // The profile goes with RGB/YCbCr or grey samples it describes; the CMYK written here comes
  // from a formula, which no RGB profile describes.
  std::vector<std::vector<uint8_t>> app2;
  if (!cmyk && profile_fits(params.icc_profile, target == JCS_GRAYSCALE))
    app2 = icc_app2_segments(params.icc_profile);
  std::vector<std::vector<uint8_t>> app13;
  if (!params.iptc.empty())
    app13 = segments(kPhotoshopSignature, photoshop_irb_from_iptc(params.iptc));

  std::vector<uint8_t> out;
  JpegWriter writer(out);
  jpeg_compress_struct& cinfo = writer.cinfo();
  const uint8_t* const pixels = source.bytes().data();
  const size_t stride = source.stride();
  uint8_t* const scratch = cmyk_row.data();

  jpeg_guarded(writer.err(), [&] {
    cinfo.image_width = static_cast<JDIMENSION>(source.width());
    cinfo.image_height = static_cast<JDIMENSION>(source.height());
    cinfo.input_components = gray_input ? 1 : cmyk ? 4 : 3;
    cinfo.in_color_space = gray_input ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, target);
    jpeg_set_quality(&cinfo, std::clamp(params.jpeg_quality, 1, 100), TRUE);
    cinfo.smoothing_factor = std::clamp(params.jpeg_smoothing, 0, 100);
    cinfo.optimize_coding = params.jpeg_optimal_huffman ? TRUE : FALSE;
    if (params.jpeg_progressive) jpeg_simple_progression(&cinfo);
    // libjpeg writes JFIF (and so the density) for grey and YCbCr files only; RGB and CMYK
    // files carry an Adobe segment instead, and a JFIF one would make readers take RGB for YCbCr.
    cinfo.density_unit = 1;
    cinfo.X_density = static_cast<UINT16>(std::clamp(params.dpi_x, 1, 65535));
    cinfo.Y_density = static_cast<UINT16>(std::clamp(params.dpi_y, 1, 65535));

    jpeg_start_compress(&cinfo, TRUE);
    for (size_t i = 0; i < app1.size(); ++i)
      jpeg_write_marker(&cinfo, JPEG_APP0 + 1, app1[i].data(),
                        static_cast<unsigned>(app1[i].size()));
    for (const std::vector<uint8_t>& segment : app2)
      jpeg_write_marker(&cinfo, JPEG_APP0 + 2, segment.data(),
                        static_cast<unsigned>(segment.size()));
    for (size_t i = 0; i < app13.size(); ++i)
      jpeg_write_marker(&cinfo, JPEG_APP0 + 13, app13[i].data(),
                        static_cast<unsigned>(app13[i].size()));
    while (cinfo.next_scanline < cinfo.image_height) {
      const uint8_t* in = pixels + cinfo.next_scanline * stride;
      if (cmyk) rgb_to_inverted_cmyk(in, scratch, cinfo.image_width);
      // libjpeg takes non-const rows but only reads them.
      JSAMPROW row = cmyk ? scratch : const_cast<uint8_t*>(in);
      jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
  });
  return out;
}

}  // namespace lumatrix
