// Pages from frames SANE's test backend does not send: exact 16-bit rounding, 1-bit colour,
// ragged three-pass planes, and frames that do not go together.
#include "extras/scan_page_builder.h"

#include <gtest/gtest.h>

#include <cstring>

#include "extras/scanner.h"
#include "test_support.h"

namespace lumatrix {
namespace {

std::vector<uint8_t> samples16(std::initializer_list<uint16_t> values) {
  std::vector<uint8_t> bytes(values.size() * 2);
  std::memcpy(bytes.data(), std::data(values), bytes.size());  // the machine's byte order
  return bytes;
}

// The reason a page made of `frames` (each with its bytes) is refused, or "built".
std::string refusal(const std::vector<std::pair<ScanFrame, std::vector<uint8_t>>>& frames) {
  ScanPageBuilder builder("fake:0");
  try {
    for (const auto& [frame, bytes] : frames) {
      builder.begin_frame(frame);
      builder.add(bytes);
    }
    builder.finish(std::nullopt);
  } catch (const ScanError& e) {
    EXPECT_EQ(e.device(), "fake:0");
    return e.reason();
  }
  return "built";
}

TEST(ScanPageBuilder, SixteenBitGreyRoundsToEightBits) {
  ScanPageBuilder builder("fake:0");
  builder.begin_frame({ScanFrameKind::Gray, 16, 5, 10, 1});
  builder.add(samples16({0, 128, 129, 65535, 257 * 100 + 128}));
  const ImageDocument page = builder.finish(300);
  ASSERT_EQ(page.raster.format(), PixelFormat::Gray8);
  const uint8_t* row = page.raster.row(0);
  EXPECT_EQ(std::vector<uint8_t>(row, row + 5), (std::vector<uint8_t>{0, 0, 1, 255, 100}));
  EXPECT_EQ(page.params.dpi_x, 300);
  EXPECT_EQ(page.params.width, 5);
  EXPECT_EQ(page.params.height, 1);
}

TEST(ScanPageBuilder, OneBitGreyIsLineArtAndOneBitColourIsFullIntensity) {
  ScanPageBuilder grey("fake:0");
  // 10 pixels: black and white by turns, then two black; the device leaves the rest clear.
  grey.begin_frame({ScanFrameKind::Gray, 1, 10, 2, 1});
  grey.add(std::vector<uint8_t>{0b10101010, 0b11000000});
  const Raster line_art = grey.finish(std::nullopt).raster;
  ASSERT_EQ(line_art.format(), PixelFormat::Bit1);
  const Rgb black{0, 0, 0}, white{255, 255, 255};
  for (int x = 0; x < 10; ++x)
    EXPECT_EQ(line_art.pixel(x, 0), (x % 2 == 0 || x >= 8) ? black : white) << x;
  EXPECT_EQ(line_art.row(0)[1] & 0x3F, 0) << "bits beyond the width";

  ScanPageBuilder colour("fake:0");
  // Three pixels of three bits each: red, cyan, white.
  colour.begin_frame({ScanFrameKind::Rgb, 1, 3, 2, 1});
  colour.add(std::vector<uint8_t>{0b10001111, 0b10000000});
  const Raster rgb = colour.finish(std::nullopt).raster;
  ASSERT_EQ(rgb.format(), PixelFormat::Rgb24);
  EXPECT_EQ(rgb.pixel(0, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(rgb.pixel(1, 0), (Rgb{0, 255, 255}));
  EXPECT_EQ(rgb.pixel(2, 0), (Rgb{255, 255, 255}));
}

TEST(ScanPageBuilder, PlanesInAnyOrderAndTheShortestPlaneSetsTheHeight) {
  const Raster expected = test::gradient_rgb(4, 3);
  ScanPageBuilder builder("fake:0");
  // A hand scanner's planes: green three lines, blue three and a half, red four.
  struct Plane {
    ScanFrameKind kind;
    int channel, lines;
  };
  for (const auto [kind, channel, lines] :
       {Plane{ScanFrameKind::Green, 1, 3}, Plane{ScanFrameKind::Blue, 2, 3},
        Plane{ScanFrameKind::Red, 0, 4}}) {
    builder.begin_frame({kind, 8, 4, 5, -1});
    for (int y = 0; y < lines; ++y) {
      std::vector<uint8_t> line(5, 0xEE);
      for (int x = 0; x < 4; ++x) line[x] = expected.row(std::min(y, 2))[3 * x + channel];
      builder.add(line);
    }
    if (kind == ScanFrameKind::Blue) builder.add(std::vector<uint8_t>{1, 2});
  }
  EXPECT_EQ(builder.expected(), -1);
  EXPECT_EQ(builder.finish(std::nullopt).raster, expected);
}

TEST(ScanPageBuilder, BytesArriveInPiecesOfAnySize) {
  const Raster expected = test::gradient_rgb(7, 5);
  ScanPageBuilder builder("fake:0");
  builder.begin_frame({ScanFrameKind::Rgb, 8, 7, 21, 5});
  const std::span<const uint8_t> all = expected.bytes();
  for (size_t at = 0, piece = 1; at < all.size(); at += piece, piece = piece % 13 + 1)
    builder.add(all.subspan(at, std::min(piece, all.size() - at)));
  EXPECT_EQ(builder.received(), 105);
  EXPECT_EQ(builder.expected(), 105);
  EXPECT_EQ(builder.finish(std::nullopt).raster, expected);
}

TEST(ScanPageBuilder, FramesThatDoNotMakeAPageAreRefusedWithTheReason) {
  const ScanFrame grey{ScanFrameKind::Gray, 8, 2, 2, 1};
  const ScanFrame red{ScanFrameKind::Red, 8, 2, 2, 1};
  const ScanFrame green{ScanFrameKind::Green, 8, 2, 2, 1};
  const std::vector<uint8_t> line{1, 2};
  EXPECT_EQ(refusal({{grey, line}}), "built");
  EXPECT_EQ(refusal({{{ScanFrameKind::Gray, 4, 2, 1, 1}, line}}),
            "samples of 4 bits are not supported");
  EXPECT_EQ(refusal({{{ScanFrameKind::Rgb, 8, 2, 5, 1}, line}}),
            "lines of 5 bytes cannot hold 2 pixels");
  EXPECT_EQ(refusal({{{ScanFrameKind::Gray, 8, 0, 2, 1}, line}}),
            "the device announced a page of 0 pixels by 1 lines");
  EXPECT_EQ(refusal({{grey, line}, {grey, line}}), "a grey frame followed a grey frame");
  EXPECT_EQ(refusal({{red, line}, {red, line}}), "the red frame came twice");
  EXPECT_EQ(refusal({{red, line}, {{ScanFrameKind::Green, 16, 2, 4, 1}, line}}),
            "the colour frames differ in width or depth");
  EXPECT_EQ(refusal({{red, line}, {green, line}}),
            "the three-pass scan ended without its blue frame");
  EXPECT_EQ(refusal({{grey, {1}}}), "the device sent no whole image line");
  EXPECT_EQ(refusal({}), "the device sent no image");
}

TEST(ScanPageBuilder, PagesAboveThePixelLimitAreRefusedBeforeTheyGrow) {
  const uint64_t before = pixel_limit();
  set_pixel_limit(100);
  // Announced too large, and too large only as the lines of an unknown length arrive.
  EXPECT_EQ(refusal({{{ScanFrameKind::Gray, 8, 10, 10, 11}, {}}}),
            "image of 10x11 pixels exceeds the limit of 100 pixels");
  EXPECT_EQ(refusal({{{ScanFrameKind::Gray, 8, 10, 10, -1}, std::vector<uint8_t>(101)}}),
            "image of 10x11 pixels exceeds the limit of 100 pixels");
  EXPECT_EQ(refusal({{{ScanFrameKind::Gray, 8, 10, 10, -1}, std::vector<uint8_t>(100)}}), "built");
  set_pixel_limit(before);
}

}  // namespace
}  // namespace lumatrix
