// JPEG reading through libjpeg(-turbo): grey, RGB/YCbCr and CMYK/YCCK files, with the EXIF
// (APP1), XMP (APP1), IPTC (APP13) blocks and the ICC profile (APP2) kept in the parameters.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imaging/codecs/codecs.h"
#include "imaging/codecs/jpeg_error.h"
#include "imaging/codecs/jpeg_icc.h"
#include "imaging/colour_profile.h"
#include "imaging/metadata.h"

namespace lumatrix {

namespace {

constexpr char kExifSignature[] = "Exif\0";                       // 6 bytes with the final '\0'
constexpr char kPhotoshopSignature[] = "Photoshop 3.0";           // 14 bytes with the final '\0'
constexpr char kXmpSignature[] = "http://ns.adobe.com/xap/1.0/";  // 29 bytes with the '\0'
constexpr size_t kExifSignatureSize = sizeof(kExifSignature);
constexpr size_t kXmpSignatureSize = sizeof(kXmpSignature);
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
      jpeg_save_markers(&cinfo_, JPEG_APP0 + 2, 0xFFFF);
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
  params.xmp.clear();
  std::vector<uint8_t> photoshop;
  bool have_exif = false;
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next) {
    if (m->marker == JPEG_APP0 + 1 && !have_exif &&
        starts_with(m, kExifSignature, kExifSignatureSize)) {
      params.exif.assign(m->data + kExifSignatureSize, m->data + m->data_length);
      have_exif = true;
    } else if (m->marker == JPEG_APP0 + 1 && params.xmp.empty() &&
               starts_with(m, kXmpSignature, kXmpSignatureSize)) {
      params.xmp.assign(m->data + kXmpSignatureSize, m->data + m->data_length);
    } else if (m->marker == JPEG_APP0 + 13 &&
               starts_with(m, kPhotoshopSignature, kPhotoshopSignatureSize)) {
      // Large resource blocks are split over consecutive APP13 segments; they join in order.
      photoshop.insert(photoshop.end(), m->data + kPhotoshopSignatureSize,
                       m->data + m->data_length);
    }
  }
  if (!photoshop.empty()) params.iptc = iptc_from_photoshop_irb(photoshop);

  std::vector<std::span<const uint8_t>> app2;
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next)
    if (m->marker == JPEG_APP0 + 2) app2.emplace_back(m->data, m->data_length);
  IccChunks icc = icc_from_app2(app2);
  params.icc_profile = std::move(icc.profile);
  if (!icc.damage.empty()) params.warnings.push_back(icc.damage);

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

// The decompressor after the header, delivering rows in the raster's formats: grey stays grey,
// colour and CMYK/YCCK files become RGB. DCT scaling, when allowed, makes libjpeg decode a half,
// a quarter or an eighth of the size directly.
class JpegRows final : public RowReader {
 public:
  JpegRows(std::span<const uint8_t> data, IOParams& params)
      : budget_(data.size()), params_(params) {
    reader_.read_header(data);
    jpeg_decompress_struct& cinfo = reader_.cinfo();
    fill_params(cinfo, params);
    cmyk_ = is_cmyk(cinfo);
    inverted_ = cinfo.saw_Adobe_marker != 0;
    if (cmyk_ && params.cmyk_by_profile) use_cmyk_profile(params);
    const bool gray = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    cinfo.out_color_space = gray ? JCS_GRAYSCALE : cmyk_ ? JCS_CMYK : JCS_RGB;
    components_ = gray ? 1 : cmyk_ ? 4 : 3;
    layout_.format = gray ? PixelFormat::Gray8 : PixelFormat::Rgb24;
    layout_.width = static_cast<int>(cinfo.image_width);
    layout_.height = static_cast<int>(cinfo.image_height);

    // What decoding will hold, refused before libjpeg sets up its buffers for it: the picture,
    // and for progressive or non-interleaved files libjpeg's buffer of every coefficient.
    budget_.check_pixels(cinfo.image_width, cinfo.image_height);
    uint64_t coefficients = 0;
    if (cinfo.progressive_mode || cinfo.comps_in_scan < cinfo.num_components)
      for (int c = 0; c < cinfo.num_components; ++c)
        coefficients += uint64_t{cinfo.comp_info[c].width_in_blocks} *
                        cinfo.comp_info[c].height_in_blocks * DCTSIZE2 * sizeof(JCOEF);
    const uint64_t picture =
        picture_bytes(cinfo.image_width, cinfo.image_height, bits_per_pixel(layout_.format));
    budget_.check_memory(picture + coefficients,
                         "a JPEG image of " + std::to_string(cinfo.image_width) + "x" +
                             std::to_string(cinfo.image_height) + " pixels");
    // libjpeg's own allocations stay inside what is left; beyond it, it refuses the file.
    cinfo.mem->max_memory_to_use = static_cast<long>(
        std::min<uint64_t>(budget_.memory_allowed() - picture, std::numeric_limits<long>::max()));
    watch_jpeg_time(deadline_, budget_, reader_.err());
    cinfo.progress = &deadline_.pub;
  }

