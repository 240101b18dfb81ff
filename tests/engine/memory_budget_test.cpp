#include "engine/memory_budget.h"

#include <gtest/gtest.h>

#include "imaging/image_document.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;

TEST(DecodedSize, FromTheHeaderOfEachKindOfFile) {
  test::TempDir dir;
  ImageDocument doc;
  doc.raster = test::gradient_rgb(40, 30);
  ASSERT_TRUE(doc.save(dir / "a.png"));
  ASSERT_TRUE(doc.save(dir / "a.jpg"));
  EXPECT_EQ(decoded_size(dir / "a.png"), 40u * 30 * 3);
  EXPECT_EQ(decoded_size(dir / "a.jpg"), 40u * 30 * 3);
  doc.raster = test::with_ramp_alpha(test::gradient_rgb(10, 8));
  ASSERT_TRUE(doc.save(dir / "alpha.png"));
  EXPECT_EQ(decoded_size(dir / "alpha.png"), 10u * 8 * 4);

  // A TIFF keeps its directory after the pixels, beyond the start that is read first.
  doc.raster = test::gradient_rgb(200, 150);
  ASSERT_TRUE(doc.save(dir / "big.tif"));
  ASSERT_GT(fs::file_size(dir / "big.tif"), 64u * 1024);
  EXPECT_EQ(decoded_size(dir / "big.tif"), 200u * 150 * 3);

  test::write_bytes(dir / "junk.png", std::vector<uint8_t>{'n', 'o'});
  EXPECT_EQ(decoded_size(dir / "junk.png"), 0u);
  EXPECT_EQ(decoded_size(dir / "missing.png"), 0u);
  EXPECT_EQ(decoded_size(dir / "notes.psd"), 0u);
  EXPECT_EQ(entry_memory(1000), 1000 * kWorkingCopiesPerEntry);
}

TEST(MemoryBudget, AdmitsWhatFitsAndAnythingWhenNothingRuns) {
  MemoryBudget budget(100);
  EXPECT_TRUE(budget.admits(500));  // larger than the whole budget: alone
  budget.take(500);
  EXPECT_FALSE(budget.admits(1));
  budget.give_back(500);
  budget.take(60);
  EXPECT_TRUE(budget.admits(40));
  EXPECT_FALSE(budget.admits(41));
  budget.take(40);
  budget.give_back(60);
  EXPECT_EQ(budget.in_use(), 40u);
  EXPECT_TRUE(budget.admits(60));
  EXPECT_GT(automatic_memory_budget(), 0u);
}

}  // namespace
}  // namespace lumatrix
