#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "base/image_error.h"
#include "imaging/codecs/codecs.h"
#include "imaging/image_document.h"
#include "imaging/metadata.h"
#include "test_support.h"

namespace lumatrix {
namespace {

// Smooth colours, so that what JPEG loses stays small and measurable.
Raster smooth_rgb(int width, int height) {
  Raster r(width, height, PixelFormat::Rgb24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      r.set_pixel(x, y,
                  Rgb{static_cast<uint8_t>(x * 255 / (width - 1)),
                      static_cast<uint8_t>(y * 255 / (height - 1)),
                      static_cast<uint8_t>(128 + (x - y) / 2)});
  return r;
}

double mean_abs_error(const Raster& a, const Raster& b) {
  EXPECT_EQ(a.width(), b.width());
  EXPECT_EQ(a.height(), b.height());
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const Rgb p = a.pixel(x, y), q = b.pixel(x, y);
      sum += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b);
    }
  return sum / (3.0 * a.width() * a.height());
}

Raster round_trip(const Raster& raster, const IOParams& params, IOParams& read) {
  return decode_jpeg(encode_jpeg(raster, params, ".jpg"), read);
}

bool has_marker(const std::vector<uint8_t>& bytes, uint8_t marker) {
  for (size_t i = 0; i + 1 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == marker) return true;
  return false;
}

void write_ppm(const std::filesystem::path& path, const Raster& rgb) {
  const std::string header =
      "P6\n" + std::to_string(rgb.width()) + " " + std::to_string(rgb.height()) + "\n255\n";
  std::vector<uint8_t> bytes(header.begin(), header.end());
  bytes.insert(bytes.end(), rgb.bytes().begin(), rgb.bytes().end());
  test::write_bytes(path, bytes);
}

// ImageMagick's own reading of a file, as raw 8-bit RGB.
std::vector<uint8_t> magick_rgb(const test::TempDir& dir, const std::filesystem::path& file) {
  const auto raw = dir / "magick.rgb";
  const auto r = test::run_shell("/usr/bin/convert " + test::shell_quote(file.string()) +
                                 " -colorspace sRGB -depth 8 rgb:" + test::shell_quote(raw));
  EXPECT_EQ(r.status, 0) << r.output;
  return test::read_bytes(raw);
}

int max_channel_difference(const Raster& raster, const std::vector<uint8_t>& rgb) {
  EXPECT_EQ(rgb.size(), static_cast<size_t>(raster.width()) * raster.height() * 3);
  if (rgb.size() != static_cast<size_t>(raster.width()) * raster.height() * 3) return 999;
  int worst = 0;
  for (int y = 0; y < raster.height(); ++y)
    for (int x = 0; x < raster.width(); ++x) {
      const Rgb p = raster.pixel(x, y);
      const uint8_t* q = rgb.data() + 3 * (static_cast<size_t>(y) * raster.width() + x);
      worst = std::max({worst, std::abs(p.r - q[0]), std::abs(p.g - q[1]), std::abs(p.b - q[2])});
    }
  return worst;
}

TEST(JpegCodec, BaselineRoundTripIsCloseAndReportsTheFile) {
  const Raster source = smooth_rgb(64, 48);
  IOParams params, read;
  params.jpeg_quality = 90;
  const Raster decoded = round_trip(source, params, read);
  ASSERT_EQ(decoded.format(), PixelFormat::Rgb24);
  EXPECT_LT(mean_abs_error(source, decoded), 2.0);
  EXPECT_EQ(read.width, 64);
  EXPECT_EQ(read.height, 48);
  EXPECT_EQ(read.bits_per_sample, 8);
  EXPECT_EQ(read.samples_per_pixel, 3);
  EXPECT_FALSE(read.jpeg_progressive);
  EXPECT_EQ(read.jpeg_color_space, JpegColorSpace::YCbCr);
  EXPECT_TRUE(read.exif.empty());
  EXPECT_TRUE(read.iptc.empty());
}

TEST(JpegCodec, ProgressiveWithOptimalHuffmanReadsBackAsProgressive) {
  const Raster source = smooth_rgb(80, 40);
  IOParams params, read;
  params.jpeg_progressive = true;
  params.jpeg_optimal_huffman = true;
  const std::vector<uint8_t> bytes = encode_jpeg(source, params, ".jpg");
  EXPECT_TRUE(has_marker(bytes, 0xC2));  // SOF2: progressive DCT
  const Raster decoded = decode_jpeg(bytes, read);
  EXPECT_TRUE(read.jpeg_progressive);
  EXPECT_LT(mean_abs_error(source, decoded), 3.0);

  // Optimal tables alone keep the pixels and shrink the file.
  IOParams plain, optimal;
  optimal.jpeg_optimal_huffman = true;
  const auto plain_bytes = encode_jpeg(source, plain, ".jpg");
  const auto optimal_bytes = encode_jpeg(source, optimal, ".jpg");
  EXPECT_LT(optimal_bytes.size(), plain_bytes.size());
  EXPECT_EQ(decode_jpeg(plain_bytes, read), decode_jpeg(optimal_bytes, read));
}

TEST(JpegCodec, QualityAndSmoothingChangeTheOutput) {
  const Raster source = test::gradient_rgb(64, 64);
  IOParams high, low, smooth, read;
  high.jpeg_quality = 95;
  low.jpeg_quality = 10;
  smooth.jpeg_smoothing = 60;
  const auto high_bytes = encode_jpeg(source, high, ".jpg");
  const auto low_bytes = encode_jpeg(source, low, ".jpg");
  EXPECT_GT(high_bytes.size(), 2 * low_bytes.size());
  const double high_error = mean_abs_error(source, decode_jpeg(high_bytes, read));
  const double low_error = mean_abs_error(source, decode_jpeg(low_bytes, read));
  EXPECT_LT(high_error, low_error);
  EXPECT_NE(encode_jpeg(source, smooth, ".jpg"), encode_jpeg(source, IOParams{}, ".jpg"));
}

TEST(JpegCodec, GreyImagesStayGreyAndGreyColourSpaceDropsColour) {
  Raster grey(40, 30, PixelFormat::Gray8);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) grey.row(y)[x] = static_cast<uint8_t>(x * 6);
  IOParams params, read;
  Raster decoded = round_trip(grey, params, read);
  EXPECT_EQ(decoded.format(), PixelFormat::Gray8);
  EXPECT_EQ(read.samples_per_pixel, 1);
  EXPECT_EQ(read.jpeg_color_space, JpegColorSpace::Gray);
  EXPECT_LT(mean_abs_error(grey, decoded), 1.5);

