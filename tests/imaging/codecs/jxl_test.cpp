#include <gtest/gtest.h>

#include "base/image_error.h"
#include "imagemagick_reference.h"
#include "imaging/codecs/codecs.h"
#include "imaging/image_document.h"
#include "modern_formats_support.h"
#include "test_support.h"

namespace lumatrix {
namespace {

using test::quoted;
using test::run_tool;

Raster decode(std::span<const uint8_t> bytes, IOParams* params = nullptr) {
  IOParams p;
  Raster r = decode_jxl(bytes, p);
  if (params) *params = p;
  return r;
}

std::vector<uint8_t> encode(const Raster& raster, int quality, std::vector<uint8_t> exif = {}) {
  IOParams params;
  params.jpeg_quality = quality;
  params.exif = std::move(exif);
  return encode_jxl(raster, params, ".jxl");
}

TEST(JpegXlCodec, QualityHundredIsLosslessAndGreyStaysGrey) {
  const Raster cases[] = {test::gradient_rgb(33, 17),
                          test::with_ramp_alpha(test::gradient_rgb(40, 3)), test::grey_ramp(37, 21),
                          test::with_ramp_alpha(test::grey_ramp(16, 9)), test::gradient_rgb(1, 1)};
  for (const Raster& source : cases) {
    SCOPED_TRACE(std::to_string(source.width()) + (source.has_alpha() ? " alpha" : ""));
    IOParams params;
    EXPECT_EQ(decode(encode(source, 100), &params), source);
    EXPECT_EQ(params.width, source.width());
    EXPECT_EQ(params.samples_per_pixel,
              (source.format() == PixelFormat::Gray8 ? 1 : 3) + (source.has_alpha() ? 1 : 0));
  }
  // Palette pictures are stored as the colours they show.
  EXPECT_EQ(decode(encode(test::paletted(9, 5, 7), 100)), test::paletted(9, 5, 7).to_rgb24());
}

TEST(JpegXlCodec, LossyQualityTradesSizeForFidelity) {
  const Raster source = test::photo_like(128, 96);
  size_t last_size = 0;
  double last_psnr = 0;
  for (int quality : {20, 50, 80, 95}) {
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
}

TEST(JpegXlCodec, TheLibrarysOwnToolsAgreeBothWays) {
  test::TempDir dir;
  const Raster rgba = test::with_ramp_alpha(test::gradient_rgb(30, 20));
  test::write_bytes(dir / "ours.jxl", encode(rgba, 100));
  ASSERT_TRUE(run_tool("djxl", quoted(dir / "ours.jxl") + " " + quoted(dir / "ours.png")));
  EXPECT_TRUE(test::same_pixels(test::imagemagick_decode(dir / "ours.png", true), rgba));

  // cjxl writes bare code streams unless it has boxes to store.
  test::write_png(dir / "in.png", rgba);
  ASSERT_TRUE(run_tool("cjxl", "-d 0 " + quoted(dir / "in.png") + " " + quoted(dir / "exact.jxl")));
  EXPECT_EQ(decode(test::read_bytes(dir / "exact.jxl")), rgba);
  const Raster photo = test::photo_like(64, 48);
  test::write_png(dir / "photo.png", photo);
  ASSERT_TRUE(
      run_tool("cjxl", "-q 70 " + quoted(dir / "photo.png") + " " + quoted(dir / "lossy.jxl")));
  ASSERT_TRUE(run_tool("djxl", quoted(dir / "lossy.jxl") + " " + quoted(dir / "lossy.png")));
  const Raster ours = decode(test::read_bytes(dir / "lossy.jxl"));
  EXPECT_TRUE(test::same_pixels(ours, test::imagemagick_decode(dir / "lossy.png"), 1));
  EXPECT_GT(test::psnr(ours, photo), 28.0);
}

TEST(JpegXlCodec, ExifTravelsInItsBox) {
  test::TempDir dir;
  const Raster source = test::gradient_rgb(12, 8);
  IOParams params;
  EXPECT_EQ(decode(encode(source, 100, test::camera_exif()), &params), source);
  EXPECT_EQ(params.exif, test::camera_exif());
  EXPECT_EQ(params.dpi_x, 300);
  // Exiv2's tool reads the block in the file we wrote.
  test::write_bytes(dir / "exif.jxl", encode(source, 90, test::camera_exif()));
  const test::CommandResult r =
      test::run_shell("/usr/bin/exiv2 -q -K Exif.Image.Model -Pv " + quoted(dir / "exif.jxl"));
  EXPECT_EQ(r.output, "Model 7\n");
  // A block without a TIFF header is left out rather than failing the save.
  IOParams odd;
  decode(encode(source, 100, {1, 2, 3}), &odd);
  EXPECT_TRUE(odd.exif.empty());
}

TEST(JpegXlCodec, HeaderAloneGivesTheSizeAndLargeImagesAreRefused) {
  const std::vector<uint8_t> bytes =
      encode(test::with_ramp_alpha(test::gradient_rgb(300, 200)), 80);
  IOParams header;
  read_jxl_header(bytes, header);
  EXPECT_EQ(header.width, 300);
  EXPECT_EQ(header.height, 200);
  EXPECT_EQ(header.samples_per_pixel, 4);

  const uint64_t limit = pixel_limit();
  set_pixel_limit(300 * 200 - 1);
  EXPECT_NE(test::refusal_reason(decode_jxl, bytes).find("exceeds the limit"), std::string::npos);
  set_pixel_limit(limit);
  EXPECT_EQ(decode(bytes).width(), 300);
}

TEST(JpegXlCodec, SurvivesDamagedFiles) {
  for (int quality : {70, 100}) {
    SCOPED_TRACE(quality);
    const std::vector<uint8_t> bytes =
        encode(test::with_ramp_alpha(test::gradient_rgb(24, 16)), quality, test::camera_exif());
    EXPECT_GT(test::expect_reader_survives_damage(bytes, decode_jxl, read_jxl_header), 200);
  }
  EXPECT_NE(test::refusal_reason(decode_jxl, encode_png(test::gradient_rgb(4, 4), {}, ".png"))
                .find("not a JPEG XL file"),
            std::string::npos);
}

TEST(JpegXlCodec, DocumentsLoadAndSaveThroughTheRow) {
  test::TempDir dir;
  ImageDocument doc;
  doc.raster = test::grey_ramp(10, 6);
  doc.reset_info();
  doc.params.jpeg_quality = 100;
  ASSERT_TRUE(doc.save(dir / "photo.JXL"));
  ImageDocument back;
  ASSERT_TRUE(back.load(dir / "photo.JXL"));
  EXPECT_EQ(back.raster, doc.raster);
}

}  // namespace
}  // namespace lumatrix
