#include <gtest/gtest.h>

#include "base/image_error.h"
#include "imagemagick_reference.h"
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/codecs.h"
#include "test_support.h"

namespace lumatrix {
namespace {

// A hand-made file, for layouts ImageMagick does not write (1-bit, 2-bit, 4-bit, planar EGA).
struct PcxLayout {
  int bits = 8, planes = 1;
  int xmin = 0, ymin = 0, width = 0, height = 0;
  int bytes_per_line = 0;
  int encoding = 1;
  std::vector<Rgb> ega_palette;   // up to 16
  std::vector<Rgb> tail_palette;  // 256, after 0x0C; empty: none
  std::vector<uint8_t> body;      // exactly as stored
};

std::vector<uint8_t> build_pcx(const PcxLayout& s) {
  ByteWriter out;
  out.u8(0x0A), out.u8(5), out.u8(static_cast<uint8_t>(s.encoding));
  out.u8(static_cast<uint8_t>(s.bits));
  out.u16le(static_cast<uint16_t>(s.xmin)), out.u16le(static_cast<uint16_t>(s.ymin));
  out.u16le(static_cast<uint16_t>(s.xmin + s.width - 1));
  out.u16le(static_cast<uint16_t>(s.ymin + s.height - 1));
  out.u16le(150), out.u16le(75);
  for (int i = 0; i < 16; ++i) {
    const Rgb c = i < static_cast<int>(s.ega_palette.size()) ? s.ega_palette[i] : Rgb{};
    out.u8(c.r), out.u8(c.g), out.u8(c.b);
  }
  out.u8(0), out.u8(static_cast<uint8_t>(s.planes));
  out.u16le(static_cast<uint16_t>(s.bytes_per_line)), out.u16le(1);
  out.fill(128 - out.size(), 0);
  out.append(s.body);
  if (!s.tail_palette.empty()) {
    out.u8(0x0C);
    for (Rgb c : s.tail_palette) out.u8(c.r), out.u8(c.g), out.u8(c.b);
  }
  return out.take();
}

Raster decode(std::span<const uint8_t> bytes, IOParams* params = nullptr) {
  IOParams p;
  Raster r = decode_pcx(bytes, p);
  if (params) *params = p;
  return r;
}

std::vector<Rgb> sixteen_colours() {
  std::vector<Rgb> p;
  for (int i = 0; i < 16; ++i)
    p.push_back({static_cast<uint8_t>(i * 16), static_cast<uint8_t>(255 - i * 9),
                 static_cast<uint8_t>(i * i)});
  return p;
}

// Indices 0..colours-1 laid out with runs and busy stretches; includes indices >= 192 when there
// are that many colours, which the run-length coder must escape.
Raster palette_image(int width, int height, int colours) {
  Raster r(width, height, PixelFormat::Palette8);
  for (int i = 0; i < colours; ++i)
    r.palette.push_back(
        {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3)});
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      r.row(y)[x] =
          static_cast<uint8_t>(x < width / 2 ? (y * 40) % colours : (x * 37 + y) % colours);
  return r;
}

TEST(PcxCodec, RoundTripsEachRasterKindRawAndRunLength) {
  Raster bits(13, 5, PixelFormat::Bit1);
  bits.palette = {{200, 10, 10}, {10, 10, 200}};
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 13; ++x)
      if ((x + y) % 3 == 0) bits.row(y)[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  Raster grey(9, 4, PixelFormat::Gray8);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 9; ++x) grey.row(y)[x] = static_cast<uint8_t>(x * 30 + y);
  struct Case {
    const char* name;
    Raster raster;
    int planes;
  };
  const Case cases[] = {
      {"8-bit palette", palette_image(67, 9, 256), 1},
      {"1-bit", bits, 1},
      {"grey", grey, 1},
      {"24-bit", test::gradient_rgb(31, 12), 3},
  };
  test::TempDir dir;
  for (const Case& c : cases) {
    for (bool compressed : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (compressed ? ", RLE" : ", raw"));
      IOParams params;
      params.pcx_compressed = compressed;
      params.dpi_x = 300;
      params.dpi_y = 150;
      const std::vector<uint8_t> bytes = encode_pcx(c.raster, params, ".pcx");
      EXPECT_EQ(bytes[2], compressed ? 1 : 0);
      EXPECT_EQ(bytes[3], 8);
      EXPECT_EQ(bytes[65], c.planes);
      EXPECT_EQ(bytes[66] % 2, 0) << "bytes per line must be even";

      IOParams read;
      const Raster back = decode(bytes, &read);
      EXPECT_TRUE(test::same_pixels(back, c.raster));
      EXPECT_EQ(read.pcx_compressed, compressed);
      EXPECT_EQ(read.dpi_x, 300);
      EXPECT_EQ(read.dpi_y, 150);
      EXPECT_EQ(read.samples_per_pixel, c.planes);
      if (c.raster.format() == PixelFormat::Palette8) {
        EXPECT_EQ(back.bytes()[0], c.raster.bytes()[0]);
      }

      const auto file = dir / "out.pcx";
      test::write_bytes(file, bytes);
      EXPECT_TRUE(test::same_pixels(back, test::imagemagick_decode(file)));
    }
  }
}

