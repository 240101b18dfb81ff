#include <gtest/gtest.h>

#include "base/image_error.h"
#include "imagemagick_reference.h"
#include "imaging/codecs/codecs.h"
#include "imaging/image_document.h"
#include "modern_formats_support.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;
using test::quoted;
using test::run_tool;

Raster decode(std::span<const uint8_t> bytes, IOParams* params = nullptr) {
  IOParams p;
  Raster r = decode_webp(bytes, p);
  if (params) *params = p;
  return r;
}

std::vector<uint8_t> encode(const Raster& raster, int quality, std::vector<uint8_t> exif = {}) {
  IOParams params;
  params.jpeg_quality = quality;
  params.exif = std::move(exif);
  return encode_webp(raster, params, ".webp");
}

TEST(WebPCodec, QualityHundredIsLosslessEvenUnderTransparentPixels) {
  Raster clear = test::gradient_rgb(19, 7);
  clear.add_alpha();  // fully transparent, colours still there
  std::fill(clear.alpha_row(0), clear.alpha_row(0) + 19 * 7, uint8_t{0});
  const Raster cases[] = {test::gradient_rgb(33, 17),
                          test::with_ramp_alpha(test::gradient_rgb(40, 3)),
                          test::gradient_rgb(1, 1), clear};
  for (const Raster& source : cases) {
    SCOPED_TRACE(std::to_string(source.width()) + (source.has_alpha() ? " alpha" : ""));
    IOParams params;
    EXPECT_EQ(decode(encode(source, 100), &params), source);
    EXPECT_EQ(params.samples_per_pixel, source.has_alpha() ? 4 : 3);
  }
  // Grey and palette pictures are stored as the colours they show.
  EXPECT_EQ(decode(encode(test::grey_ramp(20, 9), 100)), test::grey_ramp(20, 9).to_rgb24());
  EXPECT_EQ(decode(encode(test::paletted(9, 5, 7), 100)), test::paletted(9, 5, 7).to_rgb24());
}

TEST(WebPCodec, LossyQualityTradesSizeForFidelityAndKeepsAlpha) {
  const Raster source = test::photo_like(128, 96);
  size_t last_size = 0;
  double last_psnr = 0;
  for (int quality : {10, 50, 80, 95}) {
    SCOPED_TRACE(quality);
    const std::vector<uint8_t> bytes = encode(source, quality);
    const double fidelity = test::psnr(decode(bytes), source);
    EXPECT_GT(bytes.size(), last_size);
    EXPECT_GT(fidelity, last_psnr);
    if (quality == 80) {
      EXPECT_GT(fidelity, 30.0);
    }
    last_size = bytes.size();
    last_psnr = fidelity;
  }
  const Raster with_alpha = test::with_ramp_alpha(source);
  const Raster back = decode(encode(with_alpha, 80));
  ASSERT_TRUE(back.has_alpha());
  Raster colours = back;
  colours.drop_alpha();
  EXPECT_GT(test::psnr(colours, source), 30.0);
  for (int y = 0; y < source.height(); ++y)
    ASSERT_TRUE(
        std::equal(back.alpha_row(y), back.alpha_row(y) + source.width(), with_alpha.alpha_row(y)))
        << "row " << y;
}

TEST(WebPCodec, TheLibrarysOwnToolsAgreeBothWays) {
  test::TempDir dir;
  const Raster rgba = test::with_ramp_alpha(test::gradient_rgb(30, 20));
  // Ours, decoded by dwebp.
  test::write_bytes(dir / "exact.webp", encode(rgba, 100));
  test::write_bytes(dir / "lossy.webp", encode(test::photo_like(64, 48), 60));
  ASSERT_TRUE(
      run_tool("dwebp", quoted(dir / "exact.webp") + " -pam -o " + quoted(dir / "exact.pam")));
  EXPECT_TRUE(test::same_pixels(test::imagemagick_decode(dir / "exact.pam", true), rgba));
  ASSERT_TRUE(
      run_tool("dwebp", quoted(dir / "lossy.webp") + " -ppm -o " + quoted(dir / "lossy.ppm")));
  EXPECT_TRUE(test::same_pixels(decode(test::read_bytes(dir / "lossy.webp")),
                                test::imagemagick_decode(dir / "lossy.ppm")));

  // cwebp's, decoded by us.
  test::write_png(dir / "in.png", rgba);
  ASSERT_TRUE(run_tool("cwebp", "-quiet -lossless -exact " + quoted(dir / "in.png") + " -o " +
                                    quoted(dir / "cwebp.webp")));
  EXPECT_EQ(decode(test::read_bytes(dir / "cwebp.webp")), rgba);
  ASSERT_TRUE(run_tool("cwebp", "-quiet -q 70 " + quoted(dir / "in.png") + " -o " +
                                    quoted(dir / "cwebp-lossy.webp")));
  ASSERT_TRUE(run_tool(
      "dwebp", quoted(dir / "cwebp-lossy.webp") + " -pam -o " + quoted(dir / "cwebp-lossy.pam")));
  EXPECT_TRUE(test::same_pixels(decode(test::read_bytes(dir / "cwebp-lossy.webp")),
                                test::imagemagick_decode(dir / "cwebp-lossy.pam", true)));
}

