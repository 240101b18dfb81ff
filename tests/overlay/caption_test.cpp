#include "overlay/caption.h"

#include <gtest/gtest.h>

#include <chrono>

#include "files/filename_pattern.h"
#include "overlay/text_renderer.h"
#include "test_support.h"

namespace lumatrix {
namespace {

// A placement as its text reads, where a caption of tw x th lands on a W x H image.
Point placed(std::string_view name, int W, int H, int tw, int th, Point axis) {
  return caption_position(CaptionPlacementChoice::parse(name), W, H, tw, th, axis);
}

TEST(CaptionPosition, EveryPlacementName) {
  const Point axis{11, 13};
  const auto at = [&](std::string_view name) { return placed(name, 200, 101, 50, 20, axis); };
  EXPECT_EQ(at("Top Left"), (Point{0, 0}));
  EXPECT_EQ(at("Top Center"), (Point{75, 0}));
  EXPECT_EQ(at("Top Right"), (Point{150, 0}));
  EXPECT_EQ(at("Middle Left"), (Point{0, 40}));
  EXPECT_EQ(at("Middle Center"), (Point{75, 40}));
  EXPECT_EQ(at("Middle Right"), (Point{150, 40}));
  EXPECT_EQ(at("Bottom Left"), (Point{0, 81}));
  EXPECT_EQ(at("Bottom Center"), (Point{75, 81}));
  EXPECT_EQ(at("Bottom Right"), (Point{150, 81}));
  EXPECT_EQ(at("By Axis"), axis);
  EXPECT_EQ(at("Vertical Left BottomUp"), (Point{0, 0}));
  EXPECT_EQ(at("Vertical Right TopDown"), (Point{150, 0}));
}

TEST(CaptionPosition, OnlyTheMiddleNamesAreTrimmed) {
  EXPECT_EQ(placed("Middle Left ", 200, 100, 50, 20, {}), (Point{0, 40}));
  EXPECT_EQ(placed(" Middle Right", 200, 100, 50, 20, {}), (Point{150, 40}));
  // Unmatched, and neither "Center" nor "Right" in it: the origin.
  EXPECT_EQ(placed("Top Left ", 200, 100, 50, 20, {}), (Point{0, 0}));
  EXPECT_EQ(placed("bottom left", 200, 100, 50, 20, {}), (Point{0, 0}));
  // Unmatched but corrected across by the substring tests.
  EXPECT_EQ(placed("Bottom Right ", 200, 100, 50, 20, {}), (Point{150, 0}));
  EXPECT_EQ(placed("By Center", 200, 100, 50, 20, {3, 4}), (Point{75, 0}));
}

TEST(CaptionPosition, WiderThanTheImageGoesNegative) {
  EXPECT_EQ(placed("Bottom Right", 100, 50, 131, 20, {}), (Point{-31, 30}));
  EXPECT_EQ(placed("Bottom Center", 100, 50, 131, 20, {}), (Point{-15, 30}));
}

TEST(CaptionBand, TopForTopAndVerticalNames) {
  const auto band_on_top = [](std::string_view name) {
    return CaptionPlacementChoice::parse(name).band_on_top;
  };
  EXPECT_TRUE(band_on_top("Top Right"));
  EXPECT_TRUE(band_on_top("Vertical Right TopDown"));
  EXPECT_TRUE(band_on_top("Topless"));  // any "Top" in the text
  EXPECT_FALSE(band_on_top("Middle Center"));
  EXPECT_FALSE(band_on_top("top left"));
}

TEST(CaptionText, TokensAreRecognisedWholeOnly) {
  const std::time_t now = std::time(nullptr);
  EXPECT_EQ(
      resolve_caption_text("  [filename] ", DateType::Current, "MMDDYYYY", "out.jpg", {}, now),
      "out.jpg");
  EXPECT_EQ(resolve_caption_text("Shot [DATE]", DateType::Current, "MMDDYYYY", "out.jpg", {}, now),
            "Shot [DATE]");
  EXPECT_EQ(resolve_caption_text("  as typed ", DateType::Current, "MMDDYYYY", "o", {}, now),
            "  as typed ");
}

TEST(CaptionText, DateOfTheSourceOrOfNow) {
  test::TempDir dir;
  const auto file = dir / "src.png";
  test::write_bytes(file, std::vector<uint8_t>{1});
  const std::time_t now = 1'700'000'000;  // 14/15 Nov 2023 depending on the zone
  std::tm local{};
  localtime_r(&now, &local);
  EXPECT_EQ(resolve_caption_text("[DATE]", DateType::Current, "YYYY-MM-DD", "o", file, now),
            format_date(local, "YYYY-MM-DD"));
  // The file was written today; "Creation" reads its time, not `now`.
  EXPECT_EQ(resolve_caption_text("[date]", DateTypeChoice::parse(" creation "), "YYYY-MM-DD", "o",
                                 file, now),
            format_date(*file_write_date(file), "YYYY-MM-DD"));
  EXPECT_NE(format_date(*file_write_date(file), "YYYY"), "2023");
  // "Date Taken" on a file without EXIF: its time stamp, as "Creation".
  EXPECT_EQ(resolve_caption_text("[DATE]", DateTypeChoice::parse("date taken"), "YYYY-MM-DD", "o",
                                 file, now),
            format_date(*file_write_date(file), "YYYY-MM-DD"));
  // No readable time stamp: the current date.
  EXPECT_EQ(
      resolve_caption_text("[DATE]", DateType::Creation, "DDMMYY", "o", dir / "gone.png", now),
      format_date(local, "DDMMYY"));
}

FontRecord dejavu(int pixels) {
  FontRecord font = default_caption_font();
  font.Name = "DejaVu Sans";
  font.Height = -pixels;
  return font;
}

TEST(TextRenderer, WidthIsTheSumOfAdvancesAndMargins) {
  TextRenderer& r = text_renderer();
  const FontRecord font = dejavu(16);
  Font3D style = caption_style({0, 0, 0}, false);
  const int a = r.text_width(font, style, "W"), b = r.text_width(font, style, "i");
  EXPECT_GT(a, b);
  EXPECT_EQ(r.text_width(font, style, "WiW"), 2 * a + b);
  style.CharacterMargin = 3;
  EXPECT_EQ(r.text_width(font, style, "WiW"), 2 * a + b + 9);
  EXPECT_EQ(r.text_width(font, style, ""), 0);
}

TEST(TextRenderer, HeightIsTheLineCellAndEmptyTextMeasuresAsX) {
  TextRenderer& r = text_renderer();
  const FontRecord font = dejavu(16);
  const Font3D plain = caption_style({0, 0, 0}, false);
  const int h = r.text_height(font, plain, "X");
  EXPECT_GE(h, 16);
  EXPECT_LE(h, 24);
  EXPECT_EQ(r.text_height(font, plain, ""), h);
  EXPECT_EQ(r.text_height(font, plain, "..."), h);
  // The shadow needs room below the text.
  EXPECT_GT(r.text_height(font, caption_style({0, 0, 0}, true), "X"), h);
}

TEST(TextRenderer, UnknownFamiliesFallBackToAFace) {
  FontRecord font = default_caption_font();  // "MS Sans Serif", not installed here
  const std::string file = text_renderer().face_file(font);
  EXPECT_TRUE(std::filesystem::exists(file)) << file;
  EXPECT_NE(file.find("Sans"), std::string::npos) << file;
  EXPECT_GT(text_renderer().text_width(font, caption_style({0, 0, 0}, false), "Hello"), 10);
}

TEST(TextRenderer, Utf8DecodesAndReplacesMalformedBytes) {
  EXPECT_EQ(decode_utf8("a\xC3\xA9\xE2\x82\xAC"), U"a\u00E9\u20AC");
  EXPECT_EQ(decode_utf8("\xFF"
                        "b\xC3"),
            U"\uFFFD"
            "b\uFFFD");
  EXPECT_EQ(decode_utf8("\xC0\xAF"), U"\uFFFD\uFFFD");  // overlong
}

// Pixels of `after` that differ from `before`, as a bounding box (x1, y1, x2, y2 inclusive).
struct Box {
  int x1 = 1 << 30, y1 = 1 << 30, x2 = -1, y2 = -1;
  bool empty() const { return x2 < 0; }
};
Box changed(const Raster& before, const Raster& after) {
  Box box;
  for (int y = 0; y < after.height(); ++y)
    for (int x = 0; x < after.width(); ++x)
      if (before.pixel(x, y) != after.pixel(x, y)) {
        box.x1 = std::min(box.x1, x), box.y1 = std::min(box.y1, y);
        box.x2 = std::max(box.x2, x), box.y2 = std::max(box.y2, y);
      }
  return box;
}

TEST(TextRenderer, SolidBrushFillsExactlyTheBlock) {
  TextRenderer& r = text_renderer();
  const FontRecord font = dejavu(14);
  const Font3D style = caption_style({0, 0, 0}, false);
  Raster image = test::gradient_rgb(120, 60);
  const Raster before = image;
  r.draw(image, 7, 9, "Hello", font, style, Brush{true, {255, 255, 255}});
  const Box box = changed(before, image);
  EXPECT_EQ(box.x1, 7);
  EXPECT_EQ(box.y1, 9);
  EXPECT_EQ(box.x2, 7 + r.text_width(font, style, "Hello") - 1);
  EXPECT_EQ(box.y2, 9 + r.text_height(font, style, "Hello") - 1);
}

TEST(TextRenderer, ShadowDarkensRightAndBelowTheText) {
  TextRenderer& r = text_renderer();
  const FontRecord font = dejavu(20);
  Raster plain(80, 40, PixelFormat::Rgb24), shadowed(80, 40, PixelFormat::Rgb24);
  for (Raster* image : {&plain, &shadowed})
    std::fill(image->bytes().begin(), image->bytes().end(), uint8_t{255});
  const Raster white = plain;
  r.draw(plain, 5, 5, "I", font, caption_style({255, 255, 255}, false), Brush{});
  r.draw(shadowed, 5, 5, "I", font, caption_style({255, 255, 255}, true), Brush{});
  // White text on white: only the outline shows without a shadow, and the shadow adds
  // darkening further right and down.
  const Box text = changed(white, plain), all = changed(white, shadowed);
  ASSERT_FALSE(text.empty());
  EXPECT_GT(all.x2, text.x2 + 2);
  EXPECT_GT(all.y2, text.y2);
  EXPECT_LT(shadowed.pixel(text.x2 + 3, (text.y1 + text.y2) / 2).r, 255);
}

TEST(TextRenderer, RaisedTextIsLitTowardTheLightAndLoweredTheOtherWay) {
  TextRenderer& r = text_renderer();
  const FontRecord font = dejavu(24);
  Font3D style = caption_style({128, 128, 128}, false);
  style.Antialiasing = false;
  style.Border.Height = 0;
  style.ViewDirection = 180;  // light from the west: the letter's left edge faces it
  const auto render = [&](TextSite site) {
    style.Site = site;
    Raster image(40, 40, PixelFormat::Rgb24);
    r.draw(image, 5, 5, "l", font, style, Brush{});
    return image;
  };
  const Raster flat = render(TextSite::sfpFlying);
  int edge = 0;
  while (edge < 40 && flat.pixel(edge, 20).r == 0) ++edge;
  ASSERT_LT(edge, 40);
  EXPECT_EQ(flat.pixel(edge, 20).r, 128);
  EXPECT_GT(render(TextSite::sfpRaised).pixel(edge, 20).r, 128);
  EXPECT_LT(render(TextSite::sfpLowered).pixel(edge, 20).r, 128);
}

class AddCaptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ws.processimage.raster = test::gradient_rgb(90, 50);
    settings.FontDialog1 = settings.FontDialog2 = dejavu(12);
    settings.havebackground = settings.havebackground2 = false;  // solid: the block is visible
    settings.ColorDialog1 = colour_from_rgb(255, 255, 255);
    settings.ColorDialog2 = colour_from_rgb(0, 0, 255);
  }
  int th(const std::string& text) {
    return text_renderer().text_height(settings.FontDialog1, caption_style({}, false), text);
  }
  int tw(const std::string& text) {
    return text_renderer().text_width(settings.FontDialog1, caption_style({}, false), text);
  }
  Workspace ws;
  Settings settings;
};

