// Windows icons and cursors (read only). A file holds several pictures of one icon; we show the
// largest and, among equally large ones, the deepest. Each picture is either a bitmap without
// file header (its height doubled to cover the colour bitmap and the 1-bit transparency mask
// below it) or a whole PNG file.
#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "base/image_error.h"
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/codecs.h"
#include "imaging/resource_policy.h"

namespace lumatrix {

namespace {

constexpr size_t kDirectoryEntrySize = 16;
constexpr size_t kInfoHeaderSize = 40;
constexpr std::array<uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

struct Entry {
  std::span<const uint8_t> data;  // the picture's bytes
  bool png = false;
  int width = 0, height = 0;
  int bits = 0;  // bits per pixel as stored
};

bool is_png(std::span<const uint8_t> data) {
  return data.size() >= kPngSignature.size() &&
         std::equal(kPngSignature.begin(), kPngSignature.end(), data.begin());
}

// Bitmap header fields the decoder needs.
struct DibHeader {
  uint32_t header_size = 0;
  int width = 0, height = 0;  // height of the picture, not the doubled one
  int bits = 0;
  uint32_t colours_used = 0;
};

DibHeader parse_dib(std::span<const uint8_t> data) {
  ByteReader in(data);
  DibHeader h;
  h.header_size = in.u32le();
  if (h.header_size < kInfoHeaderSize || h.header_size > 4096)
    throw ImageError("unknown icon bitmap header size " + std::to_string(h.header_size));
  const int32_t width = in.i32le();
  const int32_t doubled = in.i32le();
  in.skip(2);  // planes
  h.bits = in.u16le();
  const uint32_t compression = in.u32le();
  in.skip(12);  // image size, resolution
  h.colours_used = in.u32le();
  if (width <= 0 || doubled < 2)
    throw ImageError("invalid icon bitmap size " + std::to_string(width) + "x" +
                     std::to_string(doubled));
  h.width = width;
  h.height = doubled / 2;
  if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 24 && h.bits != 32)
    throw ImageError("unsupported icon bit depth " + std::to_string(h.bits));
  if (compression != 0)
    throw ImageError("unsupported icon bitmap compression " + std::to_string(compression));
  return h;
}

// Width, height and bits of a PNG picture from its IHDR chunk.
Entry describe_png(std::span<const uint8_t> data) {
  ByteReader in(data);
  in.skip(kPngSignature.size() + 8);  // signature, IHDR length and type
  Entry e;
  const uint32_t width = in.u32be(), height = in.u32be();
  const int depth = in.u8(), colour_type = in.u8();
  if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX)
    throw ImageError("invalid PNG size in icon");
  e.width = static_cast<int>(width);
  e.height = static_cast<int>(height);
  const int channels = colour_type == 2 ? 3 : colour_type == 4 ? 2 : colour_type == 6 ? 4 : 1;
  e.bits = depth * channels;
  return e;
}

std::optional<Entry> describe(std::span<const uint8_t> file, size_t offset, size_t length) {
  if (offset >= file.size()) return std::nullopt;
  // Some writers state a length running past the end; what is there may still be enough.
  Entry e;
  const std::span<const uint8_t> data =
      file.subspan(offset, std::min<size_t>(length, file.size() - offset));
  try {
    if (is_png(data)) {
      e = describe_png(data);
      e.png = true;
    } else {
      const DibHeader h = parse_dib(data);
      e.width = h.width, e.height = h.height, e.bits = h.bits;
    }
  } catch (const ImageError&) {
    return std::nullopt;
  }
  e.data = data;
  return e;
}

// The entry we show: largest area, then most bits. Sizes and depths come from the pictures'
// own headers, not the directory: its size bytes stop at 256 (0 standing for 256, also for
// larger PNG pictures), and cursors keep their hotspot where icons keep planes and bits.
// Entries whose data cannot be described are passed over, so one damaged picture does not hide
// the others.
Entry choose_entry(std::span<const uint8_t> file) {
  ByteReader in(file);
  const uint16_t reserved = in.u16le(), type = in.u16le(), count = in.u16le();
  if (reserved != 0 || (type != 1 && type != 2))
    throw ImageError("not an icon or cursor file (bad header)");
  if (count == 0) throw ImageError("the icon file holds no pictures");
  std::optional<Entry> best;
  for (int i = 0; i < count; ++i) {
    in.seek(6 + kDirectoryEntrySize * i);
    in.skip(8);  // size, colours, reserved, planes or hotspot, bits or hotspot
    const uint32_t length = in.u32le(), offset = in.u32le();
    std::optional<Entry> e = describe(file, offset, length);
    if (!e) continue;
    const uint64_t area = uint64_t{static_cast<uint32_t>(e->width)} * e->height;
    if (!best || area > uint64_t{static_cast<uint32_t>(best->width)} * best->height ||
        (area == uint64_t{static_cast<uint32_t>(best->width)} * best->height &&
         e->bits > best->bits))
      best = e;
  }
  if (!best) throw ImageError("no readable picture in the icon file");
  return *best;
}

