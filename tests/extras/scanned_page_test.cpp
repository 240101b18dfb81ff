// Scanned pages as numbered files and list rows, with a scanner behind the interface that can
// fail or be stopped half-way through a page.
#include "extras/scanned_page.h"

#include <gtest/gtest.h>

#include <thread>

#include "base/image_error.h"
#include "extras/scan_page_builder.h"
#include "settings/settings_rules.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;
using test::names_in;

// Sends `page` line by line as one colour frame; can fail after a number of lines.
class FakeScanner : public Scanner {
 public:
  std::vector<ScanSource> sources{{"fake:0", "Lumatrix", "fake", "flatbed scanner"},
                                  {"fake:1", "Lumatrix", "fake", "flatbed scanner"}};
  Raster page = test::gradient_rgb(12, 9);
  int fail_after_lines = -1;
  int lines_sent = 0;

  std::vector<ScanSource> list_sources() override { return sources; }

 protected:
  ImageDocument acquire_from(const ScanSource& source, std::stop_token stop,
                             const ScanProgress& progress) override {
    ScanPageBuilder builder(source.name);
    builder.begin_frame(
        {ScanFrameKind::Rgb, 8, page.width(), static_cast<int>(page.stride()), page.height()});
    for (int y = 0; y < page.height(); ++y) {
      if (y == fail_after_lines) throw ScanError(source.name, "Error during device I/O");
      if (stop.stop_requested()) throw ScanCancelled(source.name, "Operation was cancelled");
      builder.add({page.row(y), page.stride()});
      ++lines_sent;
      if (progress) progress(builder.received(), builder.expected());
    }
    return builder.finish(150);
  }
};

