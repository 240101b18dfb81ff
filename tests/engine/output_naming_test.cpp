#include "engine/output_naming.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "imaging/codec.h"

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

// The rules as they have always stood: each group of Image_Format texts gives its first
// extension and keeps a source extension among the others in its letter case; texts outside
// every group keep the source extension.
TEST(OutputNaming, EveryFormatTextAgainstEverySourceExtension) {
  struct Rule {
    std::vector<std::string> texts;
    std::vector<std::string> kept;  // the first is what it gives otherwise
  };
  std::vector<Rule> rules = {
      {{"TGA", " tga "}, {".tga"}},
      {{"PBM"}, {".pbm"}},
      {{"PGM", "pgm"}, {".pgm"}},
      {{"PPM"}, {".ppm"}},
      {{"JPEG", "jpeg", "jpg", " JPG "}, {".jpg", ".jpeg"}},
      {{"TIFF Packbits", "TIFF LZW", "TIFF CCITT Huffman", "TIFF CCITT G3", "TIFF CCITT G4", "tiff",
        " Tiff lzw ", "BigTIFF", "my tiff file"},
       {".tif", ".tiff"}},
      {{"BMP", "bmp"}, {".bmp"}},
      {{"PCX"}, {".pcx"}},
      {{"PNG", "Png"}, {".png"}},
      {{"GIF"}, {".gif"}},
      {{"As Is", " as is", "Targa", "TIF", "JPE", "PNM", "JPEG 2000", "Icon", "Camera raw", "",
        "xyz"},
       {}},
  };
  // The newer formats' items where the build can write them; else their texts name nothing.
  for (const Rule& newer :
       {Rule{{"WebP", "webp"}, {".webp"}}, Rule{{"AVIF", " avif"}, {".avif"}},
        Rule{{"HEIC", "heic"}, {".heic", ".heif"}}, Rule{{"JPEG XL", "jpeg xl"}, {".jxl"}}}) {
    const Codec* codec = find_codec("a" + newer.kept.front());
    if (codec != nullptr && codec->save)
      rules.insert(rules.end() - 1, newer);
    else
      rules.back().texts.insert(rules.back().texts.end(), newer.texts.begin(), newer.texts.end());
  }
  const std::vector<std::string> sources = {
      ".jpg", ".JPG", ".jpeg", ".Jpeg", ".jpe",  ".tif",   ".TIFF", ".fax", ".bmp", ".dib",
      ".png", ".PNG", ".gif",  ".pcx",  ".tga",  ".targa", ".pbm",  ".pgm", ".PPM", ".pxm",
      ".jp2", ".psd", ".webp", ".avif", ".HEIF", ".jxl",   ".NEF",  ""};
  for (const Rule& rule : rules) {
    for (const std::string& text : rule.texts) {
      for (const std::string& source : sources) {
        std::string lower = source;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::string expected = source;
        if (!rule.kept.empty() &&
            std::find(rule.kept.begin(), rule.kept.end(), lower) == rule.kept.end())
          expected = rule.kept.front();
        EXPECT_EQ(output_extension(source, text), expected)
            << "\"" << text << "\" with \"" << source << "\"";
      }
    }
  }
}

}  // namespace
}  // namespace lumatrix
