#include "files/rename_list.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;

void touch(const fs::path& path) {
  fs::create_directories(path.parent_path());
  test::write_bytes(path, std::vector<uint8_t>{'x'});
}

std::vector<std::string> column(const RenameList& list, std::string RenameEntry::*field) {
  std::vector<std::string> values;
  for (const RenameEntry& e : list.entries) values.push_back(e.*field);
  return values;
}

TEST(RenameList, StemIsEverythingBeforeTheLastDot) {
  using Split = std::pair<std::string, std::string>;
  EXPECT_EQ(split_extension("holiday.jpg.jpg"), Split("holiday.jpg", ".jpg"));
  EXPECT_EQ(split_extension("README"), Split("README", ""));
  Settings s;
  s.appendprefixsuffix = true;
  s.file_prefix = "x_";
  EXPECT_EQ(pattern_name(s, {"/d/", "holiday.jpg.jpg", ""}, 1), "x_holiday.jpg.jpg");
  EXPECT_EQ(pattern_name(Settings{}, {"/d/", "holiday.jpg.jpg", ""}, 3), "0003.jpg");
  EXPECT_EQ(pattern_name(Settings{}, {"/d/", "README", ""}, 1), "0001");
}

TEST(RenameList, FolderLoadTakesEveryFileAndNamesRowsByPosition) {
  test::TempDir dir;
  for (const char* name : {"b.JPG", "A.txt", "notes", "sub/c.png", "sub/deeper/d.zip"})
    touch(dir / "f" / name);
  RenameList list;
  Settings s;
  s.file_prefix = "n";
  EXPECT_EQ(list.add_folder(dir / "f", false, s), 3u);
  EXPECT_EQ(column(list, &RenameEntry::old_name),
            (std::vector<std::string>{"A.txt", "b.JPG", "notes"}));
  EXPECT_EQ(column(list, &RenameEntry::new_name),
            (std::vector<std::string>{"n0001.txt", "n0002.JPG", "n0003"}));
  EXPECT_EQ(list.entries[0].directory, (dir / "f").string() + "/");
  EXPECT_EQ(list.count_label(), "Total Loaded Files : 3");

  list.clear();
  EXPECT_EQ(list.add_folder(dir / "f", true, s), 5u);
  EXPECT_EQ(list.entries[3].old_name, "c.png");
  EXPECT_EQ(list.entries[4].directory, (dir / "f" / "sub" / "deeper").string() + "/");
  EXPECT_EQ(list.entries[4].new_name, "n0005.zip");
}

TEST(RenameList, SortRenumbersButDeleteLeavesNamesUntilRecomputed) {
  RenameList list;
  Settings s;
  list.add_files({"/p/A.jpg", "/q/c.jpg", "/p/b.jpg"}, s);
  EXPECT_EQ(column(list, &RenameEntry::old_name),
            (std::vector<std::string>{"A.jpg", "b.jpg", "c.jpg"}));
  list.sort(false, s);
  EXPECT_EQ(column(list, &RenameEntry::old_name),
            (std::vector<std::string>{"c.jpg", "b.jpg", "A.jpg"}));
  EXPECT_EQ(column(list, &RenameEntry::new_name),
            (std::vector<std::string>{"0001.jpg", "0002.jpg", "0003.jpg"}));
  EXPECT_EQ(list.entries[0].directory, "/q/");

  list.delete_rows({0});
  EXPECT_EQ(column(list, &RenameEntry::new_name),
            (std::vector<std::string>{"0002.jpg", "0003.jpg"}));
  list.recompute_names(s);
  EXPECT_EQ(column(list, &RenameEntry::new_name),
            (std::vector<std::string>{"0001.jpg", "0002.jpg"}));
}

}  // namespace
}  // namespace lumatrix
