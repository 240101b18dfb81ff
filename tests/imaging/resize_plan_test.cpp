#include "imaging/resize_plan.h"

#include <gtest/gtest.h>

#include "base/image_error.h"

namespace lumatrix {
namespace {

using M = ResizeMethod;

ResizeOptions method(ResizeMethod m) {
  ResizeOptions o;
  o.method = m;
  o.filter = ResampleFilter::Bell;
  return o;
}

ResizePlan plan(const ResizeOptions& o, int w, int h) {
  const auto p = plan_resize(o, w, h);
  EXPECT_TRUE(p.has_value()) << static_cast<int>(o.method);
  return p.value_or(ResizePlan{-99, -99});
}

TEST(RoundHalfEven, TiesGoToEven) {
  EXPECT_EQ(round_half_even(2.5), 2);
  EXPECT_EQ(round_half_even(1.5), 2);
  EXPECT_EQ(round_half_even(-2.5), -2);
  EXPECT_EQ(round_half_even(2.51), 3);
  EXPECT_EQ(round_half_even(1e12), INT32_MAX);
  EXPECT_EQ(round_half_even(-1e12), -INT32_MAX);
}

TEST(PlanResize, FixedFactorsRoundHalfToEven) {
  EXPECT_EQ(plan(method(M::Quarter), 10, 6), (ResizePlan{2, 2, ResampleFilter::Bell}));
  EXPECT_EQ(plan(method(M::Third), 1000, 750), (ResizePlan{333, 250, ResampleFilter::Bell}));
  EXPECT_EQ(plan(method(M::Half), 5, 7), (ResizePlan{2, 4, ResampleFilter::Bell}));
  EXPECT_EQ(plan(method(M::ThreeQuarters), 1001, 1002),
            (ResizePlan{751, 752, ResampleFilter::Bell}));
  EXPECT_EQ(plan(method(M::Double), 7, 5), (ResizePlan{14, 10, ResampleFilter::Bell}));
  EXPECT_EQ(plan(method(M::Triple), 7, 5), (ResizePlan{21, 15, ResampleFilter::Bell}));
  EXPECT_EQ(plan(method(M::Quadruple), 7, 5), (ResizePlan{28, 20, ResampleFilter::Bell}));
}

TEST(PlanResize, PercentagesIncludingTheDegenerateOnes) {
  ResizeOptions o = method(M::DownsizeByPercent);
  o.percentage = 25;
  EXPECT_EQ(plan(o, 200, 101), (ResizePlan{150, 76, ResampleFilter::Bell}));
  o.percentage = 100;
  EXPECT_EQ(plan(o, 200, 100), (ResizePlan{0, 0, ResampleFilter::Bell}));
  o.percentage = 150;  // negative sizes: resample takes their absolute value
  EXPECT_EQ(plan(o, 200, 100), (ResizePlan{-100, -50, ResampleFilter::Bell}));

  o = method(M::UpsizeByPercent);
  o.percentage = 0;
  EXPECT_EQ(plan(o, 200, 100), (ResizePlan{200, 100, ResampleFilter::Bell}));
  o.percentage = 50;
  EXPECT_EQ(plan(o, 200, 100), (ResizePlan{300, 150, ResampleFilter::Bell}));
}

TEST(PlanResize, WithoutAspectRatioEveryOtherMethodGoesToTheExactSize) {
  for (ResizeMethod m :
       {M::ResizeByPixels, M::DownsizeByPixels, M::UpsizeByPixels, M::Unrecognised}) {
    ResizeOptions o = method(m);
    o.keep_aspect = false;
    o.width = 0;
    o.height = 30;
    const ResizePlan p = plan(o, 320, 240);
    EXPECT_EQ(p, (ResizePlan{0, 30, ResampleFilter::Bell, ResizeKind::Direct}))
        << static_cast<int>(m);
  }
  // Fixed factors and percentages come first and ignore the flag.
  ResizeOptions o = method(M::Half);
  o.keep_aspect = false;
  EXPECT_EQ(plan(o, 320, 240), (ResizePlan{160, 120, ResampleFilter::Bell}));
}

TEST(PlanResize, ResizeByPixelsAlwaysLanczos3) {
  ResizeOptions o = method(M::ResizeByPixels);
  o.filter = ResampleFilter::None;
  const auto lanczos = [](int w, int h) {
    return ResizePlan{w, h, ResampleFilter::Lanczos3, ResizeKind::Pixels};
  };
  o.width = 640, o.height = 480;
  EXPECT_EQ(plan(o, 100, 300), lanczos(640, 480));  // stretched, aspect not kept
  o.width = 0, o.height = 0;
  EXPECT_EQ(plan(o, 100, 300), lanczos(100, 300));
  o.width = 50, o.height = 0;
  EXPECT_EQ(plan(o, 100, 300), lanczos(50, 150));
  o.width = 0, o.height = 75;
  EXPECT_EQ(plan(o, 100, 300), lanczos(25, 75));
  o.width = 0, o.height = 5;  // 100 * 5 / 40 = 12.5 rounds to 12
  EXPECT_EQ(plan(o, 100, 40), lanczos(12, 5));
}

TEST(PlanResize, DownsizeByPixelsWithAndWithoutPortraitSwap) {
  ResizeOptions o = method(M::DownsizeByPixels);
  const auto box = [](int w, int h) {
    return ResizePlan{w, h, ResampleFilter::Bell, ResizeKind::Box};
  };
  EXPECT_EQ(plan(o, 1200, 1600), box(480, 640));
  o.swap_portrait = false;
  EXPECT_EQ(plan(o, 1200, 1600), box(360, 480));
  o.swap_portrait = true;
  // A square is landscape: no swap, limited by the height.
  EXPECT_EQ(plan(o, 1000, 1000), box(480, 480));
  EXPECT_EQ(plan(o, 1600, 1200), box(640, 480));
  // Never grows.
  EXPECT_EQ(plan(o, 320, 240), box(320, 240));
  // Width first, then the height on that result.
  EXPECT_EQ(plan(o, 2000, 1800), box(533, 480));
  // A zero side of the box is ignored.
  o.width = 0;
  EXPECT_EQ(plan(o, 2000, 1000), box(960, 480));
}

TEST(PlanResize, UpsizeByPixelsNeverShrinks) {
  ResizeOptions o = method(M::UpsizeByPixels);
  const auto box = [](int w, int h) {
    return ResizePlan{w, h, ResampleFilter::Bell, ResizeKind::Box};
  };
  EXPECT_EQ(plan(o, 320, 240), box(640, 480));
  EXPECT_EQ(plan(o, 320, 100), box(1536, 480));  // wide enough, then tall enough
  EXPECT_EQ(plan(o, 1000, 900), box(1000, 900));
  EXPECT_EQ(plan(o, 300, 400), box(480, 640));  // portrait: the box turns
  o.swap_portrait = false;
  EXPECT_EQ(plan(o, 300, 400), box(640, 853));
}

TEST(PlanResize, NothingForAsIsAndUnrecognised) {
  EXPECT_FALSE(plan_resize(method(M::AsIs), 100, 100));
  EXPECT_FALSE(plan_resize(method(M::Unrecognised), 100, 100));
}

TEST(PlanResize, ThumbnailsKnowOnlyTheShrinkingMethods) {
  for (ResizeMethod m :
       {M::Double, M::Triple, M::Quadruple, M::UpsizeByPercent, M::UpsizeByPixels}) {
    ResizeOptions o = method(m);
    o.enlarging_methods = false;
    EXPECT_FALSE(plan_resize(o, 100, 100)) << static_cast<int>(m);
    o.keep_aspect = false;  // then like any other text: the exact size
    EXPECT_EQ(plan(o, 100, 100), (ResizePlan{640, 480, ResampleFilter::Bell}))
        << static_cast<int>(m);
  }
  ResizeOptions o = method(M::DownsizeByPixels);
  o.enlarging_methods = false;
  EXPECT_EQ(plan(o, 1280, 960).width, 640);
}

TEST(PlanResize, PixelMethodsRefuseAnEmptyImage) {
  EXPECT_THROW(plan_resize(method(M::DownsizeByPixels), 0, 0), ImageError);
  ResizeOptions o = method(M::ResizeByPixels);
  o.height = 0;
  EXPECT_THROW(plan_resize(o, 0, 10), ImageError);
}

}  // namespace
}  // namespace lumatrix
