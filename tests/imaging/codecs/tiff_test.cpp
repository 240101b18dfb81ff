#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/image_error.h"
#include "imagemagick_reference.h"
#include "imaging/codecs/codecs.h"
#include "imaging/quantize.h"
#include "test_support.h"

namespace lumatrix {
namespace {

using test::grey_ramp;
using test::paletted;
using test::with_ramp_alpha;

IOParams with_compression(TiffCompression c, int photometric = 2) {
  IOParams p;
  p.tiff_compression = c;
  p.tiff_photometric = photometric;
  return p;
}

Raster round_trip(const Raster& raster, const IOParams& params, IOParams& read) {
  return decode_tiff(encode_tiff(raster, params, ".tif"), read);
}

Raster bits(int width, int height, std::vector<Rgb> palette = {{0, 0, 0}, {255, 255, 255}}) {
  Raster r(width, height, PixelFormat::Bit1);
  r.palette = std::move(palette);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if ((x * x + y) % 5 < 2) r.row(y)[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  return r;
}

// ImageMagick's decoding at 16 bits, rounded to 8 as our reader rounds (ImageMagick's own
// reduction to 8 bits truncates).
Raster imagemagick_rounded(const std::filesystem::path& file, bool with_alpha = false) {
  test::TempDir dir;
  const auto raw = dir / "magick.rgba";
  test::imagemagick(test::shell_quote(file) + " -depth 16 -endian LSB " +
                    test::shell_quote("rgba:" + raw.string()));
  const Raster size = test::imagemagick_decode(file);
  const std::vector<uint8_t> bytes = test::read_bytes(raw);
  if (bytes.size() != size_t{8} * size.width() * size.height()) return {};
  Raster out(size.width(), size.height(), PixelFormat::Rgb24);
  if (with_alpha) out.add_alpha();
  for (size_t i = 0; i < bytes.size() / 2; ++i) {
    const unsigned v = bytes[2 * i] | bytes[2 * i + 1] << 8;
    const uint8_t v8 = static_cast<uint8_t>((v * 255 + 32767) / 65535);
    const int x = static_cast<int>(i / 4 % out.width()), y = static_cast<int>(i / 4 / out.width());
    if (i % 4 < 3) out.row(y)[3 * x + i % 4] = v8;
    if (i % 4 == 3 && with_alpha) out.alpha_row(y)[x] = v8;
  }
  return out;
}

std::string tiff_tool(const std::string& command, const std::filesystem::path& file) {
  const auto r = test::run_shell(command + " " + test::shell_quote(file) + " 2>&1");
  EXPECT_EQ(r.status, 0) << command << ": " << r.output;
  return r.output;
}

TEST(TiffCodec, LosslessCompressionsRoundTripEveryRasterKind) {
  const Raster cases[] = {bits(21, 9),
                          bits(21, 9, {{255, 255, 255}, {0, 0, 0}}),
                          bits(21, 9, {{200, 0, 0}, {0, 0, 90}}),
                          paletted(19, 7, 3),
                          paletted(19, 7, 200),
                          grey_ramp(33, 17),
                          with_ramp_alpha(grey_ramp(33, 17)),
                          test::gradient_rgb(31, 13),
                          with_ramp_alpha(test::gradient_rgb(31, 13)),
                          with_ramp_alpha(paletted(19, 7, 5))};
  for (const TiffCompression c :
       {TiffCompression::None, TiffCompression::LZW, TiffCompression::PackBits}) {
    for (const Raster& source : cases) {
      SCOPED_TRACE(static_cast<int>(c) * 100 + static_cast<int>(source.format()) * 10 +
                   source.has_alpha());
      IOParams read;
      const Raster decoded = round_trip(source, with_compression(c), read);
      EXPECT_EQ(read.tiff_compression, c);
      // Paletted images with alpha become RGBA; everything else keeps its format.
      if (source.has_alpha() && source.format() == PixelFormat::Palette8) {
        EXPECT_EQ(decoded, source.to_rgb24());
        continue;
      }
      EXPECT_EQ(decoded.format(), source.format());
      EXPECT_EQ(decoded.to_rgb24(), source.to_rgb24());
      EXPECT_EQ(decoded.palette.size() <= 2, source.palette.size() <= 2);
    }
  }
}

TEST(TiffCodec, CmykIsWrittenAsInksAndReadBackAsLight) {
  const Raster source = with_ramp_alpha(test::gradient_rgb(40, 20));
  for (const TiffCompression c : {TiffCompression::None, TiffCompression::LZW}) {
    IOParams read;
    const auto bytes = encode_tiff(source, with_compression(c, 5), ".tif");
    const Raster decoded = decode_tiff(bytes, read);
    EXPECT_EQ(read.tiff_photometric, 5);
    EXPECT_EQ(read.samples_per_pixel, 5);
    EXPECT_TRUE(test::same_pixels(decoded, source, 1));
  }
  // Pure black is all K, pure white no ink at all.
  Raster bw(2, 1, PixelFormat::Rgb24);
  bw.set_pixel(1, 0, {255, 255, 255});
  const auto bytes = encode_tiff(bw, with_compression(TiffCompression::None, 5), ".tif");
  const std::vector<uint8_t> inks(bytes.begin() + 8, bytes.begin() + 16);
  EXPECT_EQ(inks, (std::vector<uint8_t>{0, 0, 0, 255, 0, 0, 0, 0}));
}

TEST(TiffCodec, FaxCodingsKeepBilevelImagesAndDitherTheRest) {
  const Raster bilevel = bits(45, 30);
  const Raster inverted = bits(45, 30, {{255, 255, 255}, {0, 0, 0}});
  const Raster colour = test::gradient_rgb(45, 30);
  const Raster dithered = bayer_dither(colour);
  for (const TiffCompression c : {TiffCompression::Huffman, TiffCompression::G3,
                                  TiffCompression::G3_2D, TiffCompression::G4}) {
    SCOPED_TRACE(static_cast<int>(c));
    IOParams read;
    Raster decoded = round_trip(bilevel, with_compression(c), read);
    EXPECT_EQ(read.tiff_compression, c);
    EXPECT_EQ(read.tiff_photometric, 0);  // fax convention: min-is-white
    EXPECT_EQ(decoded.format(), PixelFormat::Bit1);
    EXPECT_EQ(decoded.to_rgb24(), bilevel.to_rgb24());
    EXPECT_EQ(round_trip(inverted, with_compression(c), read).to_rgb24(), inverted.to_rgb24());
    decoded = round_trip(colour, with_compression(c), read);
    EXPECT_EQ(decoded.to_rgb24(), dithered.to_rgb24());
    EXPECT_EQ(round_trip(grey_ramp(45, 30), with_compression(c), read).to_rgb24(),
              bayer_dither(grey_ramp(45, 30).to_rgb24()).to_rgb24());
  }
}

TEST(TiffCodec, JpegCompressionKeepsThePictureWithinTolerance) {
  const Raster source = test::gradient_rgb(64, 48);
  const Raster smooth = [] {
    Raster r(64, 48, PixelFormat::Rgb24);
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x)
        r.set_pixel(x, y, Rgb{static_cast<uint8_t>(x * 3), static_cast<uint8_t>(y * 4), 128});
    return r;
  }();
  for (const int photometric : {2, 6}) {
    SCOPED_TRACE(photometric);
    IOParams params = with_compression(TiffCompression::Jpeg, photometric), read;
    params.jpeg_quality = 95;
    const auto fine = encode_tiff(source, params, ".tif");
    const Raster decoded = decode_tiff(encode_tiff(smooth, params, ".tif"), read);
    EXPECT_EQ(read.tiff_compression, TiffCompression::Jpeg);
    EXPECT_EQ(read.tiff_photometric, photometric);
    EXPECT_TRUE(test::same_pixels(decoded, smooth, 8));
    params.jpeg_quality = 20;
    EXPECT_LT(encode_tiff(source, params, ".tif").size(), fine.size());
  }
  // Inks go through JPEG as four components.
  IOParams cmyk = with_compression(TiffCompression::Jpeg, 5), cmyk_read;
  cmyk.jpeg_quality = 95;
  const auto cmyk_bytes = encode_tiff(smooth, cmyk, ".tif");
  EXPECT_TRUE(test::same_pixels(decode_tiff(cmyk_bytes, cmyk_read), smooth, 8));
  EXPECT_EQ(cmyk_read.tiff_photometric, 5);
  test::TempDir dir;
  test::write_bytes(dir / "cmyk.tif", cmyk_bytes);
  EXPECT_TRUE(test::same_pixels(test::imagemagick_decode(dir / "cmyk.tif"), smooth, 8));

  // Palettes and grey go through JPEG too: as colour and as grey.
  IOParams read;
  EXPECT_EQ(round_trip(paletted(20, 20, 4), with_compression(TiffCompression::Jpeg), read).format(),
            PixelFormat::Rgb24);
  EXPECT_EQ(round_trip(grey_ramp(20, 20), with_compression(TiffCompression::Jpeg), read).format(),
            PixelFormat::Gray8);
}

TEST(TiffCodec, YcbcrWithoutJpegIsWrittenAsRgb) {
  IOParams read;
  const Raster source = test::gradient_rgb(10, 10);
  EXPECT_EQ(round_trip(source, with_compression(TiffCompression::LZW, 6), read), source);
  EXPECT_EQ(read.tiff_photometric, 2);
}

TEST(TiffCodec, ResolutionAndHeaderFields) {
  IOParams params = with_compression(TiffCompression::PackBits), read, header;
  params.dpi_x = 300;
  params.dpi_y = 150;
  const auto bytes = encode_tiff(test::gradient_rgb(70, 700), params, ".tif");
  decode_tiff(bytes, read);
  EXPECT_EQ(read.dpi_x, 300);
  EXPECT_EQ(read.dpi_y, 150);
  read_tiff_header(bytes, header);
  EXPECT_EQ(header, read);
  EXPECT_EQ(header.file_type, FileType::TIFF);
  EXPECT_EQ(header.width, 70);
  EXPECT_EQ(header.height, 700);
  EXPECT_EQ(header.bits_per_sample, 8);
  EXPECT_EQ(header.samples_per_pixel, 3);
  EXPECT_EQ(header.tiff_compression, TiffCompression::PackBits);

  // Centimetres are converted; a file without a unit keeps the display resolution.
  test::TempDir dir;
  const auto file = dir / "cm.tif";
  test::imagemagick("-size 8x8 xc:gray -units PixelsPerCentimeter -density 100 " +
                    test::shell_quote(file));
  read_tiff_header(test::read_bytes(file), header);
  EXPECT_EQ(header.dpi_x, 254);
  tiff_tool("tiffset -s 296 1", file);
  read_tiff_header(test::read_bytes(file), header);
  EXPECT_EQ(header.dpi_x, kDisplayDpi);
}

TEST(TiffCodec, LibtiffToolsAndImageMagickReadOurFiles) {
  test::TempDir dir;
  const Raster colour = test::gradient_rgb(50, 40);
  const struct {
    TiffCompression compression;
    const char* tiffinfo_says;
  } cases[] = {
      {TiffCompression::PackBits, "Compression Scheme: PackBits"},
      {TiffCompression::LZW, "Compression Scheme: LZW"},
      {TiffCompression::None, "Compression Scheme: None"},
      {TiffCompression::Huffman, "Compression Scheme: CCITT RLE"},
      {TiffCompression::G3, "Compression Scheme: CCITT Group 3"},
      {TiffCompression::G3_2D, "Group 3 Options: 2-d encoding"},
      {TiffCompression::G4, "Compression Scheme: CCITT Group 4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tiffinfo_says);
    const auto file = dir / "ours.tif";
    IOParams params = with_compression(c.compression), read;
    const auto bytes = encode_tiff(colour, params, ".tif");
    test::write_bytes(file, bytes);
    // -D decodes every strip, so a coding error shows here as well.
    const std::string info = tiff_tool("tiffinfo -D", file);
    EXPECT_NE(info.find(c.tiffinfo_says), std::string::npos) << info;
    EXPECT_EQ(info.find("rror"), std::string::npos) << info;
    if (c.compression == TiffCompression::LZW) {
      EXPECT_NE(info.find("Predictor: horizontal differencing 2"), std::string::npos) << info;
    }
    EXPECT_TRUE(
        test::same_pixels(decode_tiff(bytes, read).to_rgb24(), test::imagemagick_decode(file)));
  }
}

// Files other programs write in each layout read as ImageMagick reads them.
TEST(TiffCodec, DecodesImageMagickVariantsLikeImageMagick) {
  test::TempDir dir;
  const std::string photo = test::shell_quote(dir / "photo.ppm");
  test::imagemagick("-seed 3 -size 45x37 plasma:fractal -depth 8 " + photo);
  const struct {
    const char* name;
    std::string args;  // the output file is appended
    PixelFormat format;
    int tolerance = 0;
    TiffCompression compression = TiffCompression::None;
    bool alpha = false;
  } cases[] = {
      {"tiled", photo + " -define tiff:tile-geometry=16x16", PixelFormat::Rgb24},
      {"tiled-grey16",
       photo +
           " -colorspace gray -evaluate multiply 1.003 -depth 16 -define tiff:tile-geometry=32x16",
       PixelFormat::Gray8},
      {"cmyk", photo + " -colorspace CMYK", PixelFormat::Rgb24, 1},
      {"lzw", photo + " -compress lzw", PixelFormat::Rgb24, 0, TiffCompression::LZW},
      {"zip", photo + " -compress zip", PixelFormat::Rgb24},
      {"jpeg", photo + " -compress jpeg -quality 90", PixelFormat::Rgb24, 3, TiffCompression::Jpeg},
      {"packbits", photo + " -compress rle", PixelFormat::Rgb24, 0, TiffCompression::PackBits},
      {"g3", photo + " -monochrome -compress fax", PixelFormat::Bit1, 0, TiffCompression::G3},
      {"g4", photo + " -monochrome -compress group4", PixelFormat::Bit1, 0, TiffCompression::G4},
      {"rgb16", photo + " -evaluate multiply 1.003 -depth 16", PixelFormat::Rgb24},
      {"grey16", photo + " -colorspace gray -evaluate multiply 0.997 -depth 16",
       PixelFormat::Gray8},
      {"grey8", photo + " -colorspace gray -depth 8", PixelFormat::Gray8},
      {"grey4", photo + " -colorspace gray -depth 4", PixelFormat::Gray8},
      {"palette", photo + " -colors 60 -type Palette", PixelFormat::Palette8},
      {"palette4", photo + " -colors 12 -type Palette -depth 4", PixelFormat::Palette8},
      {"miniswhite", photo + " -monochrome -depth 1 -define quantum:polarity=min-is-white",
       PixelFormat::Bit1},
      {"minisblack", photo + " -monochrome -depth 1 -define quantum:polarity=min-is-black",
       PixelFormat::Bit1},
      {"rgba", photo + " -alpha set -channel A -fx i/w +channel", PixelFormat::Rgb24, 0,
       TiffCompression::None, true},
      {"rgba16",
       photo + " -alpha set -channel A -fx j/h +channel -evaluate multiply 0.99 -depth 16",
       PixelFormat::Rgb24, 0, TiffCompression::None, true},
      {"rgb16-msb", photo + " -evaluate multiply 0.995 -depth 16 -define tiff:endian=msb",
       PixelFormat::Rgb24},
      {"grey-alpha", photo + " -colorspace gray -alpha set -channel A -fx i/w +channel",
       PixelFormat::Gray8, 0, TiffCompression::None, true},
      {"miniswhite-grey", photo + " -colorspace gray -define quantum:polarity=min-is-white",
       PixelFormat::Gray8},
      {"ycbcr-jpeg", photo + " -colorspace YCbCr -compress jpeg -quality 90", PixelFormat::Rgb24, 3,
       TiffCompression::Jpeg},
      {"ycbcr", photo + " -colorspace YCbCr -compress lzw", PixelFormat::Rgb24, 1,
       TiffCompression::LZW},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto file = dir / (std::string(c.name) + ".tif");
    test::imagemagick(c.args + " " + test::shell_quote(file));
    IOParams params;
    const Raster ours = decode_tiff(test::read_bytes(file), params);
    EXPECT_EQ(ours.format(), c.format);
    EXPECT_EQ(params.tiff_compression, c.compression);
    EXPECT_TRUE(
        test::same_pixels(ours.to_rgb24(), imagemagick_rounded(file, c.alpha), c.tolerance));
  }
}

// tiffcp writes the layouts ImageMagick does not: separate planes, YCbCr, tiles of bits.
TEST(TiffCodec, DecodesTiffcpLayoutsLikeImageMagick) {
  test::TempDir dir;
  const auto source = dir / "source.tif";
  test::imagemagick("-seed 5 -size 45x37 plasma:fractal -depth 8 " + test::shell_quote(source));
  const auto mono = dir / "mono.tif";
  test::imagemagick(test::shell_quote(source) + " -monochrome -depth 1 " + test::shell_quote(mono));
  const struct {
    const char* name;
    std::string options;
    const std::filesystem::path& input;
    int tolerance;
  } cases[] = {
      {"separate", "-p separate -c lzw", source, 0},
      {"tiled-lzw", "-t -w 16 -l 16 -c lzw:2", source, 0},
      {"deflate", "-c zip", source, 0},
      {"ycbcr-jpeg", "-c jpeg -r 16", source, 3},
      {"tiled-g4", "-t -w 16 -l 16 -c g4", mono, 0},
      {"g3-2d", "-c g3:2d", mono, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto file = dir / (std::string(c.name) + ".tif");
    const auto r = test::run_shell("tiffcp " + c.options + " " + test::shell_quote(c.input) + " " +
                                   test::shell_quote(file) + " 2>&1");
    ASSERT_EQ(r.status, 0) << r.output;
    IOParams params;
    const Raster ours = decode_tiff(test::read_bytes(file), params);
    EXPECT_TRUE(test::same_pixels(ours.to_rgb24(), test::imagemagick_decode(file), c.tolerance));
  }

  // Rows keep the file's order whatever the Orientation tag says, whichever way libtiff reads.
  IOParams params;
  const Raster stored = decode_tiff(test::read_bytes(dir / "deflate.tif"), params);
  for (const char* name : {"deflate.tif", "separate.tif"}) {
    SCOPED_TRACE(name);
    tiff_tool("tiffset -s 274 4", dir / name);
    EXPECT_EQ(decode_tiff(test::read_bytes(dir / name), params), stored);
  }
}

TEST(TiffCodec, AssociatedAlphaIsUnpremultiplied) {
  // Half-transparent pixels written premultiplied read back as their own colour.
  Raster source(4, 1, PixelFormat::Rgb24);
  source.set_pixel(0, 0, {200, 100, 50});
  source.set_pixel(1, 0, {10, 250, 0});
  source.add_alpha();
  source.alpha_row(0)[0] = 128;
  source.alpha_row(0)[1] = 255;
  source.alpha_row(0)[2] = 0;
  auto bytes = encode_tiff(source, IOParams{}, ".tif");
  // Our files carry unassociated alpha; premultiply the samples and mark them associated.
  ASSERT_EQ(std::vector<uint8_t>(bytes.begin() + 8, bytes.begin() + 12),
            (std::vector<uint8_t>{200, 100, 50, 128}));
  bytes[8] = 100, bytes[9] = 50, bytes[10] = 25;
  test::TempDir dir;
  test::write_bytes(dir / "a.tif", bytes);
  tiff_tool("tiffset -s 338 1 1", dir / "a.tif");
  IOParams read;
  const Raster decoded = decode_tiff(test::read_bytes(dir / "a.tif"), read);
  ASSERT_TRUE(decoded.has_alpha());
  EXPECT_EQ(decoded.pixel(0, 0), (Rgb{199, 100, 50}));
  EXPECT_EQ(decoded.pixel(1, 0), (Rgb{10, 250, 0}));
  EXPECT_EQ(decoded.alpha_row(0)[0], 128);
}

// A raw Group 3 page as fax software stores it: `pbmtog3` output, both bit orders, and the strip
// of a G3 TIFF.
TEST(TiffCodec, RawFaxPagesDecodeToTheirRows) {
  test::TempDir dir;
  const auto pbm = dir / "page.pbm";
  test::imagemagick(
      "-size 1728x90 xc:white -fill black -draw 'rectangle 100,10 900,40' "
      "-draw 'circle 1200,50 1250,80' " +
      test::shell_quote(pbm));
  const Raster expected = test::imagemagick_decode(pbm);
  for (const char* options : {"", "-reversebits"}) {
    SCOPED_TRACE(options);
    const auto g3 = dir / "page.g3n";
    const auto r = test::run_shell(std::string("pbmtog3 ") + options + " " +
                                   test::shell_quote(pbm) + " > " + test::shell_quote(g3));
    ASSERT_EQ(r.status, 0) << r.output;
    IOParams params, header;
    const Raster page = decode_tiff(test::read_bytes(g3), params);
    EXPECT_EQ(page.format(), PixelFormat::Bit1);
    EXPECT_TRUE(test::same_pixels(page.to_rgb24(), expected));
    EXPECT_EQ(params.tiff_compression, TiffCompression::G3);
    read_tiff_header(test::read_bytes(g3), header);
    EXPECT_EQ(header.width, 1728);
    EXPECT_EQ(header.height, 90);
  }

  // The strip of a one-strip G3 TIFF written by libtiff is a raw page as well.
  const auto plain = dir / "plain.tif";
  test::imagemagick(test::shell_quote(pbm) +
                    " -compress none -define quantum:polarity=min-is-white " +
                    test::shell_quote(plain));
  const auto tif = dir / "page.tif";
  ASSERT_EQ(test::run_shell("tiffcp -c g3 -r 1000 " + test::shell_quote(plain) + " " +
                            test::shell_quote(tif) + " 2>&1")
                .status,
            0);
  IOParams params;
  const auto bytes = test::read_bytes(tif);
  decode_tiff(bytes, params);
  const std::string dump = tiff_tool("tiffdump", tif);
  const auto number_after = [&](const std::string& key) {
    const size_t at = dump.find(key);
    EXPECT_NE(at, std::string::npos) << dump;
    return std::stoul(dump.substr(dump.find('<', at) + 1));
  };
  const size_t offset = number_after("StripOffsets"), count = number_after("StripByteCounts");
  ASSERT_LE(offset + count, bytes.size());
  const std::vector<uint8_t> strip(bytes.begin() + offset, bytes.begin() + offset + count);
  EXPECT_TRUE(test::same_pixels(decode_tiff(strip, params).to_rgb24(), expected));

  const std::vector<uint8_t> garbage = {'h', 'e', 'l', 'l', 'o'};
  EXPECT_THROW(decode_tiff(garbage, params), ImageError);
  EXPECT_THROW(decode_tiff({}, params), ImageError);
}

TEST(TiffCodec, RefusesImagesAboveThePixelLimit) {
  const auto bytes = encode_tiff(test::gradient_rgb(64, 64), IOParams{}, ".tif");
  const uint64_t old = pixel_limit();
  set_pixel_limit(64 * 63);
  IOParams params;
  EXPECT_THROW(decode_tiff(bytes, params), ImageError);
  set_pixel_limit(old);
  EXPECT_EQ(decode_tiff(bytes, params).height(), 64);
}

TEST(TiffCodec, SurvivesDamagedInput) {
  test::TempDir dir;
  const auto tiled = dir / "tiled.tif";
  test::imagemagick("-size 40x30 plasma:fractal -define tiff:tile-geometry=16x16 -compress zip " +
                    test::shell_quote(tiled));
  const Raster rgba = with_ramp_alpha(test::gradient_rgb(40, 30));
  const std::vector<std::vector<uint8_t>> files = {
      encode_tiff(rgba, with_compression(TiffCompression::LZW), ".tif"),
      encode_tiff(rgba, with_compression(TiffCompression::PackBits, 5), ".tif"),
      encode_tiff(rgba, with_compression(TiffCompression::G4), ".tif"),
      encode_tiff(rgba, with_compression(TiffCompression::Jpeg, 6), ".tif"),
      encode_tiff(paletted(30, 20, 9), IOParams{}, ".tif"),
      test::read_bytes(tiled),
      test::read_bytes(LUMATRIX_TEST_DATA "/fuzz-seeds/raw-g3-fax-page.tiff"),
  };
  int tried = 0;
  for (const auto& bytes : files) {
    tried += test::expect_reader_survives_damage(bytes, decode_tiff, read_tiff_header);
  }
  EXPECT_GT(tried, 600);
}

}  // namespace
}  // namespace lumatrix
