// PNG reading and writing through libpng, in memory.
//
// libpng reports fatal errors through an error callback that must not return. Throwing a C++
// exception from it would unwind through libpng's C frames, which is undefined behaviour, so the
// callback records the message and longjmps to the target libpng keeps (png_jmpbuf); every libpng
// call runs inside png_guarded(), which sets that target and throws ImageError only once the
// longjmp has landed back in C++. The frames the longjmp skips own nothing with a destructor: the
// steps call libpng and nothing else, every buffer they touch is allocated beforehand, and the
// libpng structures live in RAII owners outside the guarded region.
#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "base/image_error.h"
#include "imaging/codecs/codecs.h"
#include "imaging/codecs/png_chunks.h"
#include "imaging/colour_profile.h"

namespace lumatrix {

namespace {

constexpr double kMetresPerInch = 0.0254;

struct PngErrorState {
  char message[256] = "";
  // Set while decoding: the row callback stops a decode that runs past its time.
  const ReadBudget* budget = nullptr;
  std::string out_of_time;  // made beforehand: the callback must not allocate
  // libpng's first complaint about an iCCP chunk, which it then drops: damage worth telling.
  char profile_damage[256] = "";
};

void on_png_error(png_structp png, png_const_charp message) {
  auto* state = static_cast<PngErrorState*>(png_get_error_ptr(png));
  std::snprintf(state->message, sizeof state->message, "%s", message ? message : "PNG error");
  png_longjmp(png, 1);
}

// Warnings are about ancillary chunks libpng has already skipped; the picture is fine. One
// about the colour profile is kept, since the colours are then shown as stored.
void on_png_warning(png_structp png, png_const_charp message) {
  auto* state = static_cast<PngErrorState*>(png_get_error_ptr(png));
  if (state == nullptr || message == nullptr || state->profile_damage[0] != '\0') return;
  if (std::strstr(message, "iCCP") != nullptr)
    std::snprintf(state->profile_damage, sizeof state->profile_damage, "%s", message);
}

void on_png_row(png_structp png, png_uint_32, int) {
  auto* state = static_cast<PngErrorState*>(png_get_error_ptr(png));
  if (state->budget != nullptr && state->budget->out_of_time())
    png_error(png, state->out_of_time.c_str());
}

template <typename Steps>
bool run_png_steps(png_structp png, Steps& steps) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  steps();
  return true;
}

template <typename Steps>
void png_guarded(png_structp png, const PngErrorState& state, Steps&& steps) {
  if (!run_png_steps(png, steps)) throw ImageError(state.message);
}

struct MemorySource {
  std::span<const uint8_t> data;
  size_t pos = 0;
};

void read_from_memory(png_structp png, png_bytep out, png_size_t length) {
  auto* src = static_cast<MemorySource*>(png_get_io_ptr(png));
  if (src->data.size() - src->pos < length) png_error(png, "unexpected end of PNG data");
  std::memcpy(out, src->data.data() + src->pos, length);
  src->pos += length;
}

// Owns a read struct and its info struct.
class PngReader {
 public:
  explicit PngReader(std::span<const uint8_t> data) : source_{data} {
    if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0) throw ImageError("not a PNG file");
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state_, on_png_error, on_png_warning);
    if (png_ == nullptr) throw ImageError("cannot set up the PNG reader");
    info_ = png_create_info_struct(png_);
    if (info_ == nullptr) {
      png_destroy_read_struct(&png_, nullptr, nullptr);
      throw ImageError("cannot set up the PNG reader");
    }
    png_set_read_fn(png_, &source_, read_from_memory);
    // libpng allocates an ancillary chunk's declared length before it reads a byte of it: 1.9 KB
    // of file declaring a 1.1 GB zTXt chunk took 1.1 GB, 5.6 KB declaring a 1.8 GB sCAL 1.8 GB.
    // We read only tRNS, pHYs and iCCP, so libpng skips every other ancillary chunk, reading its
    // bytes in small pieces as it does for unknown ones; none of them changes the pixels we ask
    // for. libpng bounds what an iCCP chunk may inflate to (PNG_USER_CHUNK_MALLOC_MAX).
    png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    static constexpr png_byte kRead[] = "tRNS\0pHYs\0iCCP";
    png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_AS_DEFAULT, kRead, 3);
  }
  ~PngReader() { png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr); }
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;

  template <typename Steps>
  void guarded(Steps&& steps) {
    png_guarded(png_, state_, steps);
  }
  png_structp png() const { return png_; }
  png_infop info() const { return info_; }
  const char* profile_damage() const { return state_.profile_damage; }
  // Checks the time limit after every row decoded.
  void watch_time(const ReadBudget& budget) {
    state_.budget = &budget;
    state_.out_of_time = budget.out_of_time_reason();
    png_set_read_status_fn(png_, on_png_row);
  }

 private:
  MemorySource source_;
  PngErrorState state_;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
};

