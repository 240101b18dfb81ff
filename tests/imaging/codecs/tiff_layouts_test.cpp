// TIFF layouts real files use that the reader once refused, damaged strips, and what the reader
// says when it refuses. The files are written here through libtiff itself, from sample values
// whose 8-bit results are known exactly.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "base/image_error.h"
#include "imagemagick_reference.h"
#include "imaging/codecs/codecs.h"
#include "test_support.h"

namespace lumatrix {
namespace {

struct TiffLayout {
  uint32_t width = 7, height = 5;
  uint16_t bits = 8, samples = 3, photometric = PHOTOMETRIC_RGB;
  uint16_t planar = PLANARCONFIG_CONTIG, sample_format = SAMPLEFORMAT_UINT;
  uint16_t compression = COMPRESSION_NONE;
  uint32_t rows_per_strip = 0;             // 0: the whole image in one strip
  std::vector<uint16_t> extra;             // ExtraSamples
  std::vector<uint16_t> red, green, blue;  // ColorMap
};

// Packs sample values (pixel by pixel, sample by sample within a pixel, or plane by plane for
// separate planes) as libtiff expects them: 16, 32 and 64 bits in the machine's order, other
// depths most significant bit first. `as_float` stores them as floating point (light, 0 to 1).
std::vector<uint8_t> pack(const std::vector<double>& values, int bits, size_t per_row,
                          bool as_float) {
  const size_t rows = values.size() / per_row;
  const size_t row_bytes = (per_row * bits + 7) / 8;
  std::vector<uint8_t> out(rows * row_bytes, 0);
  for (size_t r = 0; r < rows; ++r) {
    uint8_t* row = out.data() + r * row_bytes;
    for (size_t i = 0; i < per_row; ++i) {
      const double v = values[r * per_row + i];
      if (as_float && bits == 32) {
        const float f = static_cast<float>(v);
        std::memcpy(row + 4 * i, &f, 4);
      } else if (as_float && bits == 64) {
        std::memcpy(row + 8 * i, &v, 8);
      } else if (as_float) {  // IEEE half: exact for the values the tests use
        int exponent = 0;
        const double m = std::frexp(std::fabs(v), &exponent);
        uint16_t h = v < 0 ? 0x8000 : 0;
        if (v != 0)
          h |= static_cast<uint16_t>((exponent + 14) << 10 |
                                     (static_cast<int>(std::lround(m * 2048)) & 0x3FF));
        std::memcpy(row + 2 * i, &h, 2);
      } else if (bits == 16) {
        const auto s = static_cast<uint16_t>(v);
        std::memcpy(row + 2 * i, &s, 2);
      } else if (bits == 32) {
        const auto s = static_cast<uint32_t>(v);
        std::memcpy(row + 4 * i, &s, 4);
      } else {
        const auto s = static_cast<uint64_t>(v);
        for (int b = 0; b < bits; ++b)
          if ((s >> (bits - 1 - b)) & 1) {
            const size_t bit = i * bits + b;
            row[bit / 8] |= static_cast<uint8_t>(0x80 >> (bit % 8));
          }
      }
    }
  }
  return out;
}

// A TIFF file of `layout` holding `values` (see pack), written through libtiff.
std::vector<uint8_t> write_tiff(const TiffLayout& layout, const std::vector<double>& values) {
  test::TempDir dir;
  const auto path = dir / "made.tif";
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  EXPECT_NE(tif, nullptr);
  if (tif == nullptr) return {};
  const uint32_t rps = layout.rows_per_strip ? layout.rows_per_strip : layout.height;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, layout.width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, layout.height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, layout.bits);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, layout.samples);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, layout.photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, layout.planar);
  TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, layout.sample_format);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, layout.compression);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rps);
  if (!layout.extra.empty())
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, static_cast<uint16_t>(layout.extra.size()),
                 layout.extra.data());
  if (!layout.red.empty())
    TIFFSetField(tif, TIFFTAG_COLORMAP, layout.red.data(), layout.green.data(), layout.blue.data());
  const bool separate = layout.planar == PLANARCONFIG_SEPARATE;
  const size_t per_row = size_t{layout.width} * (separate ? 1 : layout.samples);
  const std::vector<uint8_t> packed =
      pack(values, layout.bits, per_row, layout.sample_format == SAMPLEFORMAT_IEEEFP);
  const size_t row_bytes = (per_row * layout.bits + 7) / 8;
  const uint32_t strips = (layout.height + rps - 1) / rps;
  for (uint32_t plane = 0; plane < (separate ? layout.samples : 1); ++plane)
    for (uint32_t s = 0; s < strips; ++s) {
      const uint32_t rows = std::min(rps, layout.height - s * rps);
      const uint8_t* at =
          packed.data() + (size_t{plane} * layout.height + size_t{s} * rps) * row_bytes;
      EXPECT_GE(TIFFWriteEncodedStrip(tif, plane * strips + s, const_cast<uint8_t*>(at),
                                      static_cast<tmsize_t>(rows * row_bytes)),
                0);
    }
  TIFFClose(tif);
  return test::read_bytes(path);
}