TEST_F(AddCaptionTest, BordersGrowTheImageForCaptionOneThenTwo) {
  settings.caption_text = "one";
  settings.Text_Alignment = "Bottom Center";
  settings.text_border = true;
  settings.caption_text2 = "two";
  settings.text_alignment2 = "Top Left";
  settings.text_border2 = true;
  add_caption(ws, settings, "x.jpg", 1);
  add_caption(ws, settings, "x.jpg", 2);
  const int h1 = th("one"), h2 = th("two");
  ASSERT_EQ(ws.processimage.width(), 90);
  ASSERT_EQ(ws.processimage.height(), 50 + h1 + h2);
  const Raster& out = ws.processimage.raster;
  const Raster source = test::gradient_rgb(90, 50);
  // Caption 2's band on top, the picture, caption 1's band below.
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 90; x += 7) ASSERT_EQ(out.pixel(x, h2 + y), source.pixel(x, y));
  EXPECT_EQ(out.pixel(89, 0), (Rgb{0, 0, 255}));
  EXPECT_EQ(out.pixel(0, h2 + 50), (Rgb{255, 255, 255}));
  EXPECT_EQ(out.pixel(89, h2 + 50 + h1 - 1), (Rgb{255, 255, 255}));
  EXPECT_TRUE(ws.resizer.empty());
  EXPECT_EQ(ws.resizer.background, (Rgb{0, 0, 255}));
}

