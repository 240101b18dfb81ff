#include "imaging/flatten.h"

#include <gtest/gtest.h>

#include "imaging/image_document.h"
#include "test_support.h"

namespace lumatrix {
namespace {

Raster one_row_rgba(std::initializer_list<std::array<uint8_t, 4>> pixels) {
  Raster raster(static_cast<int>(pixels.size()), 1, PixelFormat::Rgb24);
  raster.add_alpha();
  int x = 0;
  for (const auto& p : pixels) {
    raster.row(0)[3 * x] = p[0];
    raster.row(0)[3 * x + 1] = p[1];
    raster.row(0)[3 * x + 2] = p[2];
    raster.alpha_row(0)[x] = p[3];
    ++x;
  }
  return raster;
}

TEST(Flatten, ComposesEachChannelThroughAlpha) {
  // Opaque stays, clear becomes the colour, half way is the rounded mean.
  const Raster flat = flattened_onto(
      one_row_rgba({{10, 20, 30, 255}, {200, 0, 7, 0}, {0, 100, 255, 128}}), Rgb{255, 0, 60});
  ASSERT_EQ(flat.format(), PixelFormat::Rgb24);
  EXPECT_FALSE(flat.has_alpha());
  // Red of the last: (0 × 128 + 255 × 127) / 255 = 127, rounded.
  const std::vector<uint8_t> expected = {10, 20, 30, 255, 0, 60, 127, 50, 158};
  EXPECT_EQ(std::vector<uint8_t>(flat.row(0), flat.row(0) + 9), expected);
}

TEST(Flatten, GreyStaysGreyOnAGreyColourAndOpaqueRastersPassThrough) {
  Raster grey = test::grey_ramp(4, 2);
  grey.add_alpha();
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) grey.alpha_row(y)[x] = x == 0 ? 0 : 255;
  const Raster on_white = flattened_onto(grey, Rgb{255, 255, 255});
  EXPECT_EQ(on_white.format(), PixelFormat::Gray8);
  EXPECT_EQ(on_white.row(1)[0], 255);
  EXPECT_EQ(on_white.row(1)[2], grey.row(1)[2]);
  EXPECT_EQ(flattened_onto(grey, Rgb{255, 0, 0}).format(), PixelFormat::Rgb24);

  const Raster opaque = test::gradient_rgb(5, 3);
  EXPECT_EQ(flattened_onto(opaque, Rgb{1, 2, 3}), opaque);
}

// What used to show through: a JPEG of a fully transparent image held the hidden colours.
TEST(Flatten, TransparentImageSavedWithoutAlphaIsOnTheColour) {
  test::TempDir dir;
  ImageDocument doc;
  doc.raster = test::gradient_rgb(16, 16);
  doc.raster.add_alpha();
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) doc.raster.alpha_row(y)[x] = 0;
  ASSERT_TRUE(doc.save(dir / "white.bmp"));
  doc.params.flatten_colour = Rgb{0, 0, 255};
  ASSERT_TRUE(doc.save(dir / "blue.bmp"));
  ASSERT_TRUE(doc.save(dir / "kept.png"));
  EXPECT_TRUE(doc.raster.has_alpha());  // the document itself keeps its alpha

  ImageDocument white, blue, kept;
  ASSERT_TRUE(white.load(dir / "white.bmp"));
  ASSERT_TRUE(blue.load(dir / "blue.bmp"));
  ASSERT_TRUE(kept.load(dir / "kept.png"));
  for (int x : {0, 7, 15}) {
    EXPECT_EQ(white.raster.pixel(x, 5), (Rgb{255, 255, 255}));
    EXPECT_EQ(blue.raster.pixel(x, 5), (Rgb{0, 0, 255}));
  }
  EXPECT_TRUE(kept.raster.has_alpha());  // PNG keeps the transparency as it was
  EXPECT_EQ(kept.raster, doc.raster);
}

TEST(SaveIfFree, NeverReplacesAFile) {
  test::TempDir dir;
  ImageDocument doc;
  doc.raster = test::gradient_rgb(4, 4);
  const auto target = dir / "a.png";
  test::write_bytes(target, std::vector<uint8_t>{'o', 'l', 'd'});
  EXPECT_EQ(doc.save_if_free(target), SaveOutcome::NameTaken);
  EXPECT_EQ(test::read_bytes(target), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(doc.save_if_free(dir / "b.png"), SaveOutcome::Written);
  EXPECT_EQ(doc.save_if_free(dir / "c.nowriter"), SaveOutcome::NoWriter);
  ImageDocument back;
  ASSERT_TRUE(back.load(dir / "b.png"));
  EXPECT_EQ(back.raster, doc.raster);
  // Nothing but the two files: no temporary file left behind by the refusal.
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
    ++files;
  EXPECT_EQ(files, 2);
}

}  // namespace
}  // namespace lumatrix
