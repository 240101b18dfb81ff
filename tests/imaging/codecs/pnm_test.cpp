#include <gtest/gtest.h>

#include <string>

#include "base/image_error.h"
#include "imagemagick_reference.h"
#include "imaging/codecs/codecs.h"
#include "test_support.h"

namespace lumatrix {
namespace {

std::span<const uint8_t> as_bytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

Raster decode(std::span<const uint8_t> bytes, IOParams* params = nullptr) {
  IOParams p;
  Raster r = decode_pnm(bytes, p);
  if (params) *params = p;
  return r;
}

std::string header_of(const std::vector<uint8_t>& bytes, size_t length) {
  return std::string(bytes.begin(), bytes.begin() + std::min(length, bytes.size()));
}

TEST(PnmCodec, RoundTripsEachVariantExactly) {
  const Raster rgb = test::gradient_rgb(17, 9);
  const std::vector<uint8_t> ppm = encode_pnm(rgb, IOParams{}, ".ppm");
  EXPECT_EQ(header_of(ppm, 12), "P6\n17 9\n255\n");
  EXPECT_EQ(decode(ppm), rgb);
  EXPECT_EQ(encode_pnm(rgb, IOParams{}, ".pxm"), ppm);

  Raster grey(13, 4, PixelFormat::Gray8);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 13; ++x) grey.row(y)[x] = static_cast<uint8_t>(x * 19 + y);
  const std::vector<uint8_t> pgm = encode_pnm(grey, IOParams{}, ".pgm");
  EXPECT_EQ(header_of(pgm, 2), "P5");
  EXPECT_EQ(decode(pgm), grey);

