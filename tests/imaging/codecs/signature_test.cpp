// The content signatures by which a misnamed file is recognised.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/image_error.h"
#include "imaging/codec.h"
#include "imaging/image_document.h"
#include "test_support.h"

namespace lumatrix {
namespace {

std::vector<uint8_t> encoded(const Codec& codec, std::string_view extension) {
  ImageDocument doc;
  doc.raster = test::gradient_rgb(12, 9);
  doc.reset_info();
  return codec.encode(doc.raster, doc.params, extension);
}

// The rows whose signature the data carry.
std::vector<std::string_view> claimed_by(std::span<const uint8_t> data) {
  std::vector<std::string_view> out;
  for (const Codec& codec : codecs())
    if (codec.sniff != nullptr && codec.sniff(data)) out.push_back(codec.name);
  return out;
}

TEST(Signatures, WhatEachEncoderWritesIsClaimedByItsOwnRowAlone) {
  for (const Codec& codec : codecs()) {
    if (codec.encode == nullptr) continue;
    SCOPED_TRACE(std::string(codec.name));
    const std::vector<uint8_t> bytes = encoded(codec, codec.extensions.front());
    if (codec.file_type == FileType::TGA) {
      // Targa headers have no signature, and ours write no TGA 2.0 footer.
      EXPECT_TRUE(claimed_by(bytes).empty());
      continue;
    }
    EXPECT_EQ(claimed_by(bytes), std::vector<std::string_view>{codec.name});
    EXPECT_EQ(codec_by_signature(bytes), &codec);
    EXPECT_EQ(codec_by_signature(bytes, &codec), nullptr);
  }
}

TEST(Signatures, TheSampleFilesOfEveryLayoutAreClaimedByTheirReader) {
  int signed_files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(LUMATRIX_TEST_DATA "/fuzz-seeds")) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    const Codec* named = find_codec(entry.path());
    if (named == nullptr) continue;  // a format this build leaves out
    const std::vector<uint8_t> bytes = test::read_bytes(entry.path());
    const Codec* found = codec_by_signature(bytes);
    if (found == nullptr) {
      // Only the formats that may carry no signature: Targa without its footer, a raw fax page.
      EXPECT_TRUE(named->file_type == FileType::TGA || name == "raw-g3-fax-page.tiff");
      continue;
    }
    ++signed_files;
    if (named->name == "Camera raw" && found->file_type == FileType::TIFF) {
      // DNG files are TIFF files too, and the TIFF row is tried first: their own row knows them
      // by the sensor data inside.
      EXPECT_TRUE(named->sniff(bytes));
      continue;
    }
    EXPECT_LE(claimed_by(bytes).size(), 1u);
    // Cursors among the icons share the icon reader.
    EXPECT_EQ(found->decode, named->decode) << found->name;
  }
  EXPECT_GT(signed_files, 40);
}

TEST(Signatures, ACutShortOrMissingSignatureIsNone) {
  for (const Codec& codec : codecs()) {
    if (codec.sniff == nullptr) continue;
    SCOPED_TRACE(std::string(codec.name));
    EXPECT_FALSE(codec.sniff({}));
    if (codec.encode == nullptr || codec.file_type == FileType::TGA) continue;
    const std::vector<uint8_t> bytes = encoded(codec, codec.extensions.front());
    EXPECT_FALSE(codec.sniff(std::span(bytes).first(2)));
  }
  const std::string text = "P6 is a pixmap; BM a bitmap; GIF8 almost a GIF\n";
  EXPECT_TRUE(claimed_by(std::span(reinterpret_cast<const uint8_t*>(text.data()), 2)).empty());
  EXPECT_TRUE(claimed_by(std::vector<uint8_t>{'G', 'I', 'F', '8', '9', 'b', 0, 0}).empty());
  // A PNM magic number must be followed by a blank or a comment.
  EXPECT_TRUE(claimed_by(std::vector<uint8_t>{'P', '6', 'x', '1'}).empty());
  EXPECT_EQ(claimed_by(std::vector<uint8_t>{'P', '5', '#', 'c'}),
            std::vector<std::string_view>{"PNM"});
}

TEST(Signatures, TargaIsRecognisedByItsVersionTwoFooter) {
  const Codec& targa = *find_codec("a.tga");
  std::vector<uint8_t> bytes = encoded(targa, ".tga");
  const std::string footer("\0\0\0\0\0\0\0\0TRUEVISION-XFILE.\0", 26);
  bytes.insert(bytes.end(), footer.begin(), footer.end());
  EXPECT_EQ(claimed_by(bytes), std::vector<std::string_view>{"Targa"});
  // The reader takes the footer in its stride.
  IOParams params;
  EXPECT_EQ(targa.decode(bytes, params), test::gradient_rgb(12, 9));
  // Without its final NUL it is not the signature.
  bytes.pop_back();
  EXPECT_TRUE(claimed_by(bytes).empty());
}

TEST(Signatures, IconAndCursorDifferInTheResourceType) {
  std::vector<uint8_t> header = {0, 0, 1, 0, 1, 0};
  header.resize(6 + 16);
  EXPECT_EQ(claimed_by(header), std::vector<std::string_view>{"Icon"});
  header[2] = 2;
  EXPECT_EQ(claimed_by(header), std::vector<std::string_view>{"Cursor"});
  header[4] = 0;  // no pictures
  EXPECT_TRUE(claimed_by(header).empty());
  // What an uncompressed true-colour Targa file starts with is no cursor.
  std::vector<uint8_t> tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 12, 0, 9, 0, 24, 0};
  tga.resize(18 + 12 * 9 * 3);
  EXPECT_TRUE(claimed_by(tga).empty());
}

}  // namespace
}  // namespace lumatrix
