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
  Raster r = decode_heif(bytes, p);
  if (params) *params = p;
  return r;
}

std::vector<uint8_t> encode(const Raster& raster, int quality, std::string_view extension,
                            std::vector<uint8_t> exif = {}) {
  IOParams params;
  params.jpeg_quality = quality;
  params.exif = std::move(exif);
  return encode_heif(raster, params, extension);
}

// The codings Debian's libheif writes: AV1 through aom, HEVC through x265.
class HeifCodec : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (!heif_writes(extension())) GTEST_SKIP() << "libheif has no encoder for " << extension();
  }
  std::string extension() const { return GetParam(); }
};

TEST_P(HeifCodec, QualityHundredIsLossless) {
  const Raster cases[] = {test::gradient_rgb(33, 17),
                          test::with_ramp_alpha(test::gradient_rgb(40, 6)),
                          test::photo_like(64, 48)};
  for (const Raster& source : cases) {
    SCOPED_TRACE(std::to_string(source.width()) + (source.has_alpha() ? " alpha" : ""));
    IOParams params;
    EXPECT_TRUE(test::same_pixels(decode(encode(source, 100, extension()), &params), source));
    EXPECT_EQ(params.width, source.width());
    EXPECT_EQ(params.height, source.height());
    EXPECT_EQ(params.samples_per_pixel, source.has_alpha() ? 4 : 3);
  }
  // Grey pictures are stored as the colours they show.
  EXPECT_EQ(decode(encode(test::grey_ramp(20, 10), 100, extension())),
            test::grey_ramp(20, 10).to_rgb24());
}

TEST_P(HeifCodec, LossyQualityTradesSizeForFidelity) {
  const Raster source = test::photo_like(128, 96);
  size_t last_size = 0;
  double last_psnr = 0;
  for (int quality : {20, 50, 80}) {
    SCOPED_TRACE(quality);
    const std::vector<uint8_t> bytes = encode(source, quality, extension());
    const double fidelity = test::psnr(decode(bytes), source);
    EXPECT_GT(bytes.size(), last_size);
    EXPECT_GT(fidelity, last_psnr);
    if (quality == 80) {
      EXPECT_GT(fidelity, 30.0);
    }
    last_size = bytes.size();
    last_psnr = fidelity;
  }
  EXPECT_LT(last_size, encode(source, 100, extension()).size());
  // Odd sizes: the chroma planes are rounded up.
  const Raster odd = test::photo_like(23, 17);
  EXPECT_GT(test::psnr(decode(encode(odd, 60, extension())), odd), 25.0);
}

TEST_P(HeifCodec, ExifIsKeptAndItsTurnIsLeftToTheContainer) {
  const Raster source = test::gradient_rgb(16, 8);
  IOParams params;
  EXPECT_EQ(decode(encode(source, 100, extension(), test::camera_exif(1)), &params), source);
  EXPECT_EQ(params.exif, test::camera_exif(1));
  EXPECT_EQ(params.dpi_x, 300);
  // HEIF readers turn the picture by the container's own transformations; a tag that asks for a
  // turn as well would turn it twice, so it reads upright.
  decode(encode(source, 100, extension(), test::camera_exif(6)), &params);
  EXPECT_EQ(test::exif_orientation(params.exif), 1);
  EXPECT_EQ(params.exif.size(), test::camera_exif(6).size());
  // A block without a TIFF header is left out rather than failing the save.
  IOParams odd;
  decode(encode(source, 100, extension(), {1, 2, 3}), &odd);
  EXPECT_TRUE(odd.exif.empty());
  // Regression: the header alone said there was no EXIF, so `info` reported none.
  IOParams header;
  read_heif_header(encode(source, 100, extension(), test::camera_exif(1)), header);
  EXPECT_EQ(header.exif, test::camera_exif(1));
}

TEST_P(HeifCodec, SignatureAndHeaderAndTheLimit) {
  const std::vector<uint8_t> bytes =
      encode(test::with_ramp_alpha(test::gradient_rgb(300, 200)), 60, extension());
  EXPECT_EQ(sniff_avif(bytes), extension() == ".avif");
  EXPECT_EQ(sniff_heic(bytes), extension() == ".heic");
  IOParams header;
  read_heif_header(bytes, header);
  EXPECT_EQ(header.width, 300);
  EXPECT_EQ(header.height, 200);
  EXPECT_EQ(header.samples_per_pixel, 4);

  const uint64_t limit = pixel_limit();
  set_pixel_limit(300 * 200 - 1);
  EXPECT_NE(test::refusal_reason(decode_heif, bytes).find("exceeds the limit"), std::string::npos);
  set_pixel_limit(limit);
  EXPECT_EQ(decode(bytes).width(), 300);
}

TEST_P(HeifCodec, SurvivesDamagedFiles) {
  const std::vector<uint8_t> bytes = encode(test::with_ramp_alpha(test::gradient_rgb(24, 16)), 70,
                                            extension(), test::camera_exif());
  EXPECT_GT(test::expect_reader_survives_damage(bytes, decode_heif, read_heif_header), 200);
}

