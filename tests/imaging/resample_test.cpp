#include "imaging/resample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "base/image_error.h"
#include "test_support.h"

namespace lumatrix {
namespace {

using Row = std::vector<int>;

Raster grey_row_rgb(const Row& values) {
  Raster r(static_cast<int>(values.size()), 1, PixelFormat::Rgb24);
  for (size_t x = 0; x < values.size(); ++x) {
    const auto v = static_cast<uint8_t>(values[x]);
    r.set_pixel(static_cast<int>(x), 0, {v, v, v});
  }
  return r;
}

Row red_channel(const Raster& r, int y = 0) {
  Row out;
  for (int x = 0; x < r.width(); ++x) out.push_back(r.pixel(x, y).r);
  return out;
}

ImageDocument doc_of(Raster r) {
  ImageDocument doc;
  doc.raster = std::move(r);
  return doc;
}

TEST(ResampleTarget, FollowsTheSizeRules) {
  EXPECT_EQ(resample_target(400, 300, -5, -1), std::nullopt);
  EXPECT_EQ(resample_target(400, 300, 0, 100), (std::pair{400, 100}));
  EXPECT_EQ(resample_target(400, 300, -1, 150), (std::pair{200, 150}));
  EXPECT_EQ(resample_target(400, 300, 100, -1), (std::pair{100, 75}));
  EXPECT_EQ(resample_target(400, 300, -200, 30), (std::pair{200, 30}));
  EXPECT_EQ(resample_target(400, 300, 0, 0), (std::pair{400, 300}));
  EXPECT_EQ(resample_target(400, 3, 100, -1), (std::pair{100, 1}));  // 0 becomes 1
  // Proportional against a kept side keeps the picture's own proportions.
  EXPECT_EQ(resample_target(400, 300, -1, 0), (std::pair{400, 300}));
}

TEST(Resample, WidthZeroKeepsTheWidthAndRecordsUndo) {
  ImageDocument doc = doc_of(test::gradient_rgb(40, 30));
  resample(doc, 0, 100, ResampleFilter::Triangle);
  EXPECT_EQ(doc.width(), 40);
  EXPECT_EQ(doc.height(), 100);
  EXPECT_EQ(doc.undo_label(), "Resample 0,100");
  ASSERT_TRUE(doc.undo());
  EXPECT_EQ(doc.raster, test::gradient_rgb(40, 30));

  resample(doc, -3, -4, ResampleFilter::Triangle);  // both negative: nothing at all
  EXPECT_EQ(doc.height(), 30);
  EXPECT_FALSE(doc.can_undo());

  doc.auto_undo = false;
  resample(doc, 20, 15, ResampleFilter::Triangle);
  EXPECT_EQ(doc.width(), 20);
  EXPECT_FALSE(doc.can_undo());
}

TEST(Resample, SameSizeIsExactForSharpFiltersAndSoftensWithBellAndBSpline) {
  const Raster original = test::gradient_rgb(9, 7);
  for (ResampleFilter f : {ResampleFilter::None, ResampleFilter::Triangle, ResampleFilter::Hermite,
                           ResampleFilter::Lanczos3})
    EXPECT_EQ(resample_raster(original, 9, 7, f), original) << static_cast<int>(f);
  for (ResampleFilter f : {ResampleFilter::Bell, ResampleFilter::BSpline}) {
    const Raster soft = resample_raster(original, 9, 7, f);
    EXPECT_NE(soft, original);
    // A single spike spreads into its neighbours.
    const Raster spike = grey_row_rgb({0, 0, 0, 255, 0, 0, 0});
    const Row spread = red_channel(resample_raster(spike, 7, 1, f));
    EXPECT_LT(spread[3], 255);
    EXPECT_GT(spread[2], 0);
    EXPECT_GT(spread[4], 0);
  }
}

// Expected rows worked out from the rules by tests/imaging/resample_expected.py (and the first
// two triangle values by hand: 4->7 gives scale 2, so x=1 sits halfway between 10 and 200 with
// weights 128/128; 7->3 at x=0 folds weights 85, 57+57, 28+28 over 0, 60, 255 to 21120/255).
TEST(Resample, EachKernelMatchesHandWorkedRows) {
  struct Case {
    ResampleFilter filter;
    Row up, down;
  };
  const Case cases[] = {
      {ResampleFilter::Triangle, {10, 105, 200, 120, 40, 145, 250}, {82, 113, 81}},
      {ResampleFilter::Hermite, {10, 105, 200, 120, 40, 145, 250}, {73, 115, 79}},
      {ResampleFilter::Bell, {57, 105, 156, 120, 86, 145, 223}, {88, 110, 85}},
      {ResampleFilter::BSpline, {73, 105, 141, 120, 101, 148, 214}, {93, 106, 88}},
      {ResampleFilter::Lanczos3, {10, 102, 200, 122, 40, 117, 250}, {77, 119, 73}},
  };
  const Raster up_source = grey_row_rgb({10, 200, 40, 250});
  const Raster down_source = grey_row_rgb({0, 60, 255, 30, 90, 180, 20});
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.filter));
    const Raster up = resample_raster(up_source, 7, 1, c.filter);
    EXPECT_EQ(red_channel(up), c.up);
    EXPECT_EQ(up.pixel(1, 0).g, c.up[1]);
    EXPECT_EQ(up.pixel(1, 0).b, c.up[1]);
    EXPECT_EQ(red_channel(resample_raster(down_source, 3, 1, c.filter)), c.down);
  }
}

