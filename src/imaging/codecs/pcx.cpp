// ZSoft PCX. We read 1/2/4/8-bit paletted pictures (packed pixels in one plane, or up to four
// 1-bit planes as EGA files have them) and 24-bit pictures in three 8-bit planes (a fourth plane
// is read as alpha), run-length coded or stored raw. We write 8-bit paletted files (the palette
// after the pixels) for 1-bit, paletted and grey rasters and three-plane 24-bit files otherwise.
#include <algorithm>
#include <string>

#include "base/image_error.h"
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/codecs.h"
#include "imaging/resource_policy.h"

namespace lumatrix {

namespace {

constexpr size_t kHeaderSize = 128;
constexpr uint8_t kManufacturer = 0x0A;
constexpr uint8_t kPaletteMarker = 0x0C;
constexpr size_t kTailPaletteSize = 1 + 256 * 3;
constexpr uint8_t kRunFlag = 0xC0;
constexpr int kMaxRun = 0x3F;

struct PcxHeader {
  int version = 0;
  int encoding = 0;  // 0 raw, 1 run-length
  int bits = 0;      // per pixel in one plane
  int planes = 0;
  int width = 0, height = 0;
  int dpi_x = 0, dpi_y = 0;
  size_t bytes_per_line = 0;  // per plane
  int palette_info = 0;       // 2: grey
  Rgb ega_palette[16];

  int index_bits() const { return bits * planes; }
  bool true_colour() const { return bits == 8 && planes >= 3; }
};

PcxHeader parse_header(std::span<const uint8_t> data) {
  if (data.size() < kHeaderSize || data[0] != kManufacturer)
    throw ImageError("not a PCX file (no ZSoft signature)");
  ByteReader in(data);
  PcxHeader h;
  in.skip(1);
  h.version = in.u8();
  h.encoding = in.u8();
  h.bits = in.u8();
  const int xmin = in.u16le(), ymin = in.u16le(), xmax = in.u16le(), ymax = in.u16le();
  h.dpi_x = in.u16le();
  h.dpi_y = in.u16le();
  for (Rgb& c : h.ega_palette) {
    c.r = in.u8();
    c.g = in.u8();
    c.b = in.u8();
  }
  in.skip(1);  // reserved
  h.planes = in.u8();
  h.bytes_per_line = in.u16le();
  h.palette_info = in.u16le();

  if (h.encoding != 0 && h.encoding != 1)
    throw ImageError("unknown PCX encoding " + std::to_string(h.encoding));
  if (xmax < xmin || ymax < ymin)
    throw ImageError("invalid PCX window " + std::to_string(xmin) + "," + std::to_string(ymin) +
                     " to " + std::to_string(xmax) + "," + std::to_string(ymax));
  h.width = xmax - xmin + 1;
  h.height = ymax - ymin + 1;
  const bool packed = h.planes == 1 && (h.bits == 1 || h.bits == 2 || h.bits == 4 || h.bits == 8);
  const bool planar = h.bits == 1 && h.planes >= 2 && h.planes <= 4;
  const bool rgb = h.bits == 8 && (h.planes == 3 || h.planes == 4);
  if (!packed && !planar && !rgb)
    throw ImageError("unsupported PCX layout: " + std::to_string(h.planes) + " planes of " +
                     std::to_string(h.bits) + " bits");
  const size_t row_bytes = (static_cast<size_t>(h.width) * h.bits + 7) / 8;
  if (h.bytes_per_line < row_bytes)
    throw ImageError("PCX bytes per line " + std::to_string(h.bytes_per_line) +
                     " too small for a width of " + std::to_string(h.width));
  return h;
}

void fill_params(const PcxHeader& h, bool alpha, IOParams& params) {
  params.width = h.width;
  params.height = h.height;
  // Some writers leave the resolution at zero; others put the screen size there, which we
  // cannot tell from a real resolution.
  params.dpi_x = h.dpi_x > 0 ? h.dpi_x : kDisplayDpi;
  params.dpi_y = h.dpi_y > 0 ? h.dpi_y : kDisplayDpi;
  if (h.true_colour()) {
    params.bits_per_sample = 8;
    params.samples_per_pixel = alpha ? 4 : 3;
  } else {
    params.bits_per_sample = h.index_bits();
    params.samples_per_pixel = 1;
  }
  params.pcx_compressed = h.encoding == 1;
}

// The decoded byte stream of the picture, one plane line after another. A run may continue from
// one line into the next, as some writers let it.
class PcxSource {
 public:
  PcxSource(std::span<const uint8_t> data, bool rle) : in_(data), rle_(rle) {}