INSTANTIATE_TEST_SUITE_P(Codings, HeifCodec, ::testing::Values(".avif", ".heic"),
                         [](const auto& info) { return std::string(info.param + 1); });

TEST(HeifTools, AvifAgreesWithLibavifBothWays) {
  if (!heif_writes(".avif")) GTEST_SKIP() << "libheif has no AV1 encoder";
  test::TempDir dir;
  const Raster rgba = test::with_ramp_alpha(test::gradient_rgb(30, 20));
  test::write_bytes(dir / "ours.avif", encode(rgba, 100, ".avif"));
  ASSERT_TRUE(run_tool("avifdec", quoted(dir / "ours.avif") + " " + quoted(dir / "ours.png")));
  EXPECT_TRUE(test::same_pixels(test::imagemagick_decode(dir / "ours.png", true), rgba));

  test::write_png(dir / "in.png", rgba);
  ASSERT_TRUE(
      run_tool("avifenc", "-l " + quoted(dir / "in.png") + " " + quoted(dir / "exact.avif")));
  EXPECT_EQ(decode(test::read_bytes(dir / "exact.avif")), rgba);
  ASSERT_TRUE(run_tool(
      "avifenc", "--min 20 --max 30 " + quoted(dir / "in.png") + " " + quoted(dir / "lossy.avif")));
  ASSERT_TRUE(run_tool("avifdec", quoted(dir / "lossy.avif") + " " + quoted(dir / "lossy.png")));
  // Two AV1 decoders and two YUV conversions: within a step.
  EXPECT_TRUE(test::same_pixels(decode(test::read_bytes(dir / "lossy.avif")),
                                test::imagemagick_decode(dir / "lossy.png", true), 2));
}

TEST(HeifTools, HeicAgreesWithLibheifsOwnTools) {
  if (!heif_writes(".heic")) GTEST_SKIP() << "libheif has no HEVC encoder";
  test::TempDir dir;
  const Raster source = test::photo_like(48, 32);
  test::write_bytes(dir / "ours.heic", encode(source, 100, ".heic"));
  ASSERT_TRUE(run_tool("heif-convert", quoted(dir / "ours.heic") + " " + quoted(dir / "ours.png")));
  EXPECT_TRUE(test::same_pixels(test::imagemagick_decode(dir / "ours.png"), source));

  test::write_png(dir / "in.png", source);
  ASSERT_TRUE(run_tool("heif-enc",
                       "-q 60 " + quoted(dir / "in.png") + " -o " + quoted(dir / "theirs.heic")));
  ASSERT_TRUE(
      run_tool("heif-convert", quoted(dir / "theirs.heic") + " " + quoted(dir / "theirs.png")));
  const Raster ours = decode(test::read_bytes(dir / "theirs.heic"));
  EXPECT_TRUE(test::same_pixels(ours, test::imagemagick_decode(dir / "theirs.png")));
  EXPECT_GT(test::psnr(ours, source), 30.0);
}

TEST(HeifCodec, HeicAndAvifFilesAreToldApartByTheirBrands) {
  auto ftyp = [](const char* major, std::vector<const char*> compatible) {
    std::vector<uint8_t> box = {0, 0, 0, static_cast<uint8_t>(16 + 4 * compatible.size())};
    for (const char* text : {"ftyp", major, "\0\0\0\0"}) box.insert(box.end(), text, text + 4);
    for (const char* brand : compatible) box.insert(box.end(), brand, brand + 4);
    return box;
  };
  EXPECT_TRUE(sniff_heic(ftyp("heic", {"mif1", "heic"})));
  EXPECT_FALSE(sniff_avif(ftyp("heic", {"mif1", "heic"})));
  EXPECT_TRUE(sniff_avif(ftyp("mif1", {"avif", "miaf"})));
  EXPECT_FALSE(sniff_heic(ftyp("mif1", {"avif", "miaf"})));
  // Other ISO media files are neither.
  EXPECT_FALSE(sniff_heic(ftyp("isom", {"mp41"})));
  EXPECT_FALSE(sniff_avif(ftyp("isom", {"mp41"})));
  EXPECT_NE(test::refusal_reason(decode_heif, ftyp("isom", {"mp41"})), "decoded");
  EXPECT_NE(test::refusal_reason(decode_heif, encode_png(test::gradient_rgb(4, 4), {}, ".png"))
                .find("not a HEIF file"),
            std::string::npos);
}

TEST(HeifCodec, DocumentsSaveUnderEitherExtension) {
  test::TempDir dir;
  ImageDocument doc;
  doc.raster = test::gradient_rgb(10, 6);
  doc.reset_info();
  doc.params.jpeg_quality = 100;
  for (const char* name : {"a.avif", "b.HEIC", "c.heif"}) {
    SCOPED_TRACE(name);
    if (find_codec(name) == nullptr || find_codec(name)->encode == nullptr) continue;
    ASSERT_TRUE(doc.save(dir / name));
    ImageDocument back;
    ASSERT_TRUE(back.load(dir / name));
    EXPECT_EQ(back.raster, doc.raster);
  }
}

}  // namespace
}  // namespace lumatrix
