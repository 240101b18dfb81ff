// Turning pictures in lossless formats: decoded, turned and written back in their own format.
#include <gtest/gtest.h>
#include <zlib.h>

#include <exiv2/exiv2.hpp>
#include <string>
#include <vector>

#include "files/source_turn.h"
#include "imaging/codec.h"
#include "imaging/codecs/png_chunks.h"
#include "imaging/image_document.h"
#include "imaging/metadata.h"
#include "imaging/rotate_flip.h"
#include "jpeg_samples.h"
#include "test_support.h"
#include "turn_expectation.h"

namespace lumatrix {
namespace {

using test::TempDir;

ImageDocument loaded(const std::filesystem::path& file) {
  ImageDocument doc;
  doc.load(file);
  return doc;
}

// A PNG chunk with its length and CRC.
std::vector<uint8_t> png_chunk(const std::string& type, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> out;
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<uint8_t>(data.size() >> shift));
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), 4);
  crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(crc >> shift));
  return out;
}

// `png` with `chunks` after its header chunk (8 bytes of signature, 25 of IHDR).
std::vector<uint8_t> png_with(std::vector<uint8_t> png, const std::vector<uint8_t>& chunks) {
  png.insert(png.begin() + 33, chunks.begin(), chunks.end());
  return png;
}

std::vector<uint8_t> refused_unchanged(const std::filesystem::path& file, SourceTurn turn,
                                       const std::string& reason_part) {
  const std::vector<uint8_t> before = test::read_bytes(file);
  const std::string message = test::error_of([&] { turn_source_file(file, turn); });
  EXPECT_NE(message.find(file.filename().string()), std::string::npos) << message;
  EXPECT_NE(message.find(reason_part), std::string::npos) << message;
  EXPECT_EQ(test::read_bytes(file), before);
  EXPECT_EQ(test::names_in(file.parent_path()).size(), 1u) << "a temporary was left";
  return before;
}

TEST(TurnRewrite, LosslessFormatsHoldExactlyTheTurnedPixelsInTheirOwnCoding) {
  struct Case {
    const char* name;
    Raster raster;
  };
  const std::vector<Case> cases = {
      {"palette.png", test::paletted(13, 7, 4)},  // 2 bits per index
      {"alpha.png", test::with_ramp_alpha(test::gradient_rgb(13, 7))},
      {"grey.png", test::grey_ramp(13, 7)},
      {"palette.bmp", test::paletted(13, 7, 16)},  // 4 bits per index
      {"rgb.bmp", test::gradient_rgb(13, 7)},
      {"rgb.tif", test::gradient_rgb(13, 7)},
      {"alpha.tif", test::with_ramp_alpha(test::gradient_rgb(13, 7))},
      {"grey.pgm", test::grey_ramp(13, 7)},
      {"palette.gif", test::paletted(13, 7, 32)},
      {"palette.pcx", test::paletted(13, 7, 200)},
      {"rgb.tga", test::gradient_rgb(13, 7)},
  };
  for (const Case& c : cases) {
    for (SourceTurn turn :
         {SourceTurn::Left, SourceTurn::Right, SourceTurn::Vertical, SourceTurn::Horizontal}) {
      SCOPED_TRACE(std::string(c.name) + " turn " + std::to_string(static_cast<int>(turn)));
      TempDir dir;
      const auto file = dir / c.name;
      ImageDocument source;
      source.raster = c.raster;
      source.params.dpi_x = 300;
      source.params.dpi_y = 150;
      ASSERT_TRUE(source.save(file));
      ImageDocument expected = loaded(file);
      const IOParams read = expected.params;
      test::turn_as_expected(expected, turn);

      turn_source_file(file, turn);
      const ImageDocument turned = loaded(file);
      EXPECT_EQ(turned.raster.format(), expected.raster.format());
      EXPECT_EQ(test::max_difference(turned.raster, expected.raster), 0);
      EXPECT_EQ(turned.params.file_type, read.file_type);
      EXPECT_EQ(turned.params.bits_per_sample, read.bits_per_sample);
      EXPECT_EQ(turned.params.samples_per_pixel, read.samples_per_pixel);
      const bool quarter = turn == SourceTurn::Left || turn == SourceTurn::Right;
      if (read.dpi_x == 300 && read.dpi_y == 150)  // where the format stores a resolution
        EXPECT_EQ(turned.params.dpi_x, quarter ? 150 : 300);
    }
  }
}

