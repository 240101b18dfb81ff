#include "imaging/image_document.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/image_error.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> entries(const fs::path& dir) {
  std::vector<fs::path> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

using test::error_of;

ImageDocument document_with(Raster raster) {
  ImageDocument doc;
  doc.raster = std::move(raster);
  doc.reset_info();
  return doc;
}

// Restores the process-wide pixel limit when a test is done with it.
struct PixelLimitGuard {
  uint64_t saved = pixel_limit();
  ~PixelLimitGuard() { set_pixel_limit(saved); }
};

TEST(ImageDocument, PicksTheCodecByTheLastExtensionWhateverItsCase) {
  test::TempDir dir;
  ImageDocument doc = document_with(test::gradient_rgb(20, 10));
  ASSERT_TRUE(doc.save(dir / "grey.PBM"));
  EXPECT_EQ(test::read_bytes(dir / "grey.PBM")[1], '4');  // the bitmap variant, not a pixmap

  ImageDocument loaded;
  ASSERT_TRUE(loaded.load(dir / "grey.PBM"));
  EXPECT_EQ(loaded.params.file_type, FileType::PNM);
  EXPECT_EQ(loaded.raster.format(), PixelFormat::Bit1);
  EXPECT_FALSE(loaded.aborting());

  ASSERT_TRUE(doc.save(dir / "photo.Dib"));
  ASSERT_TRUE(loaded.load(dir / "photo.Dib"));
  EXPECT_EQ(loaded.params.file_type, FileType::BMP);
  EXPECT_EQ(loaded.raster, doc.raster);
  EXPECT_EQ(loaded.params.width, 20);
  EXPECT_EQ(loaded.params.height, 10);
}

TEST(ImageDocument, AFurtherUnknownExtensionIsNotLoaded) {
  test::TempDir dir;
  ImageDocument source = document_with(test::gradient_rgb(8, 8));
  ASSERT_TRUE(source.save(dir / "photo.bmp"));
  fs::rename(dir / "photo.bmp", dir / "photo.bmp.zip");

  ImageDocument doc = document_with(test::gradient_rgb(5, 6));
  doc.params.exif = {1, 2, 3};
  doc.params.iptc = {IptcRecord{2, 120, "caption"}};
  doc.params.jpeg_quality = 33;
  const Raster before = doc.raster;
  bool loaded = true;
  EXPECT_NO_THROW(loaded = doc.load(dir / "photo.bmp.zip"));
  EXPECT_FALSE(loaded);
  EXPECT_TRUE(doc.aborting());
  EXPECT_TRUE(doc.params.exif.empty());
  EXPECT_TRUE(doc.params.iptc.empty());
  EXPECT_EQ(doc.params.jpeg_quality, 33);
  EXPECT_EQ(doc.raster, before);

  // A later good load clears the flag.
  fs::rename(dir / "photo.bmp.zip", dir / "photo.bmp");
  EXPECT_TRUE(doc.load(dir / "photo.bmp"));
  EXPECT_FALSE(doc.aborting());
}

TEST(ImageDocument, UnknownExtensionOnSaveWritesNothing) {
  test::TempDir dir;
  const ImageDocument doc = document_with(test::gradient_rgb(4, 4));
  EXPECT_FALSE(doc.save(dir / "out.xyz"));
  EXPECT_FALSE(doc.save(dir / "no_extension"));
  EXPECT_TRUE(entries(dir.path()).empty());
}

