#include <gtest/gtest.h>

#include "imaging/image_document.h"
#include "test_support.h"

namespace lumatrix {
namespace {

// Windows metafiles are vector drawings we do not render; loading one must behave like any
// unknown format: nothing read, the aborting flag set, no exception.
TEST(Metafiles, LoadLikeAnUnknownFormat) {
  test::TempDir dir;
  // The placeable metafile key, then a little of a header: real enough to be tempting.
  const std::vector<uint8_t> wmf = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0, 0x10, 0, 0x10, 0};
  for (const char* name : {"drawing.wmf", "drawing.EMF"}) {
    SCOPED_TRACE(name);
    test::write_bytes(dir / name, wmf);
    ImageDocument doc;
    doc.raster = test::gradient_rgb(3, 2);
    doc.params.exif = {1, 2};
    bool loaded = true;
    EXPECT_NO_THROW(loaded = doc.load(dir / name));
    EXPECT_FALSE(loaded);
    EXPECT_TRUE(doc.aborting());
    EXPECT_TRUE(doc.params.exif.empty());
    EXPECT_EQ(doc.raster, test::gradient_rgb(3, 2));
  }
}

}  // namespace
}  // namespace lumatrix
