#include <gtest/gtest.h>

#include "imaging/codec.h"
#include "imaging/image_document.h"
#include "test_support.h"

namespace lumatrix {
namespace {

class ConvertCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    ImageDocument doc;
    doc.raster = test::gradient_rgb(48, 32);
    doc.params.iptc = {{2, 120, "caption"}};
    doc.params.exif = exif_block();
    ASSERT_TRUE(doc.save(source()));
  }
  std::string source() const { return (dir_ / "source.jpg").string(); }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  // A minimal little-endian TIFF structure with an empty first directory.
  static std::vector<uint8_t> exif_block() {
    return {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  }

  test::TempDir dir_;
};

TEST_F(ConvertCommand, AppliesTheSavingOptionsOfTheSettings) {
  auto r = test::run_lumatrix(dir_, {"convert", source(), path("deep/er/out.jpg"), "--set",
                                     "DPI_Setting=300", "--set", "JPEG_Quality=30"});
  ASSERT_EQ(r.status, 0) << r.err;
  ImageDocument low;
  ASSERT_TRUE(low.load(path("deep/er/out.jpg")));
  EXPECT_EQ(low.params.dpi_x, 300);
  EXPECT_TRUE(low.params.jpeg_progressive);  // progressive_JPEG is on by default
  EXPECT_EQ(low.params.iptc.size(), 1u);

  r = test::run_lumatrix(dir_, {"convert", source(), path("high.jpg"), "--set", "JPEG_Quality=95"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_GT(std::filesystem::file_size(path("high.jpg")),
            std::filesystem::file_size(path("deep/er/out.jpg")));
}

TEST_F(ConvertCommand, DropsHeaderDataAsTheSettingsSay) {
  auto r = test::run_lumatrix(
      dir_, {"convert", source(), path("no-iptc.jpg"), "--set", "iptc_header=false"});
  ASSERT_EQ(r.status, 0) << r.err;
  ImageDocument doc;
  ASSERT_TRUE(doc.load(path("no-iptc.jpg")));
  EXPECT_TRUE(doc.params.iptc.empty());
  EXPECT_FALSE(doc.params.exif.empty());

  r = test::run_lumatrix(
      dir_, {"convert", source(), path("bare.jpg"), "--set", "retainheaderinfo=false"});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(doc.load(path("bare.jpg")));
  EXPECT_TRUE(doc.params.iptc.empty());
  EXPECT_TRUE(doc.params.exif.empty());
}

TEST_F(ConvertCommand, ReportsWhatItCannotDo) {
  auto r = test::run_lumatrix(dir_, {"convert", source(), path("out.xyz")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("out.xyz: cannot write images with extension '.xyz'"), std::string::npos)
      << r.err;
  EXPECT_FALSE(std::filesystem::exists(path("out.xyz")));

  r = test::run_lumatrix(dir_, {"convert", path("missing.png"), path("out.png")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("missing.png: No such file or directory"), std::string::npos) << r.err;

  r = test::run_lumatrix(dir_, {"convert", source(), path("out.png"), "--set", "JPEG_Quality=101"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("JPEG_Quality: 101 is outside 0..100"), std::string::npos) << r.err;
  EXPECT_EQ(test::run_lumatrix(dir_, {"convert", source()}).status, 2);
}

TEST_F(ConvertCommand, AMisnamedSourceIsConvertedFromItsContentWithANotice) {
  std::filesystem::rename(source(), path("source.png"));
  auto r = test::run_lumatrix(dir_, {"convert", path("source.png"), path("out.bmp")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "lumatrix convert: " + path("source.png") +
                       ": content is JPEG, not PNG as its extension says; read as JPEG\n");
  ImageDocument out;
  ASSERT_TRUE(out.load(path("out.bmp")));
  EXPECT_EQ(out.width(), 48);
}

TEST_F(ConvertCommand, HelpListsTheFormatsThatCanBeReadOrWritten) {
  const auto r = test::run_lumatrix(dir_, {"convert", "--help"});
  ASSERT_EQ(r.status, 0);
  std::string expected =
      "Formats by extension:\n"
      "  JPEG: .jpg .jpeg .jpe\n"
      "  PNG: .png\n"
      "  BMP: .bmp .dib .rle\n"
      "  PNM: .pxm .ppm .pgm .pbm\n"
      "  TIFF: .tif .tiff .fax .g3n .g3f\n"
      "  GIF: .gif\n"
      "  PCX: .pcx\n"
      "  Targa: .tga .targa .vda .icb .vst .win\n"
      "  Icon: .ico  (read only)\n"
      "  Cursor: .cur  (read only)\n";
  // Builds may leave JPEG 2000 out.
  if (find_codec("a.jp2") != nullptr)
    expected +=
        "  JPEG 2000: .jp2 .jph\n"
        "  JPEG 2000 code stream: .j2k .jpc .j2c .jhc\n";
  // And the newer formats.
  if (find_codec("a.webp") != nullptr) expected += "  WebP: .webp\n";
  // Each HEIF coding reads only where libheif has no encoder for it.
  for (const auto& [name, line] :
       {std::pair{"a.avif", "  AVIF: .avif"}, {"a.heic", "  HEIC: .heic .heif"}})
    if (const Codec* codec = find_codec(name))
      expected += std::string(line) + (codec->encode ? "\n" : "  (read only)\n");
  if (find_codec("a.jxl") != nullptr) expected += "  JPEG XL: .jxl\n";
  if (find_codec("a.dng") != nullptr)
    expected += "  Camera raw: .cr2 .cr3 .nef .arw .dng .orf .raf .rw2  (read only)\n";
  const size_t at = r.out.find("Formats by extension:");
  ASSERT_NE(at, std::string::npos) << r.out;
  EXPECT_EQ(r.out.substr(at), expected);
}

}  // namespace
}  // namespace lumatrix
