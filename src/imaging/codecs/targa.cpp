// Truevision Targa. We read colour-mapped (8-bit indices, 15/16/24/32-bit map entries), grey and
// 15/16/24/32-bit true-colour pictures, raw or run-length coded, in any of the four orientations.
// The image ID is skipped and the TGA 2.0 extension area and footer are ignored.
//
// Alpha: a 32-bit picture (or a 16-bit one with its attribute bit) gets an alpha plane when the
// descriptor announces alpha bits and at least one pixel has a non-zero alpha value. Writers
// that leave the fourth byte at zero would otherwise produce an invisible picture.
//
// We write uncompressed true colour: 24-bit, or 32-bit with 8 alpha bits when the raster has an
// alpha plane, rows from the bottom up (the original origin, which every reader handles).
#include <algorithm>
#include <string>

#include "base/image_error.h"
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/codecs.h"
#include "imaging/resource_policy.h"

namespace lumatrix {

namespace {

constexpr size_t kHeaderSize = 18;
constexpr uint8_t kTopOrigin = 0x20;
constexpr uint8_t kRightOrigin = 0x10;

enum ImageType : uint8_t {
  kNoImage = 0,
  kColourMapped = 1,
  kTrueColour = 2,
  kGrey = 3,
  kRleColourMapped = 9,
  kRleTrueColour = 10,
  kRleGrey = 11,
};

struct TgaHeader {
  int id_length = 0;
  int map_type = 0;
  int type = 0;
  int map_first = 0, map_length = 0, map_entry_bits = 0;
  int width = 0, height = 0;
  int depth = 0;
  int alpha_bits = 0;
  bool top_down = false, right_to_left = false;

  int kind() const { return type & 7; }  // the uncompressed type of the same kind
  bool rle() const { return type & 8; }
  int pixel_bytes() const { return (depth + 7) / 8; }
  size_t map_bytes() const {
    return map_type == 1 ? static_cast<size_t>(map_length) * ((map_entry_bits + 7) / 8) : 0;
  }
};

TgaHeader parse_header(std::span<const uint8_t> data) {
  ByteReader in(data);
  if (data.size() < kHeaderSize) throw ImageError("not a Targa file (header too short)");
  TgaHeader h;
  h.id_length = in.u8();
  h.map_type = in.u8();
  h.type = in.u8();
  h.map_first = in.u16le();
  h.map_length = in.u16le();
  h.map_entry_bits = in.u8();
  in.skip(4);  // screen origin
  h.width = in.u16le();
  h.height = in.u16le();
  h.depth = in.u8();
  const uint8_t descriptor = in.u8();
  h.alpha_bits = descriptor & 0x0F;
  h.top_down = descriptor & kTopOrigin;
  h.right_to_left = descriptor & kRightOrigin;

  if (h.map_type > 1)
    throw ImageError("not a Targa file (colour map type " + std::to_string(h.map_type) + ")");
  const std::string depth = std::to_string(h.depth);
  switch (h.type) {
    case kNoImage:
      throw ImageError("the Targa file holds no image data");
    case kColourMapped:
    case kRleColourMapped:
      if (h.map_type != 1) throw ImageError("colour-mapped Targa file without a colour map");
      if (h.depth != 8) throw ImageError("unsupported Targa colour index size " + depth);
      if (h.map_entry_bits != 15 && h.map_entry_bits != 16 && h.map_entry_bits != 24 &&
          h.map_entry_bits != 32)
        throw ImageError("unsupported Targa colour map entry size " +
                         std::to_string(h.map_entry_bits));
      break;
    case kTrueColour:
    case kRleTrueColour:
      if (h.depth != 15 && h.depth != 16 && h.depth != 24 && h.depth != 32)
        throw ImageError("unsupported Targa true-colour depth " + depth);
      break;
    case kGrey:
    case kRleGrey:
      if (h.depth != 8) throw ImageError("unsupported Targa grey depth " + depth);
      break;
    default:
      throw ImageError("unsupported Targa image type " + std::to_string(h.type));
  }
  if (h.width == 0 || h.height == 0)
    throw ImageError("invalid Targa size " + std::to_string(h.width) + "x" +
                     std::to_string(h.height));
  return h;
}

bool has_alpha_channel(const TgaHeader& h) {
  return h.kind() == kTrueColour && h.alpha_bits > 0 && (h.depth == 32 || h.depth == 16);
}

void fill_params(const TgaHeader& h, bool alpha, IOParams& params) {
  params.width = h.width;
  params.height = h.height;
  params.dpi_x = params.dpi_y = kDisplayDpi;  // Targa files state no resolution
  params.bits_per_sample = 8;
  params.samples_per_pixel = h.kind() == kTrueColour ? (alpha ? 4 : 3) : 1;
}

uint8_t expand5(unsigned v) {
  return static_cast<uint8_t>(v << 3 | v >> 2);
}

// One stored colour (little-endian, blue first) of 2, 3 or 4 bytes; `alpha` receives the
// attribute bits scaled to 0..255.
Rgb read_colour(const uint8_t* p, int bytes, uint8_t& alpha) {
  if (bytes == 2) {
    const unsigned v = p[0] | p[1] << 8;
    alpha = v & 0x8000 ? 255 : 0;
    return {expand5(v >> 10 & 31), expand5(v >> 5 & 31), expand5(v & 31)};
  }
  alpha = bytes == 4 ? p[3] : 255;
  return {p[2], p[1], p[0]};
}

std::vector<Rgb> read_colour_map(ByteReader& in, const TgaHeader& h) {
  const int entry_bytes = (h.map_entry_bits + 7) / 8;
  std::span<const uint8_t> map = in.bytes(h.map_bytes());
  // Indices are 8 bits, so entries past 255 cannot be reached.
  const int size = std::min(256, h.map_first + h.map_length);
  std::vector<Rgb> palette(static_cast<size_t>(std::max(size, 0)), Rgb{0, 0, 0});
  uint8_t unused_alpha = 0;
  for (int i = h.map_first; i < size; ++i)
    palette[i] = read_colour(map.data() + static_cast<size_t>(i - h.map_first) * entry_bytes,
                             entry_bytes, unused_alpha);
  return palette;
}

// Hands out the stored pixels one at a time in file order, expanding run-length packets, which
// may run on from one row into the next.
class PixelSource {
 public:
  PixelSource(ByteReader& in, int bytes, bool rle) : in_(in), bytes_(bytes), rle_(rle) {}