struct VectorSink {
  std::vector<uint8_t> bytes;
};

void write_to_vector(png_structp png, png_bytep data, png_size_t length) {
  auto* sink = static_cast<VectorSink*>(png_get_io_ptr(png));
  bool grown = true;
  // bad_alloc must not cross libpng's frames; raise it as a libpng error after the catch.
  try {
    sink->bytes.insert(sink->bytes.end(), data, data + length);
  } catch (const std::bad_alloc&) {
    grown = false;
  }
  if (!grown) png_error(png, "out of memory");
}

void flush_nothing(png_structp) {}

// Owns a write struct and its info struct.
class PngWriter {
 public:
  PngWriter() {
    png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state_, on_png_error, on_png_warning);
    if (png_ == nullptr) throw ImageError("cannot set up the PNG writer");
    info_ = png_create_info_struct(png_);
    if (info_ == nullptr) {
      png_destroy_write_struct(&png_, nullptr);
      throw ImageError("cannot set up the PNG writer");
    }
    png_set_write_fn(png_, &sink_, write_to_vector, flush_nothing);
  }
  ~PngWriter() { png_destroy_write_struct(&png_, info_ ? &info_ : nullptr); }
  PngWriter(const PngWriter&) = delete;
  PngWriter& operator=(const PngWriter&) = delete;

  template <typename Steps>
  void guarded(Steps&& steps) {
    png_guarded(png_, state_, steps);
  }
  png_structp png() const { return png_; }
  png_infop info() const { return info_; }
  std::vector<uint8_t> take_bytes() { return std::move(sink_.bytes); }

 private:
  VectorSink sink_;
  PngErrorState state_;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
};

void fill_header_params(const PngReader& reader, IOParams& params) {
  png_structp png = reader.png();
  png_infop info = reader.info();
  params.width = static_cast<int>(png_get_image_width(png, info));
  params.height = static_cast<int>(png_get_image_height(png, info));
  params.bits_per_sample = png_get_bit_depth(png, info);
  params.samples_per_pixel = png_get_channels(png, info);
  params.dpi_x = params.dpi_y = kDisplayDpi;
  png_uint_32 ppm_x = 0, ppm_y = 0;
  int unit = 0;
  if (png_get_pHYs(png, info, &ppm_x, &ppm_y, &unit) != 0 && unit == PNG_RESOLUTION_METER &&
      ppm_x > 0 && ppm_y > 0) {
    params.dpi_x = static_cast<int>(std::lround(ppm_x * kMetresPerInch));
    params.dpi_y = static_cast<int>(std::lround(ppm_y * kMetresPerInch));
  }
  params.icc_profile.clear();
  png_charp name = nullptr;
  int compression = 0;
  png_bytep profile = nullptr;
  png_uint_32 length = 0;
  if (png_get_iCCP(png, info, &name, &compression, &profile, &length) != 0 && length > 0)
    params.icc_profile.assign(profile, profile + length);
  else if (reader.profile_damage()[0] != '\0')
    params.warnings.push_back(std::string("the embedded colour profile is left out (") +
                              reader.profile_damage() + ")");
}

