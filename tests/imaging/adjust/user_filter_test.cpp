#include "imaging/adjust/user_filter.h"

#include <gtest/gtest.h>

#include "base/image_error.h"
#include "pictures.h"
#include "test_support.h"

namespace lumatrix::adjust {
namespace {

const std::array<std::array<int, 3>, 3> kBox{{{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}};

TEST(UserFilter, IdentityKernelLeavesThePictureAndAlphaAsTheyWere) {
  ImageDocument doc = test::document_of(test::with_ramp_alpha(test::gradient_rgb(7, 5)));
  const Raster before = doc.raster;
  user_filter(doc, {});
  EXPECT_EQ(doc.raster, before);
  EXPECT_EQ(doc.undo_label(), "User filter");
}

TEST(UserFilter, BoxBlurWithDivisorNineAndBiasWorkedByHand) {
  ImageDocument doc =
      test::document_of(test::grey_picture(3, 3, {10, 20, 30, 40, 50, 60, 70, 80, 90}));
  user_filter(doc, {.kernel = kBox, .divisor = 9, .bias = 5});
  // Centre: 450 / 9 + 5. Top-left, the edge repeated: rows 10 10 20 | 10 10 20 | 40 40 50 sum
  // to 210, 23.3 -> 23, + 5. Top middle: 60 + 60 + 150 = 270 -> 30 + 5. Bottom right:
  // 50 60 60 | 80 90 90 | 80 90 90 = 690, 76.7 -> 77, + 5.
  EXPECT_EQ(test::reds(doc.raster), (std::vector<int>{28, 35, 42, 48, 55, 62, 68, 75, 82}));
  // All three channels alike on a grey picture.
  EXPECT_EQ(doc.raster.pixel(2, 2), (Rgb{82, 82, 82}));
}

TEST(UserFilter, DivisorZeroMeansTheKernelSumOrOne) {
  ImageDocument by_sum = test::document_of(test::gradient_rgb(5, 4));
  ImageDocument by_nine = test::document_of(test::gradient_rgb(5, 4));
  user_filter(by_sum, {.kernel = kBox, .divisor = 0});
  user_filter(by_nine, {.kernel = kBox, .divisor = 9});
  EXPECT_EQ(by_sum.raster, by_nine.raster);

  // An edge kernel sums to 0: the divisor is 1, and a flat picture gives 0 everywhere.
  ImageDocument flat = test::document_of(test::flat_picture(3, 3, {90, 90, 90}));
  user_filter(flat, {.kernel = {{{1, 1, 1}, {1, -8, 1}, {1, 1, 1}}}, .divisor = 0, .bias = 7});
  EXPECT_EQ(test::reds(flat.raster), std::vector<int>(9, 7));
}

TEST(UserFilter, ResultsClampAndHalvesRoundAwayFromZero) {
  ImageDocument doc = test::document_of(test::grey_picture(3, 1, {0, 200, 0}));
  user_filter(doc, {.kernel = {{{0, 0, 0}, {-1, 3, -1}, {0, 0, 0}}}, .divisor = 1});
  // Middle: 600 -> 255; left (its own value repeated as left neighbour): -200 -> 0.
  EXPECT_EQ(test::reds(doc.raster), (std::vector<int>{0, 255, 0}));

  ImageDocument halves = test::document_of(test::grey_picture(2, 1, {5, 7}));
  user_filter(halves, {.kernel = {{{0, 0, 0}, {0, 1, 0}, {0, 0, 0}}}, .divisor = 2});
  EXPECT_EQ(test::reds(halves.raster), (std::vector<int>{3, 4}));  // 2.5 -> 3, 3.5 -> 4
  user_filter(halves, {.kernel = {{{0, 0, 0}, {0, -1, 0}, {0, 0, 0}}}, .divisor = 2, .bias = 10});
  EXPECT_EQ(test::reds(halves.raster), (std::vector<int>{8, 8}));  // -1.5 -> -2, -2 -> -2
}

TEST(UserFilter, OutOfRangeValuesAreRefusedNamingTheParameter) {
  ImageDocument doc = test::document_of(test::gradient_rgb(2, 2));
  UserFilter bad;
  bad.kernel[2][0] = 256;
  EXPECT_EQ(test::error_of([&] { user_filter(doc, bad); }),
            "User filter: kernel row 3 column 1 must be from -255 to 255, not 256");
  EXPECT_THROW(user_filter(doc, {.bias = -256}), ImageError);
  EXPECT_FALSE(doc.can_undo());
}

}  // namespace
}  // namespace lumatrix::adjust
