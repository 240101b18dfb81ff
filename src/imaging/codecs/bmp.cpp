// Windows and OS/2 bitmaps: 1/2/4/8-bit palettes (RLE4 and RLE8 too), 16/24/32-bit direct colour
// with optional bit-field masks, OS/2 RLE24, 64-bit high dynamic range pixels, and the JPEG or
// PNG images printers' bitmaps embed (read by those codecs), bottom-up or top-down. We write
// 1/4/8/24-bit, RLE on request.
#include <algorithm>
#include <bit>
#include <cmath>
#include <string>
#include <vector>

#include "base/image_error.h"
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/codecs.h"
#include "imaging/colour_profile.h"
#include "imaging/resource_policy.h"

namespace lumatrix {

namespace {

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiJpeg = 4, kBiPng = 5,
                   kBiAlphaBitfields = 6;
// Our own number for OS/2's RLE24, which the file stores as 4.
constexpr uint32_t kRle24 = 0x10004;
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
constexpr size_t kCoreHeaderSize = 12;
constexpr size_t kOs2HeaderSize = 64;

struct BmpHeader {
  uint32_t pixel_offset = 0;
  uint32_t header_size = 0;
  int width = 0, height = 0;
  bool top_down = false;
  int bits = 0;
  uint32_t compression = kBiRgb;
  uint32_t image_size = 0;
  int32_t ppm_x = 0, ppm_y = 0;
  uint32_t colours_used = 0;
  uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  size_t palette_offset = 0;
  size_t palette_entry_size = 4;
  // An ICC profile a version 5 header embeds ("MBED"), or nothing.
  std::span<const uint8_t> profile;
};

bool run_length(const BmpHeader& h) {
  return h.compression == kBiRle8 || h.compression == kBiRle4 || h.compression == kRle24;
}

int dpi_from_ppm(int32_t ppm) {
  if (ppm <= 0) return kDisplayDpi;
  const int dpi = static_cast<int>(std::lround(ppm * 0.0254));
  return dpi > 0 ? dpi : kDisplayDpi;
}

int32_t ppm_from_dpi(int dpi) {
  return dpi > 0 ? static_cast<int32_t>(std::lround(dpi / 0.0254)) : 0;
}

BmpHeader parse_header(std::span<const uint8_t> data) {
  if (data.size() < 2 || data[0] != 'B' || data[1] != 'M')
    throw ImageError("not a BMP file (no \"BM\" signature)");
  ByteReader in(data);
  BmpHeader h;
  in.seek(10);
  h.pixel_offset = in.u32le();
  h.header_size = in.u32le();
  if (h.header_size < kCoreHeaderSize || h.header_size > 4096)
    throw ImageError("unknown BMP header size " + std::to_string(h.header_size));
  in.require(h.header_size - 4);
  const size_t header_end = kFileHeaderSize + h.header_size;
  // OS/2 2.x headers reuse compression 3 and 4 for Huffman and RLE24.
  const bool os2_v2 = h.header_size == kOs2HeaderSize ||
                      (h.header_size > kCoreHeaderSize && h.header_size < kInfoHeaderSize);
  int64_t height = 0;
  if (h.header_size == kCoreHeaderSize) {
    h.width = in.u16le();
    height = in.u16le();
    in.skip(2);  // planes
    h.bits = in.u16le();
    h.palette_entry_size = 3;
  } else {
    h.width = in.i32le();
    height = in.i32le();
    in.skip(2);
    h.bits = in.u16le();
    auto field = [&](size_t end) { return h.header_size >= end ? in.u32le() : 0u; };
    h.compression = field(20);
    h.image_size = field(24);
    h.ppm_x = static_cast<int32_t>(field(28));
    h.ppm_y = static_cast<int32_t>(field(32));
    h.colours_used = field(36);
    if (os2_v2 && h.compression == 3)
      throw ImageError("OS/2 Huffman compressed bitmaps are not supported");
    // OS/2's RLE24 shares its number with BI_JPEG; a 24-bit OS/2 header tells them apart.
    if (os2_v2 && h.compression == 4) h.compression = kRle24;
  }
  h.palette_offset = header_end;
  if (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) {
    if (h.header_size >= 52) {
      in.seek(kFileHeaderSize + kInfoHeaderSize);
      for (int i = 0; i < 3; ++i) h.masks[i] = in.u32le();
      if (h.header_size >= 56) h.masks[3] = in.u32le();
    } else {
      // A plain info header keeps its masks right after itself.
      in.seek(header_end);
      const int count = h.compression == kBiAlphaBitfields ? 4 : 3;
      for (int i = 0; i < count; ++i) h.masks[i] = in.u32le();
      h.palette_offset = in.position();
    }
  }

  // A version 5 header may embed a colour profile: its offset counts from the header's start.
  constexpr uint32_t kProfileEmbedded = 0x4D424544;  // "MBED"
  if (h.header_size >= 124) {
    in.seek(kFileHeaderSize + 56);
    const uint32_t colour_space = in.u32le();
    in.seek(kFileHeaderSize + 112);
    const uint64_t at = uint64_t{in.u32le()} + kFileHeaderSize, size = in.u32le();
    if (colour_space == kProfileEmbedded && size > 0 && at + size <= data.size())
      h.profile = data.subspan(at, size);
  }

  if (h.width <= 0 || height == 0 || height == INT32_MIN)
    throw ImageError("invalid BMP size " + std::to_string(h.width) + "x" + std::to_string(height));
  h.top_down = height < 0;
  h.height = static_cast<int>(height < 0 ? -height : height);

  const bool embedded = h.compression == kBiJpeg || h.compression == kBiPng;
  switch (h.bits) {
    case 0:
      // The embedded image states its own depth.
      if (!embedded) throw ImageError("the BMP header states 0 bits per pixel");
      break;
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
    case 64:
      break;
    default:
      throw ImageError("unsupported BMP bit depth " + std::to_string(h.bits));
  }
  switch (h.compression) {
    case kBiRgb:
      break;
    case kRle24:
      if (h.bits != 24) throw ImageError("RLE24 compression needs 24 bits per pixel");
      break;
    case kBiRle8:
      if (h.bits != 8) throw ImageError("RLE8 compression needs 8 bits per pixel");
      break;
    case kBiRle4:
      if (h.bits != 4) throw ImageError("RLE4 compression needs 4 bits per pixel");
      break;
    case kBiBitfields:
    case kBiAlphaBitfields:
      if (h.bits != 16 && h.bits != 32)
        throw ImageError("bit-field masks need 16 or 32 bits per pixel");
      break;
    case kBiJpeg:
    case kBiPng:
      break;
    default:
      throw ImageError("unknown BMP compression " + std::to_string(h.compression));
  }
  if (h.top_down && run_length(h)) throw ImageError("a top-down BMP cannot be RLE compressed");
  if (h.pixel_offset < h.palette_offset || h.pixel_offset > data.size())
    throw ImageError("BMP pixel data offset " + std::to_string(h.pixel_offset) +
                     " lies outside the file's data");
  return h;
}

void fill_params(const BmpHeader& h, bool alpha, IOParams& params) {
  params.width = h.width;
  params.height = h.height;
  params.dpi_x = dpi_from_ppm(h.ppm_x);
  params.dpi_y = dpi_from_ppm(h.ppm_y);
  if (h.bits <= 8) {
    params.bits_per_sample = h.bits;
    params.samples_per_pixel = 1;
  } else {
    params.bits_per_sample = 8;
    params.samples_per_pixel = alpha ? 4 : 3;
  }
  params.bmp_compression = run_length(h) ? BmpCompression::RLE : BmpCompression::None;
}

std::vector<Rgb> read_palette(std::span<const uint8_t> data, const BmpHeader& h) {
  size_t count = h.colours_used != 0 ? h.colours_used : size_t{1} << h.bits;
  count = std::min(count, size_t{1} << h.bits);
  // Some writers state more colours than they store; take what lies before the pixels.
  count = std::min(count, (h.pixel_offset - h.palette_offset) / h.palette_entry_size);
  std::vector<Rgb> palette(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = data.data() + h.palette_offset + i * h.palette_entry_size;
    palette[i] = Rgb{e[2], e[1], e[0]};
  }
  return palette;
}

// Indexes beyond a short palette would otherwise read past it in every later consumer.
void cover_indices(Raster& raster) {
  int highest = 0;
  if (raster.format() == PixelFormat::Bit1) {
    highest = 1;
  } else {
    for (int y = 0; y < raster.height(); ++y) {
      const uint8_t* p = raster.row(y);
      highest = std::max<int>(highest, *std::max_element(p, p + raster.width()));
    }
  }
  if (raster.palette.size() < static_cast<size_t>(highest) + 1)
    raster.palette.resize(static_cast<size_t>(highest) + 1, Rgb{0, 0, 0});
}

// One colour channel under a bit-field mask, scaled to 8 bits with rounding: 5-bit 3 becomes
// 25, as the BMP suite renders it, where bit replication would give 24; 10-bit channels round
// instead of dropping their low bits.
class MaskChannel {
 public:
  explicit MaskChannel(uint32_t mask) : mask_(mask) {
    if (mask == 0) return;
    shift_ = std::countr_zero(mask);
    max_ = mask >> shift_;
  }
  bool present() const { return mask_ != 0; }
  uint8_t operator()(uint32_t pixel) const {
    if (mask_ == 0) return 0;
    const uint64_t v = (pixel & mask_) >> shift_;
    return static_cast<uint8_t>((v * 255 + max_ / 2) / max_);
  }

