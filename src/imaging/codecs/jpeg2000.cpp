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
#include <optional>
#include <string>

#include "base/image_error.h"
#include "base/isolated_call.h"
#include "imaging/codecs/codecs.h"
#include "imaging/codecs/jpeg2000_colour.h"
#include "imaging/resource_policy.h"

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
  const ReadBudget* budget = nullptr;  // while decoding: no more data once out of time
};

OPJ_SIZE_T read_memory(void* buffer, OPJ_SIZE_T count, void* user) {
  auto* in = static_cast<MemoryInput*>(user);
  if (in->pos >= in->data.size() || (in->budget != nullptr && in->budget->out_of_time()))
    return static_cast<OPJ_SIZE_T>(-1);
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

// What the header says about the picture: its size on the reference grid, and its colour and
// alpha samples as the picture will have them (CMYK becomes RGB).
void fill_header_params(const opj_image_t& image, IOParams& params) {
  const auto [width, height] = jpeg2000_picture_size(image);
  params.width = static_cast<int>(std::min<uint64_t>(width, INT_MAX));
  params.height = static_cast<int>(std::min<uint64_t>(height, INT_MAX));
  // The components the picture is made of: those sampled at whole multiples of the finest.
  const opj_image_comp_t& finest = image.comps[jpeg2000_finest_component(image)];
  int n = 0;
  bool alpha = false;
  for (OPJ_UINT32 i = 0; i < image.numcomps; ++i)
    if (image.comps[i].dx % finest.dx == 0 && image.comps[i].dy % finest.dy == 0) {
      ++n;
      alpha = alpha || image.comps[i].alpha != 0;
    }
  if (image.color_space == OPJ_CLRSPC_CMYK && n >= 4) --n;
  alpha = alpha || n == 2 || n == 4;
  params.samples_per_pixel = (n >= 3 ? 3 : 1) + (alpha ? 1 : 0);
  params.bits_per_sample = static_cast<int>(image.comps[0].prec);
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

Raster decode_here(std::span<const uint8_t> data, IOParams& params) {
  const ReadBudget budget(data.size());
  std::unique_ptr<HeaderRead> read = read_header(data);
  opj_image_t& image = *read->image;
  // Refuse before opj_decode allocates every component at full size; OpenJPEG itself has no
  // setting that caps its allocations. It holds each sample twice at its peak (the tile and the
  // image), as 32-bit integers.
  const auto [width, height] = jpeg2000_picture_size(image);
  budget.check_pixels(width, height);
  uint64_t samples = 0;
  for (OPJ_UINT32 i = 0; i < image.numcomps; ++i)
    samples += uint64_t{image.comps[i].w} * image.comps[i].h;
  budget.check_memory(2 * samples * sizeof(OPJ_INT32) + jpeg2000_conversion_bytes(image),
                      "a JPEG 2000 image of " + std::to_string(width) + "x" +
                          std::to_string(height) + " pixels in " + std::to_string(image.numcomps) +
                          " components");
  // Past the time limit the input runs dry, which ends the decoding at the next tile.
  read->input.budget = &budget;
  const bool decoded = opj_decode(read->codec.get(), read->stream.get(), &image) &&
                       opj_end_decompress(read->codec.get(), read->stream.get());
  budget.check_time();
  if (!decoded) fail(read->messages, "cannot decode the JPEG 2000 image");
  Raster raster = jpeg2000_picture(image, params.warnings);
  fill_header_params(image, params);
  params.width = raster.width();
  params.height = raster.height();
  params.samples_per_pixel = (raster.format() == PixelFormat::Rgb24 ? 3 : 1) + raster.has_alpha();
  return raster;
}

// Whether the code stream's main header has a capabilities marker (CAP, 0xFF50), which only
// High-Throughput code streams carry. The code stream starts with SOC and SIZ (0xFF4F 0xFF51),
// at the start of a bare stream or inside a JP2 file's code stream box.
bool uses_high_throughput(std::span<const uint8_t> data) {
  static constexpr uint8_t kStart[] = {0xFF, 0x4F, 0xFF, 0x51};
  const auto start = std::search(data.begin(), data.end(), std::begin(kStart), std::end(kStart));
  if (start == data.end()) return false;
  size_t at = static_cast<size_t>(start - data.begin()) + 2;
  while (at + 4 <= data.size()) {
    const unsigned marker = data[at] << 8 | data[at + 1];
    if (marker == 0xFF50) return true;
    if (marker == 0xFF90 || (marker >> 8) != 0xFF) return false;  // the first tile: header over
    at += 2 + (data[at + 2] << 8 | data[at + 3]);
  }
  return false;
}

// A decoded picture and its warnings as bytes from a child process, and back.
std::string picture_bytes_of(const Raster& r, const IOParams& params) {
  std::string out;
  const auto put = [&out](uint32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); };
  put(static_cast<uint32_t>(r.width())), put(static_cast<uint32_t>(r.height()));
  put(r.format() == PixelFormat::Rgb24), put(r.has_alpha());
  put(static_cast<uint32_t>(params.warnings.size()));
  for (const std::string& w : params.warnings) put(static_cast<uint32_t>(w.size())), out += w;
  out.append(reinterpret_cast<const char*>(r.bytes().data()), r.bytes().size());
  for (int y = 0; r.has_alpha() && y < r.height(); ++y)
    out.append(reinterpret_cast<const char*>(r.alpha_row(y)), static_cast<size_t>(r.width()));
  return out;
}

Raster picture_from_bytes(const std::string& in, IOParams& params) {
  size_t at = 0;
  const auto take = [&](size_t n) {
    if (in.size() - at < n) throw ImageError("the JPEG 2000 decoder's answer is incomplete");
    const char* p = in.data() + at;
    at += n;
    return p;
  };
  const auto get = [&] {
    uint32_t v;
    std::memcpy(&v, take(4), 4);
    return v;
  };
  const int width = static_cast<int>(get()), height = static_cast<int>(get());
  const bool rgb = get() != 0, alpha = get() != 0;
  const uint32_t warnings = get();
  for (uint32_t i = 0; i < warnings; ++i) {
    const uint32_t n = get();
    params.warnings.emplace_back(take(n), n);
  }
  Raster r(width, height, rgb ? PixelFormat::Rgb24 : PixelFormat::Gray8);
  std::memcpy(r.bytes().data(), take(r.bytes().size()), r.bytes().size());
  if (alpha) {
    r.add_alpha();
    for (int y = 0; y < height; ++y)
      std::memcpy(r.alpha_row(y), take(static_cast<size_t>(width)), static_cast<size_t>(width));
  }
  return r;
}

}  // namespace