TEST(ImageDocument, UnreadableFilesRaiseTheSystemsReasonWithThePath) {
  test::TempDir dir;
  ImageDocument doc = document_with(test::gradient_rgb(4, 4));
  const Raster before = doc.raster;
  const std::string missing = error_of([&] { doc.load(dir / "missing.bmp"); });
  EXPECT_NE(missing.find((dir / "missing.bmp").string()), std::string::npos) << missing;
  EXPECT_NE(missing.find("No such file or directory"), std::string::npos) << missing;
  const std::string no_folder = error_of([&] { doc.load(dir / "nowhere" / "a.ppm"); });
  EXPECT_NE(no_folder.find("No such file or directory"), std::string::npos) << no_folder;
  EXPECT_NE(error_of([&] { doc.read_params(dir / "missing.pgm"); }).find("missing.pgm"),
            std::string::npos);

  // Corrupt data names the file too, and leaves the document as it was.
  test::write_bytes(dir / "broken.ppm", std::vector<uint8_t>{'P', '6', ' ', '9'});
  const IOParams params_before = doc.params;
  const std::string corrupt = error_of([&] { doc.load(dir / "broken.ppm"); });
  EXPECT_NE(corrupt.find("broken.ppm: "), std::string::npos) << corrupt;
  EXPECT_EQ(doc.raster, before);
  EXPECT_EQ(doc.params, params_before);
}

TEST(ImageDocument, FailedSaveKeepsTheTargetAndLeavesNoTemporaryFile) {
  test::TempDir dir;
  const ImageDocument doc = document_with(test::gradient_rgb(6, 6));

  // The parent is a regular file, so the folder cannot be written (even by root).
  test::write_bytes(dir / "plain.txt", std::vector<uint8_t>{'x'});
  const std::string reason = error_of([&] { doc.save(dir / "plain.txt" / "out.bmp"); });
  EXPECT_NE(reason.find("out.bmp"), std::string::npos) << reason;
  EXPECT_NE(reason.find("Not a directory"), std::string::npos) << reason;

  // The rename onto a non-empty folder fails after the data was written out.
  fs::create_directory(dir / "taken.bmp");
  test::write_bytes(dir / "taken.bmp" / "keep", std::vector<uint8_t>{'k'});
  EXPECT_NE(error_of([&] { doc.save(dir / "taken.bmp"); }), "no error");
  EXPECT_TRUE(fs::is_directory(dir / "taken.bmp"));

  // An existing file survives a save that fails while encoding.
  const std::vector<uint8_t> old_content{'o', 'l', 'd'};
  test::write_bytes(dir / "target.ppm", old_content);
  const ImageDocument nothing;
  EXPECT_NE(error_of([&] { nothing.save(dir / "target.ppm"); }), "no error");
  const ImageDocument no_pixels = document_with(Raster(0, 5, PixelFormat::Rgb24));
  EXPECT_NE(error_of([&] { no_pixels.save(dir / "target.ppm"); }).find("no pixels"),
            std::string::npos);
  EXPECT_EQ(test::read_bytes(dir / "target.ppm"), old_content);

  EXPECT_EQ(entries(dir.path()), (std::vector<fs::path>{"plain.txt", "taken.bmp", "target.ppm"}));
}

TEST(ImageDocument, AssignCopiesParametersAndPixelsIndependently) {
  ImageDocument source = document_with(test::gradient_rgb(9, 5));
  source.params.dpi_x = 300;
  source.params.dpi_y = 150;
  source.params.jpeg_quality = 42;
  source.params.iptc = {IptcRecord{2, 120, "caption"}, IptcRecord{2, 25, "keyword"}};
  source.params.exif = {'I', 'I', 42, 0};

  ImageDocument copy;
  copy.assign(source);
  EXPECT_EQ(copy.params, source.params);
  EXPECT_EQ(copy.raster, source.raster);

  source.params.iptc[0].data = "changed";
  source.raster.set_pixel(0, 0, {1, 2, 3});
  EXPECT_EQ(copy.params.iptc[0].data, "caption");
  EXPECT_NE(copy.raster.pixel(0, 0), (Rgb{1, 2, 3}));
  EXPECT_EQ(copy.params.dpi_x, 300);
  EXPECT_EQ(copy.params.jpeg_quality, 42);
}