 private:
  uint32_t mask_;
  int shift_ = 0;
  uint64_t max_ = 1;
};

// The 64-bit format stores each channel as a signed 2.13 fixed-point number of linear light
// (8192 is full intensity); shown, it is encoded for sRGB like every other picture, values
// beyond 0..1 clipped. Alpha is linear and only clipped.
class LinearChannels {
 public:
  static const LinearChannels& table() {
    static const LinearChannels channels;
    return channels;
  }
  LinearChannels() : srgb_(kOne + 1) {
    for (int v = 0; v <= kOne; ++v) {
      const double linear = static_cast<double>(v) / kOne;
      const double encoded =
          linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
      srgb_[v] = static_cast<uint8_t>(std::lround(std::clamp(encoded, 0.0, 1.0) * 255));
    }
  }
  uint8_t colour(int16_t v) const { return srgb_[std::clamp<int>(v, 0, kOne)]; }
  static uint8_t alpha(int16_t v) {
    return static_cast<uint8_t>((std::clamp<int>(v, 0, kOne) * 255 + kOne / 2) / kOne);
  }

 private:
  static constexpr int kOne = 8192;
  std::vector<uint8_t> srgb_;
};

Raster decode_uncompressed(std::span<const uint8_t> data, const BmpHeader& h,
                           const ReadBudget& budget) {
  const uint64_t row_bits = static_cast<uint64_t>(h.width) * h.bits;
  const uint64_t file_stride = (row_bits + 31) / 32 * 4;
  // The last row's padding is often left off.
  const uint64_t needed = file_stride * (h.height - 1) + (row_bits + 7) / 8;
  const uint64_t present = data.size() - h.pixel_offset;
  if (needed > present)
    throw ImageError("BMP pixel data truncated: " + std::to_string(needed) + " bytes expected, " +
                     std::to_string(present) + " present");

  const PixelFormat format = h.bits == 1   ? PixelFormat::Bit1
                             : h.bits <= 8 ? PixelFormat::Palette8
                                           : PixelFormat::Rgb24;
  budget.check_picture(h.width, h.height, bits_per_pixel(format), h.bits >= 16, "BMP");
  Raster raster(h.width, h.height, format);
  if (h.bits <= 8) raster.palette = read_palette(data, h);

  uint32_t masks[4];
  std::copy(std::begin(h.masks), std::end(h.masks), masks);
  const bool has_masks = h.compression == kBiBitfields || h.compression == kBiAlphaBitfields;
  if (!has_masks && h.bits == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  // Plain 32-bit pixels have a fourth byte that is mostly unused; it counts as alpha only when
  // some pixel sets it.
  if (!has_masks && h.bits == 32)
    masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF, masks[3] = 0xFF000000;
  const MaskChannel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
  const bool want_alpha = ((h.bits == 16 || h.bits == 32) && alpha.present()) || h.bits == 64;
  if (want_alpha) raster.add_alpha();
  bool alpha_used = h.bits == 64;
  const LinearChannels* linear = h.bits == 64 ? &LinearChannels::table() : nullptr;

  const int w = h.width;
  for (int r = 0; r < h.height; ++r) {
    if (r % 64 == 0) budget.check_time();
    const uint8_t* s = data.data() + h.pixel_offset + file_stride * r;
    const int y = h.top_down ? r : h.height - 1 - r;
    uint8_t* d = raster.row(y);
    switch (h.bits) {
      case 1:
        std::copy_n(s, raster.stride(), d);
        if (w % 8) d[raster.stride() - 1] &= static_cast<uint8_t>(0xFF00 >> (w % 8));
        break;
      case 2:
        for (int x = 0; x < w; ++x) d[x] = (s[x >> 2] >> (6 - 2 * (x & 3))) & 3;
        break;
      case 4:
        for (int x = 0; x < w; ++x) d[x] = (x & 1) ? s[x >> 1] & 0x0F : s[x >> 1] >> 4;
        break;
      case 8:
        std::copy_n(s, w, d);
        break;
      case 24:
        for (int x = 0; x < w; ++x, s += 3, d += 3) d[0] = s[2], d[1] = s[1], d[2] = s[0];
        break;
      case 16:
      case 32: {
        uint8_t* a = want_alpha ? raster.alpha_row(y) : nullptr;
        const int step = h.bits / 8;
        for (int x = 0; x < w; ++x, s += step, d += 3) {
          const uint32_t v = step == 2 ? static_cast<uint32_t>(s[0] | s[1] << 8)
                                       : static_cast<uint32_t>(s[0] | s[1] << 8 | s[2] << 16) |
                                             static_cast<uint32_t>(s[3]) << 24;
          d[0] = red(v), d[1] = green(v), d[2] = blue(v);
          if (a) {
            a[x] = alpha(v);
            alpha_used |= a[x] != 0;
          }
        }
        break;
      }
      case 64: {
        uint8_t* a = raster.alpha_row(y);
        const auto channel = [&](int i) {
          return static_cast<int16_t>(s[2 * i] | s[2 * i + 1] << 8);
        };
        for (int x = 0; x < w; ++x, s += 8, d += 3) {
          d[0] = linear->colour(channel(2)), d[1] = linear->colour(channel(1));
          d[2] = linear->colour(channel(0));
          a[x] = LinearChannels::alpha(channel(3));
        }
        break;
      }
    }
  }
  // An alpha channel that is zero everywhere comes from writers that leave it unset; taking it
  // literally would make the whole picture invisible.
  if (want_alpha && !alpha_used) raster.drop_alpha();
  if (h.bits <= 8) cover_indices(raster);
  return raster;
}

// RLE4 and RLE8 runs of palette indices, or OS/2's RLE24 runs of colours. Pixels the codes skip
// keep index 0, or black.
Raster decode_rle(std::span<const uint8_t> data, const BmpHeader& h, const ReadBudget& budget) {
  const bool four = h.compression == kBiRle4;
  const bool colour = h.compression == kRle24;
  size_t length = data.size() - h.pixel_offset;
  if (h.image_size != 0) length = std::min<size_t>(length, h.image_size);
  ByteReader in(data.subspan(h.pixel_offset, length));

  const PixelFormat format = colour ? PixelFormat::Rgb24 : PixelFormat::Palette8;
  budget.check_picture(h.width, h.height, bits_per_pixel(format), false, "run-length BMP");
  Raster raster(h.width, h.height, format);
  std::fill(raster.bytes().begin(), raster.bytes().end(), 0);
  if (!colour) raster.palette = read_palette(data, h);
  const int w = h.width, rows = h.height;
  int x = 0, y = 0;  // y counts from the bottom row
  auto put = [&](uint8_t index) {
    if (x < w) raster.row(rows - 1 - y)[x++] = index;
  };
  auto put_colour = [&](std::span<const uint8_t> bgr) {
    if (x >= w) return;
    uint8_t* d = raster.row(rows - 1 - y) + 3 * x++;
    d[0] = bgr[2], d[1] = bgr[1], d[2] = bgr[0];
  };
  uint64_t codes = 0;
  while (y < rows) {
    if (++codes % 65536 == 0) budget.check_time();
    if (in.remaining() < 2) throw ImageError("BMP RLE data ends before the end-of-bitmap marker");
    const uint8_t count = in.u8();
    if (colour && count != 0) {
      const std::span<const uint8_t> bgr = in.bytes(3);
      for (int i = 0; i < count; ++i) put_colour(bgr);
      continue;
    }
    const uint8_t value = in.u8();
    if (count != 0) {
      for (int i = 0; i < count; ++i)
        put(four ? static_cast<uint8_t>(i & 1 ? value & 0x0F : value >> 4) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // move right and up
      const uint8_t dx = in.u8(), dy = in.u8();
      x = std::min(x + dx, w);
      y = std::min(y + dy, rows);
    } else {  // literal run, padded to a 16-bit boundary
      const size_t bytes = four ? (value + 1u) / 2 : colour ? 3u * value : value;
      std::span<const uint8_t> run = in.bytes(bytes);
      for (int i = 0; i < value; ++i) {
        if (colour)
          put_colour(run.subspan(3 * i, 3));
        else
          put(four ? static_cast<uint8_t>(i & 1 ? run[i / 2] & 0x0F : run[i / 2] >> 4) : run[i]);
      }
      if (bytes & 1) in.skip(1);
    }
  }
  if (!colour) cover_indices(raster);
  return raster;
}

// A JPEG or PNG image in place of the pixels, as printer drivers write them; its own codec reads
// it, whatever the bitmap's header says about its size or row order.
std::span<const uint8_t> embedded_image(std::span<const uint8_t> data, const BmpHeader& h) {
  std::span<const uint8_t> image = data.subspan(h.pixel_offset);
  if (h.image_size != 0 && h.image_size < image.size()) image = image.first(h.image_size);
  return image;
}

Raster decode_embedded(std::span<const uint8_t> data, const BmpHeader& h, IOParams& params) {
  const std::span<const uint8_t> image = embedded_image(data, h);
  IOParams inner;
  const bool jpeg = h.compression == kBiJpeg;
  Raster raster;
  try {
    raster = jpeg ? decode_jpeg(image, inner) : decode_png(image, inner);
  } catch (const ImageError& e) {
    throw ImageError(std::string("the ") + (jpeg ? "JPEG" : "PNG") +
                     " image the BMP file holds cannot be read: " + e.reason());
  }
  params.warnings = std::move(inner.warnings);
  return raster;
}

// --- writing ---

void encode_rle_row(const uint8_t* p, int w, bool four, ByteWriter& out) {
  // Byte `b` of a literal run of `n` pixels starting at `from` (two pixels a byte in RLE4).
  auto literal_byte = [&](int from, int n, int b) {
    if (!four) return p[from + b];
    const int k = 2 * b;
    return static_cast<uint8_t>(p[from + k] << 4 | (k + 1 < n ? p[from + k + 1] : 0));
  };
  int i = 0;
  while (i < w) {
    int run = 1;
    while (i + run < w && run < 255 && p[i + run] == p[i]) ++run;
    if (run >= 3) {
      out.u8(static_cast<uint8_t>(run));
      out.u8(four ? static_cast<uint8_t>(p[i] << 4 | p[i]) : p[i]);
      i += run;
      continue;
    }
    // Gather pixels up to the next run worth encoding as such.
    int j = i;
    while (j < w && j - i < 255) {
      int r = 1;
      while (j + r < w && r < 3 && p[j + r] == p[j]) ++r;
      if (r >= 3) break;
      ++j;
    }
    const int n = j - i;
    if (n < 3) {  // literal runs need at least three pixels
      for (int k = i; k < j; ++k) {
        out.u8(1);
        out.u8(four ? static_cast<uint8_t>(p[k] << 4) : p[k]);
      }
    } else {
      out.u8(0);
      out.u8(static_cast<uint8_t>(n));
      const int bytes = four ? (n + 1) / 2 : n;
      for (int b = 0; b < bytes; ++b) out.u8(literal_byte(i, n, b));
      if (bytes & 1) out.u8(0);
    }
    i = j;
  }
}

struct BmpLayout {
  int bits = 24;
  std::vector<Rgb> palette;
};

BmpLayout choose_layout(const Raster& raster) {
  BmpLayout layout;
  switch (raster.format()) {
    case PixelFormat::Bit1:
      layout.bits = 1;
      layout.palette = raster.palette;
      layout.palette.resize(2, Rgb{255, 255, 255});
      break;
    case PixelFormat::Gray8:
      layout.bits = 8;
      for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<uint8_t>(i);
        layout.palette.push_back({v, v, v});
      }
      break;
    case PixelFormat::Palette8: {
      int highest = 0;
      for (int y = 0; y < raster.height(); ++y) {
        const uint8_t* p = raster.row(y);
        highest = std::max<int>(highest, *std::max_element(p, p + raster.width()));
      }
      layout.palette = raster.palette;
      layout.palette.resize(std::max(layout.palette.size(), static_cast<size_t>(highest) + 1));
      layout.bits = layout.palette.size() <= 16 ? 4 : 8;
      break;
    }
    case PixelFormat::Rgb24:
      layout.bits = 24;
      break;
    case PixelFormat::None:
      throw ImageError("there is no image to save");
  }
  return layout;
}

void write_row(const Raster& raster, int y, int bits, ByteWriter& out, size_t file_stride) {
  const uint8_t* p = raster.row(y);
  const size_t start = out.size();
  switch (bits) {
    case 1:
      out.append(std::span<const uint8_t>(p, raster.stride()));
      break;
    case 4:
      for (int x = 0; x < raster.width(); x += 2)
        out.u8(static_cast<uint8_t>(p[x] << 4 | (x + 1 < raster.width() ? p[x + 1] : 0)));
      break;
    case 8:
      out.append(std::span<const uint8_t>(p, raster.width()));
      break;
    case 24:
      for (int x = 0; x < raster.width(); ++x, p += 3) out.u8(p[2]), out.u8(p[1]), out.u8(p[0]);
      break;
  }
  out.fill(file_stride - (out.size() - start), 0);
}

}  // namespace

// The colours of an embedded profile shown in sRGB: the palette, or every pixel. A profile that
// cannot be applied leaves the colours as stored and says so.
void apply_profile(std::span<const uint8_t> icc, Raster& raster, IOParams& params) {
  try {
    const ColourProfile profile(icc);
    if (profile.space() != ProfileSpace::Rgb)
      throw ImageError("the embedded colour profile is not for RGB colours");
    const SrgbConversion conversion(profile, 8);
    if (raster.format() == PixelFormat::Rgb24) {
      std::vector<uint8_t> row(raster.stride());
      for (int y = 0; y < raster.height(); ++y) {
        std::copy_n(raster.row(y), raster.stride(), row.begin());
        conversion.convert(row.data(), raster.row(y), static_cast<size_t>(raster.width()));
      }
    } else {
      std::vector<Rgb> converted(raster.palette.size());
      conversion.convert(raster.palette.data(), converted.data(), converted.size());
      raster.palette = std::move(converted);
    }
  } catch (const ImageError& e) {
    params.warnings.push_back(e.reason() + "; the colours are shown as stored");
  }
}

Raster decode_bmp(std::span<const uint8_t> data, IOParams& params) {
  const ReadBudget budget(data.size());
  BmpHeader h = parse_header(data);
  if (h.compression == kBiJpeg || h.compression == kBiPng) {
    Raster raster = decode_embedded(data, h, params);
    h.width = raster.width(), h.height = raster.height(), h.bits = 24;
    fill_params(h, raster.has_alpha(), params);
    return raster;
  }
  budget.check_pixels(static_cast<uint64_t>(h.width), static_cast<uint64_t>(h.height));
  Raster raster =
      run_length(h) ? decode_rle(data, h, budget) : decode_uncompressed(data, h, budget);
  fill_params(h, raster.has_alpha(), params);
  if (!h.profile.empty()) apply_profile(h.profile, raster, params);
  return raster;
}

void read_bmp_header(std::span<const uint8_t> data, IOParams& params) {
  BmpHeader h = parse_header(data);
  if (h.compression == kBiJpeg || h.compression == kBiPng) {
    IOParams inner;
    if (h.compression == kBiJpeg)
      read_jpeg_header(embedded_image(data, h), inner);
    else
      read_png_header(embedded_image(data, h), inner);
    h.width = inner.width, h.height = inner.height, h.bits = 24;
    fill_params(h, inner.samples_per_pixel == 2 || inner.samples_per_pixel == 4, params);
    return;
  }
  // Plain 32-bit files only show whether their fourth byte is alpha in the pixels themselves.
  const bool alpha_mask =
      (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) && h.masks[3] != 0;
  fill_params(h, alpha_mask, params);
}

std::vector<uint8_t> encode_bmp(const Raster& raster, const IOParams& params,
                                std::string_view extension) {
  if (raster.empty()) throw ImageError("the image has no pixels to save");
  const BmpLayout layout = choose_layout(raster);
  const bool rle =
      params.bmp_compression == BmpCompression::RLE && (layout.bits == 4 || layout.bits == 8);
  const uint64_t row_bits = static_cast<uint64_t>(raster.width()) * layout.bits;
  const uint64_t file_stride = (row_bits + 31) / 32 * 4;
  const uint64_t palette_bytes = layout.palette.size() * 4;
  const uint64_t pixel_offset = kFileHeaderSize + kInfoHeaderSize + palette_bytes;
  // RLE output is at most a little larger than raw rows of whole bytes.
  const uint64_t worst = pixel_offset + (file_stride + 4 + file_stride / 2) * raster.height() + 2;
  if (worst > UINT32_MAX) throw ImageError("image too large for a BMP file");

  ByteWriter out;
  out.u8('B'), out.u8('M');
  out.u32le(0);  // file size, patched below
  out.u32le(0);
  out.u32le(static_cast<uint32_t>(pixel_offset));
  out.u32le(kInfoHeaderSize);
  out.i32le(raster.width());
  out.i32le(raster.height());
  out.u16le(1);
  out.u16le(static_cast<uint16_t>(layout.bits));
  out.u32le(rle ? (layout.bits == 8 ? kBiRle8 : kBiRle4) : kBiRgb);
  const size_t image_size_at = out.size();
  out.u32le(0);  // image size, patched below
  out.i32le(ppm_from_dpi(params.dpi_x));
  out.i32le(ppm_from_dpi(params.dpi_y));
  out.u32le(static_cast<uint32_t>(layout.palette.size()));
  out.u32le(0);
  for (const Rgb& c : layout.palette) out.u8(c.b), out.u8(c.g), out.u8(c.r), out.u8(0);

  const size_t pixels_at = out.size();
  for (int r = 0; r < raster.height(); ++r) {
    const int y = raster.height() - 1 - r;
    if (rle) {
      encode_rle_row(raster.row(y), raster.width(), layout.bits == 4, out);
      if (r + 1 < raster.height()) out.u8(0), out.u8(0);
    } else {
      write_row(raster, y, layout.bits, out, file_stride);
    }
  }
  if (rle) out.u8(0), out.u8(1);
  out.patch_u32le(image_size_at, static_cast<uint32_t>(out.size() - pixels_at));
  out.patch_u32le(2, static_cast<uint32_t>(out.size()));
  return out.take();
}

bool sniff_bmp(std::span<const uint8_t> data) {
  // "BM", then an info header of a size the reader knows.
  if (data.size() < kFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M') return false;
  ByteReader in(data);
  in.seek(kFileHeaderSize);
  const uint32_t header_size = in.u32le();
  return header_size >= kCoreHeaderSize && header_size <= 4096;
}

}  // namespace lumatrix