  void allow_shrink(int min_width, int min_height) override {
    if (started_) return;
    jpeg_decompress_struct& cinfo = reader_.cinfo();
    // libjpeg's own size for each scale: the side times the scale, rounded up.
    const auto scaled = [](JDIMENSION side, unsigned denominator) {
      return static_cast<int64_t>((side + denominator - 1) / denominator);
    };
    unsigned denominator = 1;
    for (unsigned d : {8u, 4u, 2u}) {
      if (scaled(cinfo.image_width, d) >= min_width &&
          scaled(cinfo.image_height, d) >= min_height) {
        denominator = d;
        break;
      }
    }
    cinfo.scale_num = 1;
    cinfo.scale_denom = denominator;
    layout_.width = static_cast<int>(scaled(cinfo.image_width, denominator));
    layout_.height = static_cast<int>(scaled(cinfo.image_height, denominator));
  }

  void read(std::span<uint8_t* const> rows, std::span<uint8_t* const> alpha) override {
    jpeg_decompress_struct& cinfo = reader_.cinfo();
    if (!started_) start();
    if (!alpha.empty() || rows.size() > cinfo.output_height - cinfo.output_scanline)
      throw ImageError("more JPEG rows asked for than the picture has");
    // CMYK rows are decoded into scratch a strip at a time and converted from there.
    const size_t width = cinfo.output_width;
    const size_t strip = cmyk_ ? std::min<size_t>(rows.size(), kCmykStrip) : rows.size();
    if (cmyk_) scratch_.resize(strip * width * 4);
    targets_.resize(strip);
    for (size_t done = 0; done < rows.size(); done += strip) {
      const size_t n = std::min(strip, rows.size() - done);
      for (size_t i = 0; i < n; ++i)
        targets_[i] = cmyk_ ? scratch_.data() + i * width * 4 : rows[done + i];
      decode_scanlines(n);
      if (!cmyk_) continue;
      if (to_srgb_) {
        for (size_t i = 0; i < n; ++i) {
          uint8_t* s = targets_[i];
          // LittleCMS takes ink amounts; Adobe files store them inverted.
          if (inverted_)
            for (size_t x = 0; x < width * 4; ++x) s[x] = static_cast<uint8_t>(255 - s[x]);
          to_srgb_->convert(s, rows[done + i], width);
        }
        continue;
      }
      for (size_t i = 0; i < n; ++i) {
        const uint8_t* s = targets_[i];
        uint8_t* out = rows[done + i];
        for (size_t x = 0; x < width; ++x, s += 4, out += 3) {
          out[0] = cmyk_channel(s[0], s[3], inverted_);
          out[1] = cmyk_channel(s[1], s[3], inverted_);
          out[2] = cmyk_channel(s[2], s[3], inverted_);
        }
      }
    }
  }

 private:
  static constexpr size_t kCmykStrip = 16;

  // CMYK samples go through the file's CMYK profile to sRGB rather than by formula; the profile
  // then describes nothing the picture holds and is not kept. One LittleCMS cannot use is
  // reported as damage, and the formula converts.
  void use_cmyk_profile(IOParams& params) {
    if (icc_header_space(params.icc_profile) != ProfileSpace::Cmyk) return;
    try {
      // The profile stays open beside the conversion built from it.
      profile_.emplace(params.icc_profile);
      to_srgb_.emplace(*profile_, 8, kPerceptualIntent);
    } catch (const ImageError& error) {
      to_srgb_.reset();
      params.warnings.push_back(error.reason() + "; the CMYK colours are converted without it");
    }
    params.icc_profile.clear();
  }

  void start() {
    jpeg_decompress_struct& cinfo = reader_.cinfo();
    const auto width = static_cast<JDIMENSION>(layout_.width);
    const auto height = static_cast<JDIMENSION>(layout_.height);
    const int components = components_;
    jpeg_guarded(reader_.err(), [&] {
      jpeg_start_decompress(&cinfo);
      if (cinfo.output_width != width || cinfo.output_height != height ||
          cinfo.output_components != components)
        ERREXIT(&cinfo, JERR_CONVERSION_NOTIMPL);
    });
    started_ = true;
  }

  // The next n rows into targets_; the last row also ends the decompression, which reads the
  // rest of the data and so reports what is wrong with it.
  void decode_scanlines(size_t n) {
    jpeg_decompress_struct& cinfo = reader_.cinfo();
    JSAMPARRAY targets = targets_.data();
    jpeg_guarded(reader_.err(), [&] {
      for (size_t done = 0; done < n;) {
        const JDIMENSION got =
            jpeg_read_scanlines(&cinfo, targets + done, static_cast<JDIMENSION>(n - done));
        if (got == 0) ERREXIT(&cinfo, JERR_INPUT_EMPTY);
        done += got;
      }
      if (cinfo.output_scanline == cinfo.output_height) jpeg_finish_decompress(&cinfo);
    });
    if (cinfo.output_scanline == cinfo.output_height)
      if (const std::string damage = jpeg_warning_summary(reader_.err()); !damage.empty())
        params_.warnings.push_back(damage);
  }

  const ReadBudget budget_;
  IOParams& params_;
  JpegReader reader_;
  JpegDeadline deadline_;
  bool started_ = false;
  bool cmyk_ = false, inverted_ = false;
  int components_ = 3;
  std::optional<ColourProfile> profile_;
  std::optional<SrgbConversion> to_srgb_;
  std::vector<uint8_t> scratch_;
  std::vector<JSAMPROW> targets_;
};

}  // namespace

std::unique_ptr<RowReader> open_jpeg_rows(std::span<const uint8_t> data, IOParams& params) {
  return std::make_unique<JpegRows>(data, params);
}

Raster decode_jpeg(std::span<const uint8_t> data, IOParams& params) {
  JpegRows rows(data, params);
  return read_all_rows(rows);
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
