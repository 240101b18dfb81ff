#include <gtest/gtest.h>

#include "base/image_error.h"
#include "imagemagick_reference.h"
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/codecs.h"
#include "test_support.h"

namespace lumatrix {
namespace {

// A hand-made file with a 40-byte info header, for layouts no tool at hand writes.
struct BmpLayout {
  int width = 0, height = 0;  // negative height: top-down
  int bits = 8;
  uint32_t compression = 0;
  std::vector<Rgb> palette;
  std::vector<uint32_t> masks;  // follow the header (bit-field compressions)
  std::vector<uint8_t> pixels;  // exactly as stored
};

std::vector<uint8_t> build_bmp(const BmpLayout& s) {
  ByteWriter out;
  const uint32_t offset = static_cast<uint32_t>(54 + 4 * s.masks.size() + 4 * s.palette.size());
  out.u8('B'), out.u8('M');
  out.u32le(static_cast<uint32_t>(offset + s.pixels.size()));
  out.u32le(0);
  out.u32le(offset);
  out.u32le(40);
  out.i32le(s.width);
  out.i32le(s.height);
  out.u16le(1);
  out.u16le(static_cast<uint16_t>(s.bits));
  out.u32le(s.compression);
  out.u32le(static_cast<uint32_t>(s.pixels.size()));
  out.u32le(2835), out.u32le(2835);
  out.u32le(static_cast<uint32_t>(s.palette.size()));
  out.u32le(0);
  for (uint32_t m : s.masks) out.u32le(m);
  for (Rgb c : s.palette) out.u8(c.b), out.u8(c.g), out.u8(c.r), out.u8(0);
  out.append(s.pixels);
  return out.take();
}

Raster decode(std::span<const uint8_t> bytes, IOParams* params = nullptr) {
  IOParams p;
  Raster r = decode_bmp(bytes, p);
  if (params) *params = p;
  return r;
}

uint32_t field32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// Indices with long runs on the left and a busy stretch on the right, so RLE coders take both
// their run and their literal paths.
Raster palette_image(int width, int height, int colours) {
  Raster r(width, height, PixelFormat::Palette8);
  for (int i = 0; i < colours; ++i)
    r.palette.push_back({static_cast<uint8_t>(i * 7), static_cast<uint8_t>(255 - i), 40});
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      r.row(y)[x] = static_cast<uint8_t>(x < width / 2 ? (x / 6 + y) % colours
                                                       : (x * 7 + y * 3 + x * y) % colours);
  return r;
}

Raster bit_image(int width, int height) {
  Raster r(width, height, PixelFormat::Bit1);
  r.palette = {{10, 20, 30}, {250, 240, 100}};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if ((x * x + y) % 3 == 0) r.row(y)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  return r;
}

Raster gray_image(int width, int height) {
  Raster r(width, height, PixelFormat::Gray8);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) r.row(y)[x] = static_cast<uint8_t>(x * 9 + y * 5);
  return r;
}

TEST(BmpCodec, WritesEachDepthReadableByUsAndImageMagick) {
  struct Case {
    const char* name;
    Raster raster;
    BmpCompression compression;
    int bits;
    uint32_t code;  // compression field in the file
  };
  const Case cases[] = {
      {"1-bit", bit_image(13, 7), BmpCompression::None, 1, 0},
      {"1-bit, RLE asked", bit_image(13, 7), BmpCompression::RLE, 1, 0},
      {"4-bit", palette_image(41, 9, 11), BmpCompression::None, 4, 0},
      {"RLE4", palette_image(41, 9, 11), BmpCompression::RLE, 4, 2},
      {"8-bit", palette_image(301, 6, 200), BmpCompression::None, 8, 0},
      {"RLE8", palette_image(301, 6, 200), BmpCompression::RLE, 8, 1},
      {"grey", gray_image(30, 9), BmpCompression::None, 8, 0},
      {"grey RLE8", gray_image(30, 9), BmpCompression::RLE, 8, 1},
      {"24-bit", test::gradient_rgb(23, 11), BmpCompression::None, 24, 0},
      {"24-bit, RLE asked", test::gradient_rgb(23, 11), BmpCompression::RLE, 24, 0},
  };
  test::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IOParams params;
    params.bmp_compression = c.compression;
    const std::vector<uint8_t> bytes = encode_bmp(c.raster, params, ".bmp");
    EXPECT_EQ(bytes[28], c.bits);
    EXPECT_EQ(field32(bytes, 30), c.code);
    EXPECT_EQ(field32(bytes, 2), bytes.size());

    IOParams read;
    const Raster back = decode(bytes, &read);
    EXPECT_EQ(read.bits_per_sample, c.bits == 24 ? 8 : c.bits);
    EXPECT_EQ(read.bmp_compression, c.code ? BmpCompression::RLE : BmpCompression::None);
    EXPECT_TRUE(test::same_pixels(back, c.raster));
    if (c.raster.format() != PixelFormat::Gray8) {
      EXPECT_EQ(back, c.raster);
    }

    const std::filesystem::path file = dir / "out.bmp";
    test::write_bytes(file, bytes);
    EXPECT_TRUE(test::same_pixels(test::imagemagick_decode(file), c.raster));
  }
}