void touch(const fs::path& path, const std::string& text = "x") {
  test::write_bytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

TEST(ScannedPage, NumberedNameIsTheFirstFreeOneInTheCounterFormat) {
  test::TempDir dir;
  Settings settings = startup_settings();
  touch(dir / "scan_1.jpg");
  touch(dir / "scan_2.jpg");
  settings.no_of_digits = 0;
  EXPECT_EQ(proposed_scan_path(settings, dir.path()), dir / "scan_3.jpg");
  settings.no_of_digits = 3;
  EXPECT_EQ(proposed_scan_path(settings, dir.path()), dir / "scan_001.jpg");
  EXPECT_EQ(scan_file_name(settings, 1234), "scan_1234.jpg");

  // A gap is filled; a folder or a link to nothing holds its name like a file does.
  settings.no_of_digits = 0;
  fs::remove(dir / "scan_1.jpg");
  EXPECT_EQ(proposed_scan_path(settings, dir.path()), dir / "scan_1.jpg");
  fs::create_directory(dir / "scan_1.jpg");
  fs::create_symlink(dir / "nowhere", dir / "scan_3.jpg");
  EXPECT_EQ(proposed_scan_path(settings, dir.path()), dir / "scan_4.jpg");
  EXPECT_EQ(proposed_scan_path(settings, dir.path(), ".bmp"), dir / "scan_1.bmp");
}

TEST(ScannedPage, FolderThatCannotBeSearchedIsAnErrorNotAnEndlessSearch) {
  test::TempDir dir;
  touch(dir / "not_a_folder");
  try {
    proposed_scan_path(startup_settings(), dir / "not_a_folder");
    FAIL() << "proposed a name inside a file";
  } catch (const ImageError& e) {
    EXPECT_EQ(e.path(), dir / "not_a_folder" / "scan_0001.jpg");
    EXPECT_EQ(e.reason(), std::make_error_code(std::errc::not_a_directory).message());
  }
}

TEST(ScannedPage, BitmapIsSavedAndListedLikeALoadedFile) {
  test::TempDir dir;
  FakeScanner scanner;
  ASSERT_TRUE(scanner.select_source(0));
  const ImageDocument page = scanner.acquire();
  SourceList list;
  const fs::path path = dir / "scan_7.bmp";
  const ListEntry row = save_scanned_page(page, startup_settings(), path, list);

  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(row, list.entries[0]);
  EXPECT_EQ(row, entry_for(path));
  EXPECT_EQ(row.file_name, "scan_7.bmp");
  EXPECT_EQ(row.orientation, "As Is");
  EXPECT_EQ(row.display_name, "scan_7.bmp");
  EXPECT_EQ(row.caption, "");
  EXPECT_EQ(row.file_path, dir.path().string() + "/");
  EXPECT_EQ(list.count_label(), "Total Loaded Files : 1");

  ImageDocument saved;
  ASSERT_TRUE(saved.load(path));
  EXPECT_EQ(saved.params.file_type, FileType::BMP);
  EXPECT_EQ(saved.raster, scanner.page);
  EXPECT_EQ(saved.params.dpi_x, 150) << "the scanned resolution, not the job's DPI_Setting";

  EXPECT_THROW(save_scanned_page(page, startup_settings(), dir / "scan_8.txt", list), ImageError);
  EXPECT_EQ(list.size(), 1u);
  EXPECT_FALSE(fs::exists(dir / "scan_8.txt"));
}

TEST(ScannedPage, ScanIntoFolderTakesTheNextNumberAndNeverReplacesAFile) {
  test::TempDir dir;
  FakeScanner scanner;
  ASSERT_TRUE(scanner.select_source(1));
  Settings settings = startup_settings();
  settings.no_of_digits = 0;
  settings.JPEG_Quality = 100;
  touch(dir / "scan_1.jpg", "an earlier scan");
  SourceList list;
  const ListEntry row = scan_into_folder(scanner, settings, dir.path(), ".jpg", list);
  EXPECT_EQ(row.full_path(), dir / "scan_2.jpg");
  EXPECT_EQ(list.entries, std::vector<ListEntry>{row});
  EXPECT_EQ(names_in(dir.path()), (std::vector<std::string>{"scan_1.jpg", "scan_2.jpg"}));
  EXPECT_EQ(test::text_of(dir / "scan_1.jpg"), "an earlier scan");

  ImageDocument saved;
  ASSERT_TRUE(saved.load(dir / "scan_2.jpg"));
  EXPECT_EQ(saved.width(), 12);
  EXPECT_EQ(saved.height(), 9);

  // The job's JPEG quality is the one the file gets.
  settings.JPEG_Quality = 5;
  EXPECT_EQ(scan_into_folder(scanner, settings, dir.path(), ".jpg", list).full_path(),
            dir / "scan_3.jpg");
  EXPECT_LT(fs::file_size(dir / "scan_3.jpg"), fs::file_size(dir / "scan_2.jpg"));
}

TEST(ScannedPage, ReadFailingHalfWaySavesNothingAndAppendsNothing) {
  test::TempDir dir;
  FakeScanner scanner;
  scanner.fail_after_lines = 4;
  ASSERT_TRUE(scanner.select_source(0));
  SourceList list;
  try {
    scan_into_folder(scanner, startup_settings(), dir.path(), ".jpg", list);
    FAIL() << "a failed read gave a page";
  } catch (const ScanError& e) {
    EXPECT_STREQ(e.what(), "scanner fake:0: Error during device I/O");
  }
  EXPECT_EQ(scanner.lines_sent, 4);
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(names_in(dir.path()).empty());
}

TEST(ScannedPage, StopFromAnotherThreadHalfWaySavesNothing) {
  test::TempDir dir;
  FakeScanner scanner;
  ASSERT_TRUE(scanner.select_source(0));
  std::stop_source stop;
  SourceList list;
  EXPECT_THROW(
      scan_into_folder(scanner, startup_settings(), dir.path(), ".jpg", list, stop.get_token(),
                       [&](int64_t received, int64_t expected) {
                         if (received * 2 < expected) return;
                         std::thread([&] { stop.request_stop(); }).join();
                       }),
      ScanCancelled);
  EXPECT_LT(scanner.lines_sent, scanner.page.height());
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(names_in(dir.path()).empty());
}

TEST(ScannedPage, AStoredIndexWhoseScannerIsGoneChoosesNone) {
  FakeScanner scanner;
  ASSERT_TRUE(scanner.select_source(1));
  scanner.sources.pop_back();  // unplugged
  EXPECT_FALSE(scanner.select_source(1));
  EXPECT_EQ(scanner.selected_index(), -1);
  EXPECT_THROW(scanner.acquire(), ScanError);
  EXPECT_FALSE(scanner.select_source(-1));
  EXPECT_TRUE(scanner.select_source(0));
  EXPECT_EQ(scanner.acquire().raster, scanner.page);
}

}  // namespace
}  // namespace lumatrix
