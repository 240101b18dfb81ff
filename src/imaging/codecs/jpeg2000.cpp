// JPEG 2000 through OpenJPEG, in memory: the .jp2 file format and bare code streams.
//
// OpenJPEG reports problems through handlers that return normally (no longjmp), so the handlers
// only keep the last error message and the failing call's result decides whether we throw.
// Every OpenJPEG object lives in an owner that destroys it.
#include <openjpeg.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "base/image_error.h"
#include "imaging/codecs/codecs.h"

namespace lumatrix {

namespace {

constexpr uint8_t kJp2Signature[] = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
constexpr uint8_t kCodestreamSignature[] = {0xFF, 0x4F, 0xFF, 0x51};

struct CodecDeleter {
  void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct StreamDeleter {
  void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct ImageDeleter {
  void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};
using CodecPtr = std::unique_ptr<opj_codec_t, CodecDeleter>;
using StreamPtr = std::unique_ptr<opj_stream_t, StreamDeleter>;
using ImagePtr = std::unique_ptr<opj_image_t, ImageDeleter>;

// The first error OpenJPEG reported; later ones are usually consequences of it.
struct Messages {
  std::string error;
};

void on_error(const char* message, void* user) {
  auto* messages = static_cast<Messages*>(user);
  if (!messages->error.empty() || message == nullptr) return;
  messages->error = message;
  while (!messages->error.empty() &&
         (messages->error.back() == '\n' || messages->error.back() == ' '))
    messages->error.pop_back();
}
void on_quiet(const char*, void*) {}

// A codec whose messages land in `messages` instead of on the terminal.
CodecPtr make_codec(opj_codec_t* raw, Messages& messages) {
  if (raw == nullptr) throw ImageError("cannot set up the JPEG 2000 codec");
  CodecPtr codec(raw);
  opj_set_error_handler(raw, on_error, &messages);
  opj_set_warning_handler(raw, on_quiet, nullptr);
  opj_set_info_handler(raw, on_quiet, nullptr);
  return codec;
}

[[noreturn]] void fail(const Messages& messages, const std::string& what) {
  throw ImageError(messages.error.empty() ? what : what + ": " + messages.error);
}

// --- reading from memory ---

struct MemoryInput {
  std::span<const uint8_t> data;
  size_t pos = 0;
};

OPJ_SIZE_T read_memory(void* buffer, OPJ_SIZE_T count, void* user) {
  auto* in = static_cast<MemoryInput*>(user);
  if (in->pos >= in->data.size()) return static_cast<OPJ_SIZE_T>(-1);
  const size_t n = std::min<size_t>(count, in->data.size() - in->pos);
  std::memcpy(buffer, in->data.data() + in->pos, n);
  in->pos += n;
  return n;
}

// OpenJPEG loops until a skip is done, so a skip that cannot move reports -1, never 0.
OPJ_OFF_T skip_memory(OPJ_OFF_T count, void* user) {
  auto* in = static_cast<MemoryInput*>(user);
  if (count < 0) {
    if (static_cast<uint64_t>(-count) > in->pos) return -1;
    in->pos -= static_cast<size_t>(-count);
    return count;
  }
  const size_t n = std::min<uint64_t>(static_cast<uint64_t>(count), in->data.size() - in->pos);
  if (n == 0 && count > 0) return -1;
  in->pos += n;
  return static_cast<OPJ_OFF_T>(n);
}

OPJ_BOOL seek_memory(OPJ_OFF_T offset, void* user) {
  auto* in = static_cast<MemoryInput*>(user);
  if (offset < 0 || static_cast<uint64_t>(offset) > in->data.size()) return OPJ_FALSE;
  in->pos = static_cast<size_t>(offset);
  return OPJ_TRUE;
}

StreamPtr input_stream(MemoryInput& input) {
  StreamPtr stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE));
  if (!stream) throw ImageError("cannot set up the JPEG 2000 reader");
  opj_stream_set_read_function(stream.get(), read_memory);
  opj_stream_set_skip_function(stream.get(), skip_memory);
  opj_stream_set_seek_function(stream.get(), seek_memory);
  opj_stream_set_user_data(stream.get(), &input, nullptr);
  opj_stream_set_user_data_length(stream.get(), input.data.size());
  return stream;
}

OPJ_CODEC_FORMAT format_of(std::span<const uint8_t> data) {
  if (data.size() >= sizeof kJp2Signature &&
      std::equal(std::begin(kJp2Signature), std::end(kJp2Signature), data.begin()))
    return OPJ_CODEC_JP2;
  if (data.size() >= sizeof kCodestreamSignature &&
      std::equal(std::begin(kCodestreamSignature), std::end(kCodestreamSignature), data.begin()))
    return OPJ_CODEC_J2K;
  throw ImageError("not a JPEG 2000 file (no JP2 or code stream signature)");
}

// A decoder that has read the main header; the image holds sizes but no samples yet.
struct HeaderRead {
  Messages messages;  // first: the codec keeps a pointer to it
  MemoryInput input;
  CodecPtr codec;
  StreamPtr stream;
  ImagePtr image;
};

std::unique_ptr<HeaderRead> read_header(std::span<const uint8_t> data) {
  auto read = std::make_unique<HeaderRead>();
  read->input.data = data;
  read->codec = make_codec(opj_create_decompress(format_of(data)), read->messages);
  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  if (!opj_setup_decoder(read->codec.get(), &parameters))
    fail(read->messages, "cannot set up the JPEG 2000 decoder");
  read->stream = input_stream(read->input);
  opj_image_t* image = nullptr;
  const bool ok = opj_read_header(read->stream.get(), read->codec.get(), &image);
  read->image.reset(image);
  if (!ok || image == nullptr) fail(read->messages, "invalid JPEG 2000 header");
  if (image->numcomps == 0 || image->comps == nullptr)
    throw ImageError("JPEG 2000 image without components");
  if (image->x1 <= image->x0 || image->y1 <= image->y0)
    throw ImageError("JPEG 2000 image with an empty area");
  for (OPJ_UINT32 i = 0; i < image->numcomps; ++i) {
    const opj_image_comp_t& c = image->comps[i];
    if (c.prec < 1 || c.prec > 31)
      throw ImageError("unsupported JPEG 2000 sample precision " + std::to_string(c.prec));
    if (c.dx == 0 || c.dy == 0) throw ImageError("JPEG 2000 component without sample spacing");
  }
  return read;
}

// The component sampled most finely sets the picture's size; coarser ones are replicated.
const opj_image_comp_t& finest_component(const opj_image_t& image) {
  const opj_image_comp_t* finest = &image.comps[0];
  for (OPJ_UINT32 i = 1; i < image.numcomps; ++i) {
    const opj_image_comp_t& c = image.comps[i];
    if (uint64_t{c.dx} * c.dy < uint64_t{finest->dx} * finest->dy) finest = &c;
  }
  return *finest;
}

// The picture's size from the header: the reference grid divided by the finest spacing.
std::pair<uint64_t, uint64_t> picture_size(const opj_image_t& image) {
  const opj_image_comp_t& c = finest_component(image);
  auto ceil_div = [](uint64_t a, uint64_t b) { return (a + b - 1) / b; };
  return {ceil_div(image.x1, c.dx) - ceil_div(image.x0, c.dx),
          ceil_div(image.y1, c.dy) - ceil_div(image.y0, c.dy)};
}

struct Layout {
  int colours = 1;  // 1 grey or 3 RGB, the first components
  int alpha = -1;   // index of the alpha component, or -1
};

Layout layout_of(const opj_image_t& image) {
  const int n = static_cast<int>(image.numcomps);
  Layout layout;
  layout.colours = n >= 3 ? 3 : 1;
  for (int i = layout.colours; i < n; ++i)
    if (image.comps[i].alpha != 0) {
      layout.alpha = i;
      break;
    }
  // Code streams cannot flag alpha; a second or fourth component is taken to be it.
  if (layout.alpha < 0 && (n == 2 || n == 4)) layout.alpha = n - 1;
  return layout;
}

void fill_header_params(const opj_image_t& image, IOParams& params) {
  const auto [width, height] = picture_size(image);
  params.width = static_cast<int>(std::min<uint64_t>(width, INT_MAX));
  params.height = static_cast<int>(std::min<uint64_t>(height, INT_MAX));
  const Layout layout = layout_of(image);
  params.samples_per_pixel = layout.colours + (layout.alpha >= 0 ? 1 : 0);
  params.bits_per_sample = static_cast<int>(image.comps[0].prec);
}

// One component's samples at picture positions, unsigned (signed samples are offset), with
// subsampled components replicated. The column lookup is worked out once per component.
class ComponentView {
 public:
  ComponentView(const opj_image_comp_t& c, const opj_image_comp_t& finest, int width)
      : c_(c),
        finest_(finest),
        max_((int64_t{1} << c.prec) - 1),
        offset_(c.sgnd ? int64_t{1} << (c.prec - 1) : 0),
        columns_(static_cast<size_t>(width)) {
    for (int x = 0; x < width; ++x)
      columns_[x] =
          static_cast<uint32_t>(grid_to_component(finest.x0, finest.dx, x, c.x0, c.dx, c.w));
  }
  const OPJ_INT32* row(int y) const {
    return c_.data +
           grid_to_component(finest_.y0, finest_.dy, y, c_.y0, c_.dy, c_.h) * uint64_t{c_.w};
  }
  int64_t sample(const OPJ_INT32* row, int x) const { return row[columns_[x]] + offset_; }
  int64_t max() const { return max_; }
  // Scales an unsigned sample to 8 bits, rounding.
  uint8_t to_8bit(int64_t v) const {
    return static_cast<uint8_t>((std::clamp<int64_t>(v, 0, max_) * 255 + max_ / 2) / max_);
  }

