// A run without views resizes while the source decodes; these compare it with the workspace
// that keeps the views (and so loads the whole picture first, then resizes).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/pipeline.h"
#include "imaging/codecs/codecs.h"
#include "recording_run_host.h"
#include "test_support.h"

namespace lumatrix {
namespace {

// Detail everywhere, so that a filter tap in the wrong place shows.
Raster busy(int width, int height) {
  Raster r = test::gradient_rgb(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if ((x / 3 + y / 2) % 5 == 0) r.set_pixel(x, y, {240, 12, static_cast<uint8_t>(x * 7)});
  return r;
}

class StreamedResizeTest : public ::testing::Test {
 protected:
  PipelineEntry entry_for(const std::string& name) {
    PipelineEntry entry;
    entry.file_name = name;
    entry.display_name = name;
    entry.output_name = "out_" + name;
    entry.original_file_path = dir.path();
    return entry;
  }

  struct Outcome {
    bool valid;
    std::vector<std::string> lines;
    Raster raster;
    int file_width, file_height;
  };
  Outcome run(const std::string& name, bool keep_views) {
    Workspace ws;
    ws.keep_views = keep_views;
    test::RecordingRunHost host;
    const bool valid = process_image(ws, host, settings, entry_for(name));
    if (!keep_views) {
      // Nothing is copied for views that do not exist.
      EXPECT_TRUE(ws.Image.empty());
      EXPECT_TRUE(ws.afterpreview.empty());
    } else if (valid) {
      EXPECT_EQ(ws.afterpreview.raster, ws.processimage.raster);
    }
    return {valid, host.log_lines(), ws.processimage.raster, ws.processimage.params.width,
            ws.processimage.params.height};
  }

  void expect_same_run(const std::string& name) {
    const Outcome whole = run(name, true), streamed = run(name, false);
    EXPECT_EQ(streamed.valid, whole.valid);
    EXPECT_EQ(streamed.lines, whole.lines);
    EXPECT_EQ(streamed.raster, whole.raster);
    EXPECT_EQ(streamed.file_width, whole.file_width);
    EXPECT_EQ(streamed.file_height, whole.file_height);
  }

  test::TempDir dir;
  Settings settings;
};

TEST_F(StreamedResizeTest, EveryResizingMethodGivesTheSameImageAndLog) {
  test::write_bytes(dir / "photo.jpg", encode_jpeg(busy(97, 61), {}, ".jpg"));
  test::write_bytes(dir / "alpha.png", encode_png(test::with_ramp_alpha(busy(61, 97)), {}, ".png"));
  test::write_bytes(dir / "grey.png", encode_png(test::grey_ramp(45, 33), {}, ".png"));
  test::write_bytes(dir / "tiny.png", encode_png(busy(4, 9), {}, ".png"));
  struct Method {
    const char* name;
    int width, height, percentage;
    bool keep_aspect;
  };
  const Method methods[] = {
      {"Resize by Pixels", 40, 30, 0, true},
      {"Resize by Pixels", 23, 51, 0, false},
      {"Downsize by Pixels", 30, 30, 0, true},
      {"Upsize by Pixels", 120, 0, 0, true},
      {"Downsize by %", 0, 0, 150, true},
      {"Upsize by %", 0, 0, 30, true},
      {"1/3x", 0, 0, 0, true},
      {"2x", 0, 0, 0, true},
  };
  for (const char* filter : {"None", "Lanczos3", "Mitchell"}) {
    for (const Method& m : methods) {
      settings = Settings{};
      settings.resampletype = filter;
      settings.resizing_method = m.name;
      settings.image_width = m.width;
      settings.image_height = m.height;
      settings.percentage = m.percentage;
      settings.dimension_aspect_ratio = m.keep_aspect;
      for (const char* name : {"photo.jpg", "alpha.png", "grey.png", "tiny.png"}) {
        SCOPED_TRACE(std::string(m.name) + ", " + filter + ", " + name);
        expect_same_run(name);
      }
    }
  }
}

TEST_F(StreamedResizeTest, BrokenFilesAndRefusedTargetsBehaveAsWhenLoadedWhole) {
  const std::vector<uint8_t> jpeg = encode_jpeg(busy(80, 60), {}, ".jpg");
  test::write_bytes(dir / "cut.jpg", {jpeg.data(), jpeg.size() / 2});
  test::write_bytes(dir / "photo.jpg", jpeg);
  settings.resizing_method = "Resize by Pixels";
  settings.image_width = 40;
  settings.image_height = 30;
  expect_same_run("cut.jpg");
  // A target beyond the pixel limit: a pixel method clears the whole-size image and goes on.
  const uint64_t saved = pixel_limit();
  set_pixel_limit(5000);
  settings.image_width = 640;
  settings.image_height = 480;
  expect_same_run("photo.jpg");
  set_pixel_limit(saved);
}

TEST_F(StreamedResizeTest, ACropFirstLoadsTheWholePicture) {
  test::write_bytes(dir / "photo.jpg", encode_jpeg(busy(90, 70), {}, ".jpg"));
  settings.cropby = "Dimension";
  settings.cropx2 = 50;
  settings.cropy2 = 40;
  settings.resizing_method = "1/2x";
  settings.resampletype = "Lanczos3";
  expect_same_run("photo.jpg");
  EXPECT_EQ(run("photo.jpg", false).lines,
            (std::vector<std::string>{"Resampling Image from 51x41 to 26x20"}));
}

TEST_F(StreamedResizeTest, FastResizeShrinksJpegsOnDecodingAndLogsTheFilesSize) {
  // Smooth, as photos are at the scale of the target.
  Raster smooth(400, 300, PixelFormat::Rgb24);
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x)
      smooth.set_pixel(x, y,
                       {static_cast<uint8_t>(x * 255 / 400), static_cast<uint8_t>(y * 255 / 300),
                        static_cast<uint8_t>((x + y) % 200 < 100 ? 200 : 50)});
  test::write_bytes(dir / "photo.jpg", encode_jpeg(smooth, {}, ".jpg"));
  test::write_bytes(dir / "photo.png", encode_png(smooth, {}, ".png"));
  settings.resizing_method = "Resize by Pixels";
  settings.image_width = 60;
  settings.image_height = 45;
  const Outcome exact = run("photo.jpg", false);
  settings.fast_resize = true;
  const Outcome fast = run("photo.jpg", false);
  EXPECT_EQ(fast.lines, (std::vector<std::string>{"Resampling Image from 400x300 to 60x45"}));
  EXPECT_EQ(fast.lines, exact.lines);
  EXPECT_EQ(fast.file_width, 400);
  ASSERT_EQ(fast.raster.width(), 60);
  EXPECT_NE(fast.raster, exact.raster);
  long total = 0;
  for (size_t i = 0; i < fast.raster.bytes().size(); ++i)
    total += std::abs(fast.raster.bytes()[i] - exact.raster.bytes()[i]);
  EXPECT_LT(static_cast<double>(total) / fast.raster.bytes().size(), 2.0);
  // Only JPEGs have a faster decode; a PNG comes out as on the exact path.
  const Outcome png = run("photo.png", false);
  settings.fast_resize = false;
  EXPECT_EQ(png.raster, run("photo.png", false).raster);
}

}  // namespace
}  // namespace lumatrix