TEST(ImageDocument, ResetInfoRestoresDefaultsAndTakesTheSizeFromTheRaster) {
  ImageDocument doc;
  doc.raster = Raster(20, 10, PixelFormat::Gray8);
  doc.params.jpeg_quality = 12;
  doc.params.iptc = {IptcRecord{2, 5, "title"}};
  doc.params.exif = {1};
  doc.params.dpi_x = 600;
  doc.params.file_type = FileType::JPEG;
  doc.reset_info();
  EXPECT_EQ(doc.params.jpeg_quality, 80);
  EXPECT_TRUE(doc.params.iptc.empty());
  EXPECT_TRUE(doc.params.exif.empty());
  EXPECT_EQ(doc.params.dpi_x, kDisplayDpi);
  EXPECT_EQ(doc.params.file_type, FileType::None);
  EXPECT_EQ(doc.params.width, 20);
  EXPECT_EQ(doc.params.height, 10);
}

TEST(ImageDocument, SelectionClampsOrdersAndIncludesBothCorners) {
  ImageDocument doc = document_with(test::gradient_rgb(100, 80));
  doc.select(50, 40, 0, 0);
  EXPECT_EQ(doc.selection(), (Rect{0, 0, 50, 40}));
  doc.select(10, 10, 100, 80);  // the far corner of a crop to "0, 0" lies just outside
  EXPECT_EQ(doc.selection(), (Rect{10, 10, 99, 79}));
  doc.select(-5, 200, 3, 7);
  EXPECT_EQ(doc.selection(), (Rect{0, 7, 3, 79}));
  doc.select(150, 0, 100, 80);  // first corner beyond the image: a one-column strip
  EXPECT_EQ(doc.selection(), (Rect{99, 0, 99, 79}));
  doc.select(30, 0, 30, 40);  // equal corners select nothing, and drop the old selection
  EXPECT_FALSE(doc.selection().has_value());
  doc.select(100, 0, 100, 80);
  EXPECT_FALSE(doc.selection().has_value());
}

TEST(ImageDocument, CropSelKeepsTheSelectedRectangle) {
  const Raster source = test::gradient_rgb(100, 80);
  ImageDocument doc = document_with(source);
  doc.select(0, 0, 50, 40);
  doc.crop_sel();
  EXPECT_EQ(doc.width(), 51);
  EXPECT_EQ(doc.height(), 41);
  EXPECT_FALSE(doc.selection().has_value());
  EXPECT_EQ(doc.undo_label(), "CropSel");

  doc = document_with(source);
  doc.select(10, 10, 99, 79);
  doc.crop_sel();
  ASSERT_EQ(doc.width(), 90);
  ASSERT_EQ(doc.height(), 70);
  EXPECT_EQ(doc.raster.pixel(0, 0), source.pixel(10, 10));
  EXPECT_EQ(doc.raster.pixel(89, 69), source.pixel(99, 79));

  // Without a selection nothing changes and no undo step is taken.
  ImageDocument untouched = document_with(source);
  untouched.select(5, 5, 5, 60);
  untouched.crop_sel();
  EXPECT_EQ(untouched.raster, source);
  EXPECT_FALSE(untouched.can_undo());

  // A selection outlives a change of raster (assign, load, undo); cropping stays inside.
  ImageDocument stale = document_with(source);
  stale.select(0, 0, 99, 79);
  stale.assign(document_with(test::gradient_rgb(10, 6)));
  stale.crop_sel();
  EXPECT_EQ(stale.raster, test::gradient_rgb(10, 6));

  // Bitmaps crop at any bit offset, alpha planes along with them.
  Raster bits(20, 3, PixelFormat::Bit1);
  bits.add_alpha();
  for (int x = 0; x < 20; x += 3) bits.set_pixel(x, 1, {255, 255, 255});
  bits.alpha_row(1)[7] = 9;
  ImageDocument small = document_with(bits);
  small.select(5, 1, 13, 2);
  small.crop_sel();
  ASSERT_EQ(small.width(), 9);
  for (int x = 0; x < 9; ++x) EXPECT_EQ(small.raster.pixel(x, 0), bits.pixel(x + 5, 1)) << x;
  EXPECT_EQ(small.raster.alpha_row(0)[2], 9);
}