  params.jpeg_color_space = JpegColorSpace::Gray;
  decoded = round_trip(smooth_rgb(40, 30), params, read);
  EXPECT_EQ(decoded.format(), PixelFormat::Gray8);
}

TEST(JpegCodec, EveryColourSpaceRoundTripsApproximately) {
  const Raster source = smooth_rgb(48, 32);
  for (JpegColorSpace space :
       {JpegColorSpace::RGB, JpegColorSpace::YCbCr, JpegColorSpace::CMYK, JpegColorSpace::YCbCrK}) {
    SCOPED_TRACE(static_cast<int>(space));
    IOParams params, read;
    params.jpeg_color_space = space;
    params.jpeg_quality = 95;
    const Raster decoded = round_trip(source, params, read);
    EXPECT_EQ(read.jpeg_color_space, space);
    ASSERT_EQ(decoded.format(), PixelFormat::Rgb24);
    EXPECT_LT(mean_abs_error(source, decoded), 2.5);
  }
  // Grey in a colour model that needs colour channels is written as colour.
  Raster grey(16, 16, PixelFormat::Gray8);
  IOParams cmyk, read;
  cmyk.jpeg_color_space = JpegColorSpace::CMYK;
  EXPECT_EQ(round_trip(grey, cmyk, read).format(), PixelFormat::Rgb24);
  EXPECT_EQ(read.jpeg_color_space, JpegColorSpace::CMYK);
}

TEST(JpegCodec, PaletteAndBilevelRastersAreWrittenAsColourWithoutAlpha) {
  Raster palette(32, 16, PixelFormat::Palette8);
  palette.palette = {{200, 30, 30}, {30, 30, 200}};
  for (int y = 0; y < 16; ++y)
    for (int x = 16; x < 32; ++x) palette.row(y)[x] = 1;
  palette.add_alpha();
  IOParams params, read;
  params.jpeg_quality = 95;
  const Raster decoded = round_trip(palette, params, read);
  EXPECT_EQ(decoded.format(), PixelFormat::Rgb24);
  EXPECT_FALSE(decoded.has_alpha());
  EXPECT_LT(mean_abs_error(palette.to_rgb24(), decoded), 4.0);

  const Raster bits(20, 10, PixelFormat::Bit1);
  EXPECT_LT(mean_abs_error(bits, round_trip(bits, params, read)), 1.0);
}