// The reader after png_read_info, with the transforms that give the raster's formats: palette
// indices as bytes, 1-bit grey as packed bits, other greys as bytes, 16-bit samples rounded to
// 8, transparency as an alpha row. Non-interlaced files are read row by row; an interlaced one
// is read whole on the first request (its passes revisit every row), then served from there.
class PngRows final : public RowReader {
 public:
  PngRows(std::span<const uint8_t> data, IOParams& params) : budget_(data.size()), reader_(data) {
    reader_.watch_time(budget_);
    png_structp png = reader_.png();
    png_infop info = reader_.info();
    reader_.guarded([&] { png_read_info(png, info); });
    fill_header_params(reader_, params);

    const int color_type = png_get_color_type(png, info);
    const int bit_depth = png_get_bit_depth(png, info);
    const bool has_trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    const bool palette = color_type == PNG_COLOR_TYPE_PALETTE;
    const bool bilevel = color_type == PNG_COLOR_TYPE_GRAY && bit_depth == 1 && !has_trns;
    interlaced_ = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;

    reader_.guarded([&] {
      if (palette || bilevel) {
        if (palette) png_set_packing(png);
      } else {
        if (color_type == PNG_COLOR_TYPE_GRAY && bit_depth < 8) png_set_expand_gray_1_2_4_to_8(png);
        if (has_trns) png_set_tRNS_to_alpha(png);
        // Rounds to 8 bits where png_set_strip_16 would truncate.
        if (bit_depth == 16) png_set_scale_16(png);
      }
      png_set_interlace_handling(png);
      png_read_update_info(png, info);
    });

    const int channels = png_get_channels(png, info);
    layout_.width = params.width;
    layout_.height = params.height;
    layout_.format = palette         ? PixelFormat::Palette8
                     : bilevel       ? PixelFormat::Bit1
                     : channels <= 2 ? PixelFormat::Gray8
                                     : PixelFormat::Rgb24;
    interleaved_alpha_ = channels == 2 || channels == 4;
    row_bytes_ = png_get_rowbytes(png, info);
    // The picture, its alpha rows as libpng hands them out, and a pointer per row, refused
    // before anything is allocated.
    const uint64_t height = png_get_image_height(png, info);
    budget_.check_pixels(png_get_image_width(png, info), height);
    budget_.check_memory(picture_bytes(png_get_image_width(png, info), height,
                                       bits_per_pixel(layout_.format), interleaved_alpha_) +
                             (interleaved_alpha_ ? uint64_t{row_bytes_} * height : 0) +
                             height * sizeof(png_bytep),
                         "a PNG image of " + std::to_string(params.width) + "x" +
                             std::to_string(params.height) + " pixels");
    if (row_bytes_ !=
        (interleaved_alpha_ ? static_cast<size_t>(layout_.width) * channels : layout_.stride()))
      throw ImageError("unsupported PNG pixel layout");
    layout_.alpha = interleaved_alpha_;
    if (bilevel) layout_.palette = {Rgb{0, 0, 0}, Rgb{255, 255, 255}};
    if (palette) {
      png_colorp entries = nullptr;
      int count = 0;
      if (png_get_PLTE(png, info, &entries, &count) == 0 || count <= 0)
        throw ImageError("PNG palette missing");
      layout_.palette.resize(count);
      for (int i = 0; i < count; ++i)
        layout_.palette[i] = Rgb{entries[i].red, entries[i].green, entries[i].blue};
      png_bytep trans = nullptr;
      int trans_count = 0;
      if (has_trns && png_get_tRNS(png, info, &trans, &trans_count, nullptr) != 0 &&
          trans_count > 0) {
        trans_.assign(trans, trans + trans_count);
        layout_.alpha = true;
      }
    }
  }

