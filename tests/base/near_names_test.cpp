#include "base/near_names.h"

#include <gtest/gtest.h>

#include <array>

namespace lumatrix::test {
namespace {

TEST(EditDistance, CountsEditsIgnoringCaseAndASwapAsOne) {
  EXPECT_EQ(edit_distance("", ""), 0u);
  EXPECT_EQ(edit_distance("", "abc"), 3u);
  EXPECT_EQ(edit_distance("JPEG", "jpeg"), 0u);
  EXPECT_EQ(edit_distance("kitten", "sitting"), 3u);
  EXPECT_EQ(edit_distance("recursive", "recrusive"), 1u);  // two neighbours swapped
  EXPECT_EQ(edit_distance("abc", "acb"), 1u);
  EXPECT_EQ(edit_distance("abc", "cab"), 2u);
  EXPECT_EQ(edit_distance("Lanczos3", "Lanczos"), 1u);
}

TEST(NearestName, PrefersTheSameNameThenFewEditsThenAPart) {
  constexpr std::array<std::string_view, 5> names{"JPEG_Quality", "resizing_method", "resampletype",
                                                  "", "Image_Format"};
  EXPECT_EQ(nearest_name(" image_format ", names), "Image_Format");
  EXPECT_EQ(nearest_name("resizng_method", names), "resizing_method");
  EXPECT_EQ(nearest_name("resampeltype", names), "resampletype");
  // Not near in edits, but a part of one name.
  EXPECT_EQ(nearest_name("quality", names), "JPEG_Quality");
  // Too far from everything, and too short to stand for a part.
  EXPECT_EQ(nearest_name("zoom", names), "");
  EXPECT_EQ(nearest_name("xy", names), "");
  // The empty candidate is never offered.
  EXPECT_EQ(nearest_name("", names), "");
}

TEST(NearestName, AllowsMoreEditsForLongerWords) {
  constexpr std::array<std::string_view, 2> items{"Lanczos3", "Bicubic"};
  EXPECT_EQ(nearest_name("lancos", items), "Lanczos3");  // two edits in six letters
  // Three letters allow one edit, and are too few to be taken for a part of a name.
  EXPECT_EQ(nearest_name("bic", items), "");
  constexpr std::array<std::string_view, 2> short_items{"Box", "Bell"};
  EXPECT_EQ(nearest_name("Bx", short_items), "Box");  // one edit is allowed even for two letters
  EXPECT_EQ(nearest_name("Bxx", short_items), "Box");
  EXPECT_EQ(nearest_name("Qxx", short_items), "");
}

TEST(NearestName, TiesGoToTheEarlierCandidate) {
  constexpr std::array<std::string_view, 2> names{"cat", "cut"};
  EXPECT_EQ(nearest_name("cot", names), "cat");
}

}  // namespace
}  // namespace lumatrix::test
