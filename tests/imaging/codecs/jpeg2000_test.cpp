#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "base/image_error.h"
#include "imagemagick_reference.h"
#include "imaging/codecs/codecs.h"
#include "imaging/image_document.h"
#include "modern_formats_support.h"
#include "test_support.h"

namespace lumatrix {
namespace {

using test::grey_ramp;

namespace fs = std::filesystem;

Raster with_alpha(Raster raster) {
  raster.add_alpha();
  for (int y = 0; y < raster.height(); ++y)
    for (int x = 0; x < raster.width(); ++x)
      raster.alpha_row(y)[x] = static_cast<uint8_t>((x * 255 / raster.width()) ^ (y * 3));
  return raster;
}

using test::photo_like;
using test::psnr;

Raster decode(std::span<const uint8_t> bytes, IOParams* params = nullptr) {
  IOParams p;
  Raster r = decode_jpeg2000(bytes, p);
  if (params) *params = p;
  return r;
}

std::vector<uint8_t> encode(const Raster& raster, int quality, std::string_view extension) {
  IOParams params;
  params.jpeg_quality = quality;
  return encode_jpeg2000(raster, params, extension);
}

void opj(const std::string& tool, const std::string& args) {
  const test::CommandResult r = test::run_shell("/usr/bin/" + tool + " " + args);
  ASSERT_EQ(r.status, 0) << tool << " " << args << ": " << r.output;
}

std::string q(const fs::path& path) {
  return test::shell_quote(path.string());
}

void write_ppm(const fs::path& path, const Raster& rgb) {
  std::string header =
      "P6\n" + std::to_string(rgb.width()) + " " + std::to_string(rgb.height()) + "\n255\n";
  std::vector<uint8_t> bytes(header.begin(), header.end());
  bytes.insert(bytes.end(), rgb.bytes().begin(), rgb.bytes().end());
  test::write_bytes(path, bytes);
}

TEST(Jpeg2000Codec, LosslessRoundTripsAreExactInBothContainers) {
  const Raster cases[] = {grey_ramp(37, 21),          with_alpha(grey_ramp(16, 9)),
                          test::gradient_rgb(33, 17), with_alpha(test::gradient_rgb(40, 3)),
                          test::gradient_rgb(1, 1),   grey_ramp(1, 70)};
  for (const char* extension : {".jp2", ".j2k"}) {
    for (const Raster& source : cases) {
      SCOPED_TRACE(std::string(extension) + " format " +
                   std::to_string(static_cast<int>(source.format())) +
                   (source.has_alpha() ? " alpha" : ""));
      const std::vector<uint8_t> bytes = encode(source, 100, extension);
      ASSERT_GT(bytes.size(), 12u);
      // The container follows the extension.
      EXPECT_EQ(bytes[4] == 'j' && bytes[5] == 'P', std::string(extension) == ".jp2");
      IOParams params;
      EXPECT_EQ(decode(bytes, &params), source);
      EXPECT_EQ(params.width, source.width());
      EXPECT_EQ(params.samples_per_pixel,
                (source.format() == PixelFormat::Gray8 ? 1 : 3) + (source.has_alpha() ? 1 : 0));
    }
  }
  // Palette pictures are stored as the colours they show.
  Raster palette(5, 4, PixelFormat::Palette8);
  palette.palette = {{1, 2, 3}, {250, 128, 7}};
  palette.row(2)[3] = 1;
  EXPECT_EQ(decode(encode(palette, 100, ".jpc")), palette.to_rgb24());
}

TEST(Jpeg2000Codec, LossyQualityTradesSizeForFidelity) {
  const Raster source = photo_like(128, 96);
  size_t last_size = 0;
  double last_psnr = 0;
  for (int quality : {10, 40, 80, 95}) {
    SCOPED_TRACE(quality);
    const std::vector<uint8_t> bytes = encode(source, quality, ".jp2");
    const Raster back = decode(bytes);
    const double fidelity = psnr(back, source);
    EXPECT_GT(bytes.size(), last_size);
    EXPECT_GT(fidelity, last_psnr);
    if (quality == 80) {
      EXPECT_GT(fidelity, 30.0);
    }
    last_size = bytes.size();
    last_psnr = fidelity;
  }
  EXPECT_LT(last_size, encode(source, 100, ".jp2").size());
}

TEST(Jpeg2000Codec, ReadsImageMagickFiles) {
  test::TempDir dir;
  const fs::path png = dir / "source.png";
  test::write_bytes(png, encode_png(with_alpha(test::gradient_rgb(30, 20)), IOParams{}, ".png"));
  for (const char* name : {"im.jp2", "im.j2k"}) {
    SCOPED_TRACE(name);
    test::imagemagick(q(png) + " -quality 100 " + q(dir / name));
    const Raster ours = decode(test::read_bytes(dir / name));
    EXPECT_TRUE(test::same_pixels(ours, test::imagemagick_decode(dir / name, true)));
  }
  test::imagemagick(q(png) + " -alpha off -quality 60 " + q(dir / "lossy.jp2"));
  EXPECT_TRUE(test::same_pixels(decode(test::read_bytes(dir / "lossy.jp2")),
                                test::imagemagick_decode(dir / "lossy.jp2")));
}

TEST(Jpeg2000Codec, ReadsOpenJpegToolFiles) {
  test::TempDir dir;
  const Raster source = test::gradient_rgb(48, 32);
  write_ppm(dir / "in.ppm", source);

  // Lossless by default.
  opj("opj_compress", "-i " + q(dir / "in.ppm") + " -o " + q(dir / "exact.j2k"));
  EXPECT_EQ(decode(test::read_bytes(dir / "exact.j2k")), source);

  // Lossy at 20:1, compared with what OpenJPEG's own tool decodes.
  opj("opj_compress", "-i " + q(dir / "in.ppm") + " -o " + q(dir / "lossy.jp2") + " -r 20");
  opj("opj_decompress", "-i " + q(dir / "lossy.jp2") + " -o " + q(dir / "lossy.ppm"));
  const Raster lossy = decode(test::read_bytes(dir / "lossy.jp2"));
  EXPECT_NE(lossy, source);
  EXPECT_TRUE(test::same_pixels(lossy, test::imagemagick_decode(dir / "lossy.ppm")));

  // With alpha, from a PNG.
  const Raster rgba = with_alpha(source);
  test::write_bytes(dir / "rgba.png", encode_png(rgba, IOParams{}, ".png"));
  opj("opj_compress", "-i " + q(dir / "rgba.png") + " -o " + q(dir / "rgba.jp2"));
  EXPECT_EQ(decode(test::read_bytes(dir / "rgba.jp2")), rgba);
}

TEST(Jpeg2000Codec, NarrowsSixteenBitSamplesWithRounding) {
  test::TempDir dir;
  const int width = 64, height = 32;
  std::string pgm = "P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n65535\n";
  std::vector<uint8_t> bytes(pgm.begin(), pgm.end());
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int v = (x * 1031 + y * 16411) % 65536;
      bytes.push_back(static_cast<uint8_t>(v >> 8)), bytes.push_back(static_cast<uint8_t>(v));
    }
  test::write_bytes(dir / "deep.pgm", bytes);
  opj("opj_compress", "-i " + q(dir / "deep.pgm") + " -o " + q(dir / "deep.j2k"));
  IOParams header;
  read_jpeg2000_header(test::read_bytes(dir / "deep.j2k"), header);
  EXPECT_EQ(header.bits_per_sample, 16);
  EXPECT_EQ(header.samples_per_pixel, 1);
  const Raster ours = decode(test::read_bytes(dir / "deep.j2k"));
  EXPECT_EQ(ours.format(), PixelFormat::Gray8);
  // ImageMagick narrows its 16-bit samples by another rounding.
  EXPECT_TRUE(test::same_pixels(ours, test::imagemagick_decode(dir / "deep.pgm"), 1));
  EXPECT_EQ(ours.row(0)[1], 4);     // 1031 / 257 = 4.01
  EXPECT_EQ(ours.row(0)[43], 173);  // 44333 / 257 = 172.50, rounded up
}

TEST(Jpeg2000Codec, ReplicatesSubsampledComponents) {
  test::TempDir dir;
  const int width = 16, height = 12;
  // Planar samples: one full-size component, two at half size in both directions.
  std::vector<uint8_t> raw;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) raw.push_back(static_cast<uint8_t>(x * 13 + y * 7));
  for (int c = 1; c <= 2; ++c)
    for (int y = 0; y < height / 2; ++y)
      for (int x = 0; x < width / 2; ++x)
        raw.push_back(static_cast<uint8_t>(c * 60 + x * 9 + y * 5));
  test::write_bytes(dir / "planes.raw", raw);
  const std::string layout = " -F 16,12,3,8,u@1x1:2x2:2x2 -n 2";

