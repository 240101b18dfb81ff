#include "imaging/adjust/morph_filters.h"

#include <gtest/gtest.h>

#include "pictures.h"
#include "test_support.h"

namespace lumatrix::adjust {
namespace {

constexpr Rgb kBack{10, 100, 10};
constexpr Rgb kSpeck{200, 0, 50};

// 5 x 5 of kBack with kSpeck at the centre.
Raster speck() {
  Raster r = test::flat_picture(5, 5, kBack);
  r.set_pixel(2, 2, kSpeck);
  return r;
}

TEST(MorphFilters, ASinglePixelGrowsOrVanishesChannelByChannel) {
  ImageDocument dilated = test::document_of(speck());
  morph_filter(dilated, {.operation = MorphOperation::Dilate, .radius = 1});
  ImageDocument eroded = test::document_of(speck());
  morph_filter(eroded, {.operation = MorphOperation::Erode, .radius = 1});
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) {
      const bool near = std::abs(x - 2) <= 1 && std::abs(y - 2) <= 1;
      // Each channel takes the window's own maximum or minimum: red and blue from the speck,
      // green from the background when dilating, the other way round when eroding.
      EXPECT_EQ(dilated.raster.pixel(x, y), near ? (Rgb{200, 100, 50}) : kBack) << x << "," << y;
      EXPECT_EQ(eroded.raster.pixel(x, y), near ? (Rgb{10, 0, 10}) : kBack) << x << "," << y;
    }
  EXPECT_EQ(dilated.undo_label(), "Morph filters");
}

TEST(MorphFilters, TheBorderCutsTheWindowOff) {
  ImageDocument doc = test::document_of(test::grey_picture(5, 1, {50, 0, 0, 0, 90}));
  morph_filter(doc, {.operation = MorphOperation::Dilate, .radius = 2});
  EXPECT_EQ(test::reds(doc.raster), (std::vector<int>{50, 50, 90, 90, 90}));
}

TEST(MorphFilters, OpeningIsDilatedErosionAndClosingErodedDilation) {
  for (int radius : {1, 2}) {
    SCOPED_TRACE(radius);
    ImageDocument opened = test::document_of(test::gradient_rgb(9, 7));
    ImageDocument closed = test::document_of(test::gradient_rgb(9, 7));
    ImageDocument stepwise_open = test::document_of(test::gradient_rgb(9, 7));
    ImageDocument stepwise_close = test::document_of(test::gradient_rgb(9, 7));
    morph_filter(opened, {.operation = MorphOperation::Open, .radius = radius});
    morph_filter(closed, {.operation = MorphOperation::Close, .radius = radius});
    morph_filter(stepwise_open, {.operation = MorphOperation::Erode, .radius = radius});
    morph_filter(stepwise_open, {.operation = MorphOperation::Dilate, .radius = radius});
    morph_filter(stepwise_close, {.operation = MorphOperation::Dilate, .radius = radius});
    morph_filter(stepwise_close, {.operation = MorphOperation::Erode, .radius = radius});
    EXPECT_EQ(opened.raster, stepwise_open.raster);
    EXPECT_EQ(closed.raster, stepwise_close.raster);
    EXPECT_NE(opened.raster, closed.raster);
  }
  // Opening removes the bright speck, closing fills a dark one.
  ImageDocument opened = test::document_of(test::grey_picture(3, 3, {9, 9, 9, 9, 250, 9, 9, 9, 9}));
  morph_filter(opened, {.operation = MorphOperation::Open, .radius = 1});
  EXPECT_EQ(test::reds(opened.raster), std::vector<int>(9, 9));
  ImageDocument closed =
      test::document_of(test::grey_picture(3, 3, {99, 99, 99, 99, 0, 99, 99, 99, 99}));
  morph_filter(closed, {.operation = MorphOperation::Close, .radius = 1});
  EXPECT_EQ(test::reds(closed.raster), std::vector<int>(9, 99));
}

TEST(MorphFilters, RadiusZeroIsTheIdentityAndAlphaStays) {
  ImageDocument doc = test::document_of(test::with_ramp_alpha(test::gradient_rgb(6, 4)));
  const Raster before = doc.raster;
  for (MorphOperation op :
       {MorphOperation::Erode, MorphOperation::Dilate, MorphOperation::Open, MorphOperation::Close})
    morph_filter(doc, {.operation = op, .radius = 0});
  EXPECT_EQ(doc.raster, before);
  morph_filter(doc, {.operation = MorphOperation::Dilate, .radius = 3});
  for (int x = 0; x < 6; ++x) EXPECT_EQ(doc.raster.alpha_row(1)[x], before.alpha_row(1)[x]);
}

}  // namespace
}  // namespace lumatrix::adjust
