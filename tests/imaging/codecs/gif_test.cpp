#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cmath>

#include "base/image_error.h"
#include "imagemagick_reference.h"
#include "imaging/codecs/codecs.h"
#include "imaging/image_document.h"
#include "imaging/quantize.h"
#include "test_support.h"

namespace lumatrix {
namespace {

Raster decode(std::span<const uint8_t> bytes, IOParams* params = nullptr) {
  IOParams p;
  Raster r = decode_gif(bytes, p);
  if (params) *params = p;
  return r;
}

Raster palette_image(int width, int height, int colours) {
  Raster r(width, height, PixelFormat::Palette8);
  for (int i = 0; i < colours; ++i)
    r.palette.push_back(
        {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3)});
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) r.row(y)[x] = static_cast<uint8_t>((x * 7 + y * 13) % colours);
  return r;
}

// A 24-bit picture of exactly `colours` colours.
Raster few_colours(int width, int height, int colours) {
  Raster r(width, height, PixelFormat::Rgb24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int k = (x + y * width) % colours;
      r.set_pixel(x, y, {static_cast<uint8_t>(k * 5), static_cast<uint8_t>(k * 97 % 256), 77});
    }
  return r;
}

// Writes a GIF with giflib directly, for layouts our encoder does not produce: a frame with its
// own colour table placed inside a larger screen.
std::vector<uint8_t> giflib_file(const test::TempDir& dir, int screen_w, int screen_h,
                                 int background, int left, int top, int w, int h,
                                 const std::vector<GifColorType>& local_colours, int transparent,
                                 const std::vector<uint8_t>& indices) {
  const auto path = dir / "giflib.gif";
  int error = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
  EXPECT_NE(gif, nullptr);
  ColorMapObject* map =
      GifMakeMapObject(static_cast<int>(local_colours.size()), local_colours.data());
  EGifSetGifVersion(gif, true);
  EXPECT_EQ(EGifPutScreenDesc(gif, screen_w, screen_h, 8, background, nullptr), GIF_OK);
  if (transparent >= 0) {
    GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, transparent};
    GifByteType ext[4];
    EGifGCBToExtension(&gcb, ext);
    EXPECT_EQ(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext), GIF_OK);
  }
  EXPECT_EQ(EGifPutImageDesc(gif, left, top, w, h, false, map), GIF_OK);
  std::vector<GifPixelType> line(static_cast<size_t>(w));
  for (int y = 0; y < h; ++y) {
    std::copy_n(indices.begin() + static_cast<ptrdiff_t>(y) * w, w, line.begin());
    EXPECT_EQ(EGifPutLine(gif, line.data(), w), GIF_OK);
  }
  EXPECT_EQ(EGifCloseFile(gif, &error), GIF_OK);
  GifFreeMapObject(map);
  return test::read_bytes(path);
}

TEST(GifCodec, RoundTripsEachRasterKindInterlacedOrNot) {
  Raster bits(13, 19, PixelFormat::Bit1);
  bits.palette = {{200, 10, 10}, {10, 10, 200}};
  for (int y = 0; y < 19; ++y)
    for (int x = 0; x < 13; ++x)
      if ((x + y) % 3 == 0) bits.row(y)[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  Raster grey(30, 17, PixelFormat::Gray8);
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 30; ++x) grey.row(y)[x] = static_cast<uint8_t>(x * 8 + y);
  struct Case {
    const char* name;
    Raster raster;
    int bits;
  };
  const Case cases[] = {
      {"256-colour palette", palette_image(41, 23, 256), 8},
      {"5-colour palette", palette_image(20, 9, 5), 3},
      {"1-bit", bits, 1},
      {"grey", grey, 8},
      {"24-bit, 256 colours", few_colours(33, 21, 256), 8},
      {"24-bit, 3 colours", few_colours(10, 10, 3), 2},
  };
  test::TempDir dir;
  for (const Case& c : cases) {
    for (bool interlaced : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (interlaced ? ", interlaced" : ""));
      IOParams params;
      params.gif_interlaced = interlaced;
      const std::vector<uint8_t> bytes = encode_gif(c.raster, params, ".gif");
      IOParams read;
      const Raster back = decode(bytes, &read);
      EXPECT_TRUE(test::same_pixels(back, c.raster));
      EXPECT_EQ(read.gif_interlaced, interlaced);
      EXPECT_FALSE(read.gif_transparent);
      EXPECT_EQ(read.bits_per_sample, c.bits);
      EXPECT_EQ(read.width, c.raster.width());
      EXPECT_EQ(read.height, c.raster.height());
      if (c.raster.format() == PixelFormat::Palette8) {
        // Indices and colours are kept as they are, not merely the look.
        EXPECT_EQ(std::vector<uint8_t>(back.bytes().begin(), back.bytes().end()),
                  std::vector<uint8_t>(c.raster.bytes().begin(), c.raster.bytes().end()));
        EXPECT_TRUE(
            std::equal(c.raster.palette.begin(), c.raster.palette.end(), back.palette.begin()));
      }
      const auto file = dir / "out.gif";
      test::write_bytes(file, bytes);
      EXPECT_TRUE(test::same_pixels(back, test::imagemagick_decode(file)));
    }
  }
}