  // Both containers come out as OpenJPEG's tool shows them: YCbCr, the bare code stream's
  // because its chroma is subsampled, converted to RGB with the chroma replicated.
  for (const char* name : {"sub.j2k", "sub.jp2"}) {
    SCOPED_TRACE(name);
    const fs::path file = dir / name, reference = dir / (std::string(name) + ".ppm");
    opj("opj_compress", "-i " + q(dir / "planes.raw") + " -o " + q(file) + layout);
    opj("opj_decompress", "-i " + q(file) + " -o " + q(reference) + " -upsample");
    const Raster ours = decode(test::read_bytes(file));
    ASSERT_EQ(ours.width(), width);
    ASSERT_EQ(ours.height(), height);
    EXPECT_TRUE(test::same_pixels(ours, test::imagemagick_decode(reference)));
    // Each 2x2 block shares its chroma: its pixels differ only where luma does.
    const Rgb a = ours.pixel(4, 6), b = ours.pixel(5, 6);
    EXPECT_NE(a, b);
    EXPECT_EQ(a.r - b.r, a.b - b.b);
  }
}

// The components a code stream holds at one sampling make a picture; others at a spacing no
// multiple of the finest (a grey image beside a colour one) are not mixed into its channels.
TEST(Jpeg2000Codec, RegressionComponentsOfUnrelatedSizesAreNotMixedIntoChannels) {
  test::TempDir dir;
  std::vector<uint8_t> raw;
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x) raw.push_back(static_cast<uint8_t>(x * 20 + y));
  for (int c = 0; c < 3; ++c)
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 6; ++x) raw.push_back(static_cast<uint8_t>(200 - c * 50));
  test::write_bytes(dir / "planes.raw", raw);
  opj("opj_compress", "-i " + q(dir / "planes.raw") + " -o " + q(dir / "two.j2k") +
                          " -F 18,18,4,8,u@2x2:3x3:3x3:3x3 -n 2");
  IOParams header;
  read_jpeg2000_header(test::read_bytes(dir / "two.j2k"), header);
  EXPECT_EQ(header.samples_per_pixel, 1);
  const Raster ours = decode(test::read_bytes(dir / "two.j2k"));
  ASSERT_EQ(ours.format(), PixelFormat::Gray8);
  EXPECT_FALSE(ours.has_alpha());
  ASSERT_EQ(ours.width(), 9);
  ASSERT_EQ(ours.height(), 9);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x) ASSERT_EQ(ours.row(y)[x], raw[y * 9 + x]) << x << "," << y;
}