TEST(Resample, TwoPassesClampTheIntermediateAndMirrorAsWritten) {
  Raster grid(3, 3, PixelFormat::Rgb24);
  const int cells[3][3] = {{0, 255, 0}, {255, 0, 255}, {0, 255, 0}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) {
      const auto v = static_cast<uint8_t>(cells[y][x]);
      grid.set_pixel(x, y, {v, v, v});
    }
  const Raster up = resample_raster(grid, 5, 4, ResampleFilter::Lanczos3);
  const int expected[4][5] = {{0, 121, 255, 168, 0},
                              {183, 129, 71, 108, 183},
                              {218, 131, 36, 97, 218},
                              {0, 121, 255, 168, 0}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(up.pixel(x, y).r, expected[y][x]) << x << "," << y;

  const Raster down = resample_raster(grid, 2, 2, ResampleFilter::Triangle);
  EXPECT_EQ(down.pixel(0, 0).r, 127);
  EXPECT_EQ(down.pixel(1, 0).r, 127);
  EXPECT_EQ(down.pixel(1, 1).r, 95);
}

// The rules read literally: every tap kept apart, plain division. The fast path folds mirrored
// taps, skips identity passes and divides by reciprocal multiplication; it must agree exactly.
Raster reference_resample(const Raster& src, int m_w, int m_h, const FilterKernel& f) {
  auto taps = [&](int n, int m) {
    const double s = (n == 1 || m == 1) ? double(m) / n : double(m - 1) / (n - 1);
    std::vector<std::vector<std::pair<int, int>>> all(m);
    for (int i = 0; i < m; ++i) {
      const double c = i / s;
      const bool shrink = s < 1;
      const double width = shrink ? f.support / s : f.support, fs = 1 / s;
      for (long j = std::floor(c - width); j <= std::ceil(c + width); ++j) {
        const double w = shrink ? std::nearbyint(f.kernel((c - j) / fs) * 256 / fs)
                                : std::nearbyint(f.kernel(c - j) * 256);
        if (w == 0) continue;
        long k = j < 0 ? -j : (j >= n ? 2L * n - j - 1 : j);
        all[i].emplace_back(std::clamp<long>(k, 0, n - 1), int(w));
      }
    }
    return all;
  };
  auto apply = [](const std::vector<std::pair<int, int>>& t, auto value) {
    int sum = 0, total = 0;
    for (auto [j, w] : t) sum += w * value(j), total += w;
    long v = total == 0 ? long(uint32_t(sum) >> 8) : sum / total;
    return uint8_t(std::clamp<long>(v, 0, 255));
  };
  const auto h = taps(src.width(), m_w), v = taps(src.height(), m_h);
  Raster mid(m_w, src.height(), PixelFormat::Rgb24), out(m_w, m_h, PixelFormat::Rgb24);
  for (int y = 0; y < src.height(); ++y)
    for (int x = 0; x < m_w; ++x)
      for (int c = 0; c < 3; ++c)
        mid.row(y)[3 * x + c] = apply(h[x], [&](int j) { return src.row(y)[3 * j + c]; });
  for (int y = 0; y < m_h; ++y)
    for (int x = 0; x < m_w; ++x)
      for (int c = 0; c < 3; ++c)
        out.row(y)[3 * x + c] = apply(v[y], [&](int j) { return mid.row(j)[3 * x + c]; });
  return out;
}

TEST(ResampleFilters, MitchellKernelHasTheHandComputedValues) {
  // B = C = 1/3: (7t^3 - 12t^2 + 16/3) / 6 inside 1, (-7/3 t^3 + 12t^2 - 20t + 32/3) / 6 to 2.
  const FilterKernel* row = filter_kernel(ResampleFilter::Mitchell);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->support, 2.0);
  const auto k = row->kernel;
  EXPECT_NEAR(k(0.0), 8.0 / 9.0, 1e-12);
  EXPECT_NEAR(k(0.5), 77.0 / 144.0, 1e-12);
  EXPECT_NEAR(k(-0.5), 77.0 / 144.0, 1e-12);
  EXPECT_NEAR(k(1.0), 1.0 / 18.0, 1e-12);
  EXPECT_NEAR(k(1.5), -5.0 / 144.0, 1e-12);
  EXPECT_NEAR(k(-1.5), -5.0 / 144.0, 1e-12);
  EXPECT_NEAR(k(1.999999), 0.0, 1e-9);
  EXPECT_EQ(k(2.0), 0.0);
  EXPECT_EQ(k(3.0), 0.0);
  // Taps one pixel apart sum to one at any phase, so flat areas stay flat.
  for (double phase : {0.0, 0.25, 0.5, 0.8})
    EXPECT_NEAR(k(phase - 2) + k(phase - 1) + k(phase) + k(phase + 1), 1.0, 1e-12) << phase;
}