Raster decode_dib(std::span<const uint8_t> data) {
  const DibHeader h = parse_dib(data);
  // The picture and its mask, which becomes an alpha plane.
  ReadBudget(data.size())
      .check_picture(static_cast<uint32_t>(h.width), static_cast<uint32_t>(h.height), 24, true,
                     "icon");
  const int w = h.width, rows = h.height;

  std::vector<Rgb> palette;
  size_t pos = h.header_size;
  if (h.bits <= 8) {
    size_t count = h.colours_used != 0 ? h.colours_used : size_t{1} << h.bits;
    count = std::min(count, size_t{1} << h.bits);
    ByteReader in(data);
    in.seek(std::min(pos, data.size()));
    const std::span<const uint8_t> table = in.bytes(count * 4);
    for (size_t i = 0; i < count; ++i)
      palette.push_back(Rgb{table[4 * i + 2], table[4 * i + 1], table[4 * i]});
    pos += count * 4;
  }
  const size_t stride = (static_cast<size_t>(w) * h.bits + 31) / 32 * 4;
  const size_t mask_stride = (static_cast<size_t>(w) + 31) / 32 * 4;
  const size_t xor_bytes = stride * static_cast<size_t>(rows);
  if (pos > data.size() || data.size() - pos < xor_bytes)
    throw ImageError("icon bitmap truncated: " + std::to_string(xor_bytes) +
                     " bytes of pixels expected");
  const uint8_t* pixels = data.data() + pos;
  // Icons whose colour bitmap carries its own alpha may leave the mask out.
  const size_t mask_at = pos + xor_bytes;
  const bool has_mask = data.size() - mask_at >= mask_stride * static_cast<size_t>(rows);

  Raster raster(w, rows, PixelFormat::Rgb24);
  raster.add_alpha();
  bool alpha_used = false;
  for (int r = 0; r < rows; ++r) {
    const uint8_t* s = pixels + stride * static_cast<size_t>(r);
    const int y = rows - 1 - r;  // bottom-up
    uint8_t* d = raster.row(y);
    uint8_t* a = raster.alpha_row(y);
    for (int x = 0; x < w; ++x, d += 3) {
      Rgb c;
      if (h.bits <= 8) {
        const int per_byte = 8 / h.bits;
        const int shift = 8 - h.bits * (x % per_byte + 1);
        const size_t index = (s[x / per_byte] >> shift) & ((1u << h.bits) - 1);
        // Like other readers, an index past the table shows the first colour.
        c = index < palette.size() ? palette[index] : (palette.empty() ? Rgb{} : palette[0]);
      } else {
        const uint8_t* p = s + static_cast<size_t>(x) * (h.bits / 8);
        c = Rgb{p[2], p[1], p[0]};
        if (h.bits == 32) {
          a[x] = p[3];
          alpha_used |= p[3] != 0;
        }
      }
      d[0] = c.r, d[1] = c.g, d[2] = c.b;
    }
  }
  // A colour bitmap with real alpha wins over the mask; one whose fourth byte is zero everywhere
  // was written without alpha, and the mask says what is transparent.
  if (!alpha_used) {
    for (int r = 0; r < rows; ++r) {
      const uint8_t* m =
          has_mask ? data.data() + mask_at + mask_stride * static_cast<size_t>(r) : nullptr;
      uint8_t* a = raster.alpha_row(rows - 1 - r);
      for (int x = 0; x < w; ++x)
        a[x] = m != nullptr && (m[x / 8] & (0x80 >> (x % 8))) != 0 ? 0 : 255;
    }
  }
  return raster;
}

void fill_bitmap_params(const Entry& e, IOParams& params) {
  params.width = e.width;
  params.height = e.height;
  if (e.bits <= 8) {
    params.bits_per_sample = e.bits;
    params.samples_per_pixel = 1;
  } else {
    params.bits_per_sample = 8;
    params.samples_per_pixel = e.bits / 8;
  }
  params.dpi_x = params.dpi_y = kDisplayDpi;
}

}  // namespace

Raster decode_ico(std::span<const uint8_t> data, IOParams& params) {
  const Entry e = choose_entry(data);
  check_pixel_limit(static_cast<uint32_t>(e.width), static_cast<uint32_t>(e.height));
  if (e.png) return decode_png(e.data, params);
  Raster raster = decode_dib(e.data);
  fill_bitmap_params(e, params);
  return raster;
}

void read_ico_header(std::span<const uint8_t> data, IOParams& params) {
  const Entry e = choose_entry(data);
  if (e.png)
    read_png_header(e.data, params);
  else
    fill_bitmap_params(e, params);
}

namespace {
// Reserved 0, the resource type, and at least one picture.
bool has_icon_header(std::span<const uint8_t> data, uint8_t type) {
  return data.size() >= 6 + kDirectoryEntrySize && data[0] == 0 && data[1] == 0 &&
         data[2] == type && data[3] == 0 && (data[4] != 0 || data[5] != 0);
}
}  // namespace

bool sniff_ico(std::span<const uint8_t> data) {
  return has_icon_header(data, 1);
}

bool sniff_cur(std::span<const uint8_t> data) {
  return has_icon_header(data, 2);
}

}  // namespace lumatrix
