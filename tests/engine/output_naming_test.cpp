#include "engine/output_naming.h"

#include <gtest/gtest.h>

namespace lumatrix {
namespace {

TEST(OutputNaming, ExtensionAndBaseName) {
  EXPECT_EQ(source_extension("photo.JPG"), ".JPG");
  EXPECT_EQ(source_extension("README"), "");
  EXPECT_EQ(source_extension("dir.d/README"), "");
  EXPECT_EQ(base_name("photo.jpg.jpg"), "photo");
  EXPECT_EQ(base_name("holiday.2003.png"), "holiday.2003");
  EXPECT_EQ(base_name("README"), "README");
}

TEST(OutputNaming, FormatKeepsItsOwnExtensionsInTheirCase) {
  EXPECT_EQ(output_extension(".JPG", "As Is"), ".JPG");
  EXPECT_EQ(output_extension(".psd", "As Is"), ".psd");
  EXPECT_EQ(output_extension(".jpeg", "JPEG"), ".jpeg");
  EXPECT_EQ(output_extension(".JPG", " jpeg "), ".JPG");
  EXPECT_EQ(output_extension(".bmp", "JPEG"), ".jpg");
  EXPECT_EQ(output_extension(".tiff", "TIFF LZW"), ".tiff");
  EXPECT_EQ(output_extension(".png", "TIFF CCITT G4"), ".tif");
  EXPECT_EQ(output_extension(".PGM", "PGM"), ".PGM");
  EXPECT_EQ(output_extension(".ppm", "PGM"), ".pgm");
  EXPECT_EQ(output_extension(".gif", "Targa"), ".gif");  // not an item: keeps the source's
  EXPECT_EQ(output_extension(".gif", "TGA"), ".tga");
}

}  // namespace
}  // namespace lumatrix