TEST(Resample, FastPathAgreesWithTheLiteralRulesAtEverySimdLevel) {
  // Odd widths and heights leave vector tails; 700 -> 1 takes the zero-total path; 3 -> 8 folds
  // mirrored taps; 45 -> 44 runs the wide loads up to the end of the last row.
  // 9x260 -> 4x7 and 6x97 -> 6x200 keep long and short windows of rows in the vertical ring.
  const int sizes[][4] = {{13, 9, 5, 4},  {5, 4, 13, 9}, {1, 1, 4, 3},      {6, 5, 1, 1},
                          {40, 3, 7, 11}, {3, 8, 3, 8},  {700, 2, 1, 2},    {31, 17, 30, 18},
                          {45, 6, 44, 7}, {2, 2, 9, 9},  {130, 40, 17, 90}, {9, 260, 4, 7},
                          {6, 97, 6, 200}};
  for (ResampleSimd simd : {ResampleSimd::Auto, ResampleSimd::Sse2, ResampleSimd::Scalar}) {
    set_resample_simd(simd);
    std::mt19937 rng(7);
    for (ResampleFilter f :
         {ResampleFilter::Triangle, ResampleFilter::Hermite, ResampleFilter::Bell,
          ResampleFilter::BSpline, ResampleFilter::Lanczos3, ResampleFilter::Mitchell}) {
      for (const auto& s : sizes) {
        Raster src(s[0], s[1], PixelFormat::Rgb24);
        for (uint8_t& b : src.bytes()) b = static_cast<uint8_t>(rng() % 2 ? 255 : rng());
        SCOPED_TRACE(testing::Message() << "simd " << int(simd) << ", filter " << int(f) << ": "
                                        << s[0] << "x" << s[1] << " -> " << s[2] << "x" << s[3]);
        EXPECT_EQ(resample_raster(src, s[2], s[3], f),
                  reference_resample(src, s[2], s[3], *filter_kernel(f)));
      }
    }
  }
  set_resample_simd(ResampleSimd::Auto);
}

