// `lumatrix process` with slicing on: the command hands its run the web after-pass.
#include <gtest/gtest.h>

#include "imaging/image_document.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;

TEST(SlicingCommand, ProcessWithSlicingWritesTilesAndPage) {
  test::TempDir dir;
  fs::create_directories(dir / "src");
  ImageDocument doc;
  doc.raster = test::gradient_rgb(40, 30);
  ASSERT_TRUE(doc.save(dir / "src/a b.png"));
  const auto r = test::run_lumatrix(
      dir, {"process", "--yes", "--set", "enableslicing=true", "--set", "slicecolumns=12", "--set",
            "slicerows=2", "--set", "retainspilt=true", "--set", "Image_Format=PNG", "--set",
            "save_in_directory=" + (dir / "out").string() + "/", (dir / "src").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Begin Image Slicing Procedure\nImage Slicing Process : a b.png\n"),
            std::string::npos)
      << r.out;
  EXPECT_TRUE(fs::exists(dir / "out/a b.png"));
  // Twelve columns: numbers padded to two digits, so 1,11 and 11,1 cannot collide.
  ImageDocument tile;
  ASSERT_TRUE(tile.load(dir / "out/a b0212.jpg"));
  EXPECT_EQ(tile.width(), 40 - 11 * 3);
  EXPECT_EQ(tile.height(), 15);
  const auto page = test::read_bytes(dir / "out/a b.html");
  const std::string text(page.begin(), page.end());
  EXPECT_NE(text.find("<td><img src=\"a%20b0212.jpg\"  width=\"7\"  height=\"15\"  border=\"0\">"
                      "</td>\r\n</tr>\r\n</table>\r\n"),
            std::string::npos)
      << text;
}

}  // namespace
}  // namespace lumatrix
