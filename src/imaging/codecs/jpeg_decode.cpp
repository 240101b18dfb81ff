// JPEG reading through libjpeg(-turbo): grey, RGB/YCbCr and CMYK/YCCK files, with the EXIF
// (APP1) and IPTC (APP13) blocks kept in the parameters.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "imaging/codecs/codecs.h"
#include "imaging/codecs/jpeg_error.h"
#include "imaging/metadata.h"

namespace lumatrix {

namespace {

constexpr char kExifSignature[] = "Exif\0";              // 6 bytes with the final '\0'
constexpr char kPhotoshopSignature[] = "Photoshop 3.0";  // 14 bytes with the final '\0'
constexpr size_t kExifSignatureSize = sizeof(kExifSignature);
constexpr size_t kPhotoshopSignatureSize = sizeof(kPhotoshopSignature);

// Owns a decompressor; non-movable because libjpeg keeps a pointer to the error manager beside
// it. The constructor only creates it, so that the destructor runs whatever read_header throws.
class JpegReader {
 public:
  JpegReader() {
    cinfo_.err = install_jpeg_errors(err_);
    jpeg_guarded(err_, [&] { jpeg_create_decompress(&cinfo_); });
  }
  ~JpegReader() { jpeg_destroy_decompress(&cinfo_); }
  JpegReader(const JpegReader&) = delete;
  JpegReader& operator=(const JpegReader&) = delete;

  // Reads up to the first scan, keeping the APP1 and APP13 segments.
  void read_header(std::span<const uint8_t> data) {
    if (data.empty()) throw ImageError("empty JPEG file");
    jpeg_guarded(err_, [&] {
      jpeg_mem_src(&cinfo_, data.data(), static_cast<unsigned long>(data.size()));
      jpeg_save_markers(&cinfo_, JPEG_APP0 + 1, 0xFFFF);
      jpeg_save_markers(&cinfo_, JPEG_APP0 + 13, 0xFFFF);
      jpeg_read_header(&cinfo_, TRUE);
    });
  }

  jpeg_decompress_struct& cinfo() { return cinfo_; }
  JpegErrorManager& err() { return err_; }

 private:
  JpegErrorManager err_{};
  jpeg_decompress_struct cinfo_{};
};

JpegColorSpace color_space_of(J_COLOR_SPACE space) {
  switch (space) {
    case JCS_GRAYSCALE:
      return JpegColorSpace::Gray;
    case JCS_RGB:
      return JpegColorSpace::RGB;
    case JCS_CMYK:
      return JpegColorSpace::CMYK;
    case JCS_YCCK:
      return JpegColorSpace::YCbCrK;
    default:
      return JpegColorSpace::YCbCr;
  }
}

bool is_cmyk(const jpeg_decompress_struct& cinfo) {
  return cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
}

bool starts_with(const jpeg_saved_marker_ptr marker, const char* signature, size_t size) {
  return marker->data_length >= size && std::memcmp(marker->data, signature, size) == 0;
}

// Everything the header says: size, sampling, resolution, and the metadata markers.
void fill_params(jpeg_decompress_struct& cinfo, IOParams& params) {
  params.width = static_cast<int>(cinfo.image_width);
  params.height = static_cast<int>(cinfo.image_height);
  params.bits_per_sample = 8;
  params.samples_per_pixel = cinfo.jpeg_color_space == JCS_GRAYSCALE ? 1 : 3;
  params.jpeg_progressive = cinfo.progressive_mode != 0;
  params.jpeg_color_space = color_space_of(cinfo.jpeg_color_space);

  params.exif.clear();
  params.iptc.clear();
  std::vector<uint8_t> photoshop;
  bool have_exif = false;
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next) {
    if (m->marker == JPEG_APP0 + 1 && !have_exif &&
        starts_with(m, kExifSignature, kExifSignatureSize)) {
      params.exif.assign(m->data + kExifSignatureSize, m->data + m->data_length);
      have_exif = true;
    } else if (m->marker == JPEG_APP0 + 13 &&
               starts_with(m, kPhotoshopSignature, kPhotoshopSignatureSize)) {
      // Large resource blocks are split over consecutive APP13 segments; they join in order.
      photoshop.insert(photoshop.end(), m->data + kPhotoshopSignatureSize,
                       m->data + m->data_length);
    }
  }
  if (!photoshop.empty()) params.iptc = iptc_from_photoshop_irb(photoshop);