TEST(WebPCodec, ExifTravelsInItsChunkAndGivesTheResolution) {
  test::TempDir dir;
  const std::vector<uint8_t> exif = test::camera_exif(6);
  const Raster source = test::gradient_rgb(12, 8);
  const std::vector<uint8_t> bytes = encode(source, 100, exif);
  IOParams params;
  EXPECT_EQ(decode(bytes, &params), source);
  EXPECT_EQ(params.exif, exif);
  EXPECT_EQ(params.dpi_x, 300);
  EXPECT_EQ(params.dpi_y, 300);
  // The container's own tool finds the same block.
  test::write_bytes(dir / "exif.webp", bytes);
  ASSERT_TRUE(run_tool(
      "webpmux", "-get exif " + quoted(dir / "exif.webp") + " -o " + quoted(dir / "exif.bin")));
  EXPECT_EQ(test::read_bytes(dir / "exif.bin"), exif);
  // Without a block there is no chunk.
  IOParams none;
  decode(encode(source, 100), &none);
  EXPECT_TRUE(none.exif.empty());
  EXPECT_EQ(none.dpi_x, kDisplayDpi);
}

TEST(WebPCodec, OfAnAnimationTheFirstFrameOnItsCanvas) {
  test::TempDir dir;
  // Two frames: a red 9x7 one at (2,1) on a 12x10 canvas, then a blue one.
  test::imagemagick("-size 9x7 xc:red xc:blue -page 12x10+2+1 " + quoted(dir / "frames.gif"));
  ASSERT_TRUE(run_tool("gif2webp", "-quiet -lossy " + quoted(dir / "frames.gif") + " -o " +
                                       quoted(dir / "frames.webp")));
  const Raster first = decode(test::read_bytes(dir / "frames.webp"));
  ASSERT_EQ(first.width(), 12);
  ASSERT_EQ(first.height(), 10);
  const Rgb inside = first.pixel(5, 4);
  EXPECT_GT(inside.r, 200);
  EXPECT_LT(inside.b, 60);
  // Outside the frame the canvas is transparent.
  ASSERT_TRUE(first.has_alpha());
  EXPECT_EQ(first.alpha_row(0)[0], 0);
  EXPECT_EQ(first.alpha_row(4)[5], 255);
}

TEST(WebPCodec, HeaderAloneGivesTheSizeAndLargeImagesAreRefused) {
  const std::vector<uint8_t> bytes =
      encode(test::with_ramp_alpha(test::gradient_rgb(300, 200)), 90);
  IOParams header;
  read_webp_header(bytes, header);
  EXPECT_EQ(header.width, 300);
  EXPECT_EQ(header.height, 200);
  EXPECT_EQ(header.samples_per_pixel, 4);

  const uint64_t limit = pixel_limit();
  set_pixel_limit(300 * 200 - 1);
  EXPECT_NE(test::refusal_reason(decode_webp, bytes).find("exceeds the limit"), std::string::npos);
  set_pixel_limit(limit);
  EXPECT_EQ(decode(bytes).width(), 300);

  // Pictures WebP cannot hold are refused with the reason, not written half.
  EXPECT_NE(test::error_of([] {
              encode(Raster(16384, 1, PixelFormat::Rgb24), 80);
            }).find("at most 16383"),
            std::string::npos);
}

TEST(WebPCodec, SurvivesDamagedFiles) {
  const Raster source = test::with_ramp_alpha(test::gradient_rgb(24, 16));
  for (int quality : {70, 100}) {
    SCOPED_TRACE(quality);
    const int tried = test::expect_reader_survives_damage(
        encode(source, quality, test::camera_exif()), decode_webp, read_webp_header);
    EXPECT_GT(tried, 200);
  }
  // Other RIFF files are not WebP.
  std::vector<uint8_t> wave = encode(source, 100);
  std::copy_n("WAVE", 4, wave.begin() + 8);
  EXPECT_FALSE(sniff_webp(wave));
  EXPECT_NE(test::refusal_reason(decode_webp, wave).find("not a WebP file"), std::string::npos);
}

TEST(WebPCodec, DocumentsLoadAndSaveThroughTheRow) {
  test::TempDir dir;
  ImageDocument doc;
  doc.raster = test::gradient_rgb(10, 6);
  doc.reset_info();
  doc.params.jpeg_quality = 100;
  ASSERT_TRUE(doc.save(dir / "photo.WEBP"));
  ImageDocument back;
  ASSERT_TRUE(back.load(dir / "photo.WEBP"));
  EXPECT_EQ(back.raster, doc.raster);
  EXPECT_EQ(back.params.file_type, FileType::Other);
}

}  // namespace
}  // namespace lumatrix