TEST(GifCodec, MoreThan256ColoursAreReducedLikeTheColourDepthStep) {
  // A smooth picture of some 8000 colours.
  Raster source(128, 64, PixelFormat::Rgb24);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 128; ++x)
      source.set_pixel(
          x, y,
          {static_cast<uint8_t>(2 * x), static_cast<uint8_t>(4 * y), static_cast<uint8_t>(x + y)});
  ASSERT_GT(count_colours(source, 256), 256);
  const Raster back = decode(encode_gif(source, IOParams{}, ".gif"));
  EXPECT_LE(count_colours(back.to_rgb24(), 256), 256);

  ImageDocument doc;
  doc.auto_undo = false;
  doc.raster = source;
  convert_to(doc, 256);
  EXPECT_TRUE(test::same_pixels(back, doc.raster));

  double error = 0;
  for (int y = 0; y < source.height(); ++y)
    for (int x = 0; x < source.width(); ++x) {
      const Rgb a = source.pixel(x, y), b = back.pixel(x, y);
      error += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
    }
  EXPECT_LT(error / (3.0 * source.width() * source.height()), 6.0);
}

TEST(GifCodec, AlphaBelowHalfBecomesOneTransparentIndex) {
  Raster source = few_colours(16, 11, 40);
  source.add_alpha();
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 16; ++x) source.alpha_row(y)[x] = static_cast<uint8_t>(x * 17);
  const std::vector<uint8_t> bytes = encode_gif(source, IOParams{}, ".gif");
  IOParams read;
  const Raster back = decode(bytes, &read);
  ASSERT_TRUE(back.has_alpha());
  EXPECT_TRUE(read.gif_transparent);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 16; ++x) {
      const bool clear = source.alpha_row(y)[x] < 128;
      ASSERT_EQ(back.alpha_row(y)[x], clear ? 0 : 255) << x << "," << y;
      if (!clear) {
        ASSERT_EQ(back.pixel(x, y), source.pixel(x, y)) << x << "," << y;
      }
    }
  test::TempDir dir;
  const auto file = dir / "alpha.gif";
  test::write_bytes(file, bytes);
  const Raster im = test::imagemagick_decode(file, true);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(im.alpha_row(y)[x], back.alpha_row(y)[x]);
}

TEST(GifCodec, AFullPaletteGivesUpItsLeastUsedEntryForTransparency) {
  // Every index is used twice, except 5 (once, at 5,0) and 6 (three times; the one at 5,4 is
  // transparent). 6 is the colour nearest to 5.
  Raster source = palette_image(64, 8, 256);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 64; ++x) source.row(y)[x] = static_cast<uint8_t>(x + 64 * y);
  source.palette[6] = {5, 250, 16};
  source.row(4)[5] = 6;
  source.add_alpha();
  source.alpha_row(4)[5] = 0;
  const Raster back = decode(encode_gif(source, IOParams{}, ".gif"));
  ASSERT_TRUE(back.has_alpha());
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 64; ++x) {
      if (x == 5 && y == 4) {
        EXPECT_EQ(back.alpha_row(y)[x], 0);
      } else if (x == 5 && y == 0) {
        EXPECT_EQ(back.pixel(x, y), source.palette[6]);  // the nearest colour took it over
      } else {
        ASSERT_EQ(back.pixel(x, y), source.pixel(x, y)) << x << "," << y;
        ASSERT_EQ(back.alpha_row(y)[x], 255);
      }
    }
}

