#include <gtest/gtest.h>

#include "base/image_error.h"
#include "imagemagick_reference.h"
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/codecs.h"
#include "test_support.h"

namespace lumatrix {
namespace {

// A hand-made file, for layouts ImageMagick does not write.
struct TgaLayout {
  int type = 2;
  int width = 0, height = 0, depth = 24;
  uint8_t descriptor = 0;
  std::string id{};
  int map_first = 0, map_entry_bits = 0;
  std::vector<uint8_t> map{};  // entries exactly as stored
  int map_length = 0;
  std::vector<uint8_t> pixels{};  // exactly as stored
};

std::vector<uint8_t> build_tga(const TgaLayout& s) {
  ByteWriter out;
  out.u8(static_cast<uint8_t>(s.id.size()));
  out.u8(s.map_length > 0 ? 1 : 0);
  out.u8(static_cast<uint8_t>(s.type));
  out.u16le(static_cast<uint16_t>(s.map_first));
  out.u16le(static_cast<uint16_t>(s.map_length));
  out.u8(static_cast<uint8_t>(s.map_entry_bits));
  out.u16le(0), out.u16le(0);
  out.u16le(static_cast<uint16_t>(s.width)), out.u16le(static_cast<uint16_t>(s.height));
  out.u8(static_cast<uint8_t>(s.depth));
  out.u8(s.descriptor);
  out.append(s.id);
  out.append(s.map);
  out.append(s.pixels);
  return out.take();
}

Raster decode(std::span<const uint8_t> bytes, IOParams* params = nullptr) {
  IOParams p;
  Raster r = decode_targa(bytes, p);
  if (params) *params = p;
  return r;
}

// ImageMagick 6 keeps Targa rows in file order and records the origin as the picture's
// orientation, so its raw output of a bottom-up file is upside down until it is auto-oriented.
Raster imagemagick_upright(const std::filesystem::path& file, bool with_alpha) {
  const test::TempDir dir;
  const auto png = dir / "upright.png";
  test::imagemagick(test::shell_quote(file.string()) + " -auto-orient " +
                    test::shell_quote(png.string()));
  return test::imagemagick_decode(png, with_alpha);
}

Raster with_alpha_ramp(Raster r) {
  r.add_alpha();
  for (int y = 0; y < r.height(); ++y)
    for (int x = 0; x < r.width(); ++x) r.alpha_row(y)[x] = static_cast<uint8_t>(x * 20 + y * 3);
  return r;
}

TEST(TargaCodec, WritesTwentyFourAndThirtyTwoBitFilesThatReadBack) {
  Raster palette(7, 4, PixelFormat::Palette8);
  palette.palette = {{1, 2, 3}, {200, 100, 50}, {9, 250, 9}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 7; ++x) palette.row(y)[x] = static_cast<uint8_t>((x + y) % 3);
  struct Case {
    const char* name;
    Raster raster;
    int depth;
  };
  const Case cases[] = {
      {"24-bit", test::gradient_rgb(23, 11), 24},
      {"32-bit with alpha", with_alpha_ramp(test::gradient_rgb(12, 9)), 32},
      {"paletted, written as 24-bit", palette, 24},
  };
  test::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> bytes = encode_targa(c.raster, IOParams{}, ".tga");
    EXPECT_EQ(bytes[2], 2);  // uncompressed true colour
    EXPECT_EQ(bytes[16], c.depth);
    EXPECT_EQ(bytes[17], c.depth == 32 ? 8 : 0);  // alpha bits, bottom-left origin
    EXPECT_EQ(bytes.size(), 18u + c.raster.width() * c.raster.height() * c.depth / 8);

    IOParams read;
    const Raster back = decode(bytes, &read);
    EXPECT_TRUE(test::same_pixels(back, c.raster));
    EXPECT_EQ(read.samples_per_pixel, c.depth / 8);
    EXPECT_EQ(read.width, c.raster.width());

    const auto file = dir / "out.tga";
    test::write_bytes(file, bytes);
    EXPECT_TRUE(test::same_pixels(back, imagemagick_upright(file, back.has_alpha())));
  }
}

TEST(TargaCodec, DecodesImageMagickFilesAsImageMagickDoes) {
  test::TempDir dir;
  const auto source = dir / "source.png";
  test::imagemagick("-size 37x19 gradient:orange-navy -fill red -draw 'circle 18,9 18,3' " +
                    test::shell_quote(source.string()));
  const auto alpha_source = dir / "alpha.png";
  test::imagemagick(test::shell_quote(source.string()) +
                    " -alpha set -channel A -fx 'i/w' +channel " +
                    test::shell_quote(alpha_source.string()));
  struct Case {
    std::string options;
    int type;
    bool alpha;
    int tolerance;
  };
  const Case cases[] = {
      {"", 2, false, 0},
      {"-compress RLE", 10, false, 0},
      {"-type Palette", 1, false, 0},
      {"-type Palette -compress RLE", 9, false, 0},
      {"-type Grayscale", 3, false, 0},
      {"-type Grayscale -compress RLE", 11, false, 0},
      // 5 bits a channel; we widen by bit replication, ImageMagick by rounding.
      {"-depth 5", 2, false, 1},
      {"-depth 5 -compress RLE", 10, false, 1},
      {"alpha", 2, true, 0},
      {"alpha -compress RLE", 10, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    std::string options = c.options;
    const auto& input = c.alpha ? alpha_source : source;
    if (c.alpha) options.erase(0, 5);
    const auto file = dir / "im.tga";
    test::imagemagick(test::shell_quote(input.string()) + " " + options + " " +
                      test::shell_quote(file.string()));
    const std::vector<uint8_t> bytes = test::read_bytes(file);
    ASSERT_GT(bytes.size(), 18u);
    EXPECT_EQ(bytes[2], c.type);
    const Raster ours = decode(bytes);
    EXPECT_EQ(ours.has_alpha(), c.alpha);
    EXPECT_TRUE(test::same_pixels(ours, imagemagick_upright(file, c.alpha), c.tolerance));
  }
}

TEST(TargaCodec, HonoursEveryOriginAndSkipsTheImageId) {
  // 3x2 grey pixels stored 1 2 3 / 4 5 6 in file order.
  const std::vector<uint8_t> stored = {1, 2, 3, 4, 5, 6};
  struct Case {
    uint8_t descriptor;
    std::vector<uint8_t> expected;  // top row first
  };
  const Case cases[] = {
      {0x00, {4, 5, 6, 1, 2, 3}},  // bottom-left
      {0x20, {1, 2, 3, 4, 5, 6}},  // top-left
      {0x10, {6, 5, 4, 3, 2, 1}},  // bottom-right
      {0x30, {3, 2, 1, 6, 5, 4}},  // top-right
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int{c.descriptor});
    TgaLayout layout{.type = 3,
                     .width = 3,
                     .height = 2,
                     .depth = 8,
                     .descriptor = c.descriptor,
                     .id = "an image id",
                     .pixels = stored};
    const Raster r = decode(build_tga(layout));
    ASSERT_EQ(r.format(), PixelFormat::Gray8);
    EXPECT_EQ(std::vector<uint8_t>(r.bytes().begin(), r.bytes().end()), c.expected);
  }
}

TEST(TargaCodec, RunLengthPacketsMayCrossRows) {
  // 3x2, top-left origin, 24-bit: one run of 4 red pixels, then 2 raw pixels.
  TgaLayout layout{.type = 10,
                   .width = 3,
                   .height = 2,
                   .depth = 24,
                   .descriptor = 0x20,
                   .pixels = {0x83, 0, 0, 255, 0x01, 1, 2, 3, 4, 5, 6}};
  const Raster r = decode(build_tga(layout));
  EXPECT_EQ(r.pixel(0, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(r.pixel(0, 1), (Rgb{255, 0, 0}));
  EXPECT_EQ(r.pixel(1, 1), (Rgb{3, 2, 1}));
  EXPECT_EQ(r.pixel(2, 1), (Rgb{6, 5, 4}));
}

TEST(TargaCodec, ColourMapsStartAtTheirFirstIndexInAnyEntrySize) {
  // Map entries for indices 2 and 3 only; index 0 and indices beyond the map come out black.
  struct Case {
    int bits;
    std::vector<uint8_t> map;
  };
  const Case cases[] = {
      {24, {30, 20, 10, 0, 0, 255}},
      {32, {30, 20, 10, 0, 0, 0, 255, 0}},
      {16, {0x21, 0x04, 0x00, 0x7C}},  // 5-5-5: (1,1,1) and (31,0,0)
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    TgaLayout layout{.type = 1,
                     .width = 4,
                     .height = 1,
                     .depth = 8,
                     .descriptor = 0x20,
                     .map_first = 2,
                     .map_entry_bits = c.bits,
                     .map = c.map,
                     .map_length = 2,
                     .pixels = {2, 3, 0, 9}};
    IOParams params;
    const Raster r = decode(build_tga(layout), &params);
    ASSERT_EQ(r.format(), PixelFormat::Palette8);
    EXPECT_EQ(r.pixel(0, 0), (c.bits == 16 ? Rgb{8, 8, 8} : Rgb{10, 20, 30}));
    EXPECT_EQ(r.pixel(1, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(r.pixel(2, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(r.pixel(3, 0), (Rgb{0, 0, 0}));
    EXPECT_GE(r.palette.size(), 10u);
    EXPECT_EQ(params.samples_per_pixel, 1);
  }
}

TEST(TargaCodec, AlphaOnlyWhenAnnouncedAndUsed) {
  // 2x1, 32-bit: alpha values 0 and 128.
  const std::vector<uint8_t> used = {1, 2, 3, 0, 4, 5, 6, 128};
  const std::vector<uint8_t> unused = {1, 2, 3, 0, 4, 5, 6, 0};
  TgaLayout layout{
      .type = 2, .width = 2, .height = 1, .depth = 32, .descriptor = 8, .pixels = used};
  Raster r = decode(build_tga(layout));
  ASSERT_TRUE(r.has_alpha());
  EXPECT_EQ(r.alpha_row(0)[0], 0);
  EXPECT_EQ(r.alpha_row(0)[1], 128);
  layout.pixels = unused;  // an alpha byte nobody set: an opaque picture, not an invisible one
  EXPECT_FALSE(decode(build_tga(layout)).has_alpha());
  layout.pixels = used;
  layout.descriptor = 0;  // no alpha bits announced: the fourth byte is not alpha
  r = decode(build_tga(layout));
  EXPECT_FALSE(r.has_alpha());
  EXPECT_EQ(r.pixel(1, 0), (Rgb{6, 5, 4}));

  // 16-bit with the attribute bit as one bit of alpha.
  TgaLayout sixteen{.type = 2,
                    .width = 2,
                    .height = 1,
                    .depth = 16,
                    .descriptor = 1,
                    .pixels = {0x1F, 0x80, 0xE0, 0x03}};
  r = decode(build_tga(sixteen));
  ASSERT_TRUE(r.has_alpha());
  EXPECT_EQ(r.pixel(0, 0), (Rgb{0, 0, 255}));
  EXPECT_EQ(r.alpha_row(0)[0], 255);
  EXPECT_EQ(r.pixel(1, 0), (Rgb{0, 255, 0}));
  EXPECT_EQ(r.alpha_row(0)[1], 0);
}

TEST(TargaCodec, RefusesBrokenFilesWithAReason) {
  auto reason = [](std::span<const uint8_t> bytes) {
    return test::refusal_reason(decode_targa, bytes);
  };
  const std::vector<uint8_t> good = encode_targa(test::gradient_rgb(8, 8), IOParams{}, ".tga");
  std::vector<uint8_t> bad = good;
  bad[2] = 0;
  EXPECT_NE(reason(bad).find("no image data"), std::string::npos);
  bad[2] = 32;
  EXPECT_NE(reason(bad).find("image type 32"), std::string::npos);
  bad = good;
  bad[16] = 12;
  EXPECT_NE(reason(bad).find("depth 12"), std::string::npos);
  bad = good;
  bad[2] = 1;  // colour-mapped without a map
  EXPECT_NE(reason(bad).find("without a colour map"), std::string::npos);
  bad = good;
  bad[12] = bad[13] = 0;
  EXPECT_NE(reason(bad).find("invalid Targa size"), std::string::npos);
  EXPECT_NE(reason(std::span(good).first(good.size() - 1)).find("truncated"), std::string::npos);
  EXPECT_NE(reason(std::span(good).first(10)).find("header too short"), std::string::npos);
  // 65535 x 65535 is refused before anything is allocated, RLE or not.
  bad = good;
  bad[12] = bad[13] = bad[14] = bad[15] = 0xFF;
  EXPECT_NE(reason(bad).find("exceeds the limit"), std::string::npos);
  bad[2] = 10;
  EXPECT_NE(reason(bad).find("exceeds the limit"), std::string::npos);
  // An RLE stream that ends early.
  TgaLayout short_rle{.type = 10, .width = 4, .height = 4, .depth = 24, .pixels = {0x85, 1, 2, 3}};
  EXPECT_NE(reason(build_tga(short_rle)).find("truncated"), std::string::npos);
}

TEST(TargaCodec, HeaderReaderNeedsNoPixelData) {
  const std::vector<uint8_t> bytes =
      encode_targa(with_alpha_ramp(test::gradient_rgb(40, 30)), IOParams{}, ".tga");
  IOParams read;
  read_targa_header(std::span(bytes).first(18), read);
  EXPECT_EQ(read.width, 40);
  EXPECT_EQ(read.height, 30);
  EXPECT_EQ(read.samples_per_pixel, 4);
  EXPECT_EQ(read.bits_per_sample, 8);
}

TEST(TargaCodec, DamagedFilesGiveAnErrorOrAPicture) {
  TgaLayout mapped{.type = 9,
                   .width = 5,
                   .height = 3,
                   .depth = 8,
                   .id = "id",
                   .map_first = 1,
                   .map_entry_bits = 16,
                   .map = {1, 2, 3, 4, 5, 6},
                   .map_length = 3,
                   .pixels = {0x84, 1, 0x02, 2, 3, 1, 0x87, 3, 0x00, 2}};
  TgaLayout rle32{.type = 10,
                  .width = 4,
                  .height = 3,
                  .depth = 32,
                  .descriptor = 0x28,
                  .pixels = {0x85, 1,  2,  3,  4,  0x02, 5,    6, 7, 8, 9,  10,
                             11,   12, 13, 14, 15, 16,   0x83, 0, 0, 0, 255}};
  const std::vector<uint8_t> files[] = {
      encode_targa(test::gradient_rgb(9, 7), IOParams{}, ".tga"),
      encode_targa(with_alpha_ramp(test::gradient_rgb(6, 5)), IOParams{}, ".tga"),
      build_tga(mapped),
      build_tga(rle32),
  };
  for (const auto& file : files) {
    const int tried = test::expect_reader_survives_damage(file, decode_targa, read_targa_header);
    EXPECT_GT(tried, 50);
  }
}

}  // namespace
}  // namespace lumatrix