TEST_F(AddCaptionTest, MiddleCenterInBorderIsCentredOnTheEnlargedImage) {
  settings.caption_text = "mid";
  settings.Text_Alignment = "Middle Center";
  settings.text_border = true;
  add_caption(ws, settings, "x.jpg", 1);
  const int h = th("mid"), w = tw("mid");
  ASSERT_EQ(ws.processimage.height(), 50 + h);
  Raster before = test::gradient_rgb(90, 50 + h);
  for (int y = 50; y < 50 + h; ++y)
    for (int x = 0; x < 90; ++x) before.set_pixel(x, y, {255, 255, 255});
  const Box box = changed(before, ws.processimage.raster);
  EXPECT_EQ(box.x1, (90 - w) / 2);
  EXPECT_EQ(box.y1, (50 + h - h) / 2);
}

TEST_F(AddCaptionTest, VerticalCaptionsRunAlongTheSideEdges) {
  settings.caption_text = "up";
  settings.Text_Alignment = "Vertical Left BottomUp";
  add_caption(ws, settings, "x.jpg", 1);
  Box box = changed(test::gradient_rgb(90, 50), ws.processimage.raster);
  EXPECT_EQ(box.x1, 0);
  EXPECT_EQ(box.x2, th("up") - 1);
  EXPECT_EQ(box.y1, 50 - tw("up"));
  EXPECT_EQ(box.y2, 49);

  ws.processimage.raster = test::gradient_rgb(90, 50);
  settings.Text_Alignment = "Vertical Right TopDown";
  add_caption(ws, settings, "x.jpg", 1);
  box = changed(test::gradient_rgb(90, 50), ws.processimage.raster);
  EXPECT_EQ(box.x1, 90 - th("up"));
  EXPECT_EQ(box.x2, 89);
  EXPECT_EQ(box.y1, 50 - tw("up"));
  EXPECT_EQ(box.y2, 49);
}

