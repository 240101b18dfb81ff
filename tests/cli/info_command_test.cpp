#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <exiv2/exiv2.hpp>

#include "imaging/image_document.h"
#include "test_support.h"

namespace lumatrix {
namespace {

test::CliResult run_info(const test::TempDir& dir, std::vector<std::string> args) {
  args.insert(args.begin(), "info");
  return test::run_lumatrix(dir, args);
}

TEST(InfoCommand, DescribesEachFileFromItsHeader) {
  test::TempDir dir;
  ImageDocument doc;
  doc.raster = test::gradient_rgb(40, 30);
  doc.reset_info();
  doc.params.dpi_x = doc.params.dpi_y = 300;
  ASSERT_TRUE(doc.save(dir / "photo.bmp"));
  ASSERT_TRUE(doc.save(dir / "bitmap.pbm"));
  ASSERT_TRUE(doc.save(dir / "grey.pgm"));
  doc.raster = Raster(7, 5, PixelFormat::Palette8);
  doc.raster.palette = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  ASSERT_TRUE(doc.save(dir / "indexed.bmp"));
  const std::string wide = "P6 2 1 65535\n012345678901";
  test::write_bytes(dir / "wide.ppm", std::vector<uint8_t>(wide.begin(), wide.end()));

  const std::string p = dir.path().string() + "/";
  const test::CliResult r = run_info(
      dir, {p + "photo.bmp", p + "indexed.bmp", p + "bitmap.pbm", p + "grey.pgm", p + "wide.ppm"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(
      r.out,
      p + "photo.bmp: BMP, 40 x 30, 24-bit RGB, 300 x 300 DPI, EXIF: no, IPTC records: 0\n" + p +
          "indexed.bmp: BMP, 7 x 5, 4-bit palette, 300 x 300 DPI, EXIF: no, IPTC records: 0\n" + p +
          "bitmap.pbm: PNM, 40 x 30, 1-bit, 96 x 96 DPI, EXIF: no, IPTC records: 0\n" + p +
          "grey.pgm: PNM, 40 x 30, 8-bit grey, 96 x 96 DPI, EXIF: no, IPTC records: 0\n" + p +
          "wide.ppm: PNM, 2 x 1, 48-bit RGB, 96 x 96 DPI, EXIF: no, IPTC records: 0\n");
}

TEST(InfoCommand, NamesTheFormatAMisnamedFileHoldsAndTheOneItsNameSays) {
  test::TempDir dir;
  ImageDocument doc;
  doc.raster = test::grey_ramp(6, 4);
  doc.reset_info();
  ASSERT_TRUE(doc.save(dir / "grey.pgm"));
  std::filesystem::rename(dir / "grey.pgm", dir / "grey.gif");
  const std::string p = dir.path().string() + "/";
  const test::CliResult r = run_info(dir, {p + "grey.gif"});
  EXPECT_EQ(r.status, 0) << r.err;
  // Described as the grey PNM image it is, not as a GIF palette.
  EXPECT_EQ(r.out, p + "grey.gif: PNM (named as GIF), 6 x 4, 8-bit grey, 96 x 96 DPI, EXIF: no, "
                       "IPTC records: 0\n");
}

TEST(InfoCommand, ReportsUnreadableFilesAndGoesOn) {
  test::TempDir dir;
  ImageDocument doc;
  doc.raster = test::gradient_rgb(8, 6);
  doc.reset_info();
  ASSERT_TRUE(doc.save(dir / "good.ppm"));
  test::write_bytes(dir / "corrupt.bmp", std::vector<uint8_t>{'B', 'X', 0, 0});
  test::write_bytes(dir / "notes.txt", std::vector<uint8_t>{'h', 'i'});

  const std::string p = dir.path().string() + "/";
  const test::CliResult r = run_info(dir, {p + "missing.bmp", p + "corrupt.bmp", p + "notes.txt",
                                           p + "good.ppm", "--", "-odd.pgm"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            p + "good.ppm: PNM, 8 x 6, 24-bit RGB, 96 x 96 DPI, EXIF: no, IPTC records: 0\n");
  EXPECT_NE(r.err.find(p + "missing.bmp: No such file or directory"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(p + "corrupt.bmp: not a BMP file"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(p + "notes.txt: unknown image format (extension \".txt\")"),
            std::string::npos)
      << r.err;
  // After "--" a name starting with a dash is a file, not an option.
  EXPECT_NE(r.err.find("-odd.pgm: No such file or directory"), std::string::npos) << r.err;
}

TEST(InfoCommand, MetadataFactsFollowTheHeaderLineAndAFolderGivesItsImages) {
  test::TempDir dir;
  ImageDocument doc;
  doc.raster = test::gradient_rgb(8, 6);
  doc.reset_info();
  Exiv2::ExifData data;
  data["Exif.Image.Make"] = "Lumacam";
  data["Exif.Image.Model"] = "Z9";
  data["Exif.Image.Orientation"] = uint16_t{8};
  data["Exif.Photo.DateTimeOriginal"] = "2023:05:06 07:08:09";
  Exiv2::Blob blob;
  Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
  doc.params.exif = blob;
  std::filesystem::create_directories(dir / "album/sub");
  ASSERT_TRUE(doc.save(dir / "album/b.jpg"));
  doc.params.exif.clear();
  ASSERT_TRUE(doc.save(dir / "album/a.bmp"));
  ASSERT_TRUE(doc.save(dir / "album/sub/c.bmp"));
  test::write_bytes(dir / "album/notes.txt", std::vector<uint8_t>{'h', 'i'});

  const std::string album = (dir / "album").string();
  const test::CliResult r = run_info(dir, {album});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, album +
                       "/a.bmp: BMP, 8 x 6, 24-bit RGB, 96 x 96 DPI, EXIF: no, IPTC records: 0\n" +
                       album +
                       "/b.jpg: JPEG, 8 x 6, 24-bit RGB, 96 x 96 DPI, EXIF: yes, IPTC records: 0\n"
                       "  orientation: 8 (to be turned 90\u00B0 counter-clockwise)\n"
                       "  taken: 2023:05:06 07:08:09\n"
                       "  camera: Lumacam Z9\n"
                       "  GPS: no\n"
                       "  colour profile: none\n");
  const test::CliResult deep = run_info(dir, {"-r", album});
  EXPECT_NE(deep.out.find(album + "/sub/c.bmp: BMP"), std::string::npos) << deep.out;
  std::filesystem::create_directories(dir / "empty");
  const test::CliResult empty = run_info(dir, {(dir / "empty").string()});
  EXPECT_NE(empty.err.find((dir / "empty").string() + ": no images in this folder"),
            std::string::npos)
      << empty.err;
}

TEST(InfoCommand, CommandLineMistakesAreUsageErrors) {
  test::TempDir dir;
  test::CliResult r = run_info(dir, {});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("no image files given"), std::string::npos) << r.err;
  r = run_info(dir, {"--verbose", "a.bmp"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("unexpected option '--verbose'"), std::string::npos) << r.err;
  r = run_info(dir, {"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Usage: lumatrix info"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace lumatrix
