// HEIF files through libheif, in memory: AVIF (AV1 pictures) and HEIC (HEVC pictures). One
// decoder reads both, whatever the file's brand; the encoder picks the coding by the target's
// extension. The primary picture is read, with the container's rotation, mirroring and crop
// applied and its alpha plane; the EXIF block is the "Exif" metadata item, the XMP packet the
// "mime" item of type application/rdf+xml, the ICC profile the "prof" (or "rICC") colour box.
//
// libheif returns its errors as heif_error values and calls back into us only to hand over the
// encoded bytes, in a writer that catches everything; no exception crosses its frames. Every
// libheif object lives in an owner that releases it.
#include <libheif/heif.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/image_error.h"
#include "imaging/codecs/codecs.h"
#include "imaging/codecs/exif_block.h"
#include "imaging/codecs/interleaved.h"
#include "imaging/colour_profile.h"
#include "imaging/resource_policy.h"

namespace lumatrix {

namespace {

// An EXIF block, XMP packet or colour profile larger than this is taken for damage and left out.
constexpr size_t kMaxExifBytes = size_t{16} << 20;

struct ContextDeleter {
  void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleDeleter {
  void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageDeleter {
  void operator()(heif_image* image) const { heif_image_release(image); }
};
struct EncoderDeleter {
  void operator()(heif_encoder* encoder) const { heif_encoder_release(encoder); }
};
struct DecodingOptionsDeleter {
  void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};
struct EncodingOptionsDeleter {
  void operator()(heif_encoding_options* options) const { heif_encoding_options_free(options); }
};
struct NclxDeleter {
  void operator()(heif_color_profile_nclx* nclx) const { heif_nclx_color_profile_free(nclx); }
};
using ContextPtr = std::unique_ptr<heif_context, ContextDeleter>;
using HandlePtr = std::unique_ptr<heif_image_handle, HandleDeleter>;
using ImagePtr = std::unique_ptr<heif_image, ImageDeleter>;
using EncoderPtr = std::unique_ptr<heif_encoder, EncoderDeleter>;
using DecodingOptionsPtr = std::unique_ptr<heif_decoding_options, DecodingOptionsDeleter>;
using EncodingOptionsPtr = std::unique_ptr<heif_encoding_options, EncodingOptionsDeleter>;
using NclxPtr = std::unique_ptr<heif_color_profile_nclx, NclxDeleter>;

// libheif registers its coding plugins once per process.
void ensure_initialised() {
  static const bool initialised = [] {
    heif_init(nullptr);
    return true;
  }();
  (void)initialised;
}

void check(const heif_error& error, const std::string& what) {
  if (error.code == heif_error_Ok) return;
  std::string detail = error.message != nullptr ? error.message : "";
  // Some of libheif's messages end in a line break; the reason goes on one line of the log.
  while (!detail.empty() && std::isspace(static_cast<unsigned char>(detail.back())))
    detail.pop_back();
  throw ImageError(detail.empty() ? what : what + ": " + detail);
}

// The brands of an ISO base media file's leading "ftyp" box: the major brand first, then the
// compatible ones. Empty when the data do not start with one.
std::vector<std::array<char, 4>> file_brands(std::span<const uint8_t> data) {
  std::vector<std::array<char, 4>> brands;
  if (data.size() < 16 || std::memcmp(data.data() + 4, "ftyp", 4) != 0) return brands;
  const uint32_t size = (uint32_t{data[0]} << 24) | (uint32_t{data[1]} << 16) |
                        (uint32_t{data[2]} << 8) | uint32_t{data[3]};
  if (size < 16) return brands;
  // A cut-off box still names the brands that are there.
  const size_t end = std::min<size_t>(size, data.size());
  auto brand_at = [&](size_t at) {
    std::array<char, 4> b;
    std::memcpy(b.data(), data.data() + at, 4);
    return b;
  };
  brands.push_back(brand_at(8));
  for (size_t at = 16; at + 4 <= end; at += 4) brands.push_back(brand_at(at));
  return brands;
}

bool has_brand(const std::vector<std::array<char, 4>>& brands,
               std::initializer_list<const char*> wanted) {
  return std::any_of(brands.begin(), brands.end(), [&](const std::array<char, 4>& b) {
    return std::any_of(wanted.begin(), wanted.end(),
                       [&](const char* w) { return std::memcmp(b.data(), w, 4) == 0; });
  });
}

bool avif_brands(const std::vector<std::array<char, 4>>& brands) {
  return has_brand(brands, {"avif", "avis"});
}

// A file libheif has parsed, with its primary picture.
struct Opened {
  ContextPtr context;
  HandlePtr primary;
};

Opened open(std::span<const uint8_t> data) {
  ensure_initialised();
  if (file_brands(data).empty()) throw ImageError("not a HEIF file (no ftyp box)");
  Opened file;
  file.context.reset(heif_context_alloc());
  if (!file.context) throw ImageError("cannot set up the HEIF reader");
  // The run already decodes one picture per worker; tiles are decoded on the calling thread.
  heif_context_set_max_decoding_threads(file.context.get(), 0);
  check(heif_context_read_from_memory_without_copy(file.context.get(), data.data(), data.size(),
                                                   nullptr),
        "damaged HEIF file");
  heif_image_handle* primary = nullptr;
  check(heif_context_get_primary_image_handle(file.context.get(), &primary),
        "the HEIF file has no primary picture");
  file.primary.reset(primary);
  return file;
}

void fill_header(const heif_image_handle& handle, IOParams& params) {
  params.width = heif_image_handle_get_width(&handle);
  params.height = heif_image_handle_get_height(&handle);
  params.bits_per_sample = std::max(8, heif_image_handle_get_luma_bits_per_pixel(&handle));
  params.samples_per_pixel = heif_image_handle_has_alpha_channel(&handle) ? 4 : 3;
}

std::vector<uint8_t> exif_of(const heif_image_handle& handle) {
  heif_item_id id = 0;
  if (heif_image_handle_get_list_of_metadata_block_IDs(&handle, "Exif", &id, 1) != 1) return {};
  const size_t size = heif_image_handle_get_metadata_size(&handle, id);
  if (size == 0 || size > kMaxExifBytes) return {};
  std::vector<uint8_t> item(size);
  if (heif_image_handle_get_metadata(&handle, id, item.data()).code != heif_error_Ok) return {};
  std::vector<uint8_t> exif = exif_from_box(item);
  // libheif turns the picture the way the container's transformations say, and HEIF readers go
  // by those; the tag must not ask for a second turn.
  mark_exif_upright(exif);
  return exif;
}

// The XMP packet: the first "mime" item of type "application/rdf+xml".
std::string xmp_of(const heif_image_handle& handle) {
  const int count = heif_image_handle_get_number_of_metadata_blocks(&handle, "mime");
  if (count <= 0) return {};
  std::vector<heif_item_id> ids(static_cast<size_t>(count));
  const int listed =
      heif_image_handle_get_list_of_metadata_block_IDs(&handle, "mime", ids.data(), count);
  for (int i = 0; i < listed; ++i) {
    const char* type = heif_image_handle_get_metadata_content_type(&handle, ids[i]);
    if (type == nullptr || std::string_view(type) != "application/rdf+xml") continue;
    const size_t size = heif_image_handle_get_metadata_size(&handle, ids[i]);
    if (size == 0 || size > kMaxExifBytes) return {};
    std::string packet(size, '\0');
    if (heif_image_handle_get_metadata(&handle, ids[i], packet.data()).code != heif_error_Ok)
      return {};
    return packet;
  }
  return {};
}

// The ICC profile of a "prof" or "rICC" colour box; nothing for nclx-only pictures.
std::vector<uint8_t> icc_of(const heif_image_handle& handle) {
  const heif_color_profile_type type = heif_image_handle_get_color_profile_type(&handle);
  if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC) return {};
  const size_t size = heif_image_handle_get_raw_color_profile_size(&handle);
  if (size == 0 || size > kMaxExifBytes) return {};
  std::vector<uint8_t> icc(size);
  if (heif_image_handle_get_raw_color_profile(&handle, icc.data()).code != heif_error_Ok) return {};
  return icc;
}

heif_compression_format coding_for(std::string_view extension) {
  return extension == ".avif" ? heif_compression_AV1 : heif_compression_HEVC;
}

std::string_view format_name(heif_compression_format coding) {
  return coding == heif_compression_AV1 ? "AVIF" : "HEIC";
}

struct MemoryOutput {
  std::vector<uint8_t> bytes;
};

heif_error write_memory(heif_context*, const void* data, size_t size, void* user) {
  try {
    auto* out = static_cast<MemoryOutput*>(user);
    const auto* bytes = static_cast<const uint8_t*>(data);
    out->bytes.insert(out->bytes.end(), bytes, bytes + size);
  } catch (...) {
    return {heif_error_Encoding_error, heif_suberror_Cannot_write_output_data, "out of memory"};
  }
  return {heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

ImagePtr heif_picture(const Raster& raster) {
  const Interleaved pixels = interleave(raster, false);
  heif_image* raw = nullptr;
  check(heif_image_create(
            pixels.width, pixels.height, heif_colorspace_RGB,
            pixels.alpha() ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &raw),
        "cannot set up the HEIF picture");
  ImagePtr image(raw);
  check(heif_image_add_plane(image.get(), heif_channel_interleaved, pixels.width, pixels.height, 8),
        "not enough memory for the HEIF picture");
  int stride = 0;
  uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
  if (plane == nullptr || stride < static_cast<int>(pixels.stride()))
    throw ImageError("cannot set up the HEIF picture");
  for (int y = 0; y < pixels.height; ++y)
    std::memcpy(plane + static_cast<size_t>(y) * stride,
                pixels.samples.data() + static_cast<size_t>(y) * pixels.stride(), pixels.stride());
  return image;
}

}  // namespace

Raster decode_heif(std::span<const uint8_t> data, IOParams& params) {
  const Opened file = open(data);
  heif_image_handle& handle = *file.primary;
  const int width = heif_image_handle_get_width(&handle);
  const int height = heif_image_handle_get_height(&handle);
  if (width <= 0 || height <= 0) throw ImageError("HEIF picture with an empty area");
  const bool alpha = heif_image_handle_has_alpha_channel(&handle) != 0;
  // The picture, and libheif's interleaved copy of it that the raster is filled from.
  const auto w = static_cast<uint64_t>(width), h = static_cast<uint64_t>(height);
  ReadBudget(data.size()).check_picture(w, h, 24, alpha, "HEIF", w * h * (alpha ? 4 : 3));

  DecodingOptionsPtr options(heif_decoding_options_alloc());
  if (!options) throw ImageError("cannot set up the HEIF decoder");
  options->convert_hdr_to_8bit = 1;
  heif_image* raw = nullptr;
  check(heif_decode_image(&handle, &raw, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                          options.get()),
        "cannot decode the HEIF picture");
  const ImagePtr image(raw);
  const int channels = alpha ? 4 : 3;
  int stride = 0;
  const uint8_t* plane =
      heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
  const int out_width = heif_image_get_width(image.get(), heif_channel_interleaved);
  const int out_height = heif_image_get_height(image.get(), heif_channel_interleaved);
  if (plane == nullptr || out_width <= 0 || out_height <= 0 ||
      heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8 ||
      stride < out_width * channels)
    throw ImageError("the HEIF decoder gave no usable picture");
  Raster raster =
      raster_from_interleaved(plane, static_cast<size_t>(stride), out_width, out_height, channels);
  fill_header(handle, params);
  keep_exif(exif_of(handle), params);
  params.xmp = xmp_of(handle);
  params.icc_profile = icc_of(handle);
  return raster;
}

void read_heif_header(std::span<const uint8_t> data, IOParams& params) {
  const Opened file = open(data);
  fill_header(*file.primary, params);
  // The metadata blocks are small and need no decoding; `info` reports them from the header.
  keep_exif(exif_of(*file.primary), params);
  params.xmp = xmp_of(*file.primary);
  params.icc_profile = icc_of(*file.primary);
}

// Quality below 100 is the encoder's lossy quality; 100 writes a lossless picture (full-range
// RGB samples, no colour transform, no chroma subsampling), so every value survives. HEIF has no
// field for the resolution, so the DPI setting is not stored.
std::vector<uint8_t> encode_heif(const Raster& raster, const IOParams& params,
                                 std::string_view extension) {
  if (raster.empty()) throw ImageError("the image has no pixels to save");
  ensure_initialised();
  const heif_compression_format coding = coding_for(extension);
  const std::string name(format_name(coding));
  ContextPtr context(heif_context_alloc());
  if (!context) throw ImageError("cannot set up the " + name + " writer");
  heif_encoder* raw_encoder = nullptr;
  check(heif_context_get_encoder_for_format(context.get(), coding, &raw_encoder),
        "no " + name + " encoder is installed");
  EncoderPtr encoder(raw_encoder);

  EncodingOptionsPtr options(heif_encoding_options_alloc());
  NclxPtr nclx(heif_nclx_color_profile_alloc());
  if (!options || !nclx) throw ImageError("cannot set up the " + name + " encoder");
  const bool lossless = params.jpeg_quality >= 100;
  if (lossless) {
    check(heif_encoder_set_lossless(encoder.get(), 1), "cannot set up the " + name + " encoder");
    check(heif_encoder_set_parameter_string(encoder.get(), "chroma", "444"),
          "cannot set up the " + name + " encoder");
    nclx->matrix_coefficients = heif_matrix_coefficients_RGB_GBR;
    nclx->full_range_flag = 1;
    options->output_nclx_profile = nclx.get();
  } else {
    check(heif_encoder_set_lossy_quality(encoder.get(), std::clamp(params.jpeg_quality, 0, 100)),
          "cannot set up the " + name + " encoder");
  }

  const ImagePtr image = heif_picture(raster);
  // The picture is always RGB, so only an RGB profile fits it.
  if (profile_fits(params.icc_profile, false))
    check(heif_image_set_raw_color_profile(image.get(), "prof", params.icc_profile.data(),
                                           params.icc_profile.size()),
          "cannot add the colour profile to the " + name + " file");
  // The encoder's colour conversion goes by the picture's own profile: with only the output
  // profile set, the samples still pass through a YCbCr rounding and come back off by one.
  if (lossless)
    check(heif_image_set_nclx_color_profile(image.get(), nclx.get()),
          "cannot set up the " + name + " encoder");
  heif_image_handle* raw_handle = nullptr;
  check(heif_context_encode_image(context.get(), image.get(), encoder.get(), options.get(),
                                  &raw_handle),
        "cannot encode the " + name + " picture");
  const HandlePtr handle(raw_handle);
  if (has_tiff_header(params.exif))
    check(heif_context_add_exif_metadata(context.get(), handle.get(), params.exif.data(),
                                         static_cast<int>(params.exif.size())),
          "cannot add the EXIF block to the " + name + " file");
  if (!params.xmp.empty())
    check(heif_context_add_XMP_metadata(context.get(), handle.get(), params.xmp.data(),
                                        static_cast<int>(params.xmp.size())),
          "cannot add the XMP packet to the " + name + " file");

  MemoryOutput output;
  heif_writer writer{};
  writer.writer_api_version = 1;
  writer.write = write_memory;
  check(heif_context_write(context.get(), &writer, &output), "cannot write the " + name + " file");
  return std::move(output.bytes);
}

bool heif_writes(std::string_view extension) {
  ensure_initialised();
  return heif_have_encoder_for_format(coding_for(extension)) != 0;
}

bool heif_reads(std::string_view extension) {
  ensure_initialised();
  return heif_have_decoder_for_format(coding_for(extension)) != 0;
}

bool sniff_avif(std::span<const uint8_t> data) {
  return avif_brands(file_brands(data));
}

bool sniff_heic(std::span<const uint8_t> data) {
  const std::vector<std::array<char, 4>> brands = file_brands(data);
  return !avif_brands(brands) && has_brand(brands, {"heic", "heix", "heim", "heis", "hevc", "hevx",
                                                    "hevm", "hevs", "mif1", "msf1"});
}

}  // namespace lumatrix