TEST_F(AddCaptionTest, VerticalInBorderPutsTheBandAlongTheEdge) {
  settings.caption_text = "side";
  settings.Text_Alignment = "Vertical Right TopDown";
  settings.text_border = true;
  add_caption(ws, settings, "x.jpg", 1);
  const int h = th("side");
  ASSERT_EQ(ws.processimage.width(), 90 + h);
  ASSERT_EQ(ws.processimage.height(), 50);
  const Raster source = test::gradient_rgb(90, 50);
  EXPECT_EQ(ws.processimage.raster.pixel(0, 0), source.pixel(0, 0));
  EXPECT_EQ(ws.processimage.raster.pixel(89, 49), source.pixel(89, 49));
  EXPECT_EQ(ws.processimage.raster.pixel(90 + h - 1, 0), (Rgb{255, 255, 255}));
}

TEST_F(AddCaptionTest, WideCaptionAtBottomRightIsClippedOnTheLeft) {
  settings.caption_text = "A caption much wider than the image";
  settings.Text_Alignment = "Bottom Right";
  ASSERT_GT(tw(settings.caption_text.text()), 90);
  add_caption(ws, settings, "x.jpg", 1);
  const Box box = changed(test::gradient_rgb(90, 50), ws.processimage.raster);
  EXPECT_EQ(box.x1, 0);
  EXPECT_EQ(box.x2, 89);
  EXPECT_EQ(box.y1, 50 - th(settings.caption_text.text()));
}

}  // namespace
}  // namespace lumatrix