TEST(Resample, NearestKeepsEveryFormatAndTruncatesTheRatio) {
  Raster bits(10, 2, PixelFormat::Bit1);
  bits.set_pixel(3, 0, {255, 255, 255});
  bits.set_pixel(9, 1, {255, 255, 255});
  const Raster half = resample_raster(bits, 5, 1, ResampleFilter::None);
  ASSERT_EQ(half.format(), PixelFormat::Bit1);
  // Destination x takes source trunc(x * 2): 0, 2, 4, 6, 8 of row 0.
  for (int x = 0; x < 5; ++x) EXPECT_EQ(half.pixel(x, 0).r, 0) << x;
  const Raster wide = resample_raster(bits, 20, 2, ResampleFilter::None);
  EXPECT_EQ(wide.pixel(6, 0).r, 255);
  EXPECT_EQ(wide.pixel(7, 0).r, 255);
  EXPECT_EQ(wide.pixel(19, 1).r, 255);
  EXPECT_EQ(wide.pixel(17, 1).r, 0);

  Raster pal(3, 1, PixelFormat::Palette8);
  pal.palette = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  pal.row(0)[0] = 2, pal.row(0)[1] = 1, pal.row(0)[2] = 0;
  const Raster p = resample_raster(pal, 7, 1, ResampleFilter::None);
  EXPECT_EQ(p.format(), PixelFormat::Palette8);
  // Ratio 3/7: x = 5 -> trunc(2.14) = 2; x = 2 -> trunc(0.857) = 0.
  EXPECT_EQ(p.row(0)[5], 0);
  EXPECT_EQ(p.row(0)[2], 2);
}

TEST(Resample, OneBitSourceGivesColourAndAlphaIsResizedAlongside) {
  Raster bits(4, 1, PixelFormat::Bit1);
  bits.set_pixel(1, 0, {255, 255, 255});
  const Raster rgb = resample_raster(bits, 7, 1, ResampleFilter::Triangle);
  EXPECT_EQ(rgb.format(), PixelFormat::Rgb24);
  EXPECT_EQ(red_channel(rgb), (Row{0, 127, 255, 127, 0, 0, 0}));

  Raster with_alpha = grey_row_rgb({10, 200, 40, 250});
  with_alpha.add_alpha();
  const uint8_t alpha[] = {10, 200, 40, 250};
  std::copy(std::begin(alpha), std::end(alpha), with_alpha.alpha_row(0));
  const Raster up = resample_raster(with_alpha, 7, 1, ResampleFilter::Lanczos3);
  ASSERT_TRUE(up.has_alpha());
  EXPECT_EQ(Row(up.alpha_row(0), up.alpha_row(0) + 7), (Row{10, 102, 200, 122, 40, 117, 250}));
}

TEST(Resample, RefusesTargetsBeyondThePixelLimitWithoutTouchingTheDocument) {
  ImageDocument doc = doc_of(test::gradient_rgb(4, 4));
  EXPECT_THROW(resample(doc, 2000000000, 3, ResampleFilter::Lanczos3), ImageError);
  EXPECT_THROW(resample(doc, 70000, 70000, ResampleFilter::None), ImageError);
  // Within the pixel limit, but a filtered side that long would need huge weight tables.
  EXPECT_THROW(resample(doc, 3'000'000, 1, ResampleFilter::Triangle), ImageError);
  EXPECT_EQ(doc.width(), 4);
  EXPECT_FALSE(doc.can_undo());
}

TEST(Resample, ExtremeShrinkTakesTheZeroTotalPath) {
  // Shrinking 600 pixels to 1 makes every weight round to 0 (K * 256 / 600 < 0.5), so the
  // total is 0 and the sum 0: black.
  Raster wide(600, 1, PixelFormat::Rgb24);
  std::fill(wide.bytes().begin(), wide.bytes().end(), 200);
  EXPECT_EQ(resample_raster(wide, 1, 1, ResampleFilter::Triangle).pixel(0, 0), (Rgb{0, 0, 0}));
}

}  // namespace
}  // namespace lumatrix