TEST(PcxCodec, RunLengthCodingShrinksFlatAreas) {
  Raster flat(200, 50, PixelFormat::Rgb24);
  IOParams rle, raw;
  raw.pcx_compressed = false;
  const size_t packed = encode_pcx(flat, rle, ".pcx").size();
  const size_t plain = encode_pcx(flat, raw, ".pcx").size();
  EXPECT_EQ(plain, 128u + 200 * 3 * 50);
  EXPECT_LT(packed, plain / 10);
}

TEST(PcxCodec, DecodesImageMagickFilesAsImageMagickDoes) {
  test::TempDir dir;
  const auto source = dir / "source.png";
  test::imagemagick("-size 37x19 gradient:orange-navy -fill red -draw 'circle 18,9 18,3' " +
                    test::shell_quote(source.string()));
  for (const std::string options :
       {"-type Palette", "-colors 7 -type Palette", "-type TrueColor", "-type Grayscale"}) {
    SCOPED_TRACE(options);
    const auto file = dir / "im.pcx";
    test::imagemagick(test::shell_quote(source.string()) + " " + options + " " +
                      test::shell_quote(file.string()));
    EXPECT_TRUE(test::same_pixels(decode(test::read_bytes(file)), test::imagemagick_decode(file)));
  }
}

TEST(PcxCodec, ReadsPlanarAndPackedLowDepthsAsImageMagickDoes) {
  test::TempDir dir;
  const int width = 11, height = 3;
  // Index of pixel (x, y) for each depth.
  auto index = [](int x, int y, int bits) { return (x * 3 + y * 5) % (1 << bits); };

  // Four 1-bit planes (EGA 16 colours): plane p holds bit p of each index.
  PcxLayout ega{.bits = 1,
                .planes = 4,
                .width = width,
                .height = height,
                .bytes_per_line = 2,
                .encoding = 0,
                .ega_palette = sixteen_colours(),
                .tail_palette = {},
                .body = {}};
  // One plane of packed pixels, 1, 2 and 4 bits each.
  PcxLayout packed[3];
  const int depths[3] = {1, 2, 4};
  for (int k = 0; k < 3; ++k)
    packed[k] = PcxLayout{.bits = depths[k],
                          .planes = 1,
                          .width = width,
                          .height = height,
                          .bytes_per_line = 6,
                          .encoding = 0,
                          .ega_palette = sixteen_colours(),
                          .tail_palette = {},
                          .body = {}};
  for (int y = 0; y < height; ++y) {
    for (int p = 0; p < 4; ++p) {
      uint8_t line[2] = {0, 0};
      for (int x = 0; x < width; ++x)
        if (index(x, y, 4) >> p & 1) line[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      ega.body.insert(ega.body.end(), line, line + 2);
    }
    for (int k = 0; k < 3; ++k) {
      const int b = depths[k];
      std::vector<uint8_t> line(6, 0);
      for (int x = 0; x < width; ++x)
        line[x * b / 8] |= static_cast<uint8_t>(index(x, y, b) << (8 - b - (x * b) % 8));
      packed[k].body.insert(packed[k].body.end(), line.begin(), line.end());
    }
  }

  // netpbm reads run-length coded files only: every byte becomes a run of one.
  std::vector<uint8_t> coded;
  for (uint8_t b : packed[0].body) coded.insert(coded.end(), {0xC1, b});
  packed[0].body = coded;
  packed[0].encoding = 1;

  struct Case {
    const char* name;
    PcxLayout layout;
    int bits;
  };
  const Case cases[] = {{"EGA 4 planes", ega, 4},
                        {"1-bit", packed[0], 1},
                        {"2-bit", packed[1], 2},
                        {"4-bit packed", packed[2], 4}};
  // Monochrome is black and white whatever the header palette (sixteen colours here) says.
  const Rgb bw[2] = {{0, 0, 0}, {255, 255, 255}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> bytes = build_pcx(c.layout);
    IOParams params;
    const Raster r = decode(bytes, &params);
    EXPECT_EQ(params.bits_per_sample, c.bits);
    EXPECT_EQ(params.samples_per_pixel, 1);
    EXPECT_EQ(r.format(), c.bits == 1 ? PixelFormat::Bit1 : PixelFormat::Palette8);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        ASSERT_EQ(r.pixel(x, y),
                  c.bits == 1 ? bw[index(x, y, 1)] : sixteen_colours()[index(x, y, c.bits)])
            << x << "," << y;
    const auto file = dir / "low.pcx";
    if (c.bits != 1) {
      test::write_bytes(file, bytes);
      EXPECT_TRUE(test::same_pixels(r, test::imagemagick_decode(file)));
      continue;
    }
    // ImageMagick 6 shows monochrome files inverted (set bits black); ImageMagick 7 and
    // netpbm take set bits as white, so netpbm is the reference here. netpbm colours monochrome
    // from a header palette of two different entries, so it gets the file without one.
    PcxLayout plain = c.layout;
    plain.ega_palette.clear();
    test::write_bytes(file, build_pcx(plain));
    const auto ppm = dir / "low.ppm";
    const test::CommandResult netpbm = test::run_shell(
        "pcxtoppm " + test::shell_quote(file.string()) + " > " + test::shell_quote(ppm.string()));
    ASSERT_EQ(netpbm.status, 0) << netpbm.output;
    IOParams ignored;
    EXPECT_TRUE(test::same_pixels(r, decode_pnm(test::read_bytes(ppm), ignored)));
  }
}

TEST(PcxCodec, RunsMayCrossLinesAndWindowsNeedNotStartAtZero) {
  // Two lines of 4 bytes (3 pixels + padding) from one run of 8, 8-bit with a tail palette.
  std::vector<Rgb> palette(256);
  palette[0x21] = {1, 2, 3};
  PcxLayout layout{.bits = 8,
                   .planes = 1,
                   .xmin = 100,
                   .ymin = 7,
                   .width = 3,
                   .height = 2,
                   .bytes_per_line = 4,
                   .encoding = 1,
                   .ega_palette = {},
                   .tail_palette = palette,
                   .body = {0xC8, 0x21}};
  IOParams params;
  const Raster r = decode(build_pcx(layout), &params);
  EXPECT_EQ(params.width, 3);
  EXPECT_EQ(params.height, 2);
  EXPECT_EQ(params.dpi_x, 150);
  EXPECT_EQ(params.dpi_y, 75);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(r.pixel(x, y), (Rgb{1, 2, 3}));
}

TEST(PcxCodec, RefusesBrokenFilesWithAReason) {
  auto reason = [](std::span<const uint8_t> bytes) {
    return test::refusal_reason(decode_pcx, bytes);
  };
  const std::vector<uint8_t> good = encode_pcx(test::gradient_rgb(8, 8), IOParams{}, ".pcx");
  std::vector<uint8_t> bad = good;
  bad[0] = 0x0B;
  EXPECT_NE(reason(bad).find("not a PCX file"), std::string::npos);
  bad = good;
  bad[2] = 7;
  EXPECT_NE(reason(bad).find("encoding 7"), std::string::npos);
  bad = good;
  bad[66] = 2, bad[67] = 0;  // bytes per line below the width
  EXPECT_NE(reason(bad).find("bytes per line"), std::string::npos);
  bad = good;
  bad[65] = 2;  // two planes of 8 bits
  EXPECT_NE(reason(bad).find("unsupported PCX layout"), std::string::npos);
  bad = good;
  bad[8] = 0, bad[9] = 0, bad[4] = 5;  // xmax below xmin
  EXPECT_NE(reason(bad).find("invalid PCX window"), std::string::npos);
  EXPECT_NE(reason(std::span(good).first(good.size() - 10)).find("truncated"), std::string::npos);
  // 32768 x 32768 is refused before anything is allocated.
  bad = good;
  bad[8] = bad[10] = 0xFF;
  bad[9] = bad[11] = 0x7F;
  bad[66] = bad[67] = 0xFF;
  EXPECT_NE(reason(bad).find("exceeds the limit"), std::string::npos);
}

TEST(PcxCodec, HeaderReaderNeedsNoPixelData) {
  IOParams params;
  params.dpi_x = 200;
  const std::vector<uint8_t> bytes = encode_pcx(test::gradient_rgb(40, 30), params, ".pcx");
  IOParams read;
  read_pcx_header(std::span(bytes).first(128), read);
  EXPECT_EQ(read.width, 40);
  EXPECT_EQ(read.height, 30);
  EXPECT_EQ(read.samples_per_pixel, 3);
  EXPECT_EQ(read.dpi_x, 200);
}

TEST(PcxCodec, DamagedFilesGiveAnErrorOrAPicture) {
  IOParams raw;
  raw.pcx_compressed = false;
  PcxLayout ega{.bits = 1,
                .planes = 4,
                .width = 9,
                .height = 3,
                .bytes_per_line = 2,
                .encoding = 1,
                .ega_palette = sixteen_colours(),
                .tail_palette = {},
                .body = {0xC5, 0x55, 0x12, 0x34, 0xC8, 0xF0, 0xCF, 0x0F, 0xC4, 0x81, 0x44}};
  const std::vector<uint8_t> files[] = {
      encode_pcx(test::gradient_rgb(9, 7), IOParams{}, ".pcx"),
      encode_pcx(palette_image(40, 6, 256), IOParams{}, ".pcx"),
      encode_pcx(palette_image(17, 5, 200), raw, ".pcx"),
      build_pcx(ega),
  };
  for (const auto& file : files) {
    const int tried = test::expect_reader_survives_damage(file, decode_pcx, read_pcx_header);
    EXPECT_GT(tried, 50);
  }
}

}  // namespace
}  // namespace lumatrix
