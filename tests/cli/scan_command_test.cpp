// `lumatrix scan` as a user runs it, with SANE's test backend as the only scanner.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "files/source_list.h"
#include "imaging/image_document.h"
#include "sane_test_backend.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;
using test::names_in;
using test::text_of;
using Options = test::SaneTestBackend::Options;

class ScanCommand : public ::testing::Test {
 protected:
  test::CliResult scan(std::vector<std::string> args) {
    args.insert(args.begin(), "scan");
    return test::run_lumatrix(dir, args);
  }
  std::string path(const std::string& name) const { return (dir / name).string(); }

  test::TempDir dir;
  test::SaneTestBackend backend{Options{{"mode", "Color"}, {"test-picture", "\"Color pattern\""}}};
};

TEST_F(ScanCommand, ListsTheDevicesAndSavesAPageUnderTheFirstNumber) {
  auto r = scan({"--list-devices"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "0\ttest:0\tNoname frontend-tester virtual device\n"
            "1\ttest:1\tNoname frontend-tester virtual device\n");

  // A folder that is not there yet is made; the default four digits pad the number.
  r = scan({path("scans")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, path("scans") + "/scan_0001.jpg\n");
  ImageDocument page;
  ASSERT_TRUE(page.load(dir / "scans/scan_0001.jpg"));
  EXPECT_EQ(page.params.file_type, FileType::JPEG);
  EXPECT_EQ(page.width(), 157);
  EXPECT_EQ(page.height(), 196);
  EXPECT_EQ(page.params.dpi_x, 50);
}

TEST_F(ScanCommand, NumberFollowsTheScansAlreadyThereInTheCounterFormat) {
  fs::create_directory(dir / "scans");
  std::ofstream(dir / "scans/scan_1.jpg") << "first";
  std::ofstream(dir / "scans/scan_2.jpg") << "second";
  auto r = scan({"--set", "no_of_digits=0", path("scans")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, path("scans") + "/scan_3.jpg\n");
  r = scan({"--set", "no_of_digits=3", path("scans")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, path("scans") + "/scan_001.jpg\n");
  EXPECT_EQ(text_of(dir / "scans/scan_1.jpg"), "first");
  EXPECT_EQ(text_of(dir / "scans/scan_2.jpg"), "second");
  EXPECT_EQ(names_in(dir / "scans"),
            (std::vector<std::string>{"scan_001.jpg", "scan_1.jpg", "scan_2.jpg", "scan_3.jpg"}));
}

TEST_F(ScanCommand, ListFileGetsOneAsIsRowPerScanAndProcessTakesIt) {
  // A list written by hand, with no header and no line end after its last row.
  fs::create_directories(dir / "scans");
  std::ofstream(dir / "jobs.tsv") << "scans/photo.png\tRotate 180\u00B0";
  ImageDocument photo;
  photo.raster = test::gradient_rgb(8, 6);
  photo.save(dir / "scans/photo.png");

  for (int i = 0; i < 2; ++i) {
    const auto r = scan({"--list", path("jobs.tsv"), "--extension", "bmp", "--set",
                         "no_of_digits=0", path("scans")});
    ASSERT_EQ(r.status, 0) << r.err;
  }
  const std::string folder = path("scans") + "/";
  EXPECT_EQ(text_of(dir / "jobs.tsv"),
            "scans/photo.png\tRotate 180\u00B0\n"
            "scan_1.bmp\tAs Is\tscan_1.bmp\t\t" +
                folder +
                "\n"
                "scan_2.bmp\tAs Is\tscan_2.bmp\t\t" +
                folder + "\n");
  ImageDocument scanned;
  ASSERT_TRUE(scanned.load(dir / "scans/scan_2.bmp"));
  EXPECT_EQ(scanned.params.file_type, FileType::BMP);

  const auto r = test::run_lumatrix(dir, {"process", "--yes", "--list", path("jobs.tsv"), "--set",
                                          "save_in_directory=" + path("out")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(names_in(dir / "out"),
            (std::vector<std::string>{"photo.png", "scan_1.bmp", "scan_2.bmp"}));

  // A new list file starts with the header.
  ASSERT_EQ(scan({"--list", path("new.tsv"), path("scans")}).status, 0);
  std::istringstream in(text_of(dir / "new.tsv"));
  std::string header;
  std::getline(in, header);
  EXPECT_EQ(header, "FileName\tOrientation\tDisplay Name\tCaption\tOriginal File Path");
  in.seekg(0);
  const SourceList list = read_list(in, dir.path());
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list.entries[0].full_path(), dir / "scans/scan_0001.jpg");
}

TEST_F(ScanCommand, WithoutAScannerSaysSoAndWritesNothing) {
  backend.offer_no_scanner();
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--list-devices"}, {"--list", path("l.tsv"), path("scans")}}) {
    const auto r = scan(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "lumatrix scan: no scanner found\n");
    EXPECT_EQ(r.out, "");
  }
  EXPECT_FALSE(fs::exists(dir / "scans"));
  EXPECT_FALSE(fs::exists(dir / "l.tsv"));
}

TEST_F(ScanCommand, DeviceOrSourceThatIsNotThereIsAClearError) {
  auto r = scan({"--device", "nosuch:0", path("scans")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "lumatrix scan: scanner nosuch:0: no such scanner device (present: test:0, test:1)\n");

  // An index stored in the profile whose scanner has gone, and one given on the command line.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--set", "twainnumber=2"}, {"--source", "2"}}) {
    std::vector<std::string> full = args;
    full.push_back(path("scans"));
    r = scan(full);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "lumatrix scan: scanner source 2 is not present (2 found, see --list-devices); "
              "choose one with --source or --device\n");
  }
  EXPECT_FALSE(fs::exists(dir / "scans"));

  r = scan({"--device", "test:1", "--set", "twainnumber=7", path("scans")});
  EXPECT_EQ(r.status, 0) << r.err;
  r = scan({"--source", "1", path("scans")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(names_in(dir / "scans"), (std::vector<std::string>{"scan_0001.jpg", "scan_0002.jpg"}));
}

TEST_F(ScanCommand, FailingDeviceSavesAndListsNothing) {
  backend.set_options({{"mode", "Color"}, {"read-status-code", "\"SANE_STATUS_JAMMED\""}});
  // SANE's test backend can hang when a scan ends before its last byte (see the scanner's own
  // tests): a run it kills is tried again.
  test::CliResult r;
  for (int attempt = 0; attempt < 3; ++attempt) {
    r = test::run_lumatrix(dir, {"scan", "--list", path("l.tsv"), path("scans")}, 20);
    if (r.status != 137) break;
  }
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "lumatrix scan: scanner test:0: Document feeder jammed\n");
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(names_in(dir / "scans").empty());
  EXPECT_FALSE(fs::exists(dir / "l.tsv"));
}

TEST_F(ScanCommand, CommandLineMistakesStopBeforeScanning) {
  std::ofstream(dir / "bad.tsv") << "a\tb\tc\td\te\tf\n";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{"--device", "test:0", "--source", "0", path("scans")}, "give --device or --source"},
      {{}, "no FOLDER"},
      {{path("scans"), path("more")}, "one FOLDER only"},
      {{"--source", "first", path("scans")}, "--source needs a number"},
      {{"--extension", ".xyz", path("scans")}, "no image format is written as '.xyz'"},
      {{"--list", path("bad.tsv"), path("scans")}, "line 1: 6 columns"},
      {{"--resolution", "300", path("scans")}, "unexpected option '--resolution'"},
  };
  for (const auto& [args, message] : cases) {
    const auto r = scan(args);
    EXPECT_EQ(r.status, 2) << message;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
  }
  EXPECT_FALSE(fs::exists(dir / "scans"));
  EXPECT_EQ(text_of(dir / "bad.tsv"), "a\tb\tc\td\te\tf\n");

  const auto help = scan({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage: lumatrix scan"), std::string::npos);
  const auto overview = test::run_lumatrix(dir, {"--help"});
  EXPECT_NE(overview.out.find("scan        acquire one page from a scanner"), std::string::npos);
}

}  // namespace
}  // namespace lumatrix
