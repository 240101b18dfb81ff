#include "files/source_list.h"

#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

#include "imaging/codec.h"
#include "test_support.h"

namespace lumatrix {
namespace {

std::vector<std::string> names(const SourceList& list) {
  std::vector<std::string> out;
  for (const ListEntry& e : list.entries) out.push_back(e.file_name);
  return out;
}

class SourceListFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_ / "trip" / "day2");
    for (const char* f : {"b.jpg", "PHOTO.JPG", "archive.jpg.zip", "notes.txt", "a.png",
                          "trip/c.tif", "trip/day2/d.bmp"})
      test::write_bytes(dir_ / f, std::vector<uint8_t>{0});
  }
  test::TempDir dir_;
};

TEST_F(SourceListFolder, TakesAcceptedExtensionsInAnyCase) {
  SourceList list;
  EXPECT_EQ(list.add_folder(dir_.path(), false), 3u);
  EXPECT_EQ(names(list), (std::vector<std::string>{"a.png", "b.jpg", "PHOTO.JPG"}));
  EXPECT_EQ(list.entries[0].file_path, dir_.path().string() + "/");
  EXPECT_EQ(list.entries[0].orientation, "As Is");
  EXPECT_EQ(list.entries[0].display_name, "a.png");
  EXPECT_EQ(list.entries[0].caption, "");

  EXPECT_EQ(list.add_folder(dir_.path(), true), 5u);  // twice: every file twice
  EXPECT_EQ(list.size(), 8u);
  EXPECT_EQ(list.entries.back().full_path(), dir_ / "trip/day2/d.bmp");
  EXPECT_EQ(list.count_label(), "Total Loaded Files : 8");
}

TEST(SourceList, FolderLoadTakesItsTwentyFiveExtensionsTheNewerFormatsAndNoOthers) {
  for (const char* ext : {".jpg", ".jpeg", ".bmp", ".tif", ".tiff", ".pcx", ".png", ".gif", ".dib",
                          ".rle", ".tga",  ".vda", ".icb", ".vst",  ".pix", ".pbm", ".pgm", ".ppm",
                          ".wmf", ".fax",  ".cut", ".pcd", ".psp",  ".pdd", ".psd"}) {
    EXPECT_TRUE(accepted_by_folder_load(std::string("a") + ext)) << ext;
    std::string upper = ext;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_TRUE(accepted_by_folder_load("/x/PHOTO" + upper)) << upper;
  }
  // The newer formats, where the build has them.
  for (const char* ext : {".webp", ".avif", ".heic", ".heif", ".jxl", ".cr2", ".cr3", ".nef",
                          ".arw", ".dng", ".orf", ".raf", ".rw2"})
    EXPECT_EQ(accepted_by_folder_load(std::string("b") + ext),
              find_codec(std::string("b") + ext) != nullptr)
        << ext;
  // Readable, but never listed by a folder load.
  for (const char* ext : {".jpe", ".pxm", ".g3n", ".g3f", ".targa", ".win", ".ico", ".cur", ".jp2",
                          ".j2k", ".jpc", ".j2c", ".emf", ".txt", ".zip", ""})
    EXPECT_FALSE(accepted_by_folder_load(std::string("a") + ext)) << ext;
}

TEST(SourceList, SortKeepsRowsTogetherAndIgnoresCase) {
  SourceList list;
  list.add_files({"/p/b.jpg", "/q/A.jpg", "/p/a.jpg"});
  EXPECT_EQ(names(list), (std::vector<std::string>{"a.jpg", "b.jpg", "A.jpg"}));  // by full path
  list.entries[1].caption = "bee";
  list.entries[1].orientation = "Rotate 180\u00B0";
  list.sort(false);
  EXPECT_EQ(names(list), (std::vector<std::string>{"b.jpg", "a.jpg", "A.jpg"}));
  EXPECT_EQ(list.entries[0].caption, "bee");
  EXPECT_EQ(list.entries[0].orientation, "Rotate 180\u00B0");
  EXPECT_EQ(list.entries[0].file_path, "/p/");
  list.sort(true);
  EXPECT_EQ(names(list), (std::vector<std::string>{"a.jpg", "A.jpg", "b.jpg"}));
}