  void read(uint8_t* out, size_t count) {
    if (!rle_) {
      std::span<const uint8_t> raw = in_.bytes(count);
      std::copy(raw.begin(), raw.end(), out);
      return;
    }
    size_t done = 0;
    while (done < count) {
      if (run_left_ == 0) {
        const uint8_t b = in_.u8();
        if ((b & kRunFlag) == kRunFlag) {
          run_left_ = b & kMaxRun;
          run_value_ = in_.u8();
        } else {
          run_left_ = 1;
          run_value_ = b;
        }
      }
      const size_t n = std::min(count - done, run_left_);
      std::fill_n(out + done, n, run_value_);
      done += n;
      run_left_ -= n;
    }
  }

 private:
  ByteReader in_;
  bool rle_;
  size_t run_left_ = 0;
  uint8_t run_value_ = 0;
};

std::vector<Rgb> header_palette(const PcxHeader& h) {
  const size_t count = size_t{1} << h.index_bits();
  // Monochrome pictures are black and white whatever the header palette holds: many writers
  // leave it zero or fill it with unrelated EGA colours.
  if (count == 2) return {{0, 0, 0}, {255, 255, 255}};
  return std::vector<Rgb>(h.ega_palette, h.ega_palette + count);
}

// The palette of an 8-bit file follows the pixels; without it the file is taken as grey.
std::vector<Rgb> tail_palette(std::span<const uint8_t> data, bool& found) {
  std::vector<Rgb> palette(256);
  found = data.size() >= kHeaderSize + kTailPaletteSize &&
          data[data.size() - kTailPaletteSize] == kPaletteMarker;
  const uint8_t* p = data.data() + data.size() - kTailPaletteSize + 1;
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<uint8_t>(i);
    palette[i] = found ? Rgb{p[3 * i], p[3 * i + 1], p[3 * i + 2]} : Rgb{v, v, v};
  }
  return palette;
}

Raster decode_pixels(std::span<const uint8_t> data, const PcxHeader& h) {
  const int w = h.width;
  std::span<const uint8_t> body = data.subspan(kHeaderSize);
  std::vector<Rgb> palette;
  const bool eight_bit = h.bits == 8 && h.planes == 1;
  if (eight_bit) {
    bool found = false;
    palette = tail_palette(data, found);
    if (found) body = body.first(body.size() - kTailPaletteSize);
  } else if (!h.true_colour()) {
    palette = header_palette(h);
  }

  const PixelFormat format = h.true_colour()       ? PixelFormat::Rgb24
                             : h.index_bits() == 1 ? PixelFormat::Bit1
                                                   : PixelFormat::Palette8;
  Raster raster(w, h.height, format);
  raster.palette = std::move(palette);
  if (h.planes == 4 && h.true_colour()) raster.add_alpha();
  bool alpha_used = false;

  PcxSource source(body, h.encoding == 1);
  std::vector<uint8_t> line(h.bytes_per_line * h.planes);
  for (int y = 0; y < h.height; ++y) {
    source.read(line.data(), line.size());
    uint8_t* d = raster.row(y);
    const uint8_t* s = line.data();
    const size_t bpl = h.bytes_per_line;
    if (format == PixelFormat::Bit1) {
      std::copy_n(s, raster.stride(), d);
      if (w % 8) d[raster.stride() - 1] &= static_cast<uint8_t>(0xFF00 >> (w % 8));
    } else if (format == PixelFormat::Rgb24) {
      for (int x = 0; x < w; ++x) {
        d[3 * x] = s[x];
        d[3 * x + 1] = s[bpl + x];
        d[3 * x + 2] = s[2 * bpl + x];
      }
      if (raster.has_alpha()) {
        std::copy_n(s + 3 * bpl, w, raster.alpha_row(y));
        alpha_used |= std::any_of(s + 3 * bpl, s + 3 * bpl + w, [](uint8_t a) { return a != 0; });
      }
    } else if (h.planes == 1) {
      const int per_byte = 8 / h.bits;
      const int mask = (1 << h.bits) - 1;
      for (int x = 0; x < w; ++x) {
        const int shift = 8 - h.bits * (x % per_byte + 1);
        d[x] = static_cast<uint8_t>(s[x / per_byte] >> shift & mask);
      }
    } else {  // one bit of the index in each plane, lowest bit first
      for (int x = 0; x < w; ++x) {
        int index = 0;
        for (int p = 0; p < h.planes; ++p) index |= (s[p * bpl + x / 8] >> (7 - x % 8) & 1) << p;
        d[x] = static_cast<uint8_t>(index);
      }
    }
  }
  // A fourth plane of zeros comes from writers that leave it unset, not from an invisible
  // picture.
  if (raster.has_alpha() && !alpha_used) raster.drop_alpha();
  return raster;
}

// --- writing ---

void put_plane_line(const uint8_t* line, size_t count, bool rle, ByteWriter& out) {
  if (!rle) {
    out.append(std::span<const uint8_t>(line, count));
    return;
  }
  size_t i = 0;
  while (i < count) {
    size_t run = 1;
    while (i + run < count && run < kMaxRun && line[i + run] == line[i]) ++run;
    // A lone byte with both top bits set would read as a run count, so it gets a run of one.
    if (run > 1 || (line[i] & kRunFlag) == kRunFlag) out.u8(static_cast<uint8_t>(kRunFlag | run));
    out.u8(line[i]);
    i += run;
  }
}

}  // namespace

