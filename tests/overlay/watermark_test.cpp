#include "overlay/watermark.h"

#include <gtest/gtest.h>

#include "engine/pipeline.h"
#include "imaging/merge.h"
#include "overlay/overlays.h"
#include "recording_run_host.h"
#include "test_support.h"

namespace lumatrix {
namespace {

ImageDocument solid(int w, int h, Rgb colour) {
  ImageDocument doc;
  doc.raster = Raster(w, h, PixelFormat::Rgb24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) doc.raster.set_pixel(x, y, colour);
  return doc;
}

ImageDocument gradient(int w, int h) {
  ImageDocument doc;
  doc.raster = test::gradient_rgb(w, h);
  return doc;
}

// A placement as its text reads, where a w x h watermark lands on a W x H image.
Point placed(std::string_view name, int W, int H, int w, int h, Point axis) {
  return watermark_position(WatermarkPlacementChoice::parse(name), W, H, w, h, axis);
}

TEST(WatermarkPosition, EveryPlacementName) {
  const Point axis{7, 9};
  const auto at = [&](std::string_view name) { return placed(name, 100, 81, 30, 20, axis); };
  EXPECT_EQ(at("Top Left"), (Point{0, 0}));
  EXPECT_EQ(at("Top Center"), (Point{35, 0}));
  EXPECT_EQ(at("Top Right"), (Point{70, 0}));
  EXPECT_EQ(at("Middle Center"), (Point{35, 30}));
  EXPECT_EQ(at("Bottom Left"), (Point{0, 61}));
  EXPECT_EQ(at("Bottom Center"), (Point{35, 61}));
  EXPECT_EQ(at("Bottom Right"), (Point{70, 61}));
  EXPECT_EQ(at("By Axis"), axis);
  // Matched exactly: case or a trailing blank make it an unknown name.
  EXPECT_EQ(at("bottom right"), (Point{0, 0}));
  EXPECT_EQ(at("Bottom Right "), (Point{0, 0}));
  EXPECT_EQ(at("Middle Left"), (Point{0, 0}));
}

TEST(WatermarkPosition, LargerThanTheImageGoesNegativeAndHalvesTowardZero) {
  EXPECT_EQ(placed("Bottom Right", 10, 10, 25, 13, {}), (Point{-15, -3}));
  EXPECT_EQ(placed("Middle Center", 10, 10, 25, 13, {}), (Point{-7, -1}));
}

TEST(WatermarkAlpha, GifAndPngInAnyCase) {
  EXPECT_TRUE(alpha_capable("/a/mark.PNG"));
  EXPECT_TRUE(alpha_capable("mark.Gif"));
  EXPECT_TRUE(alpha_capable("mark.png"));
  EXPECT_FALSE(alpha_capable("mark.jpg"));
  EXPECT_FALSE(alpha_capable("mark.bmp"));
  EXPECT_FALSE(alpha_capable("png"));
  // Formats with an alpha channel of their own still use the key colour.
  for (const char* name : {"mark.tga", "mark.tif", "mark.ico", "mark.jp2", "mark.pcx", "mark.xyz"})
    EXPECT_FALSE(alpha_capable(name)) << name;
}

TEST(WatermarkStamp, MergeAtZeroReplacesAndAtHundredKeeps) {
  const ImageDocument mark = solid(4, 3, {200, 10, 60});
  ImageDocument doc = gradient(10, 8);
  stamp_watermark(doc, mark, {2, 1}, StampMode::Merge, 100, false);
  EXPECT_EQ(doc.raster, test::gradient_rgb(10, 8));

  stamp_watermark(doc, mark, {2, 1}, StampMode::Merge, 0, false);
  const Raster before = test::gradient_rgb(10, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x) {
      const bool covered = x >= 2 && x < 6 && y >= 1 && y < 4;
      EXPECT_EQ(doc.raster.pixel(x, y), (covered ? Rgb{200, 10, 60} : before.pixel(x, y)))
          << x << "," << y;
    }
}

TEST(WatermarkStamp, MergeBlendsWithThePercentage) {
  const ImageDocument mark = solid(3, 3, {201, 0, 255});
  ImageDocument doc = solid(5, 5, {100, 100, 100});
  stamp_watermark(doc, mark, {0, 0}, StampMode::Merge, 30, false);
  EXPECT_EQ(doc.raster.pixel(1, 1),
            (Rgb{merge_byte(100, 201, 30), merge_byte(100, 0, 30), merge_byte(100, 255, 30)}));
  EXPECT_EQ(doc.raster.pixel(3, 3), (Rgb{100, 100, 100}));
}

TEST(WatermarkStamp, MergePastTheEdgeSqueezesIntoTheVisiblePart) {
  const ImageDocument mark = solid(8, 8, {0, 0, 255});
  ImageDocument doc = solid(6, 6, {255, 255, 255});
  const Point at = watermark_position(WatermarkPlacement::BottomRight, 6, 6, 8, 8, {});
  stamp_watermark(doc, mark, at, StampMode::Merge, 0, false);
  EXPECT_EQ(doc.raster, solid(6, 6, {0, 0, 255}).raster);
}

TEST(WatermarkStamp, AlphaModeWeighsEachPixelByItsAlpha) {
  ImageDocument mark = solid(3, 1, {0, 0, 0});
  mark.raster.add_alpha();
  mark.raster.alpha_row(0)[0] = 255;
  mark.raster.alpha_row(0)[1] = 0;
  mark.raster.alpha_row(0)[2] = 51;  // a fifth
  ImageDocument doc = solid(4, 2, {255, 255, 255});
  stamp_watermark(doc, mark, {1, 1}, StampMode::Alpha, 0, false);
  EXPECT_EQ(doc.raster.pixel(1, 1), (Rgb{0, 0, 0}));
  EXPECT_EQ(doc.raster.pixel(2, 1), (Rgb{255, 255, 255}));
  EXPECT_EQ(doc.raster.pixel(3, 1), (Rgb{204, 204, 204}));
  EXPECT_EQ(doc.raster.pixel(0, 0), (Rgb{255, 255, 255}));
}

TEST(WatermarkStamp, KeyColourSkipsEveryPixelOfTheBottomRightColour) {
  const Rgb key{0, 255, 0}, ink{90, 20, 30};
  ImageDocument mark = solid(4, 4, key);
  mark.raster.set_pixel(0, 0, ink);
  mark.raster.set_pixel(2, 1, ink);
  // Inside, surrounded by ink, yet key-coloured: still skipped.
  mark.raster.set_pixel(1, 0, ink);
  mark.raster.set_pixel(1, 2, ink);
  ImageDocument doc = gradient(8, 8);
  stamp_watermark(doc, mark, {3, 2}, StampMode::KeyColour, 0, false);
  Raster expected = test::gradient_rgb(8, 8);
  for (auto [x, y] : {std::pair{0, 0}, {2, 1}, {1, 0}, {1, 2}})
    expected.set_pixel(3 + x, 2 + y, ink);
  EXPECT_EQ(doc.raster, expected);
}

TEST(WatermarkStamp, ShadowedMergeDarkensTheOffsetRectangleFirst) {
  const Rgb wm{250, 250, 250}, old{120, 200, 40};
  const ImageDocument mark = solid(6, 6, wm);
  ImageDocument doc = solid(20, 20, old);
  stamp_watermark(doc, mark, {2, 2}, StampMode::Merge, 50, true);
  const auto blended = [](Rgb under, Rgb over) {
    return Rgb{merge_byte(under.r, over.r, 50), merge_byte(under.g, over.g, 50),
               merge_byte(under.b, over.b, 50)};
  };
  const Rgb shadowed = blended(old, kWatermarkShadow);
  EXPECT_EQ(doc.raster.pixel(12, 12), shadowed);             // shadow only
  EXPECT_EQ(doc.raster.pixel(7, 7), blended(shadowed, wm));  // mark over the shadow
  EXPECT_EQ(doc.raster.pixel(3, 3), blended(old, wm));       // mark alone
  EXPECT_EQ(doc.raster.pixel(13, 13), old);                  // past the shadow
  EXPECT_EQ(doc.raster.pixel(12, 6), old);                   // right of the mark, above the shadow
}

TEST(WatermarkStamp, ShadowOfAKeyColourMarkFollowsItsShape) {
  const Rgb key{255, 255, 255}, ink{200, 0, 0};
  ImageDocument mark = solid(3, 3, key);
  mark.raster.set_pixel(0, 0, ink);
  ImageDocument doc = solid(12, 12, {255, 255, 255});
  stamp_watermark(doc, mark, {1, 1}, StampMode::KeyColour, 0, true);
  EXPECT_EQ(doc.raster.pixel(1, 1), ink);
  EXPECT_EQ(doc.raster.pixel(6, 6), kWatermarkShadow);
  EXPECT_EQ(doc.raster.pixel(7, 7), (Rgb{255, 255, 255}));
  EXPECT_EQ(doc.raster.pixel(7, 6), (Rgb{255, 255, 255}));
}

TEST(WatermarkStamp, AlphaShadowFollowsTheAlphaPlane) {
  ImageDocument mark = solid(2, 1, {0, 0, 255});
  mark.raster.add_alpha();
  mark.raster.alpha_row(0)[1] = 0;
  ImageDocument doc = solid(10, 10, {255, 255, 255});
  stamp_watermark(doc, mark, {0, 0}, StampMode::Alpha, 0, true);
  EXPECT_EQ(doc.raster.pixel(5, 5), kWatermarkShadow);
  EXPECT_EQ(doc.raster.pixel(6, 5), (Rgb{255, 255, 255}));
  EXPECT_EQ(doc.raster.pixel(0, 0), (Rgb{0, 0, 255}));
}

TEST(WatermarkStamp, GreyImagesAreStampedInColour) {
  ImageDocument doc;
  doc.raster = Raster(6, 6, PixelFormat::Gray8);
  stamp_watermark(doc, solid(2, 2, {255, 0, 0}), {0, 0}, StampMode::Merge, 0, false);
  EXPECT_EQ(doc.raster.format(), PixelFormat::Rgb24);
  EXPECT_EQ(doc.raster.pixel(1, 1), (Rgb{255, 0, 0}));
  EXPECT_EQ(doc.raster.pixel(2, 2), (Rgb{0, 0, 0}));
}

class ApplyWatermarkTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  Workspace ws;
  test::RecordingRunHost host;
  Settings settings;
};

TEST_F(ApplyWatermarkTest, UpperCasePngIsDrawnThroughItsAlpha) {
  ImageDocument mark = solid(4, 4, {0, 0, 255});
  mark.raster.add_alpha();
  for (int y = 0; y < 4; ++y) mark.raster.alpha_row(y)[3] = 0;
  ASSERT_TRUE(mark.save(dir / "mark.png"));
  std::filesystem::rename(dir / "mark.png", dir / "MARK.PNG");
  settings.watermark2 = (dir / "MARK.PNG").string();
  settings.watermark_alignment2 = "Top Left";
  settings.watermark_alphachannel2 = true;
  ws.processimage = solid(10, 10, {255, 255, 255});
  apply_watermark(ws, host, settings, 2);
  EXPECT_EQ(ws.processimage.raster.pixel(2, 3), (Rgb{0, 0, 255}));
  // Every pixel is blue, the key colour too: only the alpha path draws anything at all.
  EXPECT_EQ(ws.processimage.raster.pixel(3, 0), (Rgb{255, 255, 255}));
  EXPECT_TRUE(host.log_lines().empty());
}

TEST_F(ApplyWatermarkTest, AMissingFileIsALogLineAndTheImageStaysAsItWas) {
  settings.watermark = (dir / "gone.bmp").string();
  settings.watermark_alignment = "Top Left";
  ws.processimage = gradient(10, 10);
  apply_watermark(ws, host, settings, 1);
  EXPECT_EQ(ws.processimage.raster, test::gradient_rgb(10, 10));
  ASSERT_EQ(host.log_lines().size(), 1u);
  EXPECT_NE(host.log_lines()[0].find((dir / "gone.bmp").string()), std::string::npos)
      << host.log_lines()[0];
}

TEST_F(ApplyWatermarkTest, ThePipelineStampsBothWatermarks) {
  ImageDocument source = solid(40, 30, {255, 255, 255});
  ASSERT_TRUE(source.save(dir / "photo.bmp"));
  ASSERT_TRUE(solid(4, 4, {10, 20, 30}).save(dir / "one.bmp"));
  ASSERT_TRUE(solid(5, 5, {70, 80, 90}).save(dir / "two.bmp"));
  settings.watermark = (dir / "one.bmp").string();
  settings.watermark_alignment = "Top Left";
  settings.watermark_transparency = 0;
  settings.watermark2 = " " + (dir / "two.bmp").string() + " ";
  settings.watermark_alignment2 = "Bottom Right";
  settings.watermark_transparency2 = 0;
  // Caption 1 in a band below, solid red: the watermarks come after it, on the taller image.
  settings.caption_text = ".";
  settings.Text_Alignment = "Bottom Left";
  settings.text_border = true;
  settings.havebackground = false;
  settings.ColorDialog1 = colour_from_rgb(255, 0, 0);
  PipelineEntry entry;
  entry.file_name = "photo.bmp";
  entry.output_name = "photo.bmp";
  entry.original_file_path = dir.path();
  ASSERT_TRUE(process_image(ws, host, settings, entry, standard_overlays()));
  const Raster& out = ws.processimage.raster;
  ASSERT_GT(out.height(), 30);
  EXPECT_EQ(out.pixel(3, 3), (Rgb{10, 20, 30}));
  EXPECT_EQ(out.pixel(35, out.height() - 1), (Rgb{70, 80, 90}));
  EXPECT_EQ(out.pixel(34, out.height() - 6), (Rgb{255, 0, 0}));
  EXPECT_EQ(out.pixel(20, 20), (Rgb{255, 255, 255}));
}

}  // namespace
}  // namespace lumatrix