TEST(JpegCodec, ResolutionComesFromJfifOrElseFromExif) {
  IOParams params, read;
  params.dpi_x = 300;
  params.dpi_y = 150;
  round_trip(smooth_rgb(16, 16), params, read);
  EXPECT_EQ(read.dpi_x, 300);
  EXPECT_EQ(read.dpi_y, 150);

  // RGB files carry no JFIF segment; an EXIF resolution (here from the independent tool) wins.
  test::TempDir dir;
  const auto file = dir / "exif.jpg";
  ASSERT_EQ(
      test::run_shell("/usr/bin/convert -size 16x16 xc:gray " + test::shell_quote(file.string()) +
                      " && exiv2 " + "-M'set Exif.Image.XResolution 720/1' " +
                      "-M'set Exif.Image.YResolution 254/1' " +
                      "-M'set Exif.Image.ResolutionUnit 3' " + test::shell_quote(file.string()))
          .status,
      0);
  IOParams with_exif;
  decode_jpeg(test::read_bytes(file), with_exif);
  ASSERT_FALSE(with_exif.exif.empty());
  with_exif.jpeg_color_space = JpegColorSpace::RGB;
  with_exif.dpi_x = with_exif.dpi_y = 72;
  round_trip(smooth_rgb(16, 16), with_exif, read);
  EXPECT_EQ(read.dpi_x, 1829);  // 720 per centimetre
  EXPECT_EQ(read.dpi_y, 645);
}

TEST(JpegCodec, CorruptExifIsKeptRawButIgnored) {
  IOParams params, read;
  params.jpeg_color_space = JpegColorSpace::RGB;
  params.exif = {'M', 'M', 0, 42, 0xFF, 0xFF, 0xFF, 0xF0, 1, 2, 3};
  EXPECT_NO_THROW(round_trip(smooth_rgb(16, 16), params, read));
  EXPECT_EQ(read.exif, params.exif);
  EXPECT_EQ(read.dpi_x, kDisplayDpi);
}

class JpegMetadata : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = dir_ / "tagged.jpg";
    const auto r = test::run_shell(
        "/usr/bin/convert -size 40x30 gradient:red-blue " + test::shell_quote(file_.string()) +
        " && exiv2 -M'set Exif.Image.Make Lumacam' -M'set Exif.Image.Model X1'"
        " -M'set Exif.Image.XResolution 300/1' -M'set Exif.Image.YResolution 300/1'"
        " -M'set Exif.Image.ResolutionUnit 2'"
        " -M'add Iptc.Application2.Keywords one' -M'add Iptc.Application2.Keywords two'"
        " -M'set Iptc.Application2.Caption hello world' -M'set Iptc.Envelope.ModelVersion 4' " +
        test::shell_quote(file_.string()));
    ASSERT_EQ(r.status, 0) << r.output;
  }

  // What the independent tool wrote, in its file order.
  const std::vector<IptcRecord> expected_ = {
      {1, 0, std::string("\0\4", 2)}, {2, 25, "one"}, {2, 25, "two"}, {2, 120, "hello world"}};
  test::TempDir dir_;
  std::filesystem::path file_;
};

TEST_F(JpegMetadata, ExifAndIptcFromAnotherToolAreRead) {
  IOParams params;
  decode_jpeg(test::read_bytes(file_), params);
  EXPECT_EQ(params.iptc, expected_);
  const ExifSummary summary = exif_summary(params.exif);
  EXPECT_TRUE(summary.readable);
  EXPECT_EQ(summary.make, "Lumacam");
  EXPECT_EQ(summary.model, "X1");
  EXPECT_EQ(params.dpi_x, 300);  // the JFIF segment states no unit
}