TEST(GifCodec, TransparentColourParameterMarksThatColour) {
  const Raster source = few_colours(12, 7, 6);
  IOParams params;
  params.gif_transparent = true;
  params.gif_transparent_color = source.pixel(2, 0);
  const std::vector<uint8_t> bytes = encode_gif(source, params, ".gif");
  IOParams read;
  const Raster back = decode(bytes, &read);
  EXPECT_TRUE(read.gif_transparent);
  EXPECT_EQ(read.gif_transparent_color, params.gif_transparent_color);
  ASSERT_TRUE(back.has_alpha());
  int clear = 0;
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 12; ++x) {
      const bool marked = source.pixel(x, y) == params.gif_transparent_color;
      EXPECT_EQ(back.alpha_row(y)[x], marked ? 0 : 255);
      clear += marked;
    }
  EXPECT_EQ(clear, 14);

  // A colour the picture does not have makes nothing transparent.
  params.gif_transparent_color = {1, 2, 3};
  IOParams none;
  EXPECT_FALSE(decode(encode_gif(source, params, ".gif"), &none).has_alpha());
  EXPECT_FALSE(none.gif_transparent);
}

TEST(GifCodec, ResavingKeepsOpaquePixelsThatShareTheTransparentColour) {
  // Index 3 is transparent and has the same colour as the opaque index 1.
  test::TempDir dir;
  const std::vector<GifColorType> colours = {{1, 1, 1}, {200, 0, 0}, {0, 200, 0}, {200, 0, 0}};
  IOParams params;
  const Raster first =
      decode(giflib_file(dir, 3, 2, 0, 0, 0, 3, 2, colours, 3, {1, 2, 3, 2, 3, 1}), &params);
  ASSERT_TRUE(params.gif_transparent);
  IOParams again;
  const Raster second = decode(encode_gif(first, params, ".gif"), &again);
  EXPECT_TRUE(again.gif_transparent);
  EXPECT_TRUE(test::same_pixels(second, first));
  EXPECT_EQ(second.alpha_row(0)[0], 255);
  EXPECT_EQ(second.alpha_row(0)[2], 0);
}

