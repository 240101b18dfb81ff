#include <gtest/gtest.h>
#include <tiffio.h>

#include <array>
#include <functional>

#include "base/image_error.h"
#include "imaging/codecs/codecs.h"
#include "imaging/image_document.h"
#include "modern_formats_support.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;

// The photosite values of a sensor behind an RGGB colour filter (16-bit, white at 4095), for a
// scene given as the value each channel's photosites see at a point.
using Scene = std::function<std::array<int, 3>(int x, int y)>;

// A minimal DNG file: one IFD of uncompressed 16-bit colour-filter data, with the camera's
// white balance as its as-shot neutral (the photosite values a grey scene gives, relative to
// green) and an identity colour matrix.
std::vector<uint8_t> dng(int width, int height, const Scene& scene,
                         std::array<float, 3> as_shot_neutral = {1, 1, 1}) {
  test::TempDir dir;
  const fs::path path = dir / "sensor.dng";
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  EXPECT_NE(tif, nullptr);
  if (tif == nullptr) return {};
  TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, 32803);  // colour filter array
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
  TIFFSetField(tif, TIFFTAG_MAKE, "Lumacam");
  TIFFSetField(tif, TIFFTAG_MODEL, "Sensor 1");
  TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "Lumacam Sensor 1");
  const uint8_t version[4] = {1, 4, 0, 0};
  TIFFSetField(tif, TIFFTAG_DNGVERSION, version);
  const uint16_t repeat[2] = {2, 2};
  TIFFSetField(tif, TIFFTAG_CFAREPEATPATTERNDIM, repeat);
  const uint8_t rggb[4] = {0, 1, 1, 2};
  TIFFSetField(tif, TIFFTAG_CFAPATTERN, 4, rggb);
  const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  TIFFSetField(tif, TIFFTAG_COLORMATRIX1, 9, identity);
  TIFFSetField(tif, TIFFTAG_CALIBRATIONILLUMINANT1, 21);  // D65
  TIFFSetField(tif, TIFFTAG_ASSHOTNEUTRAL, 3, as_shot_neutral.data());
  const uint32_t white = 4095;  // libtiff keeps WhiteLevel as LONG: it reads four bytes
  TIFFSetField(tif, TIFFTAG_WHITELEVEL, 1, &white);
  std::vector<uint16_t> row(width);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int channel = (y % 2 == 0) ? (x % 2 == 0 ? 0 : 1) : (x % 2 == 0 ? 1 : 2);
      row[x] = static_cast<uint16_t>(scene(x, y)[channel]);
    }
    EXPECT_EQ(TIFFWriteScanline(tif, row.data(), y, 0), 1);
  }
  TIFFClose(tif);
  return test::read_bytes(path);
}

Raster decode(std::span<const uint8_t> bytes, bool half_size = false) {
  IOParams params;
  return decode_camera_raw(bytes, params, CameraRawOptions{.half_size = half_size});
}

// A grey wall lit at a third of white; the left half of the frame a red card, the right a
// blue one, a grey strip between them.
std::array<int, 3> cards(int x, int y, int width) {
  if (x < width / 3) return {3000, 300, 300};
  if (x >= 2 * width / 3) return {300, 300, 3000};
  return {1365, 1365, 1365};
}

TEST(CameraRaw, DevelopsTheSensorDataToColours) {
  const int width = 60, height = 40;
  const std::vector<uint8_t> file =
      dng(width, height, [&](int x, int y) { return cards(x, y, width); });
  ASSERT_TRUE(sniff_camera_raw(file));
  IOParams header;
  read_camera_raw_header(file, header);
  EXPECT_EQ(header.width, width);
  EXPECT_EQ(header.height, height);
  EXPECT_EQ(header.samples_per_pixel, 3);

  const Raster picture = decode(file);
  ASSERT_EQ(picture.format(), PixelFormat::Rgb24);
  ASSERT_EQ(picture.width(), width);
  ASSERT_EQ(picture.height(), height);
  const Rgb red = picture.pixel(8, 20), grey = picture.pixel(30, 20), blue = picture.pixel(52, 20);
  EXPECT_GT(red.r, red.g + 100) << int(red.r) << "," << int(red.g) << "," << int(red.b);
  EXPECT_GT(red.r, red.b + 100);
  EXPECT_GT(blue.b, blue.r + 100) << int(blue.r) << "," << int(blue.g) << "," << int(blue.b);
  EXPECT_GT(blue.b, blue.g + 100);
  EXPECT_NEAR(grey.r, grey.g, 8) << int(grey.r) << "," << int(grey.g) << "," << int(grey.b);
  EXPECT_NEAR(grey.b, grey.g, 8);
}

