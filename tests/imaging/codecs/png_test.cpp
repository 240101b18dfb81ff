#include <gtest/gtest.h>

#include <string>

#include "base/image_error.h"
#include "imaging/codecs/codecs.h"
#include "test_support.h"

namespace lumatrix {
namespace {

using test::grey_ramp;
using test::paletted;
using test::with_ramp_alpha;

Raster round_trip(const Raster& raster, const IOParams& params, IOParams& read) {
  return decode_png(encode_png(raster, params, ".png"), read);
}

// PNG colour type and bit depth, from the IHDR chunk.
std::pair<int, int> ihdr_type_and_depth(const std::vector<uint8_t>& png) {
  return {png.at(25), png.at(24)};
}

TEST(PngCodec, EveryRasterKindRoundTripsExactly) {
  Raster bits(21, 9, PixelFormat::Bit1);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 21; ++x)
      if ((x ^ y) % 3 == 0) bits.set_pixel(x, y, {255, 255, 255});
  const Raster cases[] = {bits,
                          paletted(19, 7, 3),
                          paletted(19, 7, 200),
                          grey_ramp(33, 17),
                          with_ramp_alpha(grey_ramp(33, 17)),
                          test::gradient_rgb(31, 13),
                          with_ramp_alpha(test::gradient_rgb(31, 13))};
  for (const Raster& source : cases) {
    SCOPED_TRACE(static_cast<int>(source.format()) * 10 + source.has_alpha());
    IOParams params, read;
    EXPECT_EQ(round_trip(source, params, read), source);
  }
}

TEST(PngCodec, SmallPalettesAndBilevelImagesGetNarrowSamples) {
  IOParams params;
  EXPECT_EQ(ihdr_type_and_depth(encode_png(paletted(8, 8, 3), params, ".png")),
            std::make_pair(3, 2));
  EXPECT_EQ(ihdr_type_and_depth(encode_png(paletted(8, 8, 16), params, ".png")),
            std::make_pair(3, 4));
  EXPECT_EQ(ihdr_type_and_depth(encode_png(Raster(8, 8, PixelFormat::Bit1), params, ".png")),
            std::make_pair(0, 1));

  // A two-colour image in other colours than black and white keeps them through a palette.
  Raster bits(10, 3, PixelFormat::Bit1);
  bits.palette = {{255, 0, 0}, {0, 0, 255}};
  bits.row(1)[0] = 0xA0;
  const auto bytes = encode_png(bits, params, ".png");
  EXPECT_EQ(ihdr_type_and_depth(bytes), std::make_pair(3, 1));
  IOParams read;
  const Raster decoded = decode_png(bytes, read);
  EXPECT_EQ(decoded.to_rgb24(), bits.to_rgb24());
}

TEST(PngCodec, PaletteIndicesPastThePaletteStillWrite) {
  Raster r = paletted(6, 6, 2);
  r.row(2)[3] = 9;
  IOParams params, read;
  const Raster decoded = round_trip(r, params, read);
  EXPECT_EQ(decoded.pixel(3, 2), (Rgb{0, 0, 0}));
  EXPECT_EQ(decoded.pixel(1, 0), r.pixel(1, 0));
}

TEST(PngCodec, PaletteWithAlphaIsWrittenAsRgba) {
  const Raster source = with_ramp_alpha(paletted(12, 5, 7));
  IOParams params, read;
  const auto bytes = encode_png(source, params, ".png");
  EXPECT_EQ(ihdr_type_and_depth(bytes), std::make_pair(6, 8));
  EXPECT_EQ(decode_png(bytes, read), source.to_rgb24());
}

TEST(PngCodec, CompressionLevelChangesSizeNotPixels) {
  const Raster source = test::gradient_rgb(64, 64);
  IOParams store, best, read;
  store.png_compression = 0;
  best.png_compression = 9;
  const auto stored = encode_png(source, store, ".png");
  const auto packed = encode_png(source, best, ".png");
  EXPECT_GT(stored.size(), packed.size());
  EXPECT_GT(stored.size(), 64u * 64 * 3);
  EXPECT_EQ(decode_png(stored, read), decode_png(packed, read));
  store.png_compression = -4;  // out of range: clamped, not an error
  EXPECT_EQ(encode_png(source, store, ".png"), stored);
}

TEST(PngCodec, ResolutionRoundTripsAndHeaderNeedsNoPixels) {
  IOParams params, read;
  params.dpi_x = 300;
  params.dpi_y = 72;
  const auto bytes = encode_png(test::gradient_rgb(40, 30), params, ".png");
  decode_png(bytes, read);
  EXPECT_EQ(read.dpi_x, 300);
  EXPECT_EQ(read.dpi_y, 72);

  // Up to the first IDAT chunk's header: no pixel data at all.
  const std::string text(bytes.begin(), bytes.end());
  ASSERT_NE(text.find("IDAT"), std::string::npos);
  IOParams header;
  read_png_header(std::span(bytes).first(text.find("IDAT") + 4), header);
  EXPECT_EQ(header.width, 40);
  EXPECT_EQ(header.height, 30);
  EXPECT_EQ(header.bits_per_sample, 8);
  EXPECT_EQ(header.samples_per_pixel, 3);
  EXPECT_EQ(header.dpi_x, 300);
  EXPECT_THROW(decode_png(std::span(bytes).first(bytes.size() / 2), read), ImageError);
  EXPECT_THROW(decode_png(std::span(bytes).first(5), read), ImageError);
}

// Our decoding next to ImageMagick's own of the same file; 16-bit samples round to 8 bits.
TEST(PngCodec, DecodesLikeImageMagick) {
  test::TempDir dir;
  const std::string src = test::shell_quote(dir / "source.ppm");
  {
    const Raster g = test::gradient_rgb(37, 23);
    const std::string header = "P6\n37 23\n255\n";
    std::vector<uint8_t> bytes(header.begin(), header.end());
    bytes.insert(bytes.end(), g.bytes().begin(), g.bytes().end());
    test::write_bytes(dir / "source.ppm", bytes);
  }
  const struct {
    const char* name;
    std::string command;  // writes the file named `name` (appended)
    PixelFormat format;
  } cases[] = {
      {"rgb16.png", "-size 37x23 gradient:#102030-#f0e0d0 -depth 16 PNG48:", PixelFormat::Rgb24},
      {"grey16.png", "-size 37x23 gradient: -depth 16 -define png:color-type=0 ",
       PixelFormat::Gray8},
      {"grey4.png", "-size 37x23 gradient: -depth 4 -define png:color-type=0 ", PixelFormat::Gray8},
      {"mono.png", src + " -monochrome -define png:color-type=0 -define png:bit-depth=1 ",
       PixelFormat::Bit1},
      {"palette.png", src + " -colors 50 PNG8:", PixelFormat::Palette8},
      {"palette-trns.png",
       "-size 37x23 xc:red -fill blue -draw 'rectangle 5,5 20,15' -transparent blue PNG8:",
       PixelFormat::Palette8},
      {"grey-alpha.png",
       "-size 37x23 gradient: -alpha set -channel A -fx i/w +channel -define png:color-type=4 ",
       PixelFormat::Gray8},
      {"rgba.png", src + " -alpha set -channel A -fx j/h +channel PNG32:", PixelFormat::Rgb24},
      {"interlaced.png", src + " -interlace PNG ", PixelFormat::Rgb24},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto file = dir / c.name;
    auto r = test::run_shell("/usr/bin/convert " + c.command + test::shell_quote(file));
    ASSERT_EQ(r.status, 0) << r.output;
    // 16-bit samples, so that ImageMagick's own depth reduction does not come into it.
    r = test::run_shell("/usr/bin/convert " + test::shell_quote(file) +
                        " -depth 16 -endian LSB rgba:" + test::shell_quote(dir / "magick.rgba"));
    ASSERT_EQ(r.status, 0) << r.output;
    const std::vector<uint8_t> raw = test::read_bytes(dir / "magick.rgba");
    std::vector<uint8_t> theirs(raw.size() / 2);
    for (size_t i = 0; i < theirs.size(); ++i)
      theirs[i] = static_cast<uint8_t>(((raw[2 * i] | raw[2 * i + 1] << 8) * 255 + 32767) / 65535);

    IOParams params;
    const Raster ours = decode_png(test::read_bytes(file), params);
    EXPECT_EQ(ours.format(), c.format);
    ASSERT_EQ(theirs.size(), static_cast<size_t>(ours.width()) * ours.height() * 4);
    int mismatches = 0;
    std::string first;
    for (int y = 0; y < ours.height(); ++y)
      for (int x = 0; x < ours.width(); ++x) {
        const Rgb p = ours.pixel(x, y);
        const uint8_t a = ours.has_alpha() ? ours.alpha_row(y)[x] : 255;
        const uint8_t* q = theirs.data() + 4 * (static_cast<size_t>(y) * ours.width() + x);
        if (p.r == q[0] && p.g == q[1] && p.b == q[2] && a == q[3]) continue;
        if (mismatches++ == 0) first = "first at " + std::to_string(x) + "," + std::to_string(y);
      }
    EXPECT_EQ(mismatches, 0) << first;
  }
}

TEST(PngCodec, SurvivesDamagedInput) {
  const auto bytes = encode_png(with_ramp_alpha(test::gradient_rgb(20, 12)), IOParams{}, ".png");
  const int tried = test::expect_reader_survives_damage(bytes, decode_png, read_png_header);
  EXPECT_GT(tried, 100);
}

}  // namespace
}  // namespace lumatrix