// Sample values spread over the whole range of `bits`, differing from pixel to pixel.
std::vector<double> spread(size_t count, int bits) {
  const double max = std::ldexp(1.0, bits) - 1;
  std::vector<double> values(count);
  for (size_t i = 0; i < count; ++i) values[i] = std::floor(max * ((i * 37) % 101) / 100.0);
  return values;
}

uint8_t to8(double v, int bits) {
  const uint64_t max = (uint64_t{1} << bits) - 1;
  return static_cast<uint8_t>((static_cast<uint64_t>(v) * 255 + max / 2) / max);
}

Raster decode(std::span<const uint8_t> bytes, IOParams& params) {
  return decode_tiff(bytes, params);
}

TEST(TiffLayouts, RegressionIntegerSamplesOfEveryDepthFrom2To32BitsAreRead) {
  for (int bits = 2; bits <= 32; ++bits) {
    SCOPED_TRACE(bits);
    for (const bool grey : {false, true}) {
      TiffLayout layout;
      layout.bits = static_cast<uint16_t>(bits);
      layout.samples = grey ? 1 : 3;
      layout.photometric = grey ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB;
      const std::vector<double> values =
          spread(size_t{layout.width} * layout.height * layout.samples, bits);
      IOParams params;
      const Raster r = decode(write_tiff(layout, values), params);
      ASSERT_EQ(r.format(), grey ? PixelFormat::Gray8 : PixelFormat::Rgb24);
      EXPECT_EQ(params.bits_per_sample, bits);
      for (uint32_t y = 0; y < layout.height; ++y)
        for (uint32_t x = 0; x < layout.width; ++x) {
          const size_t at = (size_t{y} * layout.width + x) * layout.samples;
          const Rgb got = r.pixel(static_cast<int>(x), static_cast<int>(y));
          const Rgb want =
              grey ? Rgb{to8(values[at], bits), to8(values[at], bits), to8(values[at], bits)}
                   : Rgb{to8(values[at], bits), to8(values[at + 1], bits),
                         to8(values[at + 2], bits)};
          ASSERT_EQ(got, want) << "pixel " << x << "," << y;
        }
    }
  }
}

TEST(TiffLayouts, RegressionFloatingPointSamplesAreClippedToZeroToOne) {
  // Light values as 16-bit and 32-bit floats: below 0 and above 1 are black and white.
  const std::vector<double> light = {-0.5, 0, 0.25, 0.5, 0.75, 1, 2, 0.125};
  for (const uint16_t bits : {16, 32, 64}) {
    SCOPED_TRACE(bits);
    TiffLayout layout;
    layout.width = 8, layout.height = 1, layout.samples = 1, layout.bits = bits;
    layout.photometric = PHOTOMETRIC_MINISBLACK;
    layout.sample_format = SAMPLEFORMAT_IEEEFP;
    IOParams params;
    const Raster r = decode(write_tiff(layout, light), params);
    ASSERT_EQ(r.format(), PixelFormat::Gray8);
    const std::vector<uint8_t> row(r.row(0), r.row(0) + 8);
    EXPECT_EQ(row, (std::vector<uint8_t>{0, 0, 64, 128, 191, 255, 255, 32}));
  }
}

TEST(TiffLayouts, RegressionSixteenBitPalettesLookUpTheirColours) {
  TiffLayout layout;
  layout.width = 4, layout.height = 2, layout.samples = 1, layout.bits = 16;
  layout.photometric = PHOTOMETRIC_PALETTE;
  layout.red.assign(65536, 0), layout.green.assign(65536, 0), layout.blue.assign(65536, 0);
  const std::vector<double> indices = {0, 1, 300, 65535, 40000, 2, 1, 0};
  for (const double i : indices) {
    const auto at = static_cast<size_t>(i);
    layout.red[at] = static_cast<uint16_t>(at * 7 % 65536);
    layout.green[at] = static_cast<uint16_t>(65535 - at);
    layout.blue[at] = static_cast<uint16_t>(at / 2 + 1000);
  }
  IOParams params;
  const Raster r = decode(write_tiff(layout, indices), params);
  ASSERT_EQ(r.format(), PixelFormat::Rgb24);
  for (int k = 0; k < 8; ++k) {
    const auto at = static_cast<size_t>(indices[k]);
    const auto c8 = [](uint16_t v) { return static_cast<uint8_t>((v + 128u) / 257u); };
    EXPECT_EQ(r.pixel(k % 4, k / 4),
              (Rgb{c8(layout.red[at]), c8(layout.green[at]), c8(layout.blue[at])}));
  }
}