Raster decode_pcx(std::span<const uint8_t> data, IOParams& params) {
  const ReadBudget budget(data.size());
  const PcxHeader h = parse_header(data);
  budget.check_picture(static_cast<uint64_t>(h.width), static_cast<uint64_t>(h.height), 24,
                       h.planes == 4, "PCX", uint64_t{h.bytes_per_line} * h.planes);
  Raster raster = decode_pixels(data, h);
  fill_params(h, raster.has_alpha(), params);
  return raster;
}

void read_pcx_header(std::span<const uint8_t> data, IOParams& params) {
  const PcxHeader h = parse_header(data);
  fill_params(h, h.true_colour() && h.planes == 4, params);
}

std::vector<uint8_t> encode_pcx(const Raster& raster, const IOParams& params,
                                std::string_view /*extension*/) {
  if (raster.empty()) throw ImageError("the image has no pixels to save");
  if (raster.width() > 65536 || raster.height() > 65536)
    throw ImageError("image too large for a PCX file (at most 65536 pixels a side)");
  const bool rgb = raster.format() == PixelFormat::Rgb24;
  const int planes = rgb ? 3 : 1;
  const int w = raster.width();
  // Lines are an even number of bytes long.
  const size_t bpl = (static_cast<size_t>(w) + 1) & ~size_t{1};
  if (bpl > 0xFFFF) throw ImageError("image too wide for a PCX file");
  auto clamp16 = [](int v) { return static_cast<uint16_t>(std::clamp(v, 0, 0xFFFF)); };

  ByteWriter out;
  out.u8(kManufacturer);
  out.u8(5);  // version 3.0 and later: 256-colour palettes and 24-bit
  out.u8(params.pcx_compressed ? 1 : 0);
  out.u8(8);
  out.u16le(0), out.u16le(0);
  out.u16le(static_cast<uint16_t>(w - 1));
  out.u16le(static_cast<uint16_t>(raster.height() - 1));
  out.u16le(clamp16(params.dpi_x));
  out.u16le(clamp16(params.dpi_y));
  std::vector<Rgb> palette;
  if (raster.format() == PixelFormat::Gray8) {
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<uint8_t>(i);
      palette.push_back({v, v, v});
    }
  } else if (!rgb) {
    palette = raster.palette;
  }
  palette.resize(256, Rgb{0, 0, 0});
  // The header palette holds the first 16 colours for readers that only know EGA files.
  for (int i = 0; i < 16; ++i) out.u8(palette[i].r), out.u8(palette[i].g), out.u8(palette[i].b);
  out.u8(0);
  out.u8(static_cast<uint8_t>(planes));
  out.u16le(static_cast<uint16_t>(bpl));
  out.u16le(raster.format() == PixelFormat::Gray8 ? 2 : 1);
  out.fill(kHeaderSize - out.size(), 0);

  std::vector<uint8_t> line(bpl, 0);
  for (int y = 0; y < raster.height(); ++y) {
    const uint8_t* s = raster.row(y);
    for (int p = 0; p < planes; ++p) {
      switch (raster.format()) {
        case PixelFormat::Rgb24:
          for (int x = 0; x < w; ++x) line[x] = s[3 * x + p];
          break;
        case PixelFormat::Bit1:
          for (int x = 0; x < w; ++x) line[x] = s[x / 8] >> (7 - x % 8) & 1;
          break;
        default:
          std::copy_n(s, w, line.begin());
          break;
      }
      put_plane_line(line.data(), line.size(), params.pcx_compressed, out);
    }
  }
  if (!rgb) {
    out.u8(kPaletteMarker);
    for (const Rgb& c : palette) out.u8(c.r), out.u8(c.g), out.u8(c.b);
  }
  return out.take();
}

bool sniff_pcx(std::span<const uint8_t> data) {
  // PCX has only the manufacturer byte; the version, encoding and bit depth that follow it take
  // so few values that together they make a usable signature.
  if (data.size() < kHeaderSize || data[0] != kManufacturer) return false;
  const uint8_t version = data[1], encoding = data[2], bits = data[3];
  return (version == 0 || (version >= 2 && version <= 5)) && encoding <= 1 &&
         (bits == 1 || bits == 2 || bits == 4 || bits == 8);
}

}  // namespace lumatrix
