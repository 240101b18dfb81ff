// Files a reader decodes despite damage say so: the reader leaves a sentence in
// IOParams::warnings, and the document turns it into the line a run logs beside the file's name.
#include <gtest/gtest.h>

#include "imaging/codecs/codecs.h"
#include "imaging/image_document.h"
#include "test_support.h"

namespace lumatrix {
namespace {

std::vector<uint8_t> jpeg_of(const Raster& raster) {
  IOParams params;
  params.jpeg_quality = 90;
  return encode_jpeg(raster, params, ".jpg");
}

// Stray bytes between the entropy-coded data and the end marker of one of our own files: libjpeg
// reads the whole picture and complains of them (the first few it takes as padding).
std::vector<uint8_t> with_stray_bytes(std::vector<uint8_t> jpeg) {
  EXPECT_EQ(jpeg[jpeg.size() - 2], 0xFF);
  EXPECT_EQ(jpeg[jpeg.size() - 1], 0xD9);
  const std::vector<uint8_t> garbage(40, 0x5A);
  jpeg.insert(jpeg.end() - 2, garbage.begin(), garbage.end());
  return jpeg;
}

TEST(DamageNotice, RegressionCorruptJpegDataIsDecodedWithAWarning) {
  const Raster source = test::gradient_rgb(64, 48);
  IOParams params;
  const Raster r = decode_jpeg(with_stray_bytes(jpeg_of(source)), params);
  EXPECT_EQ(r.width(), 64);
  ASSERT_EQ(params.warnings.size(), 1u);
  EXPECT_EQ(params.warnings[0].rfind("Corrupt JPEG data: ", 0), 0u) << params.warnings[0];
  EXPECT_TRUE(params.warnings[0].ends_with(" extraneous bytes before marker 0xd9"));
  // The picture is the one the undamaged file holds.
  IOParams clean;
  EXPECT_EQ(decode_jpeg(jpeg_of(source), clean), r);
  EXPECT_TRUE(clean.warnings.empty());
}

TEST(DamageNotice, TheDocumentGivesTheRunsLineForEachWarningAndResetsThemOnTheNextLoad) {
  test::TempDir dir;
  const std::vector<uint8_t> jpeg = with_stray_bytes(jpeg_of(test::gradient_rgb(32, 32)));
  IOParams direct;
  decode_jpeg(jpeg, direct);
  ASSERT_EQ(direct.warnings.size(), 1u);
  const std::string damage = "damaged data, read as far as possible: " + direct.warnings[0];

  test::write_bytes(dir / "damaged.jpg", jpeg);
  ImageDocument doc;
  ASSERT_TRUE(doc.load(dir / "damaged.jpg"));
  EXPECT_EQ(doc.read_notices("damaged.jpg"), std::vector<std::string>{"damaged.jpg: " + damage});
  // The same damage under a PNG name: the misnamed notice first, then the damage.
  test::write_bytes(dir / "damaged.png", jpeg);
  ASSERT_TRUE(doc.load(dir / "damaged.png"));
  EXPECT_EQ(doc.read_notices("damaged.png"),
            (std::vector<std::string>{
                "damaged.png: content is JPEG, not PNG as its extension says; read as JPEG",
                "damaged.png: " + damage}));

  test::write_bytes(dir / "clean.jpg", jpeg_of(test::gradient_rgb(32, 32)));
  ASSERT_TRUE(doc.load(dir / "clean.jpg"));
  EXPECT_TRUE(doc.read_notices("clean.jpg").empty());
}

}  // namespace
}  // namespace lumatrix
