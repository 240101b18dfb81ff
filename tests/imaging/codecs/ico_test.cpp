#include <gtest/gtest.h>

#include <functional>

#include "base/image_error.h"
#include "imagemagick_reference.h"
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/codecs.h"
#include "imaging/image_document.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;

struct Picture {
  std::vector<uint8_t> bytes;
  int width = 0, height = 0, bits = 0;
};

// An icon (type 1) or cursor (type 2) file holding `pictures` in order.
std::vector<uint8_t> build_icon(const std::vector<Picture>& pictures, uint16_t type = 1) {
  ByteWriter out;
  out.u16le(0), out.u16le(type), out.u16le(static_cast<uint16_t>(pictures.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * pictures.size());
  for (const Picture& p : pictures) {
    out.u8(static_cast<uint8_t>(p.width & 0xFF)), out.u8(static_cast<uint8_t>(p.height & 0xFF));
    out.u8(0), out.u8(0);
    out.u16le(type == 1 ? 1 : 3);  // planes, or the hotspot of a cursor
    out.u16le(type == 1 ? static_cast<uint16_t>(p.bits) : 5);
    out.u32le(static_cast<uint32_t>(p.bytes.size()));
    out.u32le(offset);
    offset += static_cast<uint32_t>(p.bytes.size());
  }
  for (const Picture& p : pictures) out.append(p.bytes);
  return out.take();
}

// A bitmap picture: `value` gives a palette index (1/4/8 bits) or 0xAARRGGBB (24/32 bits),
// `transparent` the AND mask bit.
Picture build_dib(int width, int height, int bits, const std::vector<Rgb>& palette,
                  const std::function<uint32_t(int, int)>& value,
                  const std::function<bool(int, int)>& transparent) {
  ByteWriter out;
  out.u32le(40);
  out.i32le(width), out.i32le(2 * height);
  out.u16le(1), out.u16le(static_cast<uint16_t>(bits));
  out.u32le(0), out.u32le(0), out.u32le(0), out.u32le(0);
  out.u32le(static_cast<uint32_t>(palette.size())), out.u32le(0);
  for (Rgb c : palette) out.u8(c.b), out.u8(c.g), out.u8(c.r), out.u8(0);
  const size_t stride = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
  for (int y = height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(stride, 0);
    for (int x = 0; x < width; ++x) {
      const uint32_t v = value(x, y);
      if (bits <= 8) {
        const int per_byte = 8 / bits;
        row[x / per_byte] |= static_cast<uint8_t>(v << (8 - bits * (x % per_byte + 1)));
      } else {
        uint8_t* p = row.data() + static_cast<size_t>(x) * (bits / 8);
        p[0] = static_cast<uint8_t>(v), p[1] = static_cast<uint8_t>(v >> 8);
        p[2] = static_cast<uint8_t>(v >> 16);
        if (bits == 32) p[3] = static_cast<uint8_t>(v >> 24);
      }
    }
    out.append(row);
  }
  const size_t mask_stride = (static_cast<size_t>(width) + 31) / 32 * 4;
  for (int y = height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(mask_stride, 0);
    for (int x = 0; x < width; ++x)
      if (transparent(x, y)) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    out.append(row);
  }
  return {out.take(), width, height, bits};
}

std::vector<Rgb> ramp_palette(int count) {
  std::vector<Rgb> palette;
  for (int i = 0; i < count; ++i)
    palette.push_back(Rgb{static_cast<uint8_t>(i * 255 / (count - 1)),
                          static_cast<uint8_t>(255 - i * 97 % 256), static_cast<uint8_t>(i * 31)});
  return palette;
}

bool diagonal_hole(int x, int y) {
  return (x + y) % 5 == 0;
}

Raster decode_file(const fs::path& path, IOParams* params = nullptr) {
  IOParams p;
  Raster r = decode_ico(test::read_bytes(path), p);
  if (params) *params = p;
  return r;
}

// One picture of a multi-picture icon as ImageMagick reads it.
Raster imagemagick_frame(const test::TempDir& dir, const fs::path& icon, int frame) {
  const fs::path png = dir / ("frame" + std::to_string(frame) + ".png");
  test::imagemagick(test::shell_quote(icon.string() + "[" + std::to_string(frame) + "]") + " " +
                    test::shell_quote(png.string()));
  return test::imagemagick_decode(png, true);
}

// A 64x64 picture with a colour gradient and an alpha ramp.
fs::path translucent_source(const test::TempDir& dir, int size) {
  const fs::path png = dir / "source.png";
  test::imagemagick("-size " + std::to_string(size) + "x" + std::to_string(size) +
                    " gradient:red-blue -alpha set -channel A -fx 'i/w' +channel " +
                    test::shell_quote(png.string()));
  return png;
}

TEST(IcoCodec, PicksTheLargestPictureOfAnImageMagickIcon) {
  test::TempDir dir;
  const fs::path ico = dir / "multi.ico";
  test::imagemagick(test::shell_quote(translucent_source(dir, 64).string()) +
                    " -define icon:auto-resize=16,32,48 " + test::shell_quote(ico.string()));
  IOParams params;
  const Raster ours = decode_file(ico, &params);
  EXPECT_EQ(params.width, 48);
  EXPECT_EQ(params.height, 48);
  EXPECT_TRUE(test::same_pixels(ours, imagemagick_frame(dir, ico, 2)));

  IOParams header;
  read_ico_header(test::read_bytes(ico), header);
  EXPECT_EQ(header.width, 48);
  EXPECT_EQ(header.height, 48);
  EXPECT_EQ(header.bits_per_sample, 8);
  EXPECT_EQ(header.samples_per_pixel, 4);
}

TEST(IcoCodec, ReadsPngPicturesInsideIcons) {
  test::TempDir dir;
  const fs::path ico = dir / "big.ico";
  // ImageMagick stores the 256x256 picture as PNG, the small one as a bitmap.
  test::imagemagick(test::shell_quote(translucent_source(dir, 256).string()) +
                    " -define icon:auto-resize=256,32 " + test::shell_quote(ico.string()));
  const std::vector<uint8_t> bytes = test::read_bytes(ico);
  IOParams params;
  const Raster ours = decode_ico(bytes, params);
  EXPECT_EQ(ours.width(), 256);
  ASSERT_EQ(bytes.at(6), 0);  // the first entry is the 256x256 one ...
  const uint32_t offset = bytes.at(18) | bytes.at(19) << 8 | bytes.at(20) << 16;
  ASSERT_EQ(bytes.at(offset + 1), 'P');  // ... stored as PNG
  EXPECT_TRUE(test::same_pixels(ours.to_rgb24(), imagemagick_frame(dir, ico, 0)));
  test::expect_reader_survives_damage(bytes, decode_ico, read_ico_header);
}

TEST(IcoCodec, ReadsSixteenBitGreyPngInsideAnIcon) {
  test::TempDir dir;
  const fs::path png = dir / "grey.png";
  test::imagemagick("-size 20x12 gradient:black-white -colorspace Gray -depth 16 " +
                    test::shell_quote(png.string()));
  const std::vector<uint8_t> png_bytes = test::read_bytes(png);
  ASSERT_GT(png_bytes.size(), 25u);
  ASSERT_EQ(png_bytes[24], 16);  // bit depth
  ASSERT_EQ(png_bytes[25], 0);   // grey
  const fs::path ico = dir / "grey.ico";
  test::write_bytes(ico, build_icon({Picture{png_bytes, 20, 12, 16}}));
  IOParams params;
  const Raster ours = decode_file(ico, &params);
  EXPECT_EQ(params.width, 20);
  EXPECT_EQ(params.height, 12);
  // 16-bit samples are narrowed by a different rounding than ImageMagick's.
  EXPECT_TRUE(test::same_pixels(ours.to_rgb24(), test::imagemagick_decode(ico), 1));
}

TEST(IcoCodec, CursorsDecodeLikeIcons) {
  test::TempDir dir;
  const fs::path src = dir / "multi.ico";
  test::imagemagick(test::shell_quote(translucent_source(dir, 64).string()) +
                    " -define icon:auto-resize=32,16 " + test::shell_quote(src.string()));
  // ImageMagick writes type 1 even for cursors; a real cursor says 2 and keeps its hotspot where
  // icons keep planes and bits.
  std::vector<uint8_t> bytes = test::read_bytes(src);
  bytes[2] = 2;
  for (int i = 0; i < 2; ++i) bytes[6 + 16 * i + 4] = 7, bytes[6 + 16 * i + 6] = 9;
  const fs::path cur = dir / "arrow.cur";
  test::write_bytes(cur, bytes);
  ImageDocument doc;
  ASSERT_TRUE(doc.load(cur));
  EXPECT_EQ(doc.params.file_type, FileType::CUR);
  EXPECT_EQ(doc.width(), 32);
  EXPECT_TRUE(test::same_pixels(doc.raster, imagemagick_frame(dir, src, 0)));
}

TEST(IcoCodec, PalettedAndTrueColourBitmapsTakeTheirMaskAsAlpha) {
  test::TempDir dir;
  const auto index = [](int modulo) {
    return [modulo](int x, int y) { return static_cast<uint32_t>((x * 3 + y) % modulo); };
  };
  const auto colour = [](int x, int y) {
    return static_cast<uint32_t>((x * 8) << 16 | (y * 8) << 8 | ((x ^ y) * 4));
  };
  const Picture cases[] = {
      build_dib(19, 7, 1, {{10, 20, 30}, {200, 210, 220}}, index(2), diagonal_hole),
      build_dib(13, 9, 4, ramp_palette(16), index(16), diagonal_hole),
      build_dib(33, 10, 8, ramp_palette(256), index(256), diagonal_hole),
      build_dib(17, 11, 24, {}, colour, diagonal_hole),
  };
  for (const Picture& picture : cases) {
    SCOPED_TRACE(picture.bits);
    const fs::path ico = dir / ("bits" + std::to_string(picture.bits) + ".ico");
    test::write_bytes(ico, build_icon({picture}));
    IOParams params;
    const Raster ours = decode_file(ico, &params);
    EXPECT_TRUE(test::same_pixels(ours, test::imagemagick_decode(ico, true)));
    ASSERT_TRUE(ours.has_alpha());
    EXPECT_EQ(ours.alpha_row(0)[0], 0);
    EXPECT_EQ(ours.alpha_row(0)[1], 255);
    EXPECT_EQ(params.bits_per_sample, picture.bits <= 8 ? picture.bits : 8);
    EXPECT_EQ(params.samples_per_pixel, picture.bits <= 8 ? 1 : 3);
  }
}

TEST(IcoCodec, RealAlphaWinsOverTheMaskAndUnsetAlphaDefersToIt) {
  const auto all_holes = [](int, int) { return true; };
  const auto half_alpha = [](int x, int) { return 0x80000000u | static_cast<uint32_t>(x); };
  IOParams params;
  Raster r = decode_ico(build_icon({build_dib(9, 4, 32, {}, half_alpha, all_holes)}), params);
  EXPECT_EQ(r.alpha_row(2)[3], 0x80);
  EXPECT_EQ(r.pixel(3, 2), (Rgb{0, 0, 3}));

  // A fourth byte that is zero everywhere was never meant as alpha.
  const auto no_alpha = [](int x, int) { return static_cast<uint32_t>(x) << 8; };
  r = decode_ico(build_icon({build_dib(9, 4, 32, {}, no_alpha, diagonal_hole)}), params);
  EXPECT_EQ(r.alpha_row(0)[0], 0);
  EXPECT_EQ(r.alpha_row(0)[1], 255);
  EXPECT_EQ(r.pixel(5, 1), (Rgb{0, 5, 0}));
}

TEST(IcoCodec, AmongEquallyLargePicturesTheDeepestWins) {
  const auto grey = [](int x, int) { return static_cast<uint32_t>(x * 0x101010); };
  const auto none = [](int, int) { return false; };
  const Picture small = build_dib(8, 8, 32, {}, grey, none);
  const Picture shallow = build_dib(16, 16, 4, ramp_palette(16), grey, none);
  const Picture deep = build_dib(16, 16, 24, {}, grey, none);
  for (const auto& order :
       {std::vector<Picture>{small, shallow, deep}, std::vector<Picture>{deep, shallow, small}}) {
    const std::vector<uint8_t> bytes = build_icon(order);
    IOParams header, params;
    read_ico_header(bytes, header);
    EXPECT_EQ(header.width, 16);
    EXPECT_EQ(header.samples_per_pixel, 3);
    EXPECT_EQ(decode_ico(bytes, params).pixel(2, 0), (Rgb{32, 32, 32}));
  }
}

TEST(IcoCodec, RefusesBrokenDirectoriesAndOversizedPictures) {
  const auto zero = [](int, int) { return 0u; };
  Picture picture = build_dib(4, 4, 24, {}, zero, diagonal_hole);
  std::vector<uint8_t> bytes = build_icon({picture});
  IOParams params;
  // An entry pointing past the end is passed over; with nothing else left the file is refused.
  std::vector<uint8_t> far = bytes;
  far[18] = 0xFF, far[19] = 0xFF, far[20] = 0xFF;
  EXPECT_THROW(decode_ico(far, params), ImageError);
  std::vector<uint8_t> bad_type = bytes;
  bad_type[2] = 3;
  EXPECT_THROW(decode_ico(bad_type, params), ImageError);
  // Pixel data cut short.
  EXPECT_THROW(decode_ico(std::span(bytes).first(bytes.size() - 40), params), ImageError);

  // A header claiming a huge picture is refused before anything is allocated.
  std::vector<uint8_t> huge = bytes;
  huge[22 + 4] = 0xFF, huge[22 + 5] = 0xFF, huge[22 + 6] = 0x00;
  huge[22 + 8] = 0xFF, huge[22 + 9] = 0xFF, huge[22 + 10] = 0x01;
  EXPECT_THROW(decode_ico(huge, params), ImageError);

  test::expect_reader_survives_damage(
      build_icon({picture, build_dib(5, 3, 8, ramp_palette(3), zero, diagonal_hole)}), decode_ico,
      read_ico_header);
}

TEST(IcoCodec, MissingMaskLeavesThePictureOpaque) {
  const auto zero = [](int, int) { return 0u; };
  Picture picture = build_dib(8, 2, 24, {}, zero, diagonal_hole);
  picture.bytes.resize(picture.bytes.size() - 8);  // the two mask rows
  IOParams params;
  const Raster r = decode_ico(build_icon({picture}), params);
  EXPECT_EQ(r.alpha_row(0)[0], 255);
  EXPECT_EQ(r.alpha_row(1)[4], 255);
}

}  // namespace
}  // namespace lumatrix
