#include "imaging/resize_plan.h"

#include <gtest/gtest.h>

#include "base/image_error.h"

namespace lumatrix {
namespace {

ResizeOptions method(std::string_view text) {
  ResizeOptions o;
  o.method = text;
  o.filter = ResampleFilter::Bell;
  return o;
}

ResizePlan plan(const ResizeOptions& o, int w, int h) {
  const auto p = plan_resize(o, w, h);
  EXPECT_TRUE(p.has_value()) << o.method;
  return p.value_or(ResizePlan{-99, -99});
}

TEST(ResampleFilterFor, NamesTrimmedAndLowerCasedOthersLanczos) {
  EXPECT_EQ(resample_filter_for("None"), ResampleFilter::None);
  EXPECT_EQ(resample_filter_for("  TRIANGLE "), ResampleFilter::Triangle);
  EXPECT_EQ(resample_filter_for("Hermite"), ResampleFilter::Hermite);
  EXPECT_EQ(resample_filter_for("bell"), ResampleFilter::Bell);
  EXPECT_EQ(resample_filter_for("BSpline"), ResampleFilter::BSpline);
  EXPECT_EQ(resample_filter_for("Lanczos3"), ResampleFilter::Lanczos3);
  EXPECT_EQ(resample_filter_for("bicubic"), ResampleFilter::Lanczos3);
  EXPECT_EQ(resample_filter_for(""), ResampleFilter::Lanczos3);
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
  EXPECT_EQ(plan(method("1/4x"), 10, 6), (ResizePlan{2, 2, ResampleFilter::Bell}));
  EXPECT_EQ(plan(method(" 1/3X "), 1000, 750), (ResizePlan{333, 250, ResampleFilter::Bell}));
  EXPECT_EQ(plan(method("1/2x"), 5, 7), (ResizePlan{2, 4, ResampleFilter::Bell}));
  EXPECT_EQ(plan(method("3/4x"), 1001, 1002), (ResizePlan{751, 752, ResampleFilter::Bell}));
  EXPECT_EQ(plan(method("2x"), 7, 5), (ResizePlan{14, 10, ResampleFilter::Bell}));
  EXPECT_EQ(plan(method("3x"), 7, 5), (ResizePlan{21, 15, ResampleFilter::Bell}));
  EXPECT_EQ(plan(method("4x"), 7, 5), (ResizePlan{28, 20, ResampleFilter::Bell}));
}

TEST(PlanResize, PercentagesIncludingTheDegenerateOnes) {
  ResizeOptions o = method("Downsize by %");
  o.percentage = 25;
  EXPECT_EQ(plan(o, 200, 101), (ResizePlan{150, 76, ResampleFilter::Bell}));
  o.percentage = 100;
  EXPECT_EQ(plan(o, 200, 100), (ResizePlan{0, 0, ResampleFilter::Bell}));
  o.percentage = 150;  // negative sizes: resample takes their absolute value
  EXPECT_EQ(plan(o, 200, 100), (ResizePlan{-100, -50, ResampleFilter::Bell}));

  o = method("upsize by %");
  o.percentage = 0;
  EXPECT_EQ(plan(o, 200, 100), (ResizePlan{200, 100, ResampleFilter::Bell}));
  o.percentage = 50;
  EXPECT_EQ(plan(o, 200, 100), (ResizePlan{300, 150, ResampleFilter::Bell}));
}

TEST(PlanResize, WithoutAspectRatioEveryOtherMethodGoesToTheExactSize) {
  for (std::string_view m :
       {"Resize by Pixels", "Downsize by Pixels", "Upsize by Pixels", "something else"}) {
    ResizeOptions o = method(m);
    o.keep_aspect = false;
    o.width = 0;
    o.height = 30;
    const ResizePlan p = plan(o, 320, 240);
    EXPECT_EQ(p, (ResizePlan{0, 30, ResampleFilter::Bell, ResizeKind::Direct})) << m;
  }
  // Fixed factors and percentages come first and ignore the flag.
  ResizeOptions o = method("1/2x");
  o.keep_aspect = false;
  EXPECT_EQ(plan(o, 320, 240), (ResizePlan{160, 120, ResampleFilter::Bell}));
}

TEST(PlanResize, ResizeByPixelsAlwaysLanczos3) {
  ResizeOptions o = method("Resize by Pixels");
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
  ResizeOptions o = method("Downsize by Pixels");
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
  ResizeOptions o = method("Upsize by Pixels");
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

TEST(PlanResize, NothingForAsIsAndUnknownTexts) {
  EXPECT_FALSE(plan_resize(method("As Is"), 100, 100));
  EXPECT_FALSE(plan_resize(method("5x"), 100, 100));
}

TEST(PlanResize, ThumbnailsKnowOnlyTheShrinkingMethods) {
  for (std::string_view m : {"2x", "4x", "Upsize by %", "Upsize by Pixels"}) {
    ResizeOptions o = method(m);
    o.enlarging_methods = false;
    EXPECT_FALSE(plan_resize(o, 100, 100)) << m;
    o.keep_aspect = false;  // then like any other text: the exact size
    EXPECT_EQ(plan(o, 100, 100), (ResizePlan{640, 480, ResampleFilter::Bell})) << m;
  }
  ResizeOptions o = method("Downsize by Pixels");
  o.enlarging_methods = false;
  EXPECT_EQ(plan(o, 1280, 960).width, 640);
}

TEST(PlanResize, PixelMethodsRefuseAnEmptyImage) {
  EXPECT_THROW(plan_resize(method("Downsize by Pixels"), 0, 0), ImageError);
  ResizeOptions o = method("Resize by Pixels");
  o.height = 0;
  EXPECT_THROW(plan_resize(o, 0, 10), ImageError);
}

}  // namespace
}  // namespace lumatrix