TEST_F(JpegMetadata, SavingWritesTheBlocksBackForUsAndForTheOtherTool) {
  ImageDocument doc;
  ASSERT_TRUE(doc.load(file_));
  doc.params.iptc.push_back({2, 5, "Title"});
  const auto out = dir_ / "again.jpg";
  ASSERT_TRUE(doc.save(out));

  ImageDocument again;
  ASSERT_TRUE(again.load(out));
  EXPECT_EQ(again.params.iptc, doc.params.iptc);
  EXPECT_EQ(again.params.exif, doc.params.exif);

  const auto listed = test::run_shell("exiv2 -pa " + test::shell_quote(out.string()));
  EXPECT_NE(listed.output.find("Lumacam"), std::string::npos) << listed.output;
  EXPECT_NE(listed.output.find("hello world"), std::string::npos) << listed.output;
  EXPECT_NE(listed.output.find("Iptc.Application2.ObjectName"), std::string::npos);
}

TEST_F(JpegMetadata, LargeIptcIsSplitOverSegmentsAndJoinedOnRead) {
  IOParams params, read;
  params.iptc = {{2, 120, std::string(70000, 'x')}, {2, 25, "after"}};
  round_trip(smooth_rgb(16, 16), params, read);
  EXPECT_EQ(read.iptc, params.iptc);
}

TEST(JpegCodec, HeaderReadsWithoutPixelsAndTruncationIsAnError) {
  IOParams params;
  params.jpeg_progressive = true;
  params.dpi_x = params.dpi_y = 200;
  const std::vector<uint8_t> bytes = encode_jpeg(test::gradient_rgb(120, 90), params, ".jpg");
  const std::span<const uint8_t> half = std::span(bytes).first(bytes.size() / 2);

  IOParams header;
  read_jpeg_header(half, header);
  EXPECT_EQ(header.width, 120);
  EXPECT_EQ(header.height, 90);
  EXPECT_EQ(header.dpi_x, 200);
  EXPECT_TRUE(header.jpeg_progressive);
  EXPECT_EQ(header.samples_per_pixel, 3);

  IOParams read;
  EXPECT_THROW(decode_jpeg(half, read), ImageError);
  EXPECT_THROW(decode_jpeg(std::span(bytes).first(bytes.size() - 2), read), ImageError);
  EXPECT_THROW(decode_jpeg({}, read), ImageError);
  try {
    decode_jpeg(half, read);
  } catch (const ImageError& e) {
    EXPECT_NE(std::string(e.what()).find("Premature end"), std::string::npos) << e.what();
  }
}

TEST(JpegCodec, RefusesImagesAboveThePixelLimitBeforeDecoding) {
  const auto bytes = encode_jpeg(smooth_rgb(64, 64), IOParams{}, ".jpg");
  const uint64_t old = pixel_limit();
  set_pixel_limit(64 * 63);
  IOParams read;
  EXPECT_THROW(decode_jpeg(bytes, read), ImageError);
  set_pixel_limit(old);
}

TEST(JpegCodec, DecodesLikeImageMagick) {
  test::TempDir dir;
  write_ppm(dir / "source.ppm", test::gradient_rgb(67, 45));
  const struct {
    const char* name;
    const char* options;
  } cases[] = {{"baseline.jpg", "-quality 85"},
               {"progressive.jpg", "-interlace Plane"},
               {"grey.jpg", "-colorspace Gray"},
               {"cmyk.jpg", "-colorspace CMYK"},
               {"subsampled.jpg", "-sampling-factor 2x2 -quality 70"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto file = dir / c.name;
    const auto r = test::run_shell("/usr/bin/convert " + test::shell_quote(dir / "source.ppm") +
                                   " " + c.options + " " + test::shell_quote(file.string()));
    ASSERT_EQ(r.status, 0) << r.output;
    IOParams params;
    const Raster ours = decode_jpeg(test::read_bytes(file), params);
    EXPECT_LE(max_channel_difference(ours, magick_rgb(dir, file)), 2);
  }
}

TEST(JpegCodec, SurvivesDamagedInput) {
  IOParams params;
  params.exif = {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0};
  params.iptc = {{2, 120, "caption"}};
  const auto bytes = encode_jpeg(test::gradient_rgb(24, 16), params, ".jpg");
  const int tried = test::expect_reader_survives_damage(bytes, decode_jpeg, read_jpeg_header);
  EXPECT_GT(tried, 100);
}

}  // namespace
}  // namespace lumatrix