TEST(ImageDocument, OperationsRecordOneUndoStepUnderTheirName) {
  Raster palette(4, 2, PixelFormat::Palette8);
  palette.palette = {{0, 0, 0}, {200, 10, 10}};
  palette.row(0)[1] = 1;
  ImageDocument doc = document_with(palette);
  EXPECT_FALSE(doc.undo());

  doc.convert_to_24bit();
  EXPECT_EQ(doc.raster.format(), PixelFormat::Rgb24);
  EXPECT_EQ(doc.raster.pixel(1, 0), (Rgb{200, 10, 10}));
  EXPECT_EQ(doc.undo_label(), "ConvertTo24Bit");

  doc.background = {7, 8, 9};
  doc.clear();
  EXPECT_EQ(doc.raster.pixel(3, 1), (Rgb{7, 8, 9}));
  EXPECT_EQ(doc.undo_label(), "Clear");
  ASSERT_TRUE(doc.undo());  // one step only: back to the converted picture
  EXPECT_EQ(doc.raster, palette.to_rgb24());
  EXPECT_FALSE(doc.can_undo());

  doc.auto_undo = false;
  doc.clear();
  EXPECT_FALSE(doc.can_undo());
  // Operations that replace the raster keep nothing either when undo is off.
  doc.select(0, 0, 1, 1);
  doc.crop_sel();
  EXPECT_EQ(doc.width(), 2);
  EXPECT_FALSE(doc.can_undo());
}

TEST(ImageDocument, RefusesHugeHeadersBeforeAllocating) {
  PixelLimitGuard guard;
  test::TempDir dir;
  ImageDocument doc = document_with(test::gradient_rgb(40, 40));
  ASSERT_TRUE(doc.save(dir / "big.bmp"));
  ASSERT_TRUE(doc.save(dir / "big.ppm"));
  set_pixel_limit(1000);
  ImageDocument reader = document_with(test::gradient_rgb(3, 3));
  for (const char* name : {"big.bmp", "big.ppm"}) {
    const std::string reason = error_of([&] { reader.load(dir / name); });
    EXPECT_NE(reason.find(name), std::string::npos) << reason;
    EXPECT_NE(reason.find("exceeds the limit of 1000 pixels"), std::string::npos) << reason;
    EXPECT_EQ(reader.width(), 3);
    // The header alone is still readable.
    ASSERT_TRUE(reader.read_params(dir / name));
    EXPECT_EQ(reader.params.width, 40);
  }
}

TEST(ImageDocument, LoadKeepsTheFilesOptionsForTheNextSave) {
  test::TempDir dir;
  Raster palette(30, 4, PixelFormat::Palette8);
  palette.palette = {{0, 0, 0}, {9, 9, 9}, {90, 0, 0}};
  for (int x = 0; x < 30; ++x) palette.row(1)[x] = static_cast<uint8_t>(x / 10);
  ImageDocument doc = document_with(palette);
  doc.params.bmp_compression = BmpCompression::RLE;
  doc.params.dpi_x = doc.params.dpi_y = 240;
  ASSERT_TRUE(doc.save(dir / "a.bmp"));

  ImageDocument again;
  ASSERT_TRUE(again.load(dir / "a.bmp"));
  EXPECT_EQ(again.params.bmp_compression, BmpCompression::RLE);
  EXPECT_EQ(again.params.dpi_x, 240);
  ASSERT_TRUE(again.save(dir / "b.bmp"));
  EXPECT_EQ(test::read_bytes(dir / "b.bmp"), test::read_bytes(dir / "a.bmp"));

  // read_params reads the header only: a file cut after its palette still answers.
  std::vector<uint8_t> bytes = test::read_bytes(dir / "a.bmp");
  bytes.resize(14 + 40 + 3 * 4);
  test::write_bytes(dir / "cut.bmp", bytes);
  ImageDocument specs;
  ASSERT_TRUE(specs.read_params(dir / "cut.bmp"));
  EXPECT_EQ(specs.params.width, 30);
  EXPECT_EQ(specs.params.file_type, FileType::BMP);
  EXPECT_TRUE(specs.raster.empty());
}

}  // namespace
}  // namespace lumatrix
