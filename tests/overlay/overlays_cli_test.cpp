// The commands hand the captions and watermarks to the pipeline.
#include <gtest/gtest.h>

#include <exiv2/exiv2.hpp>

#include <cstdlib>
#include <filesystem>

#include "imaging/image_document.h"
#include "test_support.h"

namespace lumatrix {
namespace {

TEST(OverlaysCli, PreviewDrawsTheCaptionAndLogsAWatermarkThatCannotBeLoaded) {
  test::TempDir dir;
  ImageDocument source;
  source.raster = test::gradient_rgb(80, 40);
  ASSERT_TRUE(source.save(dir / "in.png"));
  const auto missing = (dir / "missing.png").string();
  const test::CliResult result = test::run_lumatrix(
      dir, {"preview", "--set", "caption_text=Hi", "--set", "Text_Alignment=Top Left", "--set",
            "havebackground=false", "--set", "ColorDialog1=#FFFF00", "--set",
            "watermark=" + missing, "--set", "watermark_alignment=Top Left",
            (dir / "in.png").string(), "--after", (dir / "after.png").string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("Watermark not applied: " + missing), std::string::npos) << result.out;
  ImageDocument after;
  ASSERT_TRUE(after.load(dir / "after.png"));
  EXPECT_EQ(after.raster.pixel(0, 0), (Rgb{255, 255, 0}));
  EXPECT_EQ(after.raster.pixel(79, 39), test::gradient_rgb(80, 40).pixel(79, 39));
}

bool near(Rgb got, Rgb want) {
  return std::abs(got.r - want.r) < 40 && std::abs(got.g - want.g) < 40 &&
         std::abs(got.b - want.b) < 40;
}

TEST(OverlaysCli, WatermarkCornerIsTheCornerOfTheUprightPhoto) {
  test::TempDir dir;
  // Stored on its side as a camera held upright writes it: the stored top-left corner (red) is
  // the shown top-right one.
  ImageDocument photo;
  photo.raster = Raster(60, 40, PixelFormat::Rgb24);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x)
      photo.raster.set_pixel(x, y, x < 10 && y < 10 ? Rgb{255, 0, 0} : Rgb{255, 255, 255});
  Exiv2::ExifData data;
  data["Exif.Image.Make"] = "Lumacam";
  data["Exif.Image.Orientation"] = uint16_t{6};
  Exiv2::Blob exif;
  Exiv2::ExifParser::encode(exif, Exiv2::littleEndian, data);
  photo.params.exif = exif;
  photo.params.jpeg_quality = 100;
  std::filesystem::create_directories(dir / "photos");
  ASSERT_TRUE(photo.save(dir / "photos" / "side.jpg"));
  ImageDocument mark;
  mark.raster = Raster(8, 8, PixelFormat::Rgb24);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) mark.raster.set_pixel(x, y, {0, 0, 255});
  ASSERT_TRUE(mark.save(dir / "mark.bmp"));

  const auto out = (dir / "out" / "side.jpg").string();
  const test::CliResult result =
      test::run_lumatrix(dir, {"process",
                               "--yes",
                               (dir / "photos").string(),
                               "--set",
                               "save_in_directory=" + (dir / "out").string() + "/",
                               "--set",
                               "JPEG_Quality=100",
                               "--set",
                               "watermark=" + (dir / "mark.bmp").string(),
                               "--set",
                               "watermark_alignment=Bottom Right",
                               "--set",
                               "watermark_transparency=0",
                               "--set",
                               "dot1=true",
                               "--set",
                               "resizing_method_t1=1/2x",
                               "--set",
                               "save_in_directory_t1=" + (dir / "th").string() + "/",
                               "--set",
                               "quality_t1=100"});
  ASSERT_EQ(result.status, 0) << result.err;

  ImageDocument upright;
  ASSERT_TRUE(upright.load(out));
  ASSERT_EQ(upright.width(), 40);
  ASSERT_EQ(upright.height(), 60);
  EXPECT_TRUE(near(upright.raster.pixel(35, 4), {255, 0, 0}));
  EXPECT_TRUE(near(upright.raster.pixel(4, 4), {255, 255, 255}));
  EXPECT_TRUE(near(upright.raster.pixel(36, 56), {0, 0, 255}));
  EXPECT_TRUE(near(upright.raster.pixel(3, 56), {255, 255, 255}));
  EXPECT_TRUE(near(upright.raster.pixel(36, 3), {255, 0, 0}));

  // The thumbnail starts from the source again, and is turned the same way.
  ImageDocument thumbnail;
  ASSERT_TRUE(thumbnail.load(dir / "th" / "side.jpg"));
  ASSERT_EQ(thumbnail.width(), 20);
  ASSERT_EQ(thumbnail.height(), 30);
  EXPECT_TRUE(near(thumbnail.raster.pixel(18, 1), {255, 0, 0}));
  EXPECT_TRUE(near(thumbnail.raster.pixel(1, 1), {255, 255, 255}));

  auto image = Exiv2::ImageFactory::open(out);
  image->readMetadata();
  const auto tag = image->exifData().findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
  ASSERT_NE(tag, image->exifData().end());
  EXPECT_EQ(tag->toLong(0), 1);
}

}  // namespace
}  // namespace lumatrix