  void read(std::span<uint8_t* const> rows, std::span<uint8_t* const> alpha) override {
    if (rows.size() > static_cast<size_t>(layout_.height - next_row_) ||
        alpha.size() != (layout_.alpha ? rows.size() : 0))
      throw ImageError("more PNG rows asked for than the picture has");
    if (interlaced_ && whole_.empty()) read_whole();
    // Rows with alpha interleaved go through scratch a strip at a time and are split there.
    const size_t strip = interleaved_alpha_ ? std::min<size_t>(rows.size(), kStrip) : rows.size();
    targets_.resize(strip);
    if (interleaved_alpha_ && !interlaced_) scratch_.resize(strip * row_bytes_);
    for (size_t done = 0; done < rows.size(); done += strip) {
      const size_t n = std::min(strip, rows.size() - done);
      for (size_t i = 0; i < n; ++i) targets_[i] = source_row(next_row_ + i, rows[done + i], i);
      if (!interlaced_) {
        png_structp png = reader_.png();
        png_bytepp targets = targets_.data();
        reader_.guarded([&] { png_read_rows(png, targets, nullptr, static_cast<png_uint_32>(n)); });
      }
      for (size_t i = 0; i < n; ++i)
        finish_row(targets_[i], rows[done + i], alpha.empty() ? nullptr : alpha[done + i]);
      next_row_ += static_cast<int>(n);
    }
  }

 private:
  static constexpr size_t kStrip = 16;

  // Where row y comes from: a row of the whole picture, of the scratch strip (slot i), or the
  // caller's row itself.
  png_bytep source_row(int y, uint8_t* own, size_t slot) {
    if (interlaced_) return whole_.data() + static_cast<size_t>(y) * row_bytes_;
    if (interleaved_alpha_) return scratch_.data() + slot * row_bytes_;
    return own;
  }

  void read_whole() {
    whole_.resize(row_bytes_ * static_cast<size_t>(layout_.height));
    std::vector<png_bytep> all(static_cast<size_t>(layout_.height));
    for (int y = 0; y < layout_.height; ++y) all[y] = whole_.data() + row_bytes_ * y;
    png_structp png = reader_.png();
    png_bytepp targets = all.data();
    reader_.guarded([&] { png_read_image(png, targets); });
  }

  // The decoded row `in` into the caller's row and alpha row.
  void finish_row(const uint8_t* in, uint8_t* out, uint8_t* alpha) const {
    const size_t w = static_cast<size_t>(layout_.width);
    if (interleaved_alpha_) {
      const int colour = layout_.format == PixelFormat::Gray8 ? 1 : 3;
      for (size_t x = 0; x < w; ++x, in += colour + 1) {
        std::memcpy(out + x * colour, in, colour);
        alpha[x] = in[colour];
      }
      return;
    }
    if (in != out) std::memcpy(out, in, row_bytes_);
    if (alpha != nullptr) {
      const size_t count = trans_.size();
      for (size_t x = 0; x < w; ++x) alpha[x] = out[x] < count ? trans_[out[x]] : 255;
    }
  }

  const ReadBudget budget_;  // before the reader, which watches it
  PngReader reader_;
  bool interlaced_ = false;
  bool interleaved_alpha_ = false;
  size_t row_bytes_ = 0;
  int next_row_ = 0;
  std::vector<uint8_t> trans_;    // a palette's alpha per index
  std::vector<uint8_t> scratch_;  // interleaved rows of one strip
  std::vector<uint8_t> whole_;    // an interlaced picture, read at once
  std::vector<png_bytep> targets_;
};

}  // namespace

std::unique_ptr<RowReader> open_png_rows(std::span<const uint8_t> data, IOParams& params) {
  return std::make_unique<PngRows>(data, params);
}

Raster decode_png(std::span<const uint8_t> data, IOParams& params) {
  PngRows rows(data, params);
  return read_all_rows(rows);
}