TEST(TiffLayouts, RegressionSeparatePlanesOfAnyDepthAreRead) {
  struct Case {
    uint16_t bits, samples, photometric;
  };
  for (const Case c : {Case{2, 3, PHOTOMETRIC_RGB}, Case{4, 3, PHOTOMETRIC_RGB},
                       Case{16, 4, PHOTOMETRIC_SEPARATED}, Case{12, 4, PHOTOMETRIC_RGB}}) {
    SCOPED_TRACE(c.bits * 10 + c.samples);
    TiffLayout separate;
    separate.bits = c.bits, separate.samples = c.samples, separate.photometric = c.photometric;
    separate.planar = PLANARCONFIG_SEPARATE;
    separate.rows_per_strip = 2;
    if (c.samples == 4 && c.photometric == PHOTOMETRIC_RGB)
      separate.extra = {EXTRASAMPLE_UNASSALPHA};
    TiffLayout contig = separate;
    contig.planar = PLANARCONFIG_CONTIG;
    const size_t pixels = size_t{separate.width} * separate.height;
    const std::vector<double> interleaved = spread(pixels * c.samples, c.bits);
    std::vector<double> planes(interleaved.size());
    for (size_t p = 0; p < pixels; ++p)
      for (size_t s = 0; s < c.samples; ++s)
        planes[s * pixels + p] = interleaved[p * c.samples + s];
    IOParams params;
    const Raster from_planes = decode(write_tiff(separate, planes), params);
    const Raster from_pixels = decode(write_tiff(contig, interleaved), params);
    EXPECT_EQ(from_planes, from_pixels);
    EXPECT_EQ(from_planes.has_alpha(), !separate.extra.empty());
  }
  // And the CMYK inks come out as light: no ink is white, full black ink is black.
  TiffLayout cmyk;
  cmyk.width = 2, cmyk.height = 1, cmyk.bits = 16, cmyk.samples = 4;
  cmyk.photometric = PHOTOMETRIC_SEPARATED, cmyk.planar = PLANARCONFIG_SEPARATE;
  IOParams params;
  const Raster r = decode(write_tiff(cmyk, {0, 0, 0, 0, 0, 0, 0, 65535}), params);
  EXPECT_EQ(r.pixel(0, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(r.pixel(1, 0), (Rgb{0, 0, 0}));
}

TEST(TiffLayouts, SignedSamplesAreCentredOnMidGrey) {
  TiffLayout layout;
  layout.width = 3, layout.height = 1, layout.samples = 1, layout.bits = 8;
  layout.photometric = PHOTOMETRIC_MINISBLACK, layout.sample_format = SAMPLEFORMAT_INT;
  // -128, 0 and 127 as two's complement bytes.
  IOParams params;
  const Raster r = decode(write_tiff(layout, {128, 0, 127}), params);
  EXPECT_EQ(std::vector<uint8_t>(r.row(0), r.row(0) + 3), (std::vector<uint8_t>{0, 128, 255}));
}

TEST(TiffLayouts, RegressionOneDamagedStripLeavesTheRestOfThePicture) {
  TiffLayout layout;
  layout.width = 16, layout.height = 12, layout.rows_per_strip = 4, layout.compression = COMPRESSION_LZW;
  const std::vector<double> values = spread(size_t{16} * 12 * 3, 8);
  std::vector<uint8_t> bytes = write_tiff(layout, values);
  IOParams sound;
  const Raster whole = decode(bytes, sound);
  EXPECT_TRUE(sound.warnings.empty());

  // Garble the middle strip's LZW codes where tiffdump says they are.
  test::TempDir dir;
  test::write_bytes(dir / "a.tif", bytes);
  const auto dump = test::run_shell("tiffdump " + test::shell_quote((dir / "a.tif").string()));
  const size_t at = dump.output.find("StripOffsets");
  ASSERT_NE(at, std::string::npos) << dump.output;
  std::vector<unsigned long> offsets;
  for (size_t from = dump.output.find('<', at) + 1; offsets.size() < 3;) {
    size_t used = 0;
    offsets.push_back(std::stoul(dump.output.substr(from), &used));
    from += used + 1;
  }
  const auto garble = [&](unsigned long strip) {
    for (size_t i = strip; i < strip + 6; ++i) bytes[i] = 0xFF;
  };
  garble(offsets[1]);

  IOParams params;
  const Raster damaged = decode(bytes, params);
  ASSERT_EQ(damaged.format(), PixelFormat::Rgb24);
  ASSERT_EQ(params.warnings.size(), 1u);
  EXPECT_NE(params.warnings[0].find("strip 2 of 3"), std::string::npos) << params.warnings[0];
  EXPECT_NE(params.warnings[0].find("rows 5 to 8 show the background"), std::string::npos)
      << params.warnings[0];
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 16; ++x)
      ASSERT_EQ(damaged.pixel(x, y), (y >= 4 && y < 8 ? Rgb{0, 0, 0} : whole.pixel(x, y)))
          << x << "," << y;

  // With every strip garbled nothing is left to show, and that is a refusal.
  garble(offsets[0]);
  garble(offsets[2]);
  EXPECT_NE(test::refusal_reason(decode_tiff, bytes).find("no part of the TIFF image"),
            std::string::npos);
}

TEST(TiffLayouts, RegressionSmallFileDeclaringHugeStripsIsRefusedFromItsHeader) {
  // A few hundred bytes that declare 8704 samples per pixel: each strip would decode to
  // gigabytes. The refusal comes from the header, before any allocation.
  std::vector<uint8_t> bytes;
  {
    test::TempDir dir;
    TIFF* tif = TIFFOpen((dir / "m.tif").c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 24733);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 385);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 8704);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_SEPARATED);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 96);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    std::vector<uint16_t> extra(8700, EXTRASAMPLE_UNSPECIFIED);
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, static_cast<uint16_t>(extra.size()), extra.data());
    uint8_t nothing[16] = {};
    TIFFWriteRawStrip(tif, 0, nothing, sizeof nothing);
    TIFFClose(tif);
    bytes = test::read_bytes(dir / "m.tif");
  }
  const std::string reason = test::refusal_reason(decode_tiff, bytes);
  EXPECT_NE(reason.find("a TIFF strip of 96 rows of 24733 pixels with 8704 samples"),
            std::string::npos)
      << reason;
  EXPECT_NE(reason.find("would need 21 GB"), std::string::npos) << reason;
  // The header alone is still readable for `info`.
  IOParams header;
  read_tiff_header(bytes, header);
  EXPECT_EQ(header.samples_per_pixel, 8704);
}