TEST(TurnRewrite, PngKeepsItsTextColourAndExifChunks) {
  TempDir dir;
  const auto file = dir / "notes.png";
  ImageDocument source;
  source.raster = test::gradient_rgb(6, 4);
  ASSERT_TRUE(source.save(file));
  const std::vector<uint8_t> text = test::bytes_of(std::string_view("Author\0Someone", 14));
  const std::vector<uint8_t> gamma = {0, 0, 0xB1, 0x8F};
  const std::vector<uint8_t> exif = test::camera_exif(6, 6, 4);
  std::vector<uint8_t> chunks = png_chunk("tEXt", text);
  for (const auto& extra : {png_chunk("gAMA", gamma), png_chunk("eXIf", exif),
                            png_chunk("prVT", {1, 2, 3})})  // unsafe to copy: left out
    chunks.insert(chunks.end(), extra.begin(), extra.end());
  test::write_bytes(file, png_with(test::read_bytes(file), chunks));

  turn_source_file(file, SourceTurn::Right);
  const std::vector<uint8_t> bytes = test::read_bytes(file);
  const auto holds = [&](const std::vector<uint8_t>& part) {
    return std::search(bytes.begin(), bytes.end(), part.begin(), part.end()) != bytes.end();
  };
  EXPECT_TRUE(holds(png_chunk("tEXt", text)));
  EXPECT_TRUE(holds(png_chunk("gAMA", gamma)));
  EXPECT_FALSE(holds(test::bytes_of("prVT")));
  EXPECT_EQ(read_image_facts(file).orientation, 1);
  EXPECT_EQ(loaded(file).width(), 4);
}

TEST(TurnRewrite, TiffKeepsTagsXmpAndExifBesidesItsCoding) {
  TempDir dir;
  const auto file = dir / "scan.tif";
  ImageDocument source;
  source.raster = test::gradient_rgb(7, 3);
  ASSERT_TRUE(source.save(file));
  {
    auto image = Exiv2::ImageFactory::open(file.string());
    image->readMetadata();
    image->exifData()["Exif.Image.Artist"] = "Someone";
    image->exifData()["Exif.Photo.DateTimeOriginal"] = "2020:01:02 03:04:05";
    image->xmpData()["Xmp.dc.title"] = "Harbour";
    image->writeMetadata();
  }
  ImageDocument expected = loaded(file);
  rotate(expected, -90);

  turn_source_file(file, SourceTurn::Right);
  EXPECT_EQ(test::max_difference(loaded(file).raster, expected.raster), 0);
  auto image = Exiv2::ImageFactory::open(file.string());
  image->readMetadata();
  EXPECT_EQ(image->exifData()["Exif.Image.Artist"].toString(), "Someone");
  EXPECT_EQ(image->exifData()["Exif.Photo.DateTimeOriginal"].toString(), "2020:01:02 03:04:05");
  EXPECT_EQ(image->xmpData()["Xmp.dc.title"].toString(), "lang=\"x-default\" Harbour");
}

TEST(TurnRewrite, PnmKeepsItsHeaderComments) {
  TempDir dir;
  const auto file = dir / "scan.ppm";
  const std::string header = "P6\n# scanned at the office\n3 # width\n2\n255\n";
  std::vector<uint8_t> bytes(header.begin(), header.end());
  for (int i = 0; i < 18; ++i) bytes.push_back(static_cast<uint8_t>(i * 13));
  test::write_bytes(file, bytes);
  ImageDocument expected = loaded(file);
  rotate(expected, 90);

  turn_source_file(file, SourceTurn::Left);
  const std::string text = test::text_of(file);
  EXPECT_TRUE(text.starts_with("P6\n# scanned at the office\n# width\n")) << text.substr(0, 40);
  EXPECT_EQ(test::max_difference(loaded(file).raster, expected.raster), 0);
}