  // JFIF density wins; unit 0 only gives an aspect ratio, so then EXIF may say more.
  params.dpi_x = params.dpi_y = kDisplayDpi;
  if (cinfo.saw_JFIF_marker && cinfo.density_unit != 0 && cinfo.X_density > 0 &&
      cinfo.Y_density > 0) {
    const double scale = cinfo.density_unit == 2 ? 2.54 : 1.0;
    params.dpi_x = static_cast<int>(std::lround(cinfo.X_density * scale));
    params.dpi_y = static_cast<int>(std::lround(cinfo.Y_density * scale));
  } else if (std::optional<Resolution> r = exif_resolution(params.exif)) {
    params.dpi_x = r->dpi_x;
    params.dpi_y = r->dpi_y;
  }
}

// Photoshop writes CMYK JPEGs with every value inverted and marks them with an Adobe APP14
// segment; libjpeg writes that segment for every CMYK file, and so do we. Files without it hold
// plain ink amounts.
inline uint8_t cmyk_channel(unsigned ink, unsigned black, bool inverted) {
  const unsigned v = inverted ? ink * black : (255 - ink) * (255 - black);
  return static_cast<uint8_t>((v + 127) / 255);
}

}  // namespace

Raster decode_jpeg(std::span<const uint8_t> data, IOParams& params) {
  const ReadBudget budget(data.size());
  JpegReader reader;
  reader.read_header(data);
  jpeg_decompress_struct& cinfo = reader.cinfo();
  fill_params(cinfo, params);

  const bool cmyk = is_cmyk(cinfo);
  const bool inverted = cinfo.saw_Adobe_marker != 0;
  const bool gray = cinfo.jpeg_color_space == JCS_GRAYSCALE;
  cinfo.out_color_space = gray ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;

  // What decoding will hold, refused before anything is allocated: the picture, and for
  // progressive or non-interleaved files libjpeg's buffer of every coefficient.
  const PixelFormat format = gray ? PixelFormat::Gray8 : PixelFormat::Rgb24;
  budget.check_pixels(cinfo.image_width, cinfo.image_height);
  uint64_t coefficients = 0;
  if (cinfo.progressive_mode || cinfo.comps_in_scan < cinfo.num_components)
    for (int c = 0; c < cinfo.num_components; ++c)
      coefficients += uint64_t{cinfo.comp_info[c].width_in_blocks} *
                      cinfo.comp_info[c].height_in_blocks * DCTSIZE2 * sizeof(JCOEF);
  const uint64_t picture =
      picture_bytes(cinfo.image_width, cinfo.image_height, bits_per_pixel(format));
  budget.check_memory(picture + coefficients, "a JPEG image of " +
                                                  std::to_string(cinfo.image_width) + "x" +
                                                  std::to_string(cinfo.image_height) + " pixels");
  // libjpeg's own allocations stay inside what is left; beyond it, it refuses the file.
  cinfo.mem->max_memory_to_use = static_cast<long>(
      std::min<uint64_t>(budget.memory_allowed() - picture, std::numeric_limits<long>::max()));
  JpegDeadline deadline;
  watch_jpeg_time(deadline, budget, reader.err());
  cinfo.progress = &deadline.pub;

  Raster raster(params.width, params.height, format);
  std::vector<uint8_t> cmyk_row(cmyk ? static_cast<size_t>(params.width) * 4 : 0);
  uint8_t* const pixels = raster.bytes().data();
  const size_t stride = raster.stride();
  uint8_t* const scratch = cmyk_row.data();
  const JDIMENSION width = cinfo.image_width;

  jpeg_guarded(reader.err(), [&] {
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_width != width || cinfo.output_components != (gray ? 1 : cmyk ? 4 : 3))
      ERREXIT(&cinfo, JERR_CONVERSION_NOTIMPL);
    while (cinfo.output_scanline < cinfo.output_height) {
      uint8_t* out = pixels + cinfo.output_scanline * stride;
      JSAMPROW target = cmyk ? scratch : out;
      if (jpeg_read_scanlines(&cinfo, &target, 1) != 1) ERREXIT(&cinfo, JERR_INPUT_EMPTY);
      if (!cmyk) continue;
      for (JDIMENSION x = 0; x < width; ++x) {
        const uint8_t* s = scratch + 4 * x;
        out[3 * x] = cmyk_channel(s[0], s[3], inverted);
        out[3 * x + 1] = cmyk_channel(s[1], s[3], inverted);
        out[3 * x + 2] = cmyk_channel(s[2], s[3], inverted);
      }
    }
    jpeg_finish_decompress(&cinfo);
  });
  if (const std::string damage = jpeg_warning_summary(reader.err()); !damage.empty())
    params.warnings.push_back(damage);
  return raster;
}

void read_jpeg_header(std::span<const uint8_t> data, IOParams& params) {
  JpegReader reader;
  reader.read_header(data);
  fill_params(reader.cinfo(), params);
}

bool sniff_jpeg(std::span<const uint8_t> data) {
  // Start of image, then the first marker's 0xFF.
  return data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

}  // namespace lumatrix