TEST(BmpCodec, RleShrinksRunsAndHandlesRowsOfEveryLength) {
  Raster flat(200, 50, PixelFormat::Palette8);
  flat.palette = {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}};
  for (int y = 0; y < 50; ++y) std::fill_n(flat.row(y) + y, 20, 1 + y % 2);
  IOParams rle;
  rle.bmp_compression = BmpCompression::RLE;
  const std::vector<uint8_t> packed = encode_bmp(flat, rle, ".bmp");
  EXPECT_LT(packed.size(), encode_bmp(flat, IOParams{}, ".bmp").size() / 10);
  EXPECT_EQ(decode(packed), flat);

  // Widths around the literal-run limits and odd lengths exercise padding of literal runs.
  for (int width : {1, 2, 3, 4, 5, 254, 255, 256, 257, 511}) {
    for (int colours : {5, 150}) {
      SCOPED_TRACE(std::to_string(width) + " wide, " + std::to_string(colours) + " colours");
      const Raster r = palette_image(width, 3, colours);
      EXPECT_EQ(decode(encode_bmp(r, rle, ".bmp")), r);
    }
  }
}

TEST(BmpCodec, ResolutionTravelsAsPixelsPerMetre) {
  IOParams params;
  params.dpi_x = 300;
  params.dpi_y = 72;
  const std::vector<uint8_t> bytes = encode_bmp(test::gradient_rgb(4, 4), params, ".bmp");
  EXPECT_EQ(field32(bytes, 38), 11811u);
  EXPECT_EQ(field32(bytes, 42), 2835u);
  IOParams read;
  decode(bytes, &read);
  EXPECT_EQ(read.dpi_x, 300);
  EXPECT_EQ(read.dpi_y, 72);

  BmpLayout layout{
      .width = 1, .height = 1, .bits = 24, .palette = {}, .masks = {}, .pixels = {1, 2, 3, 0}};
  std::vector<uint8_t> unstated = build_bmp(layout);
  std::fill_n(unstated.begin() + 38, 8, 0);
  decode(unstated, &read);
  EXPECT_EQ(read.dpi_x, kDisplayDpi);
}

TEST(BmpCodec, DecodesFilesFromOtherToolsLikeImageMagick) {
  test::TempDir dir;
  const std::string source = (dir / "source.ppm").string();
  test::imagemagick("-size 37x23 -seed 4 plasma:fractal " + test::shell_quote(source));
  struct Variant {
    const char* tool;  // shell command writing OUT from SRC
    int bits;
    bool alpha = false;
    int tolerance = 0;
  };
  const Variant variants[] = {
      {"/usr/bin/convert SRC BMP3:OUT", 24},
      {"/usr/bin/convert SRC BMP2:OUT", 24},  // OS/2 core header
      {"/usr/bin/convert SRC BMP:OUT", 24},   // V5 header
      {"/usr/bin/convert SRC -colors 12 BMP3:OUT", 4},
      {"/usr/bin/convert SRC -colors 200 BMP3:OUT", 8},
      {"/usr/bin/convert SRC -colors 200 -compress RLE BMP3:OUT", 8},
      {"/usr/bin/convert SRC -monochrome BMP3:OUT", 1},
      {"/usr/bin/convert SRC -define bmp:subtype=RGB565 BMP:OUT", 16},
      {"/usr/bin/convert SRC -define bmp:subtype=RGB555 BMP:OUT", 16},
      {"/usr/bin/convert SRC -alpha set -channel A -fx 'i/w' +channel BMP:OUT", 32, true},
      {"/usr/bin/convert SRC -alpha set -channel A -fx 'j/h' +channel "
       "-define bmp:subtype=ARGB4444 BMP:OUT",
       16, true, 15},  // ImageMagick 6 widens 4-bit fields by shifting alone (15 -> 240)
      {"ppmtobmp -bpp 24 SRC > OUT", 24},
      {"ppmtobmp -os2 -bpp 24 SRC > OUT", 24},
      {"ppmquant 200 SRC 2>/dev/null | ppmtobmp -bpp 8 > OUT", 8},
      {"ppmquant 14 SRC 2>/dev/null | ppmtobmp -bpp 4 > OUT", 4},
      {"ppmquant 14 SRC 2>/dev/null | ppmtobmp -os2 -bpp 4 > OUT", 4},
      {"ppmquant 2 SRC 2>/dev/null | ppmtobmp -bpp 1 > OUT", 1},
  };
  const std::string out = (dir / "variant.bmp").string();
  for (const Variant& v : variants) {
    std::string command = v.tool;
    command.replace(command.find("SRC"), 3, test::shell_quote(source));
    command.replace(command.find("OUT"), 3, test::shell_quote(out));
    SCOPED_TRACE(command);
    std::filesystem::remove(out);
    // Braces keep the tool's chatter on standard error out of the file it writes.
    const test::CommandResult made = test::run_shell("{ " + command + "; }");
    ASSERT_EQ(made.status, 0) << made.output;
    const std::vector<uint8_t> bytes = test::read_bytes(out);
    ASSERT_GT(bytes.size(), 30u);
    const size_t bits_at = bytes[14] == 12 ? 24 : 28;
    ASSERT_EQ(bytes[bits_at], v.bits) << "the tool wrote another depth than this case is about";
    const Raster ours = decode(bytes);
    EXPECT_EQ(ours.has_alpha(), v.alpha);
    EXPECT_TRUE(test::same_pixels(ours, test::imagemagick_decode(out, v.alpha), v.tolerance));
  }
}