  Raster bits(13, 3, PixelFormat::Bit1);
  for (int x = 0; x < 13; x += 3) bits.set_pixel(x, 1, {255, 255, 255});
  const std::vector<uint8_t> pbm = encode_pnm(bits, IOParams{}, ".pbm");
  EXPECT_EQ(header_of(pbm, 8), "P4\n13 3\n");
  EXPECT_EQ(pbm.size(), 8u + 2 * 3);
  EXPECT_EQ(pbm[8], 0xFF);  // PBM: 1 is black, so an all-black row is all ones
  IOParams read;
  EXPECT_EQ(decode(pbm, &read), bits);
  EXPECT_EQ(read.bits_per_sample, 1);
  EXPECT_EQ(read.samples_per_pixel, 1);
}

TEST(PnmCodec, ConvertsToTheTargetVariant) {
  Raster rgb(4, 1, PixelFormat::Rgb24);
  rgb.set_pixel(0, 0, {255, 0, 0});
  rgb.set_pixel(1, 0, {0, 255, 0});
  rgb.set_pixel(2, 0, {10, 200, 30});
  rgb.set_pixel(3, 0, {128, 128, 127});
  // Grey is (21 r + 71 g + 8 b) / 100, rounded.
  const Raster grey = decode(encode_pnm(rgb, IOParams{}, ".pgm"));
  ASSERT_EQ(grey.format(), PixelFormat::Gray8);
  EXPECT_EQ(grey.row(0)[0], 54);   // 53.55
  EXPECT_EQ(grey.row(0)[1], 181);  // 181.05
  EXPECT_EQ(grey.row(0)[2], 147);  // 146.7
  EXPECT_EQ(grey.row(0)[3], 128);  // 127.92

  // Bitmaps: luminance 128 and up is white.
  const Raster bits = decode(encode_pnm(rgb, IOParams{}, ".pbm"));
  ASSERT_EQ(bits.format(), PixelFormat::Bit1);
  EXPECT_EQ(bits.pixel(0, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(bits.pixel(1, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(bits.pixel(2, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(bits.pixel(3, 0), (Rgb{255, 255, 255}));
  Raster dark(1, 1, PixelFormat::Gray8);
  dark.row(0)[0] = 127;
  EXPECT_EQ(decode(encode_pnm(dark, IOParams{}, ".pbm")).pixel(0, 0), (Rgb{0, 0, 0}));

  Raster palette(2, 1, PixelFormat::Palette8);
  palette.palette = {{1, 2, 3}, {200, 100, 50}};
  palette.row(0)[1] = 1;
  EXPECT_EQ(decode(encode_pnm(palette, IOParams{}, ".ppm")), palette.to_rgb24());
}

TEST(PnmCodec, ReadsAsciiVariantsWithCommentsAndLooseWhitespace) {
  // P1 digits may touch; 1 is black.
  const Raster p1 = decode(as_bytes("P1\n# a comment\n3 2\n1 0 1\n011"));
  EXPECT_EQ(p1.pixel(0, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(p1.pixel(1, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(p1.pixel(0, 1), (Rgb{255, 255, 255}));
  EXPECT_EQ(p1.pixel(2, 1), (Rgb{0, 0, 0}));

  IOParams params;
  const Raster p2 = decode(as_bytes("P2 2#c\n\t1 15\r\n0 15"), &params);
  EXPECT_EQ(p2.format(), PixelFormat::Gray8);
  EXPECT_EQ(p2.row(0)[0], 0);
  EXPECT_EQ(p2.row(0)[1], 255);
  EXPECT_EQ(params.bits_per_sample, 8);

  const Raster p3 = decode(as_bytes("P3\n1 2\n1000\n1000 500 0\n# mid-data comment\n1 2 3\n"));
  EXPECT_EQ(p3.pixel(0, 0), (Rgb{255, 128, 0}));  // 500 * 255 / 1000 = 127.5 rounds up
  EXPECT_EQ(p3.pixel(0, 1), (Rgb{0, 1, 1}));
}

TEST(PnmCodec, ScalesOtherMaxvalsWithRounding) {
  std::string p5 = "P5 16 1 15\n";
  for (int v = 0; v < 16; ++v) p5 += static_cast<char>(v);
  const Raster r = decode(as_bytes(p5));
  for (int v = 0; v < 16; ++v) EXPECT_EQ(r.row(0)[v], (v * 255 + 7) / 15) << v;

  // Sixteen-bit samples are big-endian.
  IOParams params;
  const std::string p6 = std::string("P6 1 1 65535\n") + std::string("\xFF\xFF\x80\x00\x00\x80", 6);
  const Raster wide = decode(as_bytes(p6), &params);
  EXPECT_EQ(wide.pixel(0, 0), (Rgb{255, 128, 0}));
  EXPECT_EQ(params.bits_per_sample, 16);
}

TEST(PnmCodec, DecodesNetpbmAndImageMagickFilesLikeImageMagick) {
  test::TempDir dir;
  const std::string source = (dir / "source.ppm").string();
  test::imagemagick("-size 29x13 -seed 9 plasma:fractal " + test::shell_quote(source));
  struct Variant {
    const char* tool;
    std::string magic;
  };
  const Variant variants[] = {
      {"ppmmake rgb:12/34/56 5 4", "P6"},
      {"pgmramp -lr 300 3", "P5"},
      {"pbmmake -g 11 5", "P4"},
      {"pnmdepth 255 SRC", "P6"},
      {"pnmdepth 1000 SRC", "P6"},
      {"pnmdepth 65535 SRC | pamtopnm", "P6"},
      {"ppmtopgm SRC | pnmdepth 4000", "P5"},
      {"pnmtoplainpnm SRC", "P3"},
      {"pnmdepth 255 SRC | pnmtoplainpnm", "P3"},
      {"pnmdepth 1000 SRC | pnmtoplainpnm", "P3"},
      {"ppmtopgm SRC | pnmtoplainpnm", "P2"},
      {"pbmmake -g 11 5 | pnmtoplainpnm", "P1"},
      {"/usr/bin/convert SRC -depth 16 ppm:-", "P6"},
      {"/usr/bin/convert SRC -colorspace gray -depth 16 pgm:-", "P5"},
      {"/usr/bin/convert SRC -monochrome pbm:-", "P4"},
      {"/usr/bin/convert SRC -compress none -depth 16 ppm:-", "P3"},
  };
  const std::filesystem::path out = dir / "variant.pnm", reference = dir / "reference.pnm";
  for (const Variant& v : variants) {
    std::string command = v.tool;
    if (const size_t at = command.find("SRC"); at != std::string::npos)
      command.replace(at, 3, test::shell_quote(source));
    SCOPED_TRACE(command);
    const test::CommandResult made =
        test::run_shell("{ " + command + " > " + test::shell_quote(out.string()) + "; }");
    ASSERT_EQ(made.status, 0) << made.output;
    const std::vector<uint8_t> bytes = test::read_bytes(out);
    ASSERT_EQ(header_of(bytes, 2), v.magic) << "the tool wrote another variant";
    // ImageMagick truncates when it narrows samples wider than 8 bits, netpbm rounds as we do:
    // netpbm brings grey and colour files to 8 bits, ImageMagick hands over those samples.
    std::filesystem::copy_file(out, reference, std::filesystem::copy_options::overwrite_existing);
    if (v.magic != "P1" && v.magic != "P4") {
      const test::CommandResult narrowed =
          test::run_shell("pnmdepth 255 " + test::shell_quote(out.string()) + " > " +
                          test::shell_quote(reference.string()));
      ASSERT_EQ(narrowed.status, 0) << narrowed.output;
    }
    EXPECT_TRUE(test::same_pixels(decode(bytes), test::imagemagick_decode(reference)));
  }
}

TEST(PnmCodec, RefusesBrokenFilesWithAReason) {
  auto reason = [](const std::string& text) {
    try {
      decode(as_bytes(text));
    } catch (const ImageError& e) {
      return std::string(e.what());
    }
    return std::string("decoded");
  };
  EXPECT_NE(reason("P7 1 1 255\n\x01").find("signature"), std::string::npos);
  EXPECT_NE(reason("P5 2 2 0\n\x01\x01\x01\x01").find("maxval is 0"), std::string::npos);
  EXPECT_NE(reason("P5 2 2 255\n\x01\x01\x01").find("truncated"), std::string::npos);
  EXPECT_NE(reason("P2 2 1 10 3 11").find("exceeds maxval"), std::string::npos);
  EXPECT_NE(reason("P5 2 1 10\n\x03\x0B").find("exceeds maxval"), std::string::npos);
  EXPECT_NE(reason("P3 1 1 255 1 2").find("ends early"), std::string::npos);
  EXPECT_NE(reason("P1 2 1 0 x").find("neither 0 nor 1"), std::string::npos);
  EXPECT_NE(reason("P6 0 3 255\n").find("invalid PNM size"), std::string::npos);
  EXPECT_NE(reason("P6 99999999999 1 255\n").find("width exceeds"), std::string::npos);
  EXPECT_NE(reason("P6 12 x 255\n").find("height is not a number"), std::string::npos);
  // Refused from the header alone, before the sample count is even compared with the data.
  EXPECT_NE(reason("P4 100000 100000\n").find("exceeds the limit"), std::string::npos);
}

TEST(PnmCodec, HeaderReaderNeedsNoPixelData) {
  IOParams params;
  read_pnm_header(as_bytes("P5\n# made by hand\n640 480\n65535\n"), params);
  EXPECT_EQ(params.width, 640);
  EXPECT_EQ(params.height, 480);
  EXPECT_EQ(params.bits_per_sample, 16);
  EXPECT_EQ(params.samples_per_pixel, 1);
  read_pnm_header(as_bytes("P3 2 3 255 "), params);
  EXPECT_EQ(params.samples_per_pixel, 3);
  EXPECT_EQ(params.bits_per_sample, 8);
}

TEST(PnmCodec, DamagedFilesGiveAnErrorOrAPicture) {
  const Raster rgb = test::gradient_rgb(12, 7);
  std::string wide = "P5 5 3 65535\n";
  for (int i = 0; i < 15; ++i) wide += static_cast<char>(i * 17), wide += static_cast<char>(i);
  const std::string ascii = "P3 3 2 255\n1 2 3 4 5 6 7 8 9\n10 11 12 13 14 15 16 17 255\n";
  const std::vector<std::vector<uint8_t>> files = {
      encode_pnm(rgb, IOParams{}, ".ppm"),
      encode_pnm(rgb, IOParams{}, ".pbm"),
      {wide.begin(), wide.end()},
      {ascii.begin(), ascii.end()},
  };
  for (const auto& file : files) {
    const int tried = test::expect_reader_survives_damage(file, decode_pnm, read_pnm_header);
    EXPECT_GT(tried, 20);
  }
}

}  // namespace
}  // namespace lumatrix