 private:
  // Picture position `i` on the finest component's grid, first on the reference grid, then on
  // this component's, kept inside its samples.
  static uint64_t grid_to_component(uint32_t fine_origin, uint32_t fine_step, int i,
                                    uint32_t origin, uint32_t step, uint32_t count) {
    const uint64_t grid = (uint64_t{fine_origin} + static_cast<uint64_t>(i)) * fine_step;
    return std::clamp<uint64_t>(grid / step, origin, uint64_t{origin} + count - 1) - origin;
  }

  const opj_image_comp_t& c_;
  const opj_image_comp_t& finest_;
  int64_t max_, offset_;
  std::vector<uint32_t> columns_;
};

// sYCC to RGB at the samples' own precision, with the coefficients and truncations OpenJPEG's
// tools use, so both agree on every value.
void sycc_to_rgb(int64_t offset, int64_t upb, int64_t& y_r, int64_t& cb_g, int64_t& cr_b) {
  const int64_t y = y_r, cb = cb_g - offset, cr = cr_b - offset;
  y_r = std::clamp<int64_t>(y + static_cast<int64_t>(1.402 * static_cast<float>(cr)), 0, upb);
  cb_g = std::clamp<int64_t>(
      y - static_cast<int64_t>(0.344 * static_cast<float>(cb) + 0.714 * static_cast<float>(cr)), 0,
      upb);
  cr_b = std::clamp<int64_t>(y + static_cast<int64_t>(1.772 * static_cast<float>(cb)), 0, upb);
}

Raster to_raster(const opj_image_t& image, const Layout& layout) {
  const opj_image_comp_t& finest = finest_component(image);
  const int n = layout.colours;
  for (int i = 0; i < static_cast<int>(image.numcomps); ++i) {
    const opj_image_comp_t& c = image.comps[i];
    if (c.data == nullptr || c.w == 0 || c.h == 0)
      throw ImageError("JPEG 2000 component " + std::to_string(i) + " has no samples");
  }
  Raster raster(static_cast<int>(finest.w), static_cast<int>(finest.h),
                n == 3 ? PixelFormat::Rgb24 : PixelFormat::Gray8);
  const int width = raster.width();
  if (layout.alpha >= 0) raster.add_alpha();
  std::vector<ComponentView> views;
  for (int i = 0; i < n; ++i) views.emplace_back(image.comps[i], finest, width);
  if (layout.alpha >= 0) views.emplace_back(image.comps[layout.alpha], finest, width);
  // Only a colour space the file declares turns YCC into RGB; bare code streams say nothing, and
  // their three components are taken as RGB.
  const bool ycc = n == 3 && image.color_space == OPJ_CLRSPC_SYCC &&
                   image.comps[1].prec == image.comps[0].prec &&
                   image.comps[2].prec == image.comps[0].prec;
  const int64_t half = (views[0].max() + 1) / 2;
  std::vector<const OPJ_INT32*> rows(views.size());
  for (int y = 0; y < raster.height(); ++y) {
    for (size_t k = 0; k < views.size(); ++k) rows[k] = views[k].row(y);
    uint8_t* d = raster.row(y);
    if (n == 1) {
      for (int x = 0; x < width; ++x) d[x] = views[0].to_8bit(views[0].sample(rows[0], x));
    } else {
      for (int x = 0; x < width; ++x, d += 3) {
        int64_t v0 = views[0].sample(rows[0], x), v1 = views[1].sample(rows[1], x),
                v2 = views[2].sample(rows[2], x);
        if (ycc) sycc_to_rgb(half, views[0].max(), v0, v1, v2);
        d[0] = views[0].to_8bit(v0), d[1] = views[1].to_8bit(v1), d[2] = views[2].to_8bit(v2);
      }
    }
    if (layout.alpha >= 0) {
      uint8_t* a = raster.alpha_row(y);
      for (int x = 0; x < width; ++x) a[x] = views[n].to_8bit(views[n].sample(rows[n], x));
    }
  }
  return raster;
}

// --- writing to memory ---

struct MemoryOutput {
  std::vector<uint8_t> bytes;
  size_t pos = 0;
};

OPJ_SIZE_T write_memory(void* buffer, OPJ_SIZE_T count, void* user) {
  auto* out = static_cast<MemoryOutput*>(user);
  try {
    if (out->bytes.size() < out->pos + count) out->bytes.resize(out->pos + count);
  } catch (const std::bad_alloc&) {
    return static_cast<OPJ_SIZE_T>(-1);
  }
  std::memcpy(out->bytes.data() + out->pos, buffer, count);
  out->pos += count;
  return count;
}

OPJ_OFF_T skip_output(OPJ_OFF_T count, void* user) {
  auto* out = static_cast<MemoryOutput*>(user);
  if (count < 0 && static_cast<uint64_t>(-count) > out->pos) return -1;
  out->pos = static_cast<size_t>(static_cast<OPJ_OFF_T>(out->pos) + count);
  return count;
}

OPJ_BOOL seek_output(OPJ_OFF_T offset, void* user) {
  if (offset < 0) return OPJ_FALSE;
  static_cast<MemoryOutput*>(user)->pos = static_cast<size_t>(offset);
  return OPJ_TRUE;
}

// The compression ratio for a lossy save: each 12.5 quality points below 100 halve the size,
// from 1.5:1 at the top to about 1:360 at quality 1. Higher quality always means a bigger file
// and a closer picture.
float compression_ratio(int quality) {
  const int q = std::clamp(quality, 1, 99);
  return static_cast<float>(1.5 * std::exp2((100 - q) / 12.5));
}

// Resolution levels: as many as the default six that the smaller side can be halved into.
int resolution_levels(int width, int height) {
  int levels = 1;
  while (levels < 6 && (std::min(width, height) >> levels) >= 1) ++levels;
  return levels;
}

ImagePtr make_image(const Raster& source) {
  const Raster rgb =
      (source.format() == PixelFormat::Gray8 || source.format() == PixelFormat::Rgb24)
          ? Raster()
          : source.to_rgb24();
  const Raster& raster = rgb.empty() ? source : rgb;
  const int colours = raster.format() == PixelFormat::Gray8 ? 1 : 3;
  const int count = colours + (raster.has_alpha() ? 1 : 0);
  opj_image_cmptparm_t parts[4] = {};
  for (int i = 0; i < count; ++i) {
    parts[i].dx = parts[i].dy = 1;
    parts[i].w = static_cast<OPJ_UINT32>(raster.width());
    parts[i].h = static_cast<OPJ_UINT32>(raster.height());
    parts[i].prec = 8;
  }
  ImagePtr image(opj_image_create(static_cast<OPJ_UINT32>(count), parts,
                                  colours == 3 ? OPJ_CLRSPC_SRGB : OPJ_CLRSPC_GRAY));
  if (!image) throw ImageError("not enough memory for the JPEG 2000 image");
  image->x0 = image->y0 = 0;
  image->x1 = static_cast<OPJ_UINT32>(raster.width());
  image->y1 = static_cast<OPJ_UINT32>(raster.height());
  if (raster.has_alpha()) image->comps[colours].alpha = 1;
  const size_t w = static_cast<size_t>(raster.width());
  for (int y = 0; y < raster.height(); ++y) {
    const uint8_t* s = raster.row(y);
    const size_t at = static_cast<size_t>(y) * w;
    for (size_t x = 0; x < w; ++x)
      for (int k = 0; k < colours; ++k) image->comps[k].data[at + x] = s[x * colours + k];
    if (raster.has_alpha()) {
      const uint8_t* a = raster.alpha_row(y);
      for (size_t x = 0; x < w; ++x) image->comps[colours].data[at + x] = a[x];
    }
  }
  return image;
}

}  // namespace

Raster decode_jpeg2000(std::span<const uint8_t> data, IOParams& params) {
  std::unique_ptr<HeaderRead> read = read_header(data);
  opj_image_t& image = *read->image;
  if (image.color_space == OPJ_CLRSPC_CMYK)
    throw ImageError("CMYK JPEG 2000 images are not supported");
  // Refuse before opj_decode allocates every component at full size; OpenJPEG itself has no
  // setting that caps its allocations.
  const auto [width, height] = picture_size(image);
  uint64_t samples = 0;
  for (OPJ_UINT32 i = 0; i < image.numcomps; ++i)
    samples += uint64_t{image.comps[i].w} * image.comps[i].h;
  check_pixel_limit(width, height);
  if (samples > 4 * pixel_limit())
    throw ImageError("image components of " + std::to_string(samples) +
                     " samples exceed the limit of " + std::to_string(4 * pixel_limit()));
  if (!opj_decode(read->codec.get(), read->stream.get(), &image))
    fail(read->messages, "cannot decode the JPEG 2000 image");
  if (!opj_end_decompress(read->codec.get(), read->stream.get()))
    fail(read->messages, "cannot finish decoding the JPEG 2000 image");
  const Layout layout = layout_of(image);
  Raster raster = to_raster(image, layout);
  fill_header_params(image, params);
  params.width = raster.width();
  params.height = raster.height();
  return raster;
}

void read_jpeg2000_header(std::span<const uint8_t> data, IOParams& params) {
  fill_header_params(*read_header(data)->image, params);
}

// The JP2 resolution box is not written: OpenJPEG offers no way to add one, so saved files carry
// no DPI, like code streams.
std::vector<uint8_t> encode_jpeg2000(const Raster& raster, const IOParams& params,
                                     std::string_view extension) {
  if (raster.empty()) throw ImageError("the image has no pixels to save");
  ImagePtr image = make_image(raster);

  opj_cparameters_t parameters;
  opj_set_default_encoder_parameters(&parameters);
  parameters.tcp_numlayers = 1;
  parameters.cp_disto_alloc = 1;
  parameters.tcp_mct = image->numcomps >= 3 ? 1 : 0;
  parameters.numresolution = resolution_levels(raster.width(), raster.height());
  if (params.jpeg_quality >= 100) {
    parameters.irreversible = 0;
    parameters.tcp_rates[0] = 0;  // every bit kept
  } else {
    parameters.irreversible = 1;
    parameters.tcp_rates[0] = compression_ratio(params.jpeg_quality);
  }

  Messages messages;
  CodecPtr codec = make_codec(
      opj_create_compress(extension == ".jp2" ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K), messages);
  if (!opj_setup_encoder(codec.get(), &parameters, image.get()))
    fail(messages, "cannot set up the JPEG 2000 encoder");

  MemoryOutput output;
  StreamPtr stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE));
  if (!stream) throw ImageError("cannot set up the JPEG 2000 writer");
  opj_stream_set_write_function(stream.get(), write_memory);
  opj_stream_set_skip_function(stream.get(), skip_output);
  opj_stream_set_seek_function(stream.get(), seek_output);
  opj_stream_set_user_data(stream.get(), &output, nullptr);

  if (!opj_start_compress(codec.get(), image.get(), stream.get()) ||
      !opj_encode(codec.get(), stream.get()) || !opj_end_compress(codec.get(), stream.get()))
    fail(messages, "cannot encode the JPEG 2000 image");
  stream.reset();  // flushes what OpenJPEG still buffers
  return std::move(output.bytes);
}

bool sniff_jp2(std::span<const uint8_t> data) {
  return data.size() >= sizeof kJp2Signature &&
         std::equal(std::begin(kJp2Signature), std::end(kJp2Signature), data.begin());
}

bool sniff_j2k(std::span<const uint8_t> data) {
  return data.size() >= sizeof kCodestreamSignature &&
         std::equal(std::begin(kCodestreamSignature), std::end(kCodestreamSignature), data.begin());
}

}  // namespace lumatrix