void read_png_header(std::span<const uint8_t> data, IOParams& params) {
  PngReader reader(data);
  reader.guarded([&] { png_read_info(reader.png(), reader.info()); });
  fill_header_params(reader, params);
}

std::vector<uint8_t> encode_png(const Raster& raster, const IOParams& params,
                                std::string_view /*extension*/) {
  if (raster.empty()) throw ImageError("cannot write an empty image as PNG");
  // Paletted and 1-bit rasters with alpha become RGBA rather than a palette with tRNS: the alpha
  // plane is per pixel, a tRNS entry per colour.
  Raster converted;
  if (raster.has_alpha() &&
      (raster.format() == PixelFormat::Bit1 || raster.format() == PixelFormat::Palette8))
    converted = raster.to_rgb24();
  const Raster& source = converted.format() != PixelFormat::None ? converted : raster;

  int color_type = PNG_COLOR_TYPE_RGB;
  int bit_depth = 8;
  std::vector<png_color> plte;
  switch (source.format()) {
    case PixelFormat::Bit1:
      if (source.palette == std::vector<Rgb>{Rgb{0, 0, 0}, Rgb{255, 255, 255}}) {
        color_type = PNG_COLOR_TYPE_GRAY;
      } else {
        color_type = PNG_COLOR_TYPE_PALETTE;
        plte.resize(2, png_color{0, 0, 0});
      }
      bit_depth = 1;
      break;
    case PixelFormat::Palette8: {
      color_type = PNG_COLOR_TYPE_PALETTE;
      // Indices past the palette's end would make libpng refuse the file; they show as black.
      const uint8_t max_index = *std::max_element(source.bytes().begin(), source.bytes().end());
      plte.resize(std::clamp<size_t>(source.palette.size(), size_t{max_index} + 1, 256),
                  png_color{0, 0, 0});
      bit_depth = plte.size() <= 2 ? 1 : plte.size() <= 4 ? 2 : plte.size() <= 16 ? 4 : 8;
      break;
    }
    case PixelFormat::Gray8:
      color_type = source.has_alpha() ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_GRAY;
      break;
    case PixelFormat::Rgb24:
      color_type = source.has_alpha() ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
      break;
    case PixelFormat::None:
      throw ImageError("cannot write an empty image as PNG");
  }
  for (size_t i = 0; i < plte.size() && i < source.palette.size(); ++i)
    plte[i] = png_color{source.palette[i].r, source.palette[i].g, source.palette[i].b};

  // Alpha travels interleaved in PNG rows.
  const bool with_alpha =
      color_type == PNG_COLOR_TYPE_GRAY_ALPHA || color_type == PNG_COLOR_TYPE_RGB_ALPHA;
  const int colour = source.format() == PixelFormat::Gray8 ? 1 : 3;
  const size_t w = static_cast<size_t>(source.width());
  std::vector<uint8_t> interleaved(with_alpha ? w * (colour + 1) * source.height() : 0);
  std::vector<png_bytep> rows(static_cast<size_t>(source.height()));
  for (int y = 0; y < source.height(); ++y) {
    if (!with_alpha) {
      // libpng takes non-const rows but only reads them.
      rows[y] = const_cast<png_bytep>(source.row(y));
      continue;
    }
    rows[y] = interleaved.data() + static_cast<size_t>(y) * w * (colour + 1);
    const uint8_t* s = source.row(y);
    const uint8_t* a = source.alpha_row(y);
    for (size_t x = 0; x < w; ++x) {
      std::memcpy(rows[y] + x * (colour + 1), s + x * colour, colour);
      rows[y][x * (colour + 1) + colour] = a[x];
    }
  }

  const auto ppm = [](int dpi) {
    return static_cast<png_uint_32>(std::lround(std::clamp(dpi, 1, 1000000) / kMetresPerInch));
  };
  PngWriter writer;
  png_structp png = writer.png();
  png_infop info = writer.info();
  writer.guarded([&] {
    png_set_IHDR(png, info, static_cast<png_uint_32>(source.width()),
                 static_cast<png_uint_32>(source.height()), bit_depth, color_type,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!plte.empty()) png_set_PLTE(png, info, plte.data(), static_cast<int>(plte.size()));
    png_set_pHYs(png, info, ppm(params.dpi_x), ppm(params.dpi_y), PNG_RESOLUTION_METER);
    if (profile_fits(params.icc_profile, (color_type & PNG_COLOR_MASK_COLOR) == 0))
      png_set_iCCP(png, info, "ICC profile", PNG_COMPRESSION_TYPE_BASE, params.icc_profile.data(),
                   static_cast<png_uint_32>(params.icc_profile.size()));
    png_set_compression_level(png, std::clamp(params.png_compression, 0, 9));
    png_write_info(png, info);
    // 1-bit rasters are packed already; 8-bit indices need packing into narrower samples.
    if (source.format() == PixelFormat::Palette8 && bit_depth < 8) png_set_packing(png);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
  });
  return writer.take_bytes();
}

