#include "imaging/orientation.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace lumatrix
