#include "extras/backup.h"

#include <gtest/gtest.h>

#include "base/image_error.h"
#include "recording_run_host.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;
using Kind = test::RecordingRunHost::Kind;

void write_text(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  test::write_bytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

TEST(Backup, ProposedNameAndDistinctNamesInsideTheArchive) {
  std::tm date{};
  date.tm_year = 2003 - 1900;
  date.tm_mon = 2;
  date.tm_mday = 7;
  EXPECT_EQ(proposed_backup_name(date), "imagebackup03072003.zip");

  SourceList list;
  list.add_files({"/a/x.jpg", "/b/X.JPG", "/c/x (2).jpg", "/d/x.jpg", "/e/raw"});
  list.entries.push_back(entry_for("/f/raw"));
  EXPECT_EQ(archive_names(list), (std::vector<std::string>{"x.jpg", "X (2).JPG", "x (2) (2).jpg",
                                                           "x (3).jpg", "raw", "raw (2)"}));
}

TEST(Backup, SameNamesBothArchivedAndToolsAcceptTheArchive) {
  test::TempDir dir;
  write_text(dir / "one" / "a.jpg", std::string(20000, 'a'));
  write_text(dir / "two" / "a.jpg", "second");
  write_text(dir / "two" / "b.png", "bee");
  SourceList list;
  list.add_files({dir / "one" / "a.jpg", dir / "two" / "a.jpg", dir / "two" / "gone.png",
                  dir / "two" / "b.png"});
  test::RecordingRunHost host;
  backup_all(list, dir / "backup.zip", host.seam());

  EXPECT_EQ(
      host.log_lines(),
      (std::vector<std::string>{"Adding a.jpg", "Adding a.jpg", "Adding b.png",
                                "Skipping Missing File : " + (dir / "two" / "gone.png").string()}));
  EXPECT_EQ(host.calls().back().kind, Kind::Inform);
  EXPECT_EQ(host.calls().back().text, "Backup Completed : " + (dir / "backup.zip").string());

  const std::string zip = test::shell_quote((dir / "backup.zip").string());
  auto tested = test::run_shell("unzip -t " + zip);
  EXPECT_EQ(tested.status, 0) << tested.output;
  auto info = test::run_shell("zipinfo " + zip);
  EXPECT_EQ(info.status, 0);
  EXPECT_NE(info.output.find("number of entries: 3"), std::string::npos) << info.output;
  EXPECT_NE(info.output.find("defN"), std::string::npos) << info.output;  // deflate, normal level
  EXPECT_EQ(test::run_shell("unzip -p " + zip + " 'a (2).jpg'").output, "second");
  EXPECT_EQ(test::run_shell("unzip -p " + zip + " a.jpg").output.size(), 20000u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
}

TEST(Backup, EmptyListMakesAnEmptyArchive) {
  test::TempDir dir;
  test::RecordingRunHost host;
  backup_all(SourceList{}, dir / "empty.zip", host.seam());
  EXPECT_EQ(fs::file_size(dir / "empty.zip"), 22u);
  auto info = test::run_shell("zipinfo " + test::shell_quote((dir / "empty.zip").string()));
  EXPECT_NE(info.output.find("number of entries: 0"), std::string::npos) << info.output;
  EXPECT_EQ(host.count(Kind::Inform), 1);
  for (const auto& call : host.calls())
    if (call.kind == Kind::Progress) {
      EXPECT_EQ(call.position, 0);
    }
}

TEST(Backup, FailureLeavesAnExistingArchiveAndNoTemporary) {
  test::TempDir dir;
  write_text(dir / "a.jpg", "a");
  SourceList list;
  list.add_files({dir / "a.jpg"});
  test::RecordingRunHost host;
  // The archive's folder is a file: nothing can be written there.
  EXPECT_THROW(backup_all(list, dir / "a.jpg" / "new.zip", host.seam()), ImageError);
  // The archive's name is a folder: the finished archive cannot take it.
  fs::create_directory(dir / "taken.zip");
  write_text(dir / "taken.zip" / "inside", "x");
  EXPECT_THROW(backup_all(list, dir / "taken.zip", host.seam()), ImageError);
  EXPECT_TRUE(fs::is_directory(dir / "taken.zip"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
  EXPECT_EQ(host.count(Kind::Inform), 0);
}

}  // namespace
}  // namespace lumatrix
