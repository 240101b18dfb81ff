// The lists the program derives from the codec rows, against the lists it has always had: a new
// or changed row must not move them silently.
#include "imaging/format_facts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "imaging/codec.h"

namespace lumatrix {
namespace {

using Texts = std::vector<std::string>;

Texts texts(std::span<const std::string_view> items) {
  return Texts(items.begin(), items.end());
}

// The newer formats, which builds may leave out, in their row order: what they add to the lists
// when they are in.
struct NewerFormat {
  const char* name;  // a file of the format
  const char* item;  // its Image_Format item, where it can be written
  std::vector<std::string> folder_load;
};
const std::vector<NewerFormat>& newer_formats() {
  static const std::vector<NewerFormat> formats = {
      {"a.webp", "WebP", {".webp"}},
      {"a.avif", "AVIF", {".avif"}},
      {"a.heic", "HEIC", {".heic", ".heif"}},
      {"a.jxl", "JPEG XL", {".jxl"}},
      {"a.dng", "", {".cr2", ".cr3", ".nef", ".arw", ".dng", ".orf", ".raf", ".rw2"}},
  };
  return formats;
}
bool built(const NewerFormat& format) {
  return find_codec(format.name) != nullptr;
}
bool written(const NewerFormat& format) {
  return built(format) && find_codec(format.name)->save.has_value();
}

std::set<std::string> rows_where(bool (*test)(const Codec&)) {
  std::set<std::string> out;
  for (const Codec& codec : codecs())
    if (test(codec)) out.insert(std::string(codec.name));
  return out;
}

TEST(FormatFacts, ImageFormatItemsInTheirListOrder) {
  Texts expected = {"JPEG",          "BMP",
                    "GIF",           "PNG",
                    "PCX",           "TIFF Packbits",
                    "TIFF LZW",      "TIFF CCITT Huffman",
                    "TIFF CCITT G3", "TIFF CCITT G4",
                    "TGA",           "PBM",
                    "PGM",           "PPM"};
  // The newer formats follow the ones the list has always had.
  for (const NewerFormat& format : newer_formats())
    if (written(format)) expected.push_back(format.item);
  EXPECT_EQ(texts(save_choice_labels()), expected);
}

TEST(FormatFacts, FolderLoadListsTheTwentyFiveExtensionsItAlwaysHasAndTheNewerFormats) {
  Texts listed = texts(folder_load_extensions());
  std::sort(listed.begin(), listed.end());
  Texts expected = {".jpg", ".jpeg", ".bmp", ".tif", ".tiff", ".pcx", ".png", ".gif", ".dib",
                    ".rle", ".tga",  ".vda", ".icb", ".vst",  ".pix", ".pbm", ".pgm", ".ppm",
                    ".wmf", ".fax",  ".cut", ".pcd", ".psp",  ".pdd", ".psd"};
  for (const NewerFormat& format : newer_formats())
    if (built(format))
      expected.insert(expected.end(), format.folder_load.begin(), format.folder_load.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);  // sorted, so a duplicate shows as well
}

TEST(FormatFacts, FormatsWithoutACodecAreListedButNeverLookedUp) {
  for (const char* name : {"a.psd", "a.PDD", "a.wmf", "a.cut", "a.pcd", "a.psp", "a.pix"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(find_codec(name), nullptr);
    const std::string extension = lower_extension(name);
    EXPECT_NE(
        std::find(folder_load_extensions().begin(), folder_load_extensions().end(), extension),
        folder_load_extensions().end());
  }
  // Such rows never claim a file by its content either.
  for (const Codec& codec : codecs()) {
    if (codec.decode == nullptr) {
      EXPECT_EQ(codec.sniff, nullptr) << codec.name;
    }
  }
}

TEST(FormatFacts, EachExtensionIsReadByOneRowAndStoredAsLookupsCompareIt) {
  std::set<std::string_view> seen;
  for (const Codec& codec : codecs()) {
    for (std::string_view ext : codec.extensions) {
      EXPECT_TRUE(ext.size() > 1 && ext[0] == '.' && lower_extension("a" + std::string(ext)) == ext)
          << codec.name << " " << ext;
      EXPECT_TRUE(seen.insert(ext).second) << ext << " belongs to two rows";
    }
  }
  EXPECT_EQ(find_codec("PHOTO.JPE")->name, "JPEG");
  EXPECT_EQ(find_codec("scan.G3F")->name, "TIFF");
  EXPECT_EQ(find_codec("noextension"), nullptr);
}

TEST(FormatFacts, OnlyGifAndPngWatermarksAreDrawnThroughTheirAlpha) {
  std::set<std::string_view> extensions;
  for (const Codec& codec : codecs())
    if (codec.watermark_alpha) extensions.insert(codec.extensions.begin(), codec.extensions.end());
  EXPECT_EQ(extensions, (std::set<std::string_view>{".gif", ".png"}));
  // Not because they are the only ones with alpha.
  EXPECT_TRUE(find_codec("a.tga")->can.alpha);
  EXPECT_FALSE(find_codec("a.tga")->watermark_alpha);
}

TEST(FormatFacts, WhatOneSampleImagesHoldByFormat) {
  // `lumatrix info` calls these palette and grey images; the rest "grey or palette".
  EXPECT_EQ(rows_where([](const Codec& c) { return c.can.palette && !c.can.grey; }),
            (std::set<std::string>{"BMP", "GIF", "PCX", "Icon", "Cursor"}));
  std::set<std::string> grey = {"JPEG", "PNM"};
  for (const char* name : {"a.jxl", "a.dng"})
    if (const Codec* codec = find_codec(name)) grey.insert(std::string(codec->name));
  EXPECT_EQ(rows_where([](const Codec& c) { return c.can.grey && !c.can.palette; }), grey);
}

TEST(FormatFacts, ExifIsCarriedByJpegAndTheNewerFormatsIptcByJpegAloneProfilesAlsoByPngTiff) {
  std::set<std::string> exif = {"JPEG"};
  for (const char* name : {"a.webp", "a.avif", "a.heic", "a.jxl"})
    if (const Codec* codec = find_codec(name)) exif.insert(std::string(codec->name));
  EXPECT_EQ(rows_where([](const Codec& c) { return c.can.exif; }), exif);
  EXPECT_EQ(rows_where([](const Codec& c) { return c.can.iptc; }), std::set<std::string>{"JPEG"});
  std::set<std::string> icc = exif;
  icc.insert({"PNG", "TIFF"});
  EXPECT_EQ(rows_where([](const Codec& c) { return c.can.icc; }), icc);
}

TEST(FormatFacts, SaveChoiceNamedByLabelAliasOrWord) {
  const auto label = [](std::string_view text) {
    const SaveChoice* choice = save_choice_named(text);
    return choice ? std::string(choice->label) : std::string("-");
  };
  EXPECT_EQ(label(" jpeg "), "JPEG");
  EXPECT_EQ(label("JPG"), "JPEG");
  EXPECT_EQ(label("tiff ccitt g4"), "TIFF CCITT G4");
  EXPECT_EQ(label("tiff"), "TIFF Packbits");  // the word names the row's first item
  EXPECT_EQ(label("a tiff of mine"), "TIFF Packbits");
  EXPECT_EQ(label("Pgm"), "PGM");
  EXPECT_EQ(label("As Is"), "-");
  EXPECT_EQ(label("Targa"), "-");
  EXPECT_EQ(label("TIF"), "-");
  EXPECT_EQ(label(""), "-");
  // Every item names itself.
  for (std::string_view item : save_choice_labels()) EXPECT_EQ(label(item), item);
}

TEST(FormatFacts, MisnamedNoticeNamesBothFormats) {
  EXPECT_EQ(misnamed_notice("photo.jpg", *find_codec("a.jpg"), *find_codec("a.png")),
            "photo.jpg: content is PNG, not JPEG as its extension says; read as PNG");
}

}  // namespace
}  // namespace lumatrix