Raster decode_jpeg2000(std::span<const uint8_t> data, IOParams& params) {
  if (!uses_high_throughput(data)) return decode_here(data, params);
  // OpenJPEG's High-Throughput block decoder ends the process with an assertion on some damaged
  // code blocks; decoded in a child, such a file is refused like any other.
  const std::optional<std::string> answer = call_isolated([&] {
    IOParams child;
    try {
      const Raster r = decode_here(data, child);
      return "P" + picture_bytes_of(r, child);
    } catch (const ImageError& e) {
      return "E" + e.reason();
    }
  });
  if (!answer)
    throw ImageError("the JPEG 2000 decoder stopped on damaged High-Throughput code blocks");
  if (answer->starts_with("E")) throw ImageError(answer->substr(1));
  read_jpeg2000_header(data, params);
  Raster raster = picture_from_bytes(answer->substr(1), params);
  params.width = raster.width();
  params.height = raster.height();
  params.samples_per_pixel = (raster.format() == PixelFormat::Rgb24 ? 3 : 1) + raster.has_alpha();
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
  // OpenJPEG writes only the original block coding; a file under a High-Throughput name would
  // claim a coding it does not hold.
  if (extension == ".jph" || extension == ".jhc")
    throw ImageError("High-Throughput JPEG 2000 (" + std::string(extension) +
                     ") can be read but not written; save as .jp2 or .j2k");
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