TEST(BmpCodec, ReadsTopDownRowsAndShortPalettes) {
  // 2x2, 8-bit, rows stored top first; a three-colour palette and an index beyond it.
  BmpLayout layout{.width = 2,
                   .height = -2,
                   .bits = 8,
                   .palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}},
                   .masks = {},
                   .pixels = {0, 1, 0, 0, 2, 7, 0, 0}};
  const Raster r = decode(build_bmp(layout));
  ASSERT_EQ(r.height(), 2);
  EXPECT_EQ(r.pixel(0, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(r.pixel(1, 0), (Rgb{0, 255, 0}));
  EXPECT_EQ(r.pixel(0, 1), (Rgb{0, 0, 255}));
  // The stray index reads as black, and the palette covers it so no consumer reads past it.
  EXPECT_EQ(r.row(1)[1], 7);
  EXPECT_GE(r.palette.size(), 8u);
  EXPECT_EQ(r.pixel(1, 1), (Rgb{0, 0, 0}));

  layout.height = 2;  // the same rows bottom-up
  const Raster flipped = decode(build_bmp(layout));
  EXPECT_EQ(flipped.pixel(0, 1), (Rgb{255, 0, 0}));
  EXPECT_EQ(flipped.pixel(0, 0), (Rgb{0, 0, 255}));
}

TEST(BmpCodec, ThirtyTwoBitAlphaOnlyWhenSomePixelUsesIt) {
  BmpLayout layout{.width = 2,
                   .height = 1,
                   .bits = 32,
                   .palette = {},
                   .masks = {},
                   .pixels = {1, 2, 3, 0, 4, 5, 6, 0}};
  Raster r = decode(build_bmp(layout));
  EXPECT_FALSE(r.has_alpha());
  EXPECT_EQ(r.pixel(1, 0), (Rgb{6, 5, 4}));

  layout.pixels[7] = 128;
  r = decode(build_bmp(layout));
  ASSERT_TRUE(r.has_alpha());
  EXPECT_EQ(r.alpha_row(0)[0], 0);
  EXPECT_EQ(r.alpha_row(0)[1], 128);

  // Bit fields: 10-bit channels and no alpha mask.
  BmpLayout fields{.width = 1,
                   .height = 1,
                   .bits = 32,
                   .compression = 3,
                   .palette = {},
                   .masks = {0x3FF00000, 0x000FFC00, 0x000003FF},
                   .pixels = {0xFF, 0x03, 0x00, 0xC0}};
  r = decode(build_bmp(fields));
  EXPECT_FALSE(r.has_alpha());
  EXPECT_EQ(r.pixel(0, 0), (Rgb{0, 0, 255}));
}

TEST(BmpCodec, RleEscapesMoveTheDrawingPosition) {
  // 6x3 RLE8: bottom row "run of 3 x 5, literal 1 2 3 (padded)", end of line, a delta 2 right
  // and 1 up (leaving the middle row untouched), "run 2 x 9" on the top row, end of bitmap.
  BmpLayout layout{.width = 6,
                   .height = 3,
                   .compression = 1,
                   .palette = std::vector<Rgb>(10),
                   .masks = {},
                   .pixels = {3, 5, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 1, 2, 9, 0, 1}};
  for (int i = 0; i < 10; ++i) layout.palette[i] = {static_cast<uint8_t>(i), 0, 0};
  const Raster r = decode(build_bmp(layout));
  auto row = [&](int y) { return std::vector<uint8_t>(r.row(y), r.row(y) + 6); };
  EXPECT_EQ(row(2), (std::vector<uint8_t>{5, 5, 5, 1, 2, 3}));
  EXPECT_EQ(row(1), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(row(0), (std::vector<uint8_t>{0, 0, 9, 9, 0, 0}));

  // RLE4: a run alternates its two nibbles; a literal packs two pixels a byte.
  BmpLayout four{.width = 8,
                 .height = 1,
                 .bits = 4,
                 .compression = 2,
                 .palette = layout.palette,
                 .masks = {},
                 .pixels = {5, 0x12, 0, 3, 0x34, 0x50, 0, 1}};
  const Raster f = decode(build_bmp(four));
  EXPECT_EQ(std::vector<uint8_t>(f.row(0), f.row(0) + 8),
            (std::vector<uint8_t>{1, 2, 1, 2, 1, 3, 4, 5}));
}

TEST(BmpCodec, RefusesBrokenFilesWithAReason) {
  auto reason = [](std::span<const uint8_t> bytes) {
    return test::refusal_reason(decode_bmp, bytes);
  };
  const std::vector<uint8_t> good = encode_bmp(test::gradient_rgb(8, 8), IOParams{}, ".bmp");
  std::vector<uint8_t> bad = good;
  bad[0] = 'X';
  EXPECT_NE(reason(bad).find("signature"), std::string::npos);
  bad = good;
  bad[28] = 7;
  EXPECT_NE(reason(bad).find("bit depth 7"), std::string::npos);
  EXPECT_NE(reason(std::span(good).first(good.size() - 40)).find("truncated"), std::string::npos);
  bad = good;
  bad[18] = bad[19] = bad[20] = bad[21] = 0;  // zero width
  EXPECT_NE(reason(bad).find("invalid BMP size"), std::string::npos);

  BmpLayout no_end{.width = 4,
                   .height = 2,
                   .compression = 1,
                   .palette = {},
                   .masks = {},
                   .pixels = {4, 1, 0, 0}};
  EXPECT_NE(reason(build_bmp(no_end)).find("end-of-bitmap"), std::string::npos);

  // A header claiming 100000x100000 pixels is refused before anything is allocated.
  bad = good;
  for (size_t at : {18, 22}) bad[at] = 0xA0, bad[at + 1] = 0x86, bad[at + 2] = 0x01;
  EXPECT_NE(reason(bad).find("exceeds the limit"), std::string::npos);
  BmpLayout huge_rle{.width = 30000,
                     .height = 30000,
                     .compression = 1,
                     .palette = {},
                     .masks = {},
                     .pixels = {0, 1}};
  EXPECT_NE(reason(build_bmp(huge_rle)).find("exceeds the limit"), std::string::npos);
}

TEST(BmpCodec, HeaderReaderNeedsNoPixelData) {
  IOParams params;
  params.dpi_x = 200;
  const std::vector<uint8_t> bytes = encode_bmp(palette_image(40, 30, 200), params, ".bmp");
  const std::span<const uint8_t> header_only = std::span(bytes).first(14 + 40 + 200 * 4);
  IOParams read;
  read_bmp_header(header_only, read);
  EXPECT_EQ(read.width, 40);
  EXPECT_EQ(read.height, 30);
  EXPECT_EQ(read.bits_per_sample, 8);
  EXPECT_EQ(read.samples_per_pixel, 1);
  EXPECT_EQ(read.dpi_x, 200);
  EXPECT_THROW(decode(header_only), ImageError);
}

TEST(BmpCodec, DamagedFilesGiveAnErrorOrAPicture) {
  IOParams rle;
  rle.bmp_compression = BmpCompression::RLE;
  BmpLayout fields{.width = 3,
                   .height = 2,
                   .bits = 16,
                   .compression = 3,
                   .palette = {},
                   .masks = {0xF800, 0x07E0, 0x001F},
                   .pixels = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}};
  const std::vector<uint8_t> files[] = {
      encode_bmp(test::gradient_rgb(9, 7), IOParams{}, ".bmp"),
      encode_bmp(palette_image(40, 6, 200), rle, ".bmp"),
      encode_bmp(palette_image(40, 6, 12), rle, ".bmp"),
      encode_bmp(bit_image(19, 5), IOParams{}, ".bmp"),
      build_bmp(fields),
  };
  for (const auto& file : files) {
    const int tried = test::expect_reader_survives_damage(file, decode_bmp, read_bmp_header);
    EXPECT_GT(tried, 50);
  }
}

}  // namespace
}  // namespace lumatrix
