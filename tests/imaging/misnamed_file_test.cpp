// A file whose content is another format than its extension names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/image_error.h"
#include "imaging/codec.h"
#include "imaging/image_document.h"
#include "test_support.h"

namespace lumatrix {
namespace {

using test::error_of;

// A small picture in the format of `codec`, under its first extension.
std::vector<uint8_t> written_as(const Codec& codec) {
  ImageDocument doc;
  doc.raster = test::gradient_rgb(10, 7);
  doc.reset_info();
  doc.params.jpeg_quality = 100;
  return codec.encode(doc.raster, doc.params, codec.extensions.front());
}

TEST(MisnamedFile, IsReadByTheFormatItsSignatureNamesAndTellsWhichWasNamed) {
  test::TempDir dir;
  int misnamed = 0;
  for (const Codec& content : codecs()) {
    // Targa files carry no signature unless they end in the TGA 2.0 footer, which ours do not.
    if (content.encode == nullptr || content.sniff == nullptr || content.file_type == FileType::TGA)
      continue;
    const std::vector<uint8_t> bytes = written_as(content);
    const std::string own = "own" + std::string(content.extensions.front());
    test::write_bytes(dir / own, bytes);
    ImageDocument expected;
    ASSERT_TRUE(expected.load(dir / own)) << own;
    EXPECT_EQ(expected.read_with(), &content);
    EXPECT_EQ(expected.misnamed_as(), nullptr);

    for (const Codec& named : codecs()) {
      if (named.decode == nullptr || &named == &content) continue;
      const std::string name = "as" + std::string(named.extensions.front());
      SCOPED_TRACE(std::string(content.name) + " content in " + name);
      test::write_bytes(dir / name, bytes);
      ImageDocument doc;
      ASSERT_TRUE(doc.load(dir / name));
      EXPECT_EQ(doc.raster, expected.raster);
      if (named.decode == content.decode) {
        // One reader for both (a code stream named .jp2) reads it as it always has.
        EXPECT_EQ(doc.misnamed_as(), nullptr);
        EXPECT_EQ(doc.params.file_type, named.file_type);
        continue;
      }
      ++misnamed;
      EXPECT_EQ(doc.params.file_type, content.file_type);
      EXPECT_EQ(doc.read_with(), &content);
      EXPECT_EQ(doc.misnamed_as(), &named);

      ImageDocument specs;
      ASSERT_TRUE(specs.read_params(dir / name));
      EXPECT_EQ(specs.params.width, 10);
      EXPECT_EQ(specs.params.height, 7);
      EXPECT_EQ(specs.params.file_type, content.file_type);
      EXPECT_EQ(specs.misnamed_as(), &named);
    }
  }
  EXPECT_GT(misnamed, 50);
}

TEST(MisnamedFile, ARightlyNamedLoadAfterwardsIsNotReported) {
  test::TempDir dir;
  const std::vector<uint8_t> png = written_as(*find_codec("a.png"));
  test::write_bytes(dir / "photo.jpg", png);
  test::write_bytes(dir / "photo.png", png);
  ImageDocument doc;
  ASSERT_TRUE(doc.load(dir / "photo.jpg"));
  ASSERT_NE(doc.misnamed_as(), nullptr);
  ASSERT_TRUE(doc.load(dir / "photo.png"));
  EXPECT_EQ(doc.misnamed_as(), nullptr);
  EXPECT_EQ(doc.read_with()->name, "PNG");
  // A file nothing reads leaves no reader behind.
  EXPECT_FALSE(doc.load(dir / "photo.xyz"));
  EXPECT_EQ(doc.read_with(), nullptr);
}

TEST(MisnamedFile, AFileThatOnlyLooksLikeAnotherFormatIsReadByItsOwnReader) {
  // An uncompressed true-colour Targa picture whose header states a colour map length though it
  // has no map: its first bytes are those of a cursor directory.
  std::vector<uint8_t> tga = {0, 0, 2, 0, 0, 1, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0};
  for (uint8_t v = 0; v < 12; ++v) tga.push_back(static_cast<uint8_t>(v * 20));
  ASSERT_TRUE(find_codec("a.cur")->sniff(tga));
  test::TempDir dir;
  test::write_bytes(dir / "pic.tga", tga);
  ImageDocument doc;
  ASSERT_TRUE(doc.load(dir / "pic.tga"));
  EXPECT_EQ(doc.read_with()->name, "Targa");
  EXPECT_EQ(doc.misnamed_as(), nullptr);
  EXPECT_EQ(doc.width(), 2);
  EXPECT_EQ(doc.raster.pixel(0, 1), (Rgb{40, 20, 0}));  // bottom-up rows, BGR order
}

TEST(MisnamedFile, ContentWithNoSignatureIsRefusedAsTheNamedReaderRefusesIt) {
  test::TempDir dir;
  const std::string text = "not a picture at all, just some words in a file\n";
  const std::vector<uint8_t> bytes(text.begin(), text.end());
  for (const char* name : {"notes.jpg", "notes.png", "notes.bmp", "notes.gif", "notes.tif"}) {
    SCOPED_TRACE(name);
    test::write_bytes(dir / name, bytes);
    ImageDocument doc;
    doc.raster = test::gradient_rgb(3, 2);
    const std::string error = error_of([&] { doc.load(dir / name); });
    EXPECT_NE(error.find((dir / name).string() + ": "), std::string::npos) << error;
    EXPECT_EQ(error.find("content is"), std::string::npos) << error;
    EXPECT_EQ(doc.raster, test::gradient_rgb(3, 2));
  }
  test::write_bytes(dir / "notes.bmp", bytes);
  ImageDocument doc;
  EXPECT_NE(error_of([&] { doc.load(dir / "notes.bmp"); }).find("not a BMP file"),
            std::string::npos);
}

TEST(MisnamedFile, DamagedMisnamedContentNamesBothFormats) {
  test::TempDir dir;
  std::vector<uint8_t> png = written_as(*find_codec("a.png"));
  png.resize(40);
  test::write_bytes(dir / "cut.jpg", png);
  ImageDocument doc;
  doc.raster = test::gradient_rgb(3, 2);
  const std::string error = error_of([&] { doc.load(dir / "cut.jpg"); });
  EXPECT_NE(error.find("cut.jpg: "), std::string::npos) << error;
  EXPECT_NE(error.find("(content is PNG, not JPEG as its extension says)"), std::string::npos)
      << error;
  EXPECT_EQ(doc.raster, test::gradient_rgb(3, 2));
}

TEST(MisnamedFile, ExtensionsWithoutAReaderAreNotLookedInto) {
  test::TempDir dir;
  const std::vector<uint8_t> png = written_as(*find_codec("a.png"));
  for (const char* name : {"photo.xyz", "photo.psd", "photo.wmf", "photo"}) {
    SCOPED_TRACE(name);
    test::write_bytes(dir / name, png);
    ImageDocument doc;
    bool loaded = true;
    EXPECT_NO_THROW(loaded = doc.load(dir / name));
    EXPECT_FALSE(loaded);
    EXPECT_TRUE(doc.aborting());
    EXPECT_TRUE(doc.empty());
  }
}

}  // namespace
}  // namespace lumatrix
