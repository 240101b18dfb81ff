#include "imaging/adjust/fft_filter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

#include "base/image_error.h"
#include "pictures.h"
#include "test_support.h"

namespace lumatrix::adjust {
namespace {

TEST(FftFilter, SharpLowPassAtFullCutOffKeepsThePicture) {
  for (auto [w, h] : {std::pair{16, 16}, std::pair{7, 5}, std::pair{1, 9}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    ImageDocument doc = test::document_of(test::with_ramp_alpha(test::gradient_rgb(w, h)));
    const Raster before = doc.raster;
    fft_filter(doc, {.pass = FftPass::LowPass, .cut_off = 100});
    EXPECT_EQ(doc.raster, before);
    EXPECT_EQ(doc.undo_label(), "FFT");
  }
}

TEST(FftFilter, ConstantsStayUnderLowPassAndVanishUnderHighPass) {
  const Rgb colour{30, 140, 250};
  for (bool soft : {false, true})
    for (int cut_off : {0, 35, 100}) {
      SCOPED_TRACE(std::to_string(cut_off) + (soft ? " soft" : " sharp"));
      ImageDocument low = test::document_of(test::flat_picture(6, 5, colour));
      fft_filter(low, {.pass = FftPass::LowPass, .cut_off = cut_off, .soft_edge = soft});
      EXPECT_EQ(low.raster, test::flat_picture(6, 5, colour));
      // The high-pass shows what it keeps around mid-grey.
      ImageDocument high = test::document_of(test::flat_picture(6, 5, colour));
      fft_filter(high, {.pass = FftPass::HighPass, .cut_off = cut_off, .soft_edge = soft});
      EXPECT_EQ(high.raster, test::flat_picture(6, 5, {128, 128, 128}));
    }
}

TEST(FftFilter, LowPassAtZeroLeavesTheMean) {
  // Mean of 0, 10, 20, 50 is 20.
  ImageDocument doc = test::document_of(test::grey_picture(2, 2, {0, 10, 20, 50}));
  fft_filter(doc, {.pass = FftPass::LowPass, .cut_off = 0});
  EXPECT_EQ(test::reds(doc.raster), (std::vector<int>{20, 20, 20, 20}));
}

// The filter by the definition: a direct 2-D DFT of a 4 x 4 channel, the frequencies with index
// 2 (Nyquist) on either axis dropped, and the inverse DFT. Measured against the spectrum's
// corner, index 1 (or 3) on one axis lies at 0.35, on both at 0.5, index 2 on one axis at 0.71
// and beyond: at a cut-off of 60 % exactly the index-2 frequencies go.
std::vector<int> direct_low_pass_4x4(const std::vector<int>& pixels) {
  using C = std::complex<double>;
  const double tau = 2 * std::numbers::pi;
  C spectrum[4][4];
  for (int v = 0; v < 4; ++v)
    for (int u = 0; u < 4; ++u) {
      C sum = 0;
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
          sum += double(pixels[4 * y + x]) * std::polar(1.0, -tau * (u * x + v * y) / 4.0);
      spectrum[v][u] = (u == 2 || v == 2) ? C(0) : sum;
    }
  std::vector<int> out;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      C sum = 0;
      for (int v = 0; v < 4; ++v)
        for (int u = 0; u < 4; ++u)
          sum += spectrum[v][u] * std::polar(1.0, tau * (u * x + v * y) / 4.0);
      out.push_back(std::clamp(static_cast<int>(std::lround(sum.real() / 16.0)), 0, 255));
    }
  return out;
}

TEST(FftFilter, MatchesADirectTransformOfAFourByFourPicture) {
  const std::vector<int> pixels{12, 200, 37, 90, 255, 0, 64, 128, 3, 77, 180, 250, 41, 9, 133, 66};
  Raster picture(4, 4, PixelFormat::Rgb24);
  for (int i = 0; i < 16; ++i) {
    const auto v = static_cast<uint8_t>(pixels[i]);
    picture.set_pixel(i % 4, i / 4, {v, v, v});
  }
  ImageDocument doc = test::document_of(picture);
  fft_filter(doc, {.pass = FftPass::LowPass, .cut_off = 60});
  const std::vector<int> expected = direct_low_pass_4x4(pixels);
  EXPECT_EQ(test::reds(doc.raster), expected);
  EXPECT_NE(expected, pixels);  // the check means something: the filter did change the picture
}

TEST(FftFilter, LowAndHighPassAtTheSameCutOffAddUpToThePicture) {
  for (bool soft : {false, true}) {
    SCOPED_TRACE(soft ? "soft" : "sharp");
    const Raster picture = test::gradient_rgb(10, 8);
    ImageDocument low = test::document_of(picture);
    ImageDocument high = test::document_of(picture);
    fft_filter(low, {.pass = FftPass::LowPass, .cut_off = 30, .soft_edge = soft});
    fft_filter(high, {.pass = FftPass::HighPass, .cut_off = 30, .soft_edge = soft});
    // Where neither part was clamped, low + (high - 128) gives the picture back within the two
    // roundings.
    int compared = 0;
    for (size_t i = 0; i < picture.bytes().size(); ++i) {
      const int l = low.raster.bytes()[i], h = high.raster.bytes()[i];
      if (l == 0 || l == 255 || h == 0 || h == 255) continue;
      EXPECT_LE(std::abs(l + h - 128 - picture.bytes()[i]), 1) << i;
      ++compared;
    }
    EXPECT_GT(compared, 150);
    EXPECT_NE(low.raster, picture);
  }
}

TEST(FftFilter, OutOfRangeCutOffIsRefused) {
  ImageDocument doc = test::document_of(test::gradient_rgb(2, 2));
  EXPECT_EQ(test::error_of([&] { fft_filter(doc, {.cut_off = 101}); }),
            "FFT: cut-off must be from 0 to 100, not 101");
  EXPECT_FALSE(doc.can_undo());
}

}  // namespace
}  // namespace lumatrix::adjust
