// The commands hand the captions and watermarks to the pipeline.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace lumatrix
