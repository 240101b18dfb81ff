// The fuzzed and broken files of the image test suite: each either decodes (perhaps with a
// warning about its damage) or is refused with a reason, in a child process whose address space
// is capped, within a time bound, and holding no more than a few hundred megabytes at its peak.
#include <gtest/gtest.h>

#include <iostream>
#include <regex>

#include "base/image_error.h"
#include "child_process.h"
#include "corpus.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;

constexpr uint64_t kPeakBound = uint64_t{256} << 20;

// Decodes `file` in a child: "decoded", "warned: WHAT" or "refused: WHY".
test::ChildOutcome decode_in_child(const fs::path& file) {
  test::ChildLimits limits;
  limits.time = std::chrono::seconds(20);
  // The cap stops a reader that allocates past every check before it takes the machine down;
  // the peak is what the test holds against the bound.
  limits.address_space = uint64_t{1} << 30;
  return test::run_in_child(
      [&] {
        IOParams params;
        try {
          test::decode_file(file, params);
        } catch (const ImageError& e) {
          return "refused: " + e.reason();
        }
        return params.warnings.empty() ? std::string("decoded") : "warned: " + params.warnings[0];
      },
      limits);
}

void expect_harmless(const test::ChildOutcome& outcome, test::WalkCounts& counts) {
  ASSERT_TRUE(outcome.finished) << "still decoding after 20 s";
  ASSERT_FALSE(outcome.crashed) << outcome.result;
  EXPECT_LT(outcome.peak_bytes, kPeakBound);
  if (outcome.result.starts_with("refused: ")) {
    EXPECT_GT(outcome.result.size(), 12u) << "refused without a reason";
    // Reasons are sentences for a user, not a library's function names or prefixes.
    static const std::regex library_words("TIFF[A-Z][a-z]|_TIFF|memory:|^refused: [a-z]+\\(");
    EXPECT_FALSE(std::regex_search(outcome.result, library_words)) << outcome.result;
    ++counts.refused;
  } else if (outcome.result.starts_with("warned: ")) {
    ++counts.warned;
  } else {
    EXPECT_EQ(outcome.result, "decoded");
    ++counts.decoded;
  }
}

TEST(FuzzedCorpus, EveryFileDecodesOrIsRefusedWithAReasonWithinBounds) {
  LUMATRIX_NEED_CORPORA();
  const fs::path suite = test::corpora() / "imagetestsuite";
  for (const char* format : {"gif", "jpg", "png", "tif"}) {
    test::WalkCounts counts;
    for (const fs::path& file : test::corpus_files(suite / format)) {
      SCOPED_TRACE(file.filename().string());
      expect_harmless(decode_in_child(file), counts);
    }
    std::cout << counts.summary(std::string("image test suite ") + format) << "\n";
    EXPECT_GT(counts.decoded + counts.warned + counts.refused, 15);
  }
}

// A 742 KB TIFF declaring a huge number of samples per pixel drove the reader to some 10 GB
// before it ran out of memory; its header alone now refuses it.
TEST(FuzzedCorpus, RegressionSmallTiffDeclaringHugeSamplesIsRefusedFromItsHeader) {
  LUMATRIX_NEED_CORPORA();
  const fs::path file =
      test::corpora() / "imagetestsuite/tif/m3-d0f86ab189cbe900ec389ca6d7464713.tif";
  const test::ChildOutcome outcome = decode_in_child(file);
  ASSERT_TRUE(outcome.finished);
  ASSERT_FALSE(outcome.crashed) << outcome.result;
  EXPECT_TRUE(outcome.result.starts_with("refused: ")) << outcome.result;
  EXPECT_LT(outcome.peak_bytes, kPeakBound);
  std::cout << "m3 TIFF: " << outcome.result << " (" << outcome.cpu_seconds << " s CPU, "
            << (outcome.peak_bytes >> 20) << " MB peak)\n";
}

}  // namespace
}  // namespace lumatrix
