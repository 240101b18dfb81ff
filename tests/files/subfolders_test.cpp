#include "files/subfolders.h"

#include <gtest/gtest.h>

namespace lumatrix {
namespace {

constexpr std::string_view kTrip = "/Photos/2003/Trip/";

TEST(SaveIn, SourceDirectoryToken) {
  EXPECT_EQ(expand_save_in("", kTrip), "/Photos/2003/Trip/");
  EXPECT_EQ(expand_save_in("   ", kTrip), "/Photos/2003/Trip/");
  EXPECT_EQ(expand_save_in("[Source Directory]", kTrip), "/Photos/2003/Trip/");
  EXPECT_EQ(expand_save_in("[Source Directory]\\", kTrip), "/Photos/2003/Trip/");
  EXPECT_EQ(expand_save_in("[Source Directory]\\Thumbnails\\", kTrip),
            "/Photos/2003/Trip/Thumbnails/");
  EXPECT_EQ(expand_save_in("[source directory]/small", kTrip), "/Photos/2003/Trip/small/");
  EXPECT_EQ(expand_save_in("[Source Directory]small", kTrip), "/Photos/2003/Trip/small/");
  EXPECT_EQ(expand_save_in("/Out", kTrip), "/Out/");
}

TEST(SaveIn, SubfoldersMirrorTheTreeBelowTheFirstLevel) {
  EXPECT_EQ(expand_save_in("/Out/[subfolders]", kTrip), "/Out/2003/Trip/");
  EXPECT_EQ(expand_save_in("/Out/[SUBFOLDERS]/dropped", kTrip), "/Out/2003/Trip/");
  EXPECT_EQ(expand_save_in("[Source Directory]\\small\\[SubFolders]", kTrip),
            "/Photos/2003/Trip/small/2003/Trip/");
  EXPECT_EQ(expand_save_in("/Out/[subfolders]", "/Photos/"), "/Out/");
  EXPECT_EQ(mirror_subfolders("/Out/[subfolders]", "/"), "/Out/");
}

TEST(SaveIn, LongTailsAreCut) {
  const std::string deep = "/a/" + std::string(2000, 'x') + "/";
  EXPECT_EQ(mirror_subfolders("/o/[subfolders]", deep).size(), 3 + 1024u);
}

}  // namespace
}  // namespace lumatrix