TEST(SourceList, MenuCommands) {
  SourceList list;
  list.add_files({"/p/holiday.final.jpg", "/p/README", "/p/c.gif"});
  ASSERT_EQ(names(list), (std::vector<std::string>{"c.gif", "holiday.final.jpg", "README"}));
  list.set_display_names_without_extension();
  EXPECT_EQ(list.entries[1].display_name, "holiday.final");
  EXPECT_EQ(list.entries[2].display_name, "README");
  list.set_orientation(kListOrientations[5], {0, 1});
  EXPECT_EQ(list.entries[1].orientation, "Flip Right");
  EXPECT_EQ(list.entries[2].orientation, "As Is");
  list.delete_rows({0, 1, 7});
  EXPECT_EQ(names(list), (std::vector<std::string>{"README"}));
}

TEST(SourceList, OrientationColumnTakesTheSpellingsOfTheCommandLine) {
  // A header whose first field is FileName in any case; orientations in any case, with or
  // without the degree sign and blanks around them, as --orientation takes them.
  std::istringstream hand(
      "FILENAME\tOrientation\n"
      "a.png\t Rotate 180\u00B0 \nb.png\trotate left 90\nc.png\tFLIP DOWN\nd.png\n"
      "e.png\tupside down\n");
  SourceList list = read_list(hand, "/base");
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(list.entries[0].orientation.value(), Orientation::Rotate180);
  EXPECT_EQ(list.entries[1].orientation.value(), Orientation::RotateLeft90);
  EXPECT_EQ(list.entries[2].orientation.value(), Orientation::FlipDown);
  EXPECT_EQ(list.entries[3].orientation.value(), Orientation::AsIs);
  // Any other text stays as written, for the pipeline's own rule.
  EXPECT_EQ(list.entries[4].orientation.text(), "upside down");
  EXPECT_EQ(list.entries[4].orientation.value(), Orientation::Unrecognised);
  std::stringstream text;
  write_list(text, list);
  EXPECT_NE(text.str().find("a.png\tRotate 180\u00B0\t"), std::string::npos);
  EXPECT_NE(text.str().find("b.png\tRotate Left 90\u00B0\t"), std::string::npos);

  list.set_orientation(kListOrientations[1], {3});
  EXPECT_EQ(list.entries[3].orientation.value(), Orientation::RotateLeft90);

  // Only the first line may be the header; elsewhere "filename" is a file.
  std::istringstream later("a.png\nfilename\n");
  EXPECT_EQ(read_list(later, "/base").size(), 2u);
}

TEST(SourceList, TabSeparatedRoundTripAndHandWrittenRows) {
  SourceList list;
  list.add_files({"/p/a.jpg", "/p/b b.jpg"});
  list.entries[1].caption = "tab\there\nnew line \\ slash";
  std::stringstream text;
  write_list(text, list);
  EXPECT_EQ(read_list(text, "/").entries, list.entries);

  std::istringstream hand(
      "sub/x.png\n/abs/y.jpg\tRotate Left 90\u00B0\tWhy\tA caption\nz.tif\t\t\t\t/d\n");
  const SourceList read = read_list(hand, "/base");
  ASSERT_EQ(read.size(), 3u);
  EXPECT_EQ(read.entries[0].full_path(), "/base/sub/x.png");
  EXPECT_EQ(read.entries[0].display_name, "x.png");
  EXPECT_EQ(read.entries[1].file_path, "/abs/");
  EXPECT_EQ(read.entries[1].orientation, "Rotate Left 90\u00B0");
  EXPECT_EQ(read.entries[1].caption, "A caption");
  EXPECT_EQ(read.entries[2].full_path(), "/d/z.tif");
  EXPECT_EQ(read.entries[2].orientation, "As Is");

  std::istringstream bad("a\tb\tc\td\te\tf\n");
  EXPECT_THROW(read_list(bad, "/"), std::runtime_error);
}

}  // namespace
}  // namespace lumatrix
