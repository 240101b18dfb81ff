#include "imaging/adjustments.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "adjust/pictures.h"
#include "base/image_error.h"
#include "test_support.h"

namespace lumatrix {
namespace {

// The pages whose initial values are an effect rather than "no change".
bool changes_at_initial_values(std::string_view page) {
  return page == "Equalization" || page == "Bump map";
}

TEST(AdjustmentTable, PagesInTheDialogsOrderAndTheTwoCommandsShareThemOut) {
  const char* order[] = {"Contrast", "HSV",  "HSL",  "RGB",           "User filter", "Equalization",
                         "Bump map", "Lens", "Wave", "Morph filters", "Rotate",      "FFT"};
  ASSERT_EQ(adjustments().size(), std::size(order));
  for (size_t i = 0; i < std::size(order); ++i) {
    EXPECT_EQ(adjustments()[i].page, order[i]);
    EXPECT_EQ(find_adjustment(order[i]), &adjustments()[i]);
  }
  EXPECT_EQ(find_adjustment("contrast"), nullptr);
  EXPECT_EQ(find_adjustment(""), nullptr);

  // Every page is offered by exactly one of the two commands.
  std::multiset<std::string_view> offered;
  for (std::string_view p : colour_adjustment_pages()) offered.insert(p);
  for (std::string_view p : effect_pages()) offered.insert(p);
  for (const char* page : order) EXPECT_EQ(offered.count(page), 1u) << page;
  EXPECT_EQ(offered.size(), std::size(order));
  EXPECT_EQ(colour_adjustment_pages().front(), "Contrast");
  EXPECT_EQ(colour_adjustment_pages().back(), "FFT");
  EXPECT_EQ(effect_pages().front(), "User filter");
  EXPECT_EQ(effect_pages().back(), "Rotate");
}

TEST(AdjustmentTable, EveryParameterIsWellFormedAndStartsInItsRange) {
  for (const Adjustment& a : adjustments()) {
    SCOPED_TRACE(std::string(a.page));
    ASSERT_NE(a.apply, nullptr);
    ASSERT_FALSE(a.params.empty());
    const AdjustmentValues initial = initial_values(a);
    ASSERT_EQ(initial.size(), a.params.size());
    std::set<std::string_view> names;
    for (size_t i = 0; i < a.params.size(); ++i) {
      const AdjustmentParam& p = a.params[i];
      EXPECT_TRUE(names.insert(p.name).second) << "duplicate " << p.name;
      EXPECT_FALSE(p.label.empty());
      EXPECT_LT(p.minimum, p.maximum) << p.name;
      EXPECT_GE(initial[i], p.minimum) << p.name;
      EXPECT_LE(initial[i], p.maximum) << p.name;
      switch (p.kind) {
        case AdjustmentParamKind::Boolean:
          EXPECT_EQ(p.minimum, 0);
          EXPECT_EQ(p.maximum, 1);
          break;
        case AdjustmentParamKind::Choice:
          ASSERT_GE(p.choices.size(), 2u) << p.name;
          EXPECT_EQ(p.minimum, 0);
          EXPECT_EQ(p.maximum, static_cast<int>(p.choices.size()) - 1);
          break;
        case AdjustmentParamKind::Colour:
          EXPECT_EQ(p.maximum, 0xFFFFFF);
          break;
        case AdjustmentParamKind::Integer:
          EXPECT_TRUE(p.choices.empty());
          break;
      }
    }
  }
}

TEST(AdjustmentTable, InitialValuesLeaveThePictureAsItWasWhereThePageHasANeutral) {
  for (const Adjustment& a : adjustments()) {
    SCOPED_TRACE(std::string(a.page));
    ImageDocument doc = test::document_of(test::with_ramp_alpha(test::gradient_rgb(9, 6)));
    const Raster before = doc.raster;
    a.apply(doc, initial_values(a));
    if (changes_at_initial_values(a.page))
      EXPECT_NE(doc.raster, before);
    else
      EXPECT_EQ(doc.raster, before);
    // Either way one undo step brings the picture back.
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.raster, before);
  }
}

TEST(AdjustmentTable, ValuesOutOfRangeOrOfTheWrongCountAreRefused) {
  for (const Adjustment& a : adjustments()) {
    SCOPED_TRACE(std::string(a.page));
    ImageDocument doc = test::document_of(test::gradient_rgb(4, 4));
    const Raster before = doc.raster;
    for (size_t i = 0; i < a.params.size(); ++i) {
      AdjustmentValues values = initial_values(a);
      values[i] = a.params[i].maximum + 1;
      EXPECT_THROW(a.apply(doc, values), ImageError) << a.params[i].name;
      values[i] = a.params[i].minimum - 1;
      EXPECT_THROW(a.apply(doc, values), ImageError) << a.params[i].name;
    }
    AdjustmentValues too_many = initial_values(a);
    too_many.push_back(0);
    EXPECT_THROW(a.apply(doc, too_many), ImageError);
    EXPECT_THROW(a.apply(doc, {}), ImageError);
    // A refusal leaves the picture and its undo step alone.
    EXPECT_EQ(doc.raster, before);
    EXPECT_FALSE(doc.can_undo());
  }
  const Adjustment& rgb = *find_adjustment("RGB");
  EXPECT_EQ(test::error_of([&] {
              ImageDocument doc;
              rgb.apply(doc, {0, 256, 0});
            }),
            "RGB: Green must be from -255 to 255, not 256");
}

TEST(AdjustmentTable, EveryPageWorksOnPalettePicturesAndKeepsTransparency) {
  for (const Adjustment& a : adjustments()) {
    SCOPED_TRACE(std::string(a.page));
    // Values away from the neutral: each parameter a third of the way into its range.
    AdjustmentValues values = initial_values(a);
    for (size_t i = 0; i < values.size(); ++i)
      if (a.params[i].kind == AdjustmentParamKind::Integer)
        values[i] = a.params[i].minimum + (a.params[i].maximum - a.params[i].minimum) * 2 / 3;
    ImageDocument doc = test::document_of(test::with_ramp_alpha(test::paletted(12, 10, 7)));
    const Raster before = doc.raster;
    a.apply(doc, values);
    EXPECT_EQ(doc.raster.format(), PixelFormat::Rgb24);
    ASSERT_TRUE(doc.raster.has_alpha());
    if (a.page != "Rotate") {
      ASSERT_EQ(doc.width(), before.width());
      ASSERT_EQ(doc.height(), before.height());
    }
    // Pages that move no pixels keep the alpha plane exactly.
    if (a.page != "Lens" && a.page != "Wave" && a.page != "Rotate") {
      for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
          ASSERT_EQ(doc.raster.alpha_row(y)[x], before.alpha_row(y)[x]);
    }
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.raster, before);  // the conversion to 24 bits is undone too
  }
}

TEST(AdjustmentTable, PreviewValuesFollowTheDownscaledCopy) {
  // A quarter-size copy: a radius of 8 pixels is 2 there; 5 % of the full picture's highest
  // frequency is 20 % of the copy's (the same cycles across the picture), at most 100 %.
  const Adjustment& morph = *find_adjustment("Morph filters");
  EXPECT_EQ(preview_values(morph, {1, 8}, 0.25), (AdjustmentValues{1, 2}));
  const Adjustment& fft = *find_adjustment("FFT");
  EXPECT_EQ(preview_values(fft, {0, 5, 1}, 0.25), (AdjustmentValues{0, 20, 1}));
  EXPECT_EQ(preview_values(fft, {1, 50, 0}, 0.25), (AdjustmentValues{1, 100, 0}));
  // Angles, colours and parts of the size do not depend on it; a full-size copy changes nothing.
  const Adjustment& wave = *find_adjustment("Wave");
  EXPECT_EQ(preview_values(wave, {40, 10, 90, 2}, 0.25), (AdjustmentValues{40, 10, 90, 2}));
  EXPECT_EQ(preview_values(fft, {0, 5, 1}, 1.0), (AdjustmentValues{0, 5, 1}));
}

}  // namespace
}  // namespace lumatrix
