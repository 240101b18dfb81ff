#include "imaging/orientation.h"

#include <gtest/gtest.h>

#include <exiv2/exiv2.hpp>

#include "imaging/codecs/exif_block.h"
#include "imaging/rotate_flip.h"
#include "test_support.h"

namespace lumatrix {
namespace {

ImageDocument gradient(int w, int h) {
  ImageDocument doc;
  doc.raster = test::gradient_rgb(w, h);
  return doc;
}

TEST(Orientation, RotationsTurnAndSwapSides) {
  const Raster source = test::gradient_rgb(6, 4);
  ImageDocument doc = gradient(6, 4);
  apply_orientation(doc, Orientation::RotateLeft90);
  ASSERT_EQ(doc.width(), 4);
  ASSERT_EQ(doc.height(), 6);
  // Counter-clockwise: the top-right corner comes to the top-left.
  EXPECT_EQ(doc.raster.pixel(0, 0), source.pixel(5, 0));

  doc = gradient(640, 480);
  apply_orientation(doc, Orientation::RotateRight90);
  EXPECT_EQ(doc.width(), 480);
  EXPECT_EQ(doc.height(), 640);

  doc = gradient(6, 4);
  apply_orientation(doc, Orientation::RotateRight90);
  EXPECT_EQ(doc.raster.pixel(0, 0), source.pixel(0, 3));

  doc = gradient(6, 4);
  apply_orientation(doc, Orientation::Rotate180);
  EXPECT_EQ(doc.raster.pixel(0, 0), source.pixel(5, 3));
  EXPECT_EQ(doc.width(), 6);
}

TEST(Orientation, FlipsMirrorTheirAxis) {
  const Raster source = test::gradient_rgb(6, 4);
  ImageDocument doc = gradient(6, 4);
  apply_orientation(doc, Orientation::FlipLeft);
  EXPECT_EQ(doc.raster.pixel(0, 1), source.pixel(5, 1));

  for (Orientation vertical : {Orientation::FlipDown, Orientation::FlipRight}) {
    doc = gradient(6, 4);
    apply_orientation(doc, vertical);
    EXPECT_EQ(doc.raster.pixel(2, 0), source.pixel(2, 3));
    EXPECT_EQ(doc.raster.pixel(2, 3), source.pixel(2, 0));
  }
}

TEST(Orientation, AsIsAndUnrecognisedLeaveTheImage) {
  const Raster source = test::gradient_rgb(6, 4);
  for (Orientation orientation : {Orientation::AsIs, Orientation::Unrecognised}) {
    ImageDocument doc = gradient(6, 4);
    apply_orientation(doc, orientation);
    EXPECT_EQ(doc.raster, source);
  }
}

struct CropCase {
  CropCorners corners;
  int x, y, w, h;  // the part of the 100 x 80 source that remains
};

TEST(Crop, CornersInclusiveFarEdgeAndDegenerateCases) {
  const Raster source = test::gradient_rgb(100, 80);
  const CropCase cases[] = {
      {{10, 10, 0, 0}, 10, 10, 90, 70},    // 0 reaches the far edge
      {{0, 0, 50, 40}, 0, 0, 51, 41},      // the second corner is included
      {{0, 0, 0, 0}, 0, 0, 100, 80},       // the whole image
      {{20, 10, 20, 40}, 0, 0, 100, 80},   // equal x: nothing cropped
      {{5, 5, 500, 500}, 5, 5, 95, 75},    // beyond reach: the edge
      {{150, 0, 10, 0}, 10, 0, 90, 80},    // first corner clamped to the last column, reordered
      {{100, 0, 0, 0}, 0, 0, 100, 80},     // x1 = W and x2 = 0: equal before clamping
      {{120, 0, 0, 40}, 99, 0, 1, 41},     // a one-pixel strip
      {{60, 50, 30, 20}, 30, 20, 31, 31},  // corners in either order
  };
  for (const CropCase& c : cases) {
    ImageDocument doc;
    doc.raster = source;
    doc.select(1, 1, 3, 3);  // an earlier selection is replaced
    apply_crop(doc, c.corners);
    SCOPED_TRACE(::testing::Message() << c.corners.x1 << "," << c.corners.y1 << " to "
                                      << c.corners.x2 << "," << c.corners.y2);
    ASSERT_EQ(doc.width(), c.w);
    ASSERT_EQ(doc.height(), c.h);
    EXPECT_EQ(doc.raster.pixel(0, 0), source.pixel(c.x, c.y));
    EXPECT_EQ(doc.raster.pixel(c.w - 1, c.h - 1), source.pixel(c.x + c.w - 1, c.y + c.h - 1));
    EXPECT_FALSE(doc.selection().has_value());
  }
}

std::vector<uint8_t> exif_with_orientation(uint16_t tag) {
  Exiv2::ExifData data;
  data["Exif.Image.Make"] = "Lumacam";
  data["Exif.Image.Orientation"] = tag;
  Exiv2::Blob blob;
  Exiv2::ExifParser::encode(blob, Exiv2::bigEndian, data);
  return blob;
}

// How a camera stores an upright picture under each tag, from the tag's own definition: where
// the stored row 0 and column 0 appear when shown (2: top, right; 5: left, top; 6: right, top;
// and so on).
Raster stored_as(const Raster& upright, int tag) {
  const int w = upright.width(), h = upright.height();
  const bool across = tag >= 5;
  Raster stored = test::gradient_rgb(across ? h : w, across ? w : h);
  for (int r = 0; r < stored.height(); ++r)
    for (int c = 0; c < stored.width(); ++c) {
      int x = c, y = r;
      switch (tag) {
        case 2:
          x = w - 1 - c;
          break;
        case 3:
          x = w - 1 - c, y = h - 1 - r;
          break;
        case 4:
          y = h - 1 - r;
          break;
        case 5:
          x = r, y = c;
          break;
        case 6:
          x = w - 1 - r, y = c;
          break;
        case 7:
          x = w - 1 - r, y = h - 1 - c;
          break;
        case 8:
          x = r, y = h - 1 - c;
          break;
        default:
          break;
      }
      stored.set_pixel(c, r, upright.pixel(x, y));
    }
  return stored;
}

TEST(TurnUpright, EveryTagComesOutAsTheCameraHolderSawIt) {
  const Raster upright = test::gradient_rgb(5, 3);
  for (uint16_t tag = 1; tag <= 8; ++tag) {
    ImageDocument doc;
    doc.raster = stored_as(upright, tag);
    doc.params.exif = exif_with_orientation(tag);
    doc.params.dpi_x = 300;
    doc.params.dpi_y = 150;
    EXPECT_EQ(turn_upright(doc), tag >= 2) << tag;
    EXPECT_EQ(doc.raster, upright) << "tag " << tag;
    EXPECT_EQ(exif_orientation(doc.params.exif), 1) << tag;
    // The rest of the block is as it was.
    EXPECT_EQ(doc.params.exif.size(), exif_with_orientation(tag).size());
    EXPECT_EQ(doc.params.dpi_x, tag >= 5 ? 150 : 300) << tag;
  }
}

TEST(TurnUpright, UntaggedOrUnreadableBlocksLeaveThePicture) {
  const Raster source = test::gradient_rgb(6, 4);
  Exiv2::ExifData data;
  data["Exif.Image.Make"] = "Lumacam";
  Exiv2::Blob untagged;
  Exiv2::ExifParser::encode(untagged, Exiv2::littleEndian, data);
  std::vector<uint8_t> out_of_range = exif_with_orientation(9);
  std::vector<uint8_t> cut = exif_with_orientation(6);
  cut.resize(12);
  for (const std::vector<uint8_t>& exif :
       {std::vector<uint8_t>{}, std::vector<uint8_t>(untagged), out_of_range, cut}) {
    ImageDocument doc;
    doc.raster = source;
    doc.params.exif = exif;
    EXPECT_FALSE(turn_upright(doc));
    EXPECT_EQ(doc.raster, source);
    EXPECT_EQ(doc.params.exif, exif);
  }
  EXPECT_EQ(exif_orientation(out_of_range), 0);
  EXPECT_EQ(exif_orientation(exif_with_orientation(8)), 8);
}

}  // namespace
}  // namespace lumatrix
