// Netpbm formats: P1/P4 bitmaps, P2/P5 greymaps, P3/P6 pixmaps, ASCII and binary, any maxval up
// to 65535. The target extension picks what we write: ".pbm" P4, ".pgm" P5, ".ppm"/".pxm" P6.
#include <algorithm>
#include <cctype>
#include <string>

#include "base/image_error.h"
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/codecs.h"
#include "imaging/resource_policy.h"

namespace lumatrix {

namespace {

struct PnmHeader {
  int kind = 0;  // the digit after 'P'
  int width = 0, height = 0;
  int maxval = 1;
  size_t data_offset = 0;  // first byte after the header
  bool ascii() const { return kind <= 3; }
  bool bitmap() const { return kind == 1 || kind == 4; }
  int samples() const { return kind == 3 || kind == 6 ? 3 : 1; }
};

bool is_space(uint8_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Skips whitespace and comments ('#' up to the end of the line).
void skip_space(ByteReader& in) {
  while (!in.at_end()) {
    const uint8_t c = in.peek();
    if (c == '#') {
      while (!in.at_end() && in.peek() != '\n' && in.peek() != '\r') in.skip(1);
    } else if (is_space(c)) {
      in.skip(1);
    } else {
      return;
    }
  }
}

// An unsigned decimal number after optional whitespace and comments, at most `limit`.
int read_number(ByteReader& in, int limit, const char* what) {
  skip_space(in);
  if (in.at_end()) throw ImageError(std::string("PNM data ends before the ") + what);
  if (!std::isdigit(in.peek())) throw ImageError(std::string("PNM ") + what + " is not a number");
  int64_t value = 0;
  while (!in.at_end() && std::isdigit(in.peek())) {
    value = value * 10 + (in.u8() - '0');
    if (value > limit)
      throw ImageError(std::string("PNM ") + what + " exceeds " + std::to_string(limit));
  }
  return static_cast<int>(value);
}

PnmHeader parse_header(std::span<const uint8_t> data) {
  if (data.size() < 2 || data[0] != 'P' || data[1] < '1' || data[1] > '6')
    throw ImageError("not a PNM file (no P1..P6 signature)");
  PnmHeader h;
  h.kind = data[1] - '0';
  ByteReader in(data);
  in.seek(2);
  h.width = read_number(in, INT32_MAX, "width");
  h.height = read_number(in, INT32_MAX, "height");
  if (!h.bitmap()) h.maxval = read_number(in, 65535, "maxval");
  if (h.width == 0 || h.height == 0)
    throw ImageError("invalid PNM size " + std::to_string(h.width) + "x" +
                     std::to_string(h.height));
  if (h.maxval == 0) throw ImageError("PNM maxval is 0");
  // Exactly one whitespace character separates the header from binary samples.
  if (in.at_end() || !is_space(in.peek())) {
    if (!h.ascii()) throw ImageError("PNM header is not followed by whitespace");
  } else {
    in.skip(1);
  }
  h.data_offset = in.position();
  return h;
}

void fill_params(const PnmHeader& h, IOParams& params) {
  params.width = h.width;
  params.height = h.height;
  params.bits_per_sample = h.bitmap() ? 1 : h.maxval > 255 ? 16 : 8;
  params.samples_per_pixel = h.samples();
}

// Maps 0..maxval onto 0..255 with rounding; a table, since maxval is at most 65535.
std::vector<uint8_t> scale_table(int maxval) {
  std::vector<uint8_t> table(static_cast<size_t>(maxval) + 1);
  for (int v = 0; v <= maxval; ++v)
    table[v] = static_cast<uint8_t>((static_cast<int64_t>(v) * 255 + maxval / 2) / maxval);
  return table;
}

Raster decode_pixels(std::span<const uint8_t> data, const PnmHeader& h) {
  ReadBudget(data.size())
      .check_picture(static_cast<uint64_t>(h.width), static_cast<uint64_t>(h.height),
                     h.samples() == 1 ? 8 : 24, false, "PNM");
  const uint64_t pixels = static_cast<uint64_t>(h.width) * static_cast<uint64_t>(h.height);
  const uint64_t samples = pixels * h.samples();
  const uint64_t present = data.size() - h.data_offset;
  // Check the data can hold the picture before allocating for it: binary samples have a fixed
  // size, ASCII ones take at least one character each.
  uint64_t needed = samples;
  if (h.kind == 4)
    needed = (static_cast<uint64_t>(h.width) + 7) / 8 * h.height;
  else if (!h.ascii() && h.maxval > 255)
    needed = samples * 2;
  if (needed > present)
    throw ImageError("PNM data truncated: " + std::to_string(needed) + " bytes expected, " +
                     std::to_string(present) + " present");

  const PixelFormat format = h.bitmap()         ? PixelFormat::Bit1
                             : h.samples() == 1 ? PixelFormat::Gray8
                                                : PixelFormat::Rgb24;
  Raster raster(h.width, h.height, format);
  ByteReader in(data);
  in.seek(h.data_offset);
  const int w = h.width;

  if (h.kind == 4) {
    // PBM stores 1 for black, our bitmaps index a black-then-white palette.
    for (int y = 0; y < h.height; ++y) {
      std::span<const uint8_t> s = in.bytes(raster.stride());
      uint8_t* d = raster.row(y);
      for (size_t i = 0; i < s.size(); ++i) d[i] = static_cast<uint8_t>(~s[i]);
      if (w % 8) d[raster.stride() - 1] &= static_cast<uint8_t>(0xFF00 >> (w % 8));
    }
    return raster;
  }
  if (h.kind == 1) {
    for (int y = 0; y < h.height; ++y) {
      uint8_t* d = raster.row(y);
      for (int x = 0; x < w; ++x) {
        skip_space(in);
        if (in.at_end()) throw ImageError("PNM data ends early");
        const uint8_t c = in.u8();
        if (c != '0' && c != '1') throw ImageError("PBM sample is neither 0 nor 1");
        if (c == '0') d[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
    }
    return raster;
  }

  const std::vector<uint8_t> scale = scale_table(h.maxval);
  const int per_row = w * h.samples();
  for (int y = 0; y < h.height; ++y) {
    uint8_t* d = raster.row(y);
    if (h.ascii()) {
      for (int i = 0; i < per_row; ++i) {
        skip_space(in);
        if (in.at_end()) throw ImageError("PNM data ends early");
        const int v = read_number(in, 65535, "sample");
        if (v > h.maxval) throw ImageError("PNM sample exceeds maxval");
        d[i] = scale[v];
      }
    } else if (h.maxval > 255) {
      std::span<const uint8_t> s = in.bytes(static_cast<size_t>(per_row) * 2);
      for (int i = 0; i < per_row; ++i) {
        const int v = s[2 * i] << 8 | s[2 * i + 1];
        if (v > h.maxval) throw ImageError("PNM sample exceeds maxval");
        d[i] = scale[v];
      }
    } else {
      std::span<const uint8_t> s = in.bytes(static_cast<size_t>(per_row));
      for (int i = 0; i < per_row; ++i) {
        if (s[i] > h.maxval) throw ImageError("PNM sample exceeds maxval");
        d[i] = scale[s[i]];
      }
    }
  }
  return raster;
}

// Luminance as the program's grey conversion computes it.
uint8_t luminance(Rgb c) {
  return static_cast<uint8_t>((c.r * 21 + c.g * 71 + c.b * 8 + 50) / 100);
}

}  // namespace

Raster decode_pnm(std::span<const uint8_t> data, IOParams& params) {
  const PnmHeader h = parse_header(data);
  Raster raster = decode_pixels(data, h);
  fill_params(h, params);
  return raster;
}

void read_pnm_header(std::span<const uint8_t> data, IOParams& params) {
  fill_params(parse_header(data), params);
}

std::vector<uint8_t> encode_pnm(const Raster& raster, const IOParams& params,
                                std::string_view extension) {
  if (raster.format() == PixelFormat::None) throw ImageError("there is no image to save");
  if (raster.empty()) throw ImageError("the image has no pixels to save");
  const int w = raster.width(), h = raster.height();
  const char kind = extension == ".pbm" ? '4' : extension == ".pgm" ? '5' : '6';
  ByteWriter out;
  out.append(std::string("P") + kind + "\n" + std::to_string(w) + " " + std::to_string(h) + "\n" +
             (kind == '4' ? "" : "255\n"));
  if (kind == '4') {
    // A bitmap keeps the pixels whose luminance reaches 128 white; the rest turn black.
    const size_t stride = (static_cast<size_t>(w) + 7) / 8;
    for (int y = 0; y < h; ++y) {
      std::vector<uint8_t> row(stride, 0);
      for (int x = 0; x < w; ++x)
        if (luminance(raster.pixel(x, y)) < 128)
          row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      out.append(row);
    }
  } else if (kind == '5') {
    for (int y = 0; y < h; ++y) {
      if (raster.format() == PixelFormat::Gray8) {
        out.append(std::span<const uint8_t>(raster.row(y), static_cast<size_t>(w)));
      } else {
        for (int x = 0; x < w; ++x) out.u8(luminance(raster.pixel(x, y)));
      }
    }
  } else {
    for (int y = 0; y < h; ++y) {
      if (raster.format() == PixelFormat::Rgb24) {
        out.append(std::span<const uint8_t>(raster.row(y), static_cast<size_t>(w) * 3));
      } else {
        for (int x = 0; x < w; ++x) {
          const Rgb c = raster.pixel(x, y);
          out.u8(c.r), out.u8(c.g), out.u8(c.b);
        }
      }
    }
  }
  return out.take();
}

bool sniff_pnm(std::span<const uint8_t> data) {
  // "P1" to "P6", then the blank or comment that must separate the magic number from the width.
  return data.size() >= 3 && data[0] == 'P' && data[1] >= '1' && data[1] <= '6' &&
         (is_space(data[2]) || data[2] == '#');
}

}  // namespace lumatrix
