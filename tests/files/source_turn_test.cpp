#include "files/source_turn.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <turbojpeg.h>

#include <exiv2/exiv2.hpp>
#include <string>
#include <vector>

#include "imaging/image_document.h"
#include "imaging/rotate_flip.h"
#include "jpeg_samples.h"
#include "test_support.h"
#include "turn_expectation.h"

namespace lumatrix {
namespace {

using test::TempDir;

// The file's decoded pixels after the turn, against the imaging layer's turn of the decoded
// original; the largest difference of any channel.
int turn_difference(const std::vector<uint8_t>& jpeg, SourceTurn turn) {
  TempDir dir;
  const auto file = dir / "photo.jpg";
  test::write_bytes(file, jpeg);
  ImageDocument expected;
  expected.load(file);
  test::turn_as_expected(expected, turn);
  turn_source_file(file, turn);
  ImageDocument turned;
  turned.load(file);
  EXPECT_EQ(turned.raster.format(), expected.raster.format());
  return test::max_difference(turned.raster, expected.raster);
}

TEST(TurnJpeg, TurnsMatchTheQuarterTurnsAndMirrorsOfTheDecodedPixels) {
  // Whole blocks in each subsampling: 16x16 for 4:2:0, 8x8 for 4:4:4 and grey.
  struct Case {
    const char* name;
    int width, height, subsampling;
  };
  for (const Case& c : {Case{"420", 48, 32, TJSAMP_420}, Case{"444", 40, 24, TJSAMP_444},
                        Case{"grey", 24, 16, TJSAMP_GRAY}}) {
    for (SourceTurn turn :
         {SourceTurn::Left, SourceTurn::Right, SourceTurn::Horizontal, SourceTurn::Vertical}) {
      SCOPED_TRACE(std::string(c.name) + " turn " + std::to_string(static_cast<int>(turn)));
      // Flat blocks decode the same whichever way the decoder runs over them: exact.
      const bool grey = c.subsampling != TJSAMP_444;
      EXPECT_EQ(turn_difference(
                    test::jpeg_of(test::blocks_of(c.width, c.height, grey), c.subsampling), turn),
                0);
      // Detail inside the blocks: the decoder's inverse transform and its upsampling of the
      // colour planes round by row before column, so the same coefficients turned decode a
      // step or so apart. A turn the wrong way would be far off.
      EXPECT_LE(turn_difference(test::jpeg_of(test::gradient_rgb(c.width, c.height), c.subsampling),
                                turn),
                4);
    }
  }
}

TEST(TurnJpeg, TurningBackRestoresThePixelsAndFourRightsAreNone) {
  // Progressive and CMYK files go through the same block transform.
  for (const auto& [name, bytes] :
       {std::pair{"baseline", test::jpeg_of(test::gradient_rgb(64, 48), TJSAMP_420)},
        std::pair{"progressive",
                  test::jpeg_of(test::gradient_rgb(64, 48), TJSAMP_420, TJFLAG_PROGRESSIVE)},
        std::pair{"cmyk", test::cmyk_jpeg(32, 24)}}) {
    SCOPED_TRACE(name);
    TempDir dir;
    const auto file = dir / "photo.jpg";
    test::write_bytes(file, bytes);
    ImageDocument original;
    original.load(file);

    turn_source_file(file, SourceTurn::Left);
    ImageDocument left;
    left.load(file);
    EXPECT_EQ(left.width(), original.height());
    turn_source_file(file, SourceTurn::Right);
    ImageDocument back;
    back.load(file);
    EXPECT_EQ(back.raster, original.raster);

    for (int i = 0; i < 4; ++i) turn_source_file(file, SourceTurn::Right);
    ImageDocument round;
    round.load(file);
    EXPECT_EQ(round.raster, original.raster);
    if (std::string(name) == "progressive")
      EXPECT_TRUE(test::has_marker(test::read_bytes(file), 0xC2)) << "still progressive";
  }
}

TEST(TurnJpeg, ExifSaysUprightAndTheNewSizeAndKeepsEverythingElse) {
  TempDir dir;
  const auto file = dir / "camera.jpg";
  const std::vector<uint8_t> icc = test::fake_icc_profile();
  test::write_bytes(file, test::with_segments(test::jpeg_of(test::gradient_rgb(64, 32), TJSAMP_420),
                                              test::camera_exif(6, 64, 32), icc, "a comment"));
  const Exiv2::ExifData before = test::exif_of(file);
  ASSERT_EQ(before.findKey(Exiv2::ExifKey("Exif.Image.Orientation"))->toLong(), 6);
  ASSERT_TRUE(test::has_exif_thumbnail(before));

  turn_source_file(file, SourceTurn::Right);
  const Exiv2::ExifData after = test::exif_of(file);
  EXPECT_EQ(after.findKey(Exiv2::ExifKey("Exif.Image.Orientation"))->toLong(), 1);
  EXPECT_EQ(after.findKey(Exiv2::ExifKey("Exif.Photo.PixelXDimension"))->toLong(), 32);
  EXPECT_EQ(after.findKey(Exiv2::ExifKey("Exif.Photo.PixelYDimension"))->toLong(), 64);
  EXPECT_FALSE(test::has_exif_thumbnail(after)) << "a thumbnail of the old picture";
  const auto changed = {"Exif.Image.Orientation", "Exif.Photo.PixelXDimension",
                        "Exif.Photo.PixelYDimension"};
  EXPECT_EQ(test::exif_text(after, changed), test::exif_text(before, changed));
  const std::vector<uint8_t> bytes = test::read_bytes(file);
  EXPECT_EQ(test::segment_payload(bytes, 0xE2), test::icc_segment_payload(icc));
  EXPECT_EQ(test::segment_payload(bytes, 0xFE), test::bytes_of("a comment"));

  // Turning back restores every tag but the orientation, which stays upright.
  turn_source_file(file, SourceTurn::Left);
  const Exiv2::ExifData back = test::exif_of(file);
  EXPECT_EQ(test::exif_text(back, {"Exif.Image.Orientation"}),
            test::exif_text(before, {"Exif.Image.Orientation"}));
}

TEST(TurnJpeg, XmpOrientationIsResetToo) {
  TempDir dir;
  const auto file = dir / "edited.jpg";
  const std::string packet =
      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
      "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description rdf:about=\"\" "
      "xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
      "tiff:Orientation=\"8\" dc:format=\"image/jpeg\"/></rdf:RDF></x:xmpmeta>";
  std::vector<uint8_t> segment = {0xFF, 0xE1, 0, 0};
  const std::string payload = std::string("http://ns.adobe.com/xap/1.0/\0", 29) + packet;
  segment[2] = static_cast<uint8_t>((payload.size() + 2) >> 8);
  segment[3] = static_cast<uint8_t>((payload.size() + 2) & 0xFF);
  segment.insert(segment.end(), payload.begin(), payload.end());
  std::vector<uint8_t> jpeg = test::jpeg_of(test::gradient_rgb(16, 16), TJSAMP_420);
  jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
  test::write_bytes(file, jpeg);

  turn_source_file(file, SourceTurn::Left);
  auto image = Exiv2::ImageFactory::open(file.string());
  image->readMetadata();
  EXPECT_EQ(image->xmpData()["Xmp.tiff.Orientation"].toString(), "1");
  EXPECT_EQ(image->xmpData()["Xmp.dc.format"].toString(), "image/jpeg");
}

TEST(TurnJpeg, RefusesSizesThatAreNotWholeBlocksInTheDirectionMoved) {
  TempDir dir;
  const auto file = dir / "photo.jpg";
  const std::vector<uint8_t> bytes = test::jpeg_of(test::gradient_rgb(1001, 750), TJSAMP_420);
  test::write_bytes(file, bytes);
  for (SourceTurn turn : {SourceTurn::Left, SourceTurn::Right}) {
    const std::string message = test::error_of([&] { turn_source_file(file, turn); });
    EXPECT_NE(message.find("photo.jpg"), std::string::npos) << message;
    EXPECT_NE(message.find("1001×750 is not a whole number of 16×16 blocks"), std::string::npos)
        << message;
  }
  EXPECT_EQ(test::read_bytes(file), bytes);
  EXPECT_EQ(test::names_in(dir.path()), std::vector<std::string>{"photo.jpg"});

  // A mirror moves one edge only: 1008 across is whole, so left to right is fine.
  test::write_bytes(file, test::jpeg_of(test::gradient_rgb(1008, 750), TJSAMP_420));
  EXPECT_NO_THROW(turn_source_file(file, SourceTurn::Horizontal));
  EXPECT_NE(test::error_of([&] { turn_source_file(file, SourceTurn::Vertical); }), "no error");
}

TEST(TurnJpeg, DamagedOrUnwritableFilesAreRefusedAndLeftAsTheyWere) {
  TempDir dir;
  const auto file = dir / "cut.jpg";
  std::vector<uint8_t> bytes = test::jpeg_of(test::gradient_rgb(64, 64), TJSAMP_420);
  bytes.resize(bytes.size() / 2);
  test::write_bytes(file, bytes);
  EXPECT_NE(test::error_of([&] { turn_source_file(file, SourceTurn::Right); }).find("cut.jpg"),
            std::string::npos);
  EXPECT_EQ(test::read_bytes(file), bytes);
  EXPECT_EQ(test::names_in(dir.path()), std::vector<std::string>{"cut.jpg"});

  EXPECT_NE(test::error_of([&] { turn_source_file(dir / "missing.jpg", SourceTurn::Right); }),
            "no error");

  const auto locked = dir.path() / "locked";
  std::filesystem::create_directory(locked);
  const auto photo = locked / "photo.jpg";
  const std::vector<uint8_t> whole = test::jpeg_of(test::gradient_rgb(32, 32), TJSAMP_420);
  test::write_bytes(photo, whole);
  ::chmod(locked.c_str(), 0555);
  const std::string message = test::error_of([&] { turn_source_file(photo, SourceTurn::Left); });
  ::chmod(locked.c_str(), 0755);
  if (::geteuid() != 0) EXPECT_NE(message.find("photo.jpg"), std::string::npos) << message;
  if (::geteuid() != 0) EXPECT_EQ(test::read_bytes(photo), whole);
  EXPECT_EQ(test::names_in(locked), std::vector<std::string>{"photo.jpg"});
}

TEST(TurnJpeg, KeepsPermissionsAndTurnsThePictureALinkPointsTo) {
  TempDir dir;
  const auto file = dir / "photo.jpg";
  test::write_bytes(file, test::jpeg_of(test::gradient_rgb(32, 16), TJSAMP_420));
  ::chmod(file.c_str(), 0640);
  std::filesystem::create_symlink("photo.jpg", dir / "link.jpg");
  turn_source_file(dir / "link.jpg", SourceTurn::Right);
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.jpg"));
  ImageDocument doc;
  doc.load(file);
  EXPECT_EQ(doc.width(), 16);
  struct stat info {};
  ::stat(file.c_str(), &info);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(TurnJpeg, AgreesWithJpegtran) {
  TempDir dir;
  const auto file = dir / "photo.jpg";
  test::write_bytes(file, test::with_segments(test::jpeg_of(test::gradient_rgb(48, 32), TJSAMP_420),
                                              {}, {}, "kept"));
  const auto theirs = dir / "theirs.jpg";
  const test::CommandResult run =
      test::run_shell("jpegtran -rotate 90 -perfect -copy all -outfile " +
                      test::shell_quote(theirs.string()) + " " + test::shell_quote(file.string()));
  if (run.status != 0) GTEST_SKIP() << "jpegtran not available: " << run.output;
  turn_source_file(file, SourceTurn::Right);
  ImageDocument ours, reference;
  ours.load(file);
  reference.load(theirs);
  EXPECT_EQ(ours.raster, reference.raster);
}

}  // namespace
}  // namespace lumatrix