TEST(GifCodec, DecodesImageMagickFilesAsImageMagickDoes) {
  test::TempDir dir;
  const auto source = dir / "source.png";
  test::imagemagick("-size 37x29 gradient:orange-navy -fill red -draw 'circle 18,9 18,3' " +
                    test::shell_quote(source.string()));
  struct Case {
    std::string options;
    bool interlaced, transparent;
  };
  const Case cases[] = {
      {"", false, false},
      {"-interlace GIF", true, false},
      {"-colors 16", false, false},
      {"-fill white -draw 'rectangle 2,2 9,9' -transparent white", false, true},
      {"-interlace GIF -fill white -draw 'rectangle 2,2 9,9' -transparent white", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    const auto file = dir / "im.gif";
    test::imagemagick(test::shell_quote(source.string()) + " " + c.options + " " +
                      test::shell_quote(file.string()));
    IOParams params;
    const Raster ours = decode(test::read_bytes(file), &params);
    EXPECT_EQ(params.gif_interlaced, c.interlaced);
    EXPECT_EQ(params.gif_transparent, c.transparent);
    EXPECT_EQ(ours.has_alpha(), c.transparent);
    const Raster im = test::imagemagick_decode(file, c.transparent);
    if (!c.transparent) {
      EXPECT_TRUE(test::same_pixels(ours, im));
      continue;
    }
    // Transparent pixels may carry any colour; compare alpha everywhere, colour where opaque.
    ASSERT_EQ(im.width(), ours.width());
    for (int y = 0; y < ours.height(); ++y)
      for (int x = 0; x < ours.width(); ++x) {
        ASSERT_EQ(ours.alpha_row(y)[x], im.alpha_row(y)[x]) << x << "," << y;
        if (ours.alpha_row(y)[x] != 0) {
          ASSERT_EQ(ours.pixel(x, y), im.pixel(x, y)) << x << "," << y;
        }
      }
  }
}

TEST(GifCodec, ReadsTheFirstFrameOnly) {
  test::TempDir dir;
  const auto file = dir / "anim.gif";
  test::imagemagick("-size 6x4 xc:red xc:blue " + test::shell_quote(file.string()));
  const Raster r = decode(test::read_bytes(file));
  EXPECT_EQ(r.pixel(5, 3), (Rgb{255, 0, 0}));
}

TEST(GifCodec, PlacesASmallFrameOnTheScreen) {
  test::TempDir dir;
  const std::vector<GifColorType> colours = {{1, 1, 1}, {200, 0, 0}, {0, 200, 0}, {0, 0, 200}};
  const std::vector<uint8_t> indices = {1, 2, 3, 2, 3, 1};  // a 3x2 frame
  // Screen 6x5 with background index 2; the frame has its own colour table.
  IOParams params;
  Raster r = decode(giflib_file(dir, 6, 5, 2, 2, 1, 3, 2, colours, -1, indices), &params);
  EXPECT_EQ(params.width, 6);
  EXPECT_EQ(params.height, 5);
  EXPECT_FALSE(r.has_alpha());
  EXPECT_EQ(r.pixel(0, 0), (Rgb{0, 200, 0}));  // background
  EXPECT_EQ(r.pixel(2, 1), (Rgb{200, 0, 0}));
  EXPECT_EQ(r.pixel(4, 2), (Rgb{200, 0, 0}));
  EXPECT_EQ(r.pixel(5, 4), (Rgb{0, 200, 0}));

  // With a transparent colour the uncovered screen is transparent too.
  r = decode(giflib_file(dir, 6, 5, 2, 2, 1, 3, 2, colours, 3, indices), &params);
  ASSERT_TRUE(r.has_alpha());
  EXPECT_EQ(r.alpha_row(0)[0], 0);
  EXPECT_EQ(r.alpha_row(1)[2], 255);
  EXPECT_EQ(r.alpha_row(1)[3], 255);
  EXPECT_EQ(r.alpha_row(1)[4], 0);  // index 3
  EXPECT_EQ(params.gif_transparent_color, (Rgb{0, 0, 200}));

  // A frame reaching past a too small screen widens the picture.
  r = decode(giflib_file(dir, 2, 2, 0, 1, 1, 3, 2, colours, -1, indices), &params);
  EXPECT_EQ(r.width(), 4);
  EXPECT_EQ(r.height(), 3);
  EXPECT_EQ(r.pixel(3, 2), (Rgb{200, 0, 0}));
}

TEST(GifCodec, HeaderReaderStopsAtTheFirstFrame) {
  Raster source = few_colours(40, 30, 9);
  IOParams params;
  params.gif_interlaced = true;
  params.gif_transparent = true;
  params.gif_transparent_color = source.pixel(0, 0);
  const std::vector<uint8_t> bytes = encode_gif(source, params, ".gif");
  // Screen, colour table, control extension, image descriptor and LZW code size; no pixels.
  const size_t header = 13 + 3 * 16 + 8 + 10 + 1;
  IOParams read;
  read_gif_header(std::span(bytes).first(header), read);
  EXPECT_EQ(read.width, 40);
  EXPECT_EQ(read.height, 30);
  EXPECT_TRUE(read.gif_interlaced);
  EXPECT_TRUE(read.gif_transparent);
  EXPECT_EQ(read.gif_transparent_color, source.pixel(0, 0));
  EXPECT_THROW(decode(std::span(bytes).first(header)), ImageError);
}

TEST(GifCodec, RefusesBrokenFilesWithAReason) {
  auto reason = [](std::span<const uint8_t> bytes) {
    return test::refusal_reason(decode_gif, bytes);
  };
  const std::vector<uint8_t> good = encode_gif(few_colours(8, 8, 4), IOParams{}, ".gif");
  std::vector<uint8_t> bad = good;
  bad[0] = 'J';
  EXPECT_NE(reason(bad), "decoded");
  EXPECT_NE(reason(std::span(good).first(good.size() - 8)), "decoded");
  // A screen of 65535 x 65535 is refused before anything is allocated.
  bad = good;
  bad[6] = bad[7] = bad[8] = bad[9] = 0xFF;
  EXPECT_NE(reason(bad).find("exceeds the limit"), std::string::npos);
  // The trailer straight after the screen: no image at all.
  std::vector<uint8_t> empty(good.begin(), good.begin() + 13 + 3 * 4);
  empty.push_back(';');
  EXPECT_NE(reason(empty).find("no image"), std::string::npos);
}

TEST(GifCodec, DamagedFilesGiveAnErrorOrAPicture) {
  IOParams interlaced;
  interlaced.gif_interlaced = true;
  Raster alpha = few_colours(9, 13, 30);
  alpha.add_alpha();
  alpha.alpha_row(2)[3] = 0;
  const std::vector<uint8_t> files[] = {
      encode_gif(palette_image(40, 17, 256), interlaced, ".gif"),
      encode_gif(alpha, IOParams{}, ".gif"),
      encode_gif(test::gradient_rgb(20, 11), IOParams{}, ".gif"),
  };
  for (const auto& file : files) {
    const int tried = test::expect_reader_survives_damage(file, decode_gif, read_gif_header);
    EXPECT_GT(tried, 50);
  }
}

}  // namespace
}  // namespace lumatrix
