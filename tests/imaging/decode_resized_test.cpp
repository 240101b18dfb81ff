#include "imaging/decode_resized.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "codecs/imagemagick_reference.h"
#include "imaging/codec.h"
#include "imaging/codecs/codecs.h"
#include "imaging/image_document.h"
#include "imaging/resample.h"
#include "imaging/row_resampler.h"
#include "test_support.h"

namespace lumatrix {
namespace {

const ResampleFilter kEveryFilter[] = {ResampleFilter::None,    ResampleFilter::Triangle,
                                       ResampleFilter::Hermite, ResampleFilter::Bell,
                                       ResampleFilter::BSpline, ResampleFilter::Lanczos3,
                                       ResampleFilter::Mitchell};

const Codec& codec_named(std::string_view extension) {
  const Codec* codec = find_codec(std::string("x") + std::string(extension));
  EXPECT_NE(codec, nullptr) << extension;
  return *codec;
}

struct Sample {
  std::string what;
  std::vector<uint8_t> bytes;
  const Codec* codec;
};

// A picture with detail everywhere, so that every tap of every filter counts.
Raster busy_rgb(int width, int height) {
  Raster r = test::gradient_rgb(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if ((x / 3 + y / 2) % 4 == 0) r.set_pixel(x, y, {250, 5, static_cast<uint8_t>(x * 9)});
  return r;
}

// A picture like a photo: smooth shading and a few edges, nothing finer than the target's pixels
// (where the fast path's smaller decode would differ most).
Raster smooth_rgb(int width, int height) {
  Raster r(width, height, PixelFormat::Rgb24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool disc = (x - width / 2) * (x - width / 2) + (y - height / 2) * (y - height / 2) <
                        height * height / 9;
      r.set_pixel(x, y,
                  {static_cast<uint8_t>(x * 255 / width), static_cast<uint8_t>(y * 255 / height),
                   static_cast<uint8_t>(disc ? 220 : 40)});
    }
  return r;
}

Sample jpeg_sample(std::string what, const Raster& raster, const IOParams& params = {}) {
  return {std::move(what), encode_jpeg(raster, params, ".jpg"), &codec_named(".jpg")};
}

Sample png_sample(std::string what, const Raster& raster) {
  return {std::move(what), encode_png(raster, IOParams{}, ".png"), &codec_named(".png")};
}

// Odd sizes, so that neither the blocks of a JPEG nor the strips of rows come out even.
std::vector<Sample> samples() {
  std::vector<Sample> out;
  IOParams progressive, grey, cmyk;
  progressive.jpeg_progressive = true;
  grey.jpeg_color_space = JpegColorSpace::Gray;
  cmyk.jpeg_color_space = JpegColorSpace::CMYK;
  out.push_back(jpeg_sample("JPEG colour", busy_rgb(77, 53)));
  out.push_back(jpeg_sample("JPEG progressive", busy_rgb(61, 45), progressive));
  out.push_back(jpeg_sample("JPEG grey", busy_rgb(45, 61), grey));
  out.push_back(jpeg_sample("JPEG CMYK", busy_rgb(39, 41), cmyk));
  out.push_back(png_sample("PNG colour", busy_rgb(53, 47)));
  out.push_back(png_sample("PNG colour and alpha", test::with_ramp_alpha(busy_rgb(41, 35))));
  out.push_back(png_sample("PNG grey", test::grey_ramp(37, 43)));
  out.push_back(png_sample("PNG grey and alpha", test::with_ramp_alpha(test::grey_ramp(29, 31))));
  out.push_back(png_sample("PNG palette", test::paletted(43, 37, 200)));
  out.push_back(png_sample("PNG small palette", test::paletted(35, 29, 3)));
  Raster bits(45, 33, PixelFormat::Bit1);
  for (int y = 0; y < 33; ++y)
    for (int x = 0; x < 45; ++x)
      if ((x * x + y) % 5 < 2) bits.set_pixel(x, y, {255, 255, 255});
  out.push_back(png_sample("PNG 1-bit", bits));
  return out;
}

// What the two steps give: the decoder, then the resample of its whole picture.
Raster two_steps(const Sample& s, ResampleTarget target, IOParams& params) {
  Raster whole = s.codec->decode(s.bytes, params);
  params.width = whole.width();
  params.height = whole.height();
  return resample_raster(whole, target.width, target.height, target.filter);
}

TEST(DecodeResized, GivesTheBytesOfDecodingThenResamplingForEveryFormatAndFilter) {
  // Shrinking both ways, stretching one way and shrinking the other, enlarging, one pixel.
  const std::pair<int, int> targets[] = {{17, 11}, {90, 9}, {101, 97}, {1, 1}};
  for (const Sample& s : samples()) {
    for (ResampleFilter filter : kEveryFilter) {
      for (auto [w, h] : targets) {
        SCOPED_TRACE(s.what + ", filter " + std::to_string(static_cast<int>(filter)) + ", to " +
                     std::to_string(w) + "x" + std::to_string(h));
        const ResampleTarget target{w, h, filter};
        IOParams expected_params, params;
        const Raster expected = two_steps(s, target, expected_params);
        EXPECT_EQ(decode_resized(s.bytes, *s.codec, params, target), expected);
        EXPECT_EQ(params.width, expected_params.width);
        EXPECT_EQ(params.height, expected_params.height);
        EXPECT_EQ(params.jpeg_color_space, expected_params.jpeg_color_space);
        EXPECT_EQ(params.dpi_x, expected_params.dpi_x);
      }
    }
  }
}

TEST(DecodeResized, InterlacedAndSixteenBitPngsGiveTheSameBytesToo) {
  test::TempDir dir;
  test::write_bytes(dir / "source.png",
                    encode_png(test::with_ramp_alpha(busy_rgb(47, 39)), {}, ".png"));
  test::imagemagick(test::shell_quote((dir / "source.png").string()) + " -interlace PNG " +
                    test::shell_quote((dir / "interlaced.png").string()));
  test::imagemagick(test::shell_quote((dir / "source.png").string()) + " -depth 16 " +
                    test::shell_quote((dir / "deep.png").string()));
  for (const char* name : {"interlaced.png", "deep.png"}) {
    const Sample s{name, test::read_bytes(dir / name), &codec_named(".png")};
    for (ResampleFilter filter : {ResampleFilter::None, ResampleFilter::Lanczos3}) {
      SCOPED_TRACE(s.what + ", filter " + std::to_string(static_cast<int>(filter)));
      IOParams expected_params, params;
      const ResampleTarget target{20, 13, filter};
      EXPECT_EQ(decode_resized(s.bytes, *s.codec, params, target),
                two_steps(s, target, expected_params));
    }
  }
}

TEST(DecodeResized, FormatsReadOnlyWholeAreResampledAfterDecoding) {
  const Codec& bmp = codec_named(".bmp");
  ASSERT_EQ(bmp.open_rows, nullptr);
  const Raster source = busy_rgb(23, 19);
  const std::vector<uint8_t> bytes = encode_bmp(source, {}, ".bmp");
  IOParams params;
  EXPECT_EQ(decode_resized(bytes, bmp, params, ResampleTarget{9, 7, ResampleFilter::Bell}),
            resample_raster(source, 9, 7, ResampleFilter::Bell));
  EXPECT_EQ(params.width, 23);
}

TEST(DecodeResized, NoTargetGivesTheWholePictureAndTheTargetIsChosenFromTheFilesSize) {
  const Sample s = jpeg_sample("JPEG", busy_rgb(64, 48));
  std::pair<int, int> asked{};
  IOParams params, plain;
  const Raster whole = decode_resized(s.bytes, *s.codec, params, [&](int w, int h) {
    asked = {w, h};
    return std::optional<ResampleTarget>{};
  });
  EXPECT_EQ(asked, (std::pair{64, 48}));
  EXPECT_EQ(whole, decode_jpeg(s.bytes, plain));
}

TEST(DecodeResized, ErrorsAreTheTwoStepsErrors) {
  const Sample s = jpeg_sample("JPEG", busy_rgb(64, 48));
  const std::vector<uint8_t> cut(s.bytes.begin(), s.bytes.begin() + s.bytes.size() / 2);
  IOParams params;
  const std::string decoding = test::refusal_reason(decode_jpeg, cut);
  ASSERT_NE(decoding, "decoded");
  const ResampleTarget fine{10, 10, ResampleFilter::Lanczos3};
  EXPECT_EQ(test::error_of([&] { decode_resized(cut, *s.codec, params, fine); }), decoding);

  // A target the resample refuses: the resample's reason for a sound file, the decoder's for a
  // broken one, as when the two steps run one after the other.
  const ResampleTarget huge{70000, 70000, ResampleFilter::Lanczos3};
  Raster whole = decode_jpeg(s.bytes, params);
  const std::string refusal =
      test::error_of([&] { resample_raster(whole, huge.width, huge.height, huge.filter); });
  ASSERT_NE(refusal, "no error");
  EXPECT_EQ(test::error_of([&] { decode_resized(s.bytes, *s.codec, params, huge); }), refusal);
  EXPECT_EQ(test::error_of([&] { decode_resized(cut, *s.codec, params, huge); }), decoding);
}

TEST(DecodeResized, TheDocumentLoadsResizedWithTheFilesParameters) {
  test::TempDir dir;
  const Raster source = busy_rgb(80, 60);
  IOParams options;
  options.dpi_x = options.dpi_y = 300;
  test::write_bytes(dir / "photo.jpg", encode_jpeg(source, options, ".jpg"));
  // A PNG under a JPEG name is read by its content, streamed as well.
  test::write_bytes(dir / "misnamed.jpg", encode_png(source, {}, ".png"));
  const ChooseTarget half = [](int w, int h) {
    return std::optional{ResampleTarget{w / 2, h / 2, ResampleFilter::Lanczos3}};
  };
  for (const char* name : {"photo.jpg", "misnamed.jpg"}) {
    SCOPED_TRACE(name);
    ImageDocument expected, doc;
    ASSERT_TRUE(expected.load(dir / name));
    expected.raster = resample_raster(expected.raster, 40, 30, ResampleFilter::Lanczos3);
    ASSERT_TRUE(doc.load_resized(dir / name, half));
    EXPECT_EQ(doc.raster, expected.raster);
    EXPECT_EQ(doc.params.width, 80);
    EXPECT_EQ(doc.params.height, 60);
    EXPECT_EQ(doc.params.dpi_x, expected.params.dpi_x);
    EXPECT_EQ(doc.params.file_type, expected.params.file_type);
    EXPECT_EQ(doc.misnamed_as(), expected.misnamed_as());
  }
}

TEST(DecodeResized, FastJpegDecodesAtTheSmallestDctScaleThatKeepsTheFiltersMargin) {
  // 400x300 to 60x45 with Lanczos3 (a margin of 6): an eighth (50x38) is too small, a quarter
  // (100x75) keeps the margin; the result is libjpeg's quarter-size decode, resampled.
  test::TempDir dir;
  const Raster source = smooth_rgb(400, 300);
  const std::vector<uint8_t> bytes = encode_jpeg(source, {}, ".jpg");
  test::write_bytes(dir / "photo.jpg", bytes);
  const test::CommandResult djpeg = test::run_shell(
      "djpeg -scale 1/4 -pnm -outfile " + test::shell_quote((dir / "quarter.ppm").string()) + " " +
      test::shell_quote((dir / "photo.jpg").string()));
  ASSERT_EQ(djpeg.status, 0) << djpeg.output;
  IOParams ppm_params;
  const Raster quarter = decode_pnm(test::read_bytes(dir / "quarter.ppm"), ppm_params);
  ASSERT_EQ(quarter.width(), 100);
  ASSERT_EQ(quarter.height(), 75);

  const ResampleTarget target{60, 45, ResampleFilter::Lanczos3};
  EXPECT_EQ(margin_for(ResampleFilter::Lanczos3), 6);
  IOParams params;
  const Raster fast = decode_resized(bytes, codec_named(".jpg"), params, target, ResizeSpeed::Fast);
  EXPECT_EQ(fast, resample_raster(quarter, 60, 45, ResampleFilter::Lanczos3));
  EXPECT_EQ(params.width, 400);  // the file's size, as with the exact path
  // Not the exact result, but near it.
  IOParams exact_params;
  const Raster exact = decode_resized(bytes, codec_named(".jpg"), exact_params, target);
  EXPECT_NE(fast, exact);
  EXPECT_TRUE(test::same_pixels(fast, exact, 32));
  long total = 0;
  for (size_t i = 0; i < fast.bytes().size(); ++i)
    total += std::abs(fast.bytes()[i] - exact.bytes()[i]);
  EXPECT_LT(static_cast<double>(total) / fast.bytes().size(), 1.5);
}

TEST(DecodeResized, FastPathKeepsFullSizeWhereNoScaleLeavesTheMarginAndOtherFormatsExact) {
  const Raster source = busy_rgb(120, 90);
  const std::vector<uint8_t> jpeg = encode_jpeg(source, {}, ".jpg");
  // 120x90 to 58x44 with a margin of 6 needs 64x50: a half (60x45) is too small.
  const ResampleTarget target{58, 44, ResampleFilter::Lanczos3};
  IOParams a, b;
  EXPECT_EQ(decode_resized(jpeg, codec_named(".jpg"), a, target, ResizeSpeed::Fast),
            decode_resized(jpeg, codec_named(".jpg"), b, target));
  // With nearest neighbour there is no margin: a half is enough then.
  const ResampleTarget nearest{58, 44, ResampleFilter::None};
  EXPECT_NE(decode_resized(jpeg, codec_named(".jpg"), a, nearest, ResizeSpeed::Fast),
            decode_resized(jpeg, codec_named(".jpg"), b, nearest));

  const std::vector<uint8_t> png = encode_png(source, {}, ".png");
  EXPECT_EQ(decode_resized(png, codec_named(".png"), a, target, ResizeSpeed::Fast),
            resample_raster(source, 58, 44, ResampleFilter::Lanczos3));
}

TEST(RowResampler, RefusesRowsBeyondThePictureAndAnEarlyFinish) {
  const Raster source = busy_rgb(8, 4);
  RowResampler resampler(layout_of(source), 4, 2, ResampleFilter::Triangle);
  const uint8_t* rows[] = {source.row(0), source.row(1), source.row(2)};
  resampler.push(rows, {});
  EXPECT_EQ(resampler.rows_left(), 1);
  EXPECT_THROW(resampler.finish(), ImageError);
  const uint8_t* two[] = {source.row(3), source.row(3)};
  EXPECT_THROW(resampler.push(two, {}), ImageError);
}

}  // namespace
}  // namespace lumatrix