TEST(Jpeg2000Codec, OtherReadersSeeWhatWeWrote) {
  test::TempDir dir;
  const Raster rgba = with_alpha(test::gradient_rgb(30, 20));
  for (const char* name : {"ours.jp2", "ours.j2k"}) {
    SCOPED_TRACE(name);
    test::write_bytes(dir / name, encode(rgba, 100, fs::path(name).extension().string()));
    EXPECT_TRUE(test::same_pixels(rgba, test::imagemagick_decode(dir / name, true)));
  }
  test::write_bytes(dir / "grey.jp2", encode(grey_ramp(20, 10), 100, ".jp2"));
  opj("opj_decompress", "-i " + q(dir / "grey.jp2") + " -o " + q(dir / "grey.pgm"));
  EXPECT_TRUE(
      test::same_pixels(grey_ramp(20, 10).to_rgb24(), test::imagemagick_decode(dir / "grey.pgm")));
}

TEST(Jpeg2000Codec, TellsTheContainerBySignatureNotByName) {
  test::TempDir dir;
  const Raster source = test::gradient_rgb(12, 10);
  // A code stream saved under a .jp2 name, and a JP2 file under .j2c.
  test::write_bytes(dir / "stream.jp2", encode(source, 100, ".j2k"));
  test::write_bytes(dir / "file.j2c", encode(source, 100, ".jp2"));
  for (const char* name : {"stream.jp2", "file.j2c"}) {
    ImageDocument doc;
    ASSERT_TRUE(doc.load(dir / name)) << name;
    EXPECT_EQ(doc.raster, source) << name;
  }
  const std::vector<uint8_t> png = encode_png(source, IOParams{}, ".png");
  EXPECT_THROW(decode(png), ImageError);
  EXPECT_THROW(decode(std::span<const uint8_t>()), ImageError);
}

TEST(Jpeg2000Codec, HeaderAloneGivesTheSizeAndLargeImagesAreRefused) {
  const std::vector<uint8_t> bytes = encode(with_alpha(test::gradient_rgb(300, 200)), 100, ".jp2");
  IOParams header;
  read_jpeg2000_header(bytes, header);
  EXPECT_EQ(header.width, 300);
  EXPECT_EQ(header.height, 200);
  EXPECT_EQ(header.bits_per_sample, 8);
  EXPECT_EQ(header.samples_per_pixel, 4);

  const uint64_t limit = pixel_limit();
  set_pixel_limit(300 * 200 - 1);
  EXPECT_THROW(decode(bytes), ImageError);
  set_pixel_limit(limit);
  EXPECT_EQ(decode(bytes).width(), 300);
}

TEST(Jpeg2000Codec, SurvivesDamagedFiles) {
  for (const char* extension : {".jp2", ".j2k"}) {
    SCOPED_TRACE(extension);
    const std::vector<uint8_t> bytes =
        encode(with_alpha(test::gradient_rgb(24, 16)), 70, extension);
    const int tried =
        test::expect_reader_survives_damage(bytes, decode_jpeg2000, read_jpeg2000_header);
    EXPECT_GT(tried, 200);
  }
}

}  // namespace
}  // namespace lumatrix