TEST(CameraRaw, TheCamerasWhiteBalanceMakesItsGreyGrey) {
  // A camera whose red and blue photosites see half as much as its green ones under this light:
  // a grey scene records red and blue at half, and says so in its as-shot neutral.
  const std::vector<uint8_t> file = dng(40, 30,
                                        [](int, int) {
                                          return std::array<int, 3>{700, 1400, 700};
                                        },
                                        {0.5f, 1, 0.5f});
  const Rgb grey = decode(file).pixel(20, 15);
  EXPECT_NEAR(grey.r, grey.g, 8) << int(grey.r) << "," << int(grey.g) << "," << int(grey.b);
  EXPECT_NEAR(grey.b, grey.g, 8);
  // Read as if balanced for equal photosites, the same data come out green.
  const std::vector<uint8_t> unbalanced = dng(40, 30, [](int, int) {
    return std::array<int, 3>{700, 1400, 700};
  });
  const Rgb green = decode(unbalanced).pixel(20, 15);
  EXPECT_GT(green.g, green.r + 40);
}

TEST(CameraRaw, HalfSizeTakesOnePixelPerFilterBlock) {
  const int width = 60, height = 40;
  const std::vector<uint8_t> file =
      dng(width, height, [&](int x, int y) { return cards(x, y, width); });
  const Raster full = decode(file), half = decode(file, true);
  ASSERT_EQ(half.width(), width / 2);
  ASSERT_EQ(half.height(), height / 2);
  for (const auto& [x, y] : {std::pair{4, 10}, {15, 10}, {26, 10}}) {
    const Rgb h = half.pixel(x, y), f = full.pixel(2 * x, 2 * y);
    EXPECT_NEAR(h.r, f.r, 12) << x;
    EXPECT_NEAR(h.g, f.g, 12) << x;
    EXPECT_NEAR(h.b, f.b, 12) << x;
  }
}

TEST(CameraRaw, PicturesAreNotTakenForRawFilesAndLargeSensorsAreRefused) {
  // A TIFF picture is not sensor data; neither is a PNG.
  test::TempDir dir;
  ImageDocument doc;
  doc.raster = test::gradient_rgb(8, 6);
  doc.reset_info();
  ASSERT_TRUE(doc.save(dir / "picture.tif"));
  EXPECT_FALSE(sniff_camera_raw(test::read_bytes(dir / "picture.tif")));
  const std::vector<uint8_t> png = encode_png(test::gradient_rgb(4, 4), {}, ".png");
  EXPECT_FALSE(sniff_camera_raw(png));
  EXPECT_NE(test::refusal_reason(decode_camera_raw, png).find("not a camera raw file"),
            std::string::npos);

  const std::vector<uint8_t> file = dng(60, 40, [](int, int) {
    return std::array<int, 3>{9, 9, 9};
  });
  const uint64_t limit = pixel_limit();
  set_pixel_limit(60 * 40 - 1);
  EXPECT_NE(test::refusal_reason(decode_camera_raw, file).find("exceeds the limit"),
            std::string::npos);
  set_pixel_limit(limit);
  EXPECT_EQ(decode(file).width(), 60);
}

TEST(CameraRaw, SurvivesDamagedFiles) {
  const std::vector<uint8_t> file = dng(24, 16, [](int x, int y) { return cards(x, y, 24); });
  EXPECT_GT(test::expect_reader_survives_damage(file, decode_camera_raw, read_camera_raw_header),
            200);
}

TEST(CameraRaw, DocumentsLoadRawFilesByExtensionAndNeverSaveThem) {
  test::TempDir dir;
  test::write_bytes(dir / "IMG_0001.DNG",
                    dng(30, 24, [](int x, int y) { return cards(x, y, 30); }));
  ImageDocument doc;
  ASSERT_TRUE(doc.load(dir / "IMG_0001.DNG"));
  EXPECT_EQ(doc.width(), 30);
  EXPECT_EQ(doc.params.file_type, FileType::Other);
  EXPECT_EQ(find_codec("a.nef")->encode, nullptr);
  EXPECT_FALSE(doc.save(dir / "copy.cr2"));
  EXPECT_FALSE(fs::exists(dir / "copy.cr2"));
  // LibRaw develops nothing smaller than 22 photosites a side; the reason names the file.
  test::write_bytes(dir / "tiny.dng", dng(20, 10, [](int x, int y) { return cards(x, y, 20); }));
  const std::string reason = test::error_of([&] { doc.load(dir / "tiny.dng"); });
  EXPECT_NE(reason.find((dir / "tiny.dng").string()), std::string::npos) << reason;
  EXPECT_NE(reason.find("cannot read the camera raw file"), std::string::npos) << reason;
  EXPECT_EQ(doc.width(), 30);  // the document is unchanged
}

}  // namespace
}  // namespace lumatrix