TEST(TurnRewrite, SixteenBitPngsTurnSampleForSample) {
  // ImageMagick's own turn of the same file is the reference; samples compared as stored.
  struct Kind {
    const char* name;
    std::string make, store;  // ImageMagick's options and how it writes the file
  };
  for (const Kind& kind :
       {Kind{"rgb", "", "PNG48:"},
        Kind{"grey-alpha", "-colorspace Gray -alpha set -channel A -fx 'i/w' +channel",
             "-define png:bit-depth=16 -define png:color-type=4 PNG:"}}) {
    SCOPED_TRACE(kind.name);
    TempDir dir;
    const auto deep = dir / "deep.png", theirs = dir / "theirs.png";
    const test::CommandResult made =
        test::run_shell("convert -size 9x5 gradient:#102030-#f0e0d0 " + kind.make + " -depth 16 " +
                        kind.store + test::shell_quote(deep.string()));
    if (made.status != 0) GTEST_SKIP() << "ImageMagick not available: " << made.output;
    ASSERT_EQ(
        test::run_shell("convert " + test::shell_quote(deep.string()) + " -rotate -90 -depth 16 " +
                        kind.store + test::shell_quote(theirs.string()))
            .status,
        0);
    const PngSamples before = read_png_samples(test::read_bytes(deep));
    turn_source_file(deep, SourceTurn::Left);
    const PngSamples ours = read_png_samples(test::read_bytes(deep));
    const PngSamples reference = read_png_samples(test::read_bytes(theirs));
    EXPECT_EQ(ours.bit_depth, 16);
    EXPECT_EQ(ours.color_type, before.color_type);
    EXPECT_EQ(ours.width, 5);
    EXPECT_EQ(ours.height, 9);
    ASSERT_EQ(reference.color_type, ours.color_type);
    EXPECT_EQ(ours.pixels, reference.pixels);
    turn_source_file(deep, SourceTurn::Right);
    EXPECT_EQ(read_png_samples(test::read_bytes(deep)).pixels, before.pixels);
  }
}

TEST(TurnRewrite, FilesThatCannotBeWrittenBackAlikeAreRefused) {
  TempDir dir;
  if (test::run_shell("convert -version").status != 0) GTEST_SKIP() << "no ImageMagick";
  TempDir pages_dir;
  const auto pages = pages_dir / "pages.tif";
  ASSERT_EQ(test::run_shell("convert -size 9x5 xc:red xc:blue " + test::shell_quote(pages.string()))
                .status,
            0);
  refused_unchanged(pages, SourceTurn::Right, "holds 2 images");

  // Colour facts the TIFF writer does not store, and which cannot be added to its file after.
  TempDir colour_dir;
  const auto colour = colour_dir / "colour.tif";
  ASSERT_EQ(
      test::run_shell("convert -size 9x5 xc:red -depth 8 " + test::shell_quote(colour.string()))
          .status,
      0);
  refused_unchanged(colour, SourceTurn::Left, "Exif.Image.WhitePoint");

  TempDir deep_dir;
  const auto deep = deep_dir / "deep.tif";
  ASSERT_EQ(test::run_shell("convert -size 9x5 gradient:red-blue -depth 16 " +
                            test::shell_quote(deep.string()))
                .status,
            0);
  refused_unchanged(deep, SourceTurn::Left, "16 bits per sample");

  TempDir lossy_dir;
  const auto lossy = lossy_dir / "photo.webp";
  ImageDocument photo;
  photo.raster = test::gradient_rgb(16, 16);
  if (find_codec(lossy) != nullptr && photo.save(lossy))
    refused_unchanged(lossy, SourceTurn::Right, "not lossless");

  TempDir tiny_dir;
  const auto icon = tiny_dir / "cut.png";
  ImageDocument small;
  small.raster = test::gradient_rgb(8, 8);
  ASSERT_TRUE(small.save(icon));
  std::vector<uint8_t> bytes = test::read_bytes(icon);
  bytes.resize(bytes.size() - 20);
  test::write_bytes(icon, bytes);
  refused_unchanged(icon, SourceTurn::Left, "");
}

}  // namespace
}  // namespace lumatrix