PngSamples read_png_samples(std::span<const uint8_t> data) {
  const ReadBudget budget(data.size());
  PngReader reader(data);
  reader.watch_time(budget);
  png_structp png = reader.png();
  png_infop info = reader.info();
  PngSamples samples;
  reader.guarded([&] {
    png_read_info(png, info);
    samples.width = static_cast<int>(png_get_image_width(png, info));
    samples.height = static_cast<int>(png_get_image_height(png, info));
    samples.bit_depth = png_get_bit_depth(png, info);
    samples.color_type = png_get_color_type(png, info);
    if (samples.bit_depth != 16) png_error(png, "not a PNG of 16-bit samples");
    samples.pixel_bytes = png_get_channels(png, info) * 2;
    png_uint_32 ppm_x = 0, ppm_y = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &ppm_x, &ppm_y, &unit) != 0)
      samples.resolution = PngSamples::Resolution{ppm_x, ppm_y, unit};
    png_color_16p colour = nullptr;
    if (png_get_tRNS(png, info, nullptr, nullptr, &colour) != 0 && colour != nullptr)
      samples.transparent = *colour;
  });
  budget.check_picture(static_cast<uint64_t>(samples.width), static_cast<uint64_t>(samples.height),
                       samples.pixel_bytes * 8, false, "PNG", 0);
  samples.pixels.resize(static_cast<size_t>(samples.width) * samples.height * samples.pixel_bytes);
  std::vector<png_bytep> rows(static_cast<size_t>(samples.height));
  for (int y = 0; y < samples.height; ++y) rows[y] = samples.row(y);
  reader.guarded([&] {
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
  });
  return samples;
}

std::vector<uint8_t> write_png_samples(const PngSamples& samples) {
  std::vector<png_bytep> rows(static_cast<size_t>(samples.height));
  for (int y = 0; y < samples.height; ++y)
    rows[y] = const_cast<png_bytep>(samples.row(y));  // libpng only reads them
  PngWriter writer;
  png_structp png = writer.png();
  png_infop info = writer.info();
  writer.guarded([&] {
    png_set_IHDR(png, info, static_cast<png_uint_32>(samples.width),
                 static_cast<png_uint_32>(samples.height), samples.bit_depth, samples.color_type,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (samples.resolution)
      png_set_pHYs(png, info, samples.resolution->x, samples.resolution->y,
                   samples.resolution->unit);
    if (samples.transparent) {
      png_color_16 colour = *samples.transparent;
      png_set_tRNS(png, info, nullptr, 0, &colour);
    }
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
  });
  return writer.take_bytes();
}

bool sniff_png(std::span<const uint8_t> data) {
  return data.size() >= 8 && png_sig_cmp(data.data(), 0, 8) == 0;
}

}  // namespace lumatrix
