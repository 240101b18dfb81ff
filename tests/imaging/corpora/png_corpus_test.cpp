// The PNG suite: every valid file decodes to the pixels its JSON truth gives, every corrupt one
// (x*.png) is refused with a reason.
#include <gtest/gtest.h>

#include <iostream>

#include "base/image_error.h"
#include "corpus.h"

namespace lumatrix {
namespace {

TEST(PngCorpus, EverySuiteFileEqualsItsTruthAndEveryCorruptOneIsRefused) {
  LUMATRIX_NEED_CORPORA();
  const auto suite = test::corpora() / "pngsuite";
  test::WalkCounts counts;
  for (const auto& file : test::corpus_files(suite / "png", ".png")) {
    const std::string name = file.stem().string();
    SCOPED_TRACE(name);
    IOParams params;
    if (name[0] == 'x') {
      try {
        test::decode_file(file, params);
        ADD_FAILURE() << "a corrupt file decoded";
      } catch (const ImageError& e) {
        EXPECT_FALSE(e.reason().empty());
        ++counts.refused;
      }
      continue;
    }
    const Raster r = test::decode_file(file, params);
    const std::vector<int> truth = test::json_numbers(suite / "json" / (name + ".json"));
    ASSERT_EQ(truth.size(), size_t{4} * r.width() * r.height());
    // Sixteen-bit truths are narrowed as our reader narrows, rounding; that may differ by one
    // from a truncating reduction.
    const bool deep = params.bits_per_sample == 16;
    const int tolerance = deep ? 1 : 0;
    int worst = 0;
    for (int y = 0; y < r.height(); ++y)
      for (int x = 0; x < r.width(); ++x) {
        const size_t at = 4 * (size_t{static_cast<unsigned>(y)} * r.width() + x);
        const auto want = [&](int k) {
          return deep ? (truth[at + k] * 255 + 32767) / 65535 : truth[at + k];
        };
        const Rgb c = r.pixel(x, y);
        const int alpha = r.has_alpha() ? r.alpha_row(y)[x] : 255;
        worst = std::max(worst, std::abs(alpha - want(3)));
        // The colour of a fully transparent pixel is nobody's business.
        if (want(3) == 0) continue;
        worst = std::max(
            {worst, std::abs(c.r - want(0)), std::abs(c.g - want(1)), std::abs(c.b - want(2))});
      }
    EXPECT_LE(worst, tolerance);
    if (worst <= tolerance) ++counts.exact;
  }
  std::cout << counts.summary("PNG suite") << "\n";
  EXPECT_GT(counts.exact, 150);
  EXPECT_EQ(counts.refused, 14);
}

}  // namespace
}  // namespace lumatrix