  const uint8_t* next() {
    if (!rle_) return in_.bytes(bytes_).data();
    if (left_ == 0) {
      const uint8_t packet = in_.u8();
      left_ = (packet & 0x7F) + 1;
      repeat_ = packet & 0x80;
      if (repeat_) value_ = in_.bytes(bytes_).data();
    }
    --left_;
    return repeat_ ? value_ : in_.bytes(bytes_).data();
  }

 private:
  ByteReader& in_;
  int bytes_;
  bool rle_;
  int left_ = 0;
  bool repeat_ = false;
  const uint8_t* value_ = nullptr;
};

Raster decode_pixels(std::span<const uint8_t> data, const TgaHeader& h) {
  ByteReader in(data);
  in.seek(kHeaderSize);
  in.skip(static_cast<size_t>(h.id_length));
  std::vector<Rgb> palette;
  if (h.kind() == kColourMapped)
    palette = read_colour_map(in, h);
  else
    in.skip(h.map_bytes());

  const int bytes = h.pixel_bytes();
  const uint64_t stored = static_cast<uint64_t>(h.width) * h.height * bytes;
  if (!h.rle() && stored > in.remaining())
    throw ImageError("Targa pixel data truncated: " + std::to_string(stored) + " bytes expected, " +
                     std::to_string(in.remaining()) + " present");

  const PixelFormat format = h.kind() == kTrueColour ? PixelFormat::Rgb24
                             : h.kind() == kGrey     ? PixelFormat::Gray8
                                                     : PixelFormat::Palette8;
  Raster raster(h.width, h.height, format);
  const bool want_alpha = has_alpha_channel(h);
  if (want_alpha) raster.add_alpha();
  bool alpha_used = false;
  int highest_index = 0;

  PixelSource source(in, bytes, h.rle());
  for (int r = 0; r < h.height; ++r) {
    const int y = h.top_down ? r : h.height - 1 - r;
    uint8_t* d = raster.row(y);
    uint8_t* a = want_alpha ? raster.alpha_row(y) : nullptr;
    for (int c = 0; c < h.width; ++c) {
      const int x = h.right_to_left ? h.width - 1 - c : c;
      const uint8_t* p = source.next();
      if (format != PixelFormat::Rgb24) {
        d[x] = p[0];
        highest_index = std::max<int>(highest_index, p[0]);
        continue;
      }
      uint8_t alpha = 255;
      const Rgb colour = read_colour(p, bytes, alpha);
      d[3 * x] = colour.r, d[3 * x + 1] = colour.g, d[3 * x + 2] = colour.b;
      if (a) {
        a[x] = alpha;
        alpha_used |= alpha != 0;
      }
    }
  }
  if (want_alpha && !alpha_used) raster.drop_alpha();
  if (format == PixelFormat::Palette8) {
    // Indices beyond the map show as black rather than reading past the palette later.
    palette.resize(std::max(palette.size(), static_cast<size_t>(highest_index) + 1));
    raster.palette = std::move(palette);
  }
  return raster;
}

}  // namespace

Raster decode_targa(std::span<const uint8_t> data, IOParams& params) {
  const ReadBudget budget(data.size());
  const TgaHeader h = parse_header(data);
  budget.check_picture(static_cast<uint64_t>(h.width), static_cast<uint64_t>(h.height), 24,
                       has_alpha_channel(h), "Targa");
  Raster raster = decode_pixels(data, h);
  fill_params(h, raster.has_alpha(), params);
  return raster;
}

void read_targa_header(std::span<const uint8_t> data, IOParams& params) {
  const TgaHeader h = parse_header(data);
  fill_params(h, has_alpha_channel(h), params);
}

std::vector<uint8_t> encode_targa(const Raster& raster, const IOParams& /*params*/,
                                  std::string_view /*extension*/) {
  if (raster.empty()) throw ImageError("the image has no pixels to save");
  if (raster.width() > 0xFFFF || raster.height() > 0xFFFF)
    throw ImageError("image too large for a Targa file (at most 65535 pixels a side)");
  const Raster converted = raster.format() == PixelFormat::Rgb24 ? Raster() : raster.to_rgb24();
  const Raster& rgb = raster.format() == PixelFormat::Rgb24 ? raster : converted;
  const bool alpha = rgb.has_alpha();

  ByteWriter out;
  out.u8(0);  // no image ID
  out.u8(0);  // no colour map
  out.u8(kTrueColour);
  out.fill(5, 0);  // colour map fields (no map)
  out.u16le(0), out.u16le(0);
  out.u16le(static_cast<uint16_t>(rgb.width()));
  out.u16le(static_cast<uint16_t>(rgb.height()));
  out.u8(alpha ? 32 : 24);
  out.u8(alpha ? 8 : 0);  // bottom-left origin
  out.bytes().reserve(out.size() +
                      static_cast<size_t>(rgb.width()) * rgb.height() * (alpha ? 4 : 3));
  for (int y = rgb.height() - 1; y >= 0; --y) {
    const uint8_t* s = rgb.row(y);
    const uint8_t* a = alpha ? rgb.alpha_row(y) : nullptr;
    for (int x = 0; x < rgb.width(); ++x, s += 3) {
      out.u8(s[2]), out.u8(s[1]), out.u8(s[0]);
      if (a) out.u8(a[x]);
    }
  }
  return out.take();
}

bool sniff_targa(std::span<const uint8_t> data) {
  // A Targa header has no signature; only TGA 2.0 files end in one. Files without it are read
  // when their extension says Targa, but cannot be recognised under another name.
  constexpr std::string_view kFooter{"TRUEVISION-XFILE.\0", 18};
  if (data.size() < kHeaderSize + 8 + kFooter.size()) return false;
  const std::string_view tail(
      reinterpret_cast<const char*>(data.data() + data.size() - kFooter.size()), kFooter.size());
  return tail == kFooter;
}

}  // namespace lumatrix