TEST(TiffLayouts, RegressionRefusalsSayInPlainWordsWhatIsWrong) {
  // Each message a damaged file gets names the problem, without libtiff's function names or
  // the name of our memory stream.
  TiffLayout layout;
  layout.rows_per_strip = 2;
  const std::vector<uint8_t> sound = write_tiff(layout, spread(7 * 5 * 3, 8));
  std::vector<std::vector<uint8_t>> damaged;
  damaged.push_back(std::vector<uint8_t>(sound.begin(), sound.begin() + 8));  // no directory
  for (const size_t at : {4u, 5u, 8u, 9u, 20u, 30u, 40u, 60u, 100u, 120u}) {
    std::vector<uint8_t> copy = sound;
    if (at < copy.size()) copy[at] ^= 0xA5;
    damaged.push_back(copy);
  }
  int refused = 0;
  for (const auto& bytes : damaged) {
    const std::string reason = test::refusal_reason(decode_tiff, bytes);
    if (reason == "decoded") continue;
    ++refused;
    SCOPED_TRACE(reason);
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(reason.find("memory"), std::string::npos);
    EXPECT_EQ(reason.find("TIFFRead"), std::string::npos);
    EXPECT_EQ(reason.find("TIFFFetch"), std::string::npos);
    EXPECT_EQ(reason.find("Sorry"), std::string::npos);
  }
  EXPECT_GT(refused, 3);
}

TEST(TiffLayouts, ImageMagickWritesDeepSamplesWeReadAlike) {
  // ImageMagick's own deep and floating-point files, against its 16-bit decoding.
  test::TempDir dir;
  const auto source = dir / "source.png";
  test::imagemagick("-seed 9 -size 23x17 plasma:fractal " + test::shell_quote(source.string()));
  for (const std::string options :
       {"-depth 10", "-depth 12", "-depth 5", "-depth 32", "-colorspace gray -depth 6",
        "-define quantum:format=floating-point -depth 32",
        "-define quantum:format=floating-point -depth 16"}) {
    SCOPED_TRACE(options);
    const auto file = dir / "deep.tif";
    test::imagemagick(test::shell_quote(source.string()) + " " + options + " " +
                      test::shell_quote(file.string()));
    IOParams params;
    const Raster ours = decode_tiff(test::read_bytes(file), params);
    EXPECT_TRUE(test::same_pixels(ours.to_rgb24(), test::imagemagick_decode(file), 1));
  }
}

}  // namespace
}  // namespace lumatrix
