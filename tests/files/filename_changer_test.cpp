#include "files/filename_changer.h"

#include <gtest/gtest.h>

#include "base/image_error.h"
#include "recording_run_host.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;
using test::names_in;
using test::text_of;
using Kind = test::RecordingRunHost::Kind;

std::vector<uint8_t> bytes_of(const std::string& text) {
  return {text.begin(), text.end()};
}

std::vector<std::string> informs(const test::RecordingRunHost& host) {
  std::vector<std::string> texts;
  for (const auto& call : host.calls())
    if (call.kind == Kind::Inform) texts.push_back(call.text);
  return texts;
}

class FilenameChanger : public ::testing::Test {
 protected:
  // Writes the files (each holding its own name) under the scratch folder and lists them.
  void make(std::initializer_list<std::string> names) {
    std::vector<fs::path> paths;
    for (const std::string& name : names) {
      fs::create_directories((dir / name).parent_path());
      test::write_bytes(dir / name, bytes_of(name));
      paths.push_back(dir / name);
    }
    list.add_files(paths, settings);
  }
  test::TempDir dir;
  RenameList list;
  Settings settings;
  test::RecordingRunHost host;
};

TEST_F(FilenameChanger, CopiesIntoRenamedSubfolderKeepingTheOldFiles) {
  make({"a.jpg", "b.txt", "sub/c.png"});
  settings.filename_save_in = "[Source Directory]\\Renamed\\";
  const ChangerOutcome outcome = process_all(list, settings, host.seam());
  EXPECT_EQ(outcome.done, 3);
  EXPECT_EQ(text_of(dir / "Renamed" / "0001.jpg"), "a.jpg");
  EXPECT_EQ(text_of(dir / "Renamed" / "0002.txt"), "b.txt");
  EXPECT_EQ(text_of(dir / "sub" / "Renamed" / "0003.png"), "sub/c.png");
  EXPECT_TRUE(fs::exists(dir / "a.jpg") && fs::exists(dir / "sub" / "c.png"));
  EXPECT_EQ(informs(host), std::vector<std::string>{"Renaming Process Complete"});
  EXPECT_EQ(host.calls().front().kind, Kind::Progress);
  EXPECT_EQ(host.calls().front().maximum, 3);
  EXPECT_EQ(settings.start_number, 1);  // resetstartnumber is on by default
}

TEST_F(FilenameChanger, OwnDirectoryRenamesInPlaceOrCopiesBeside) {
  make({"x.jpg", "y.jpg"});
  settings.overwritefilename = true;
  settings.filename_save_in = "[Source Directory]\\";
  settings.file_prefix = "p";
  process_all(list, settings, host.seam());
  EXPECT_EQ(text_of(dir / "p0001.jpg"), "x.jpg");
  EXPECT_EQ(text_of(dir / "p0002.jpg"), "y.jpg");
  EXPECT_FALSE(fs::exists(dir / "x.jpg"));
  EXPECT_FALSE(fs::exists(dir / "Renamed"));

  RenameList copies;
  copies.add_files({dir / "p0001.jpg"}, settings);
  settings.overwritefilename = false;
  settings.filename_save_in = "";
  settings.file_prefix = "q";
  process_all(copies, settings, host.seam());
  EXPECT_EQ(text_of(dir / "q0001.jpg"), "x.jpg");
  EXPECT_TRUE(fs::exists(dir / "p0001.jpg"));
}

TEST_F(FilenameChanger, TwoRowsOneNameCopyReplacesRenameIsRefusedAndSaid) {
  make({"one/photo.jpg", "two/photo.jpg"});
  settings.appendprefixsuffix = true;  // the name without a number: both rows get "photo.jpg"
  settings.filename_save_in = (dir / "out").string() + "/";
  process_all(list, settings, host.seam());
  EXPECT_EQ(text_of(dir / "out" / "photo.jpg"), "two/photo.jpg");

  RenameList in_place;
  make({"c.jpg", "d.jpg"});
  in_place.add_files({dir / "c.jpg", dir / "d.jpg"}, settings);
  settings.appendprefixsuffix = false;
  settings.filenameorder = "PreSuf";
  settings.file_prefix = "same";
  settings.overwritefilename = true;
  settings.filename_save_in = "";
  host.reset();
  const ChangerOutcome outcome = process_all(in_place, settings, host.seam());
  EXPECT_EQ(outcome.done, 1);
  EXPECT_EQ(outcome.refused, 1);
  EXPECT_EQ(text_of(dir / "same.jpg"), "c.jpg");
  EXPECT_EQ(text_of(dir / "d.jpg"), "d.jpg");  // kept its old name
  ASSERT_EQ(host.log_lines().size(), 1u);
  EXPECT_EQ(host.log_lines()[0], "Not Renamed : " + (dir / "d.jpg").string() + " (" +
                                     (dir / "same.jpg").string() + " already exists)");
}

TEST_F(FilenameChanger, MovesToAnotherFolderAndCarriesTheStartNumber) {
  make({"holiday.jpg.jpg", "b.jpg", "c.jpg"});
  settings.overwritefilename = true;
  settings.resetstartnumber = false;
  settings.filename_save_in = (dir / "moved").string();
  settings.appendprefixsuffix = true;
  settings.file_suffix = "_s";
  process_all(list, settings, host.seam());
  EXPECT_EQ(text_of(dir / "moved" / "holiday.jpg_s.jpg"), "holiday.jpg.jpg");
  EXPECT_FALSE(fs::exists(dir / "holiday.jpg.jpg"));
  EXPECT_EQ(settings.start_number, 4);
  EXPECT_EQ(list.entries[0].new_name, "b_s.jpg");  // rows in name order
}

TEST_F(FilenameChanger, MissingFileIsSaidAndSkipped) {
  make({"a.jpg", "b_gone.jpg", "c.jpg"});
  fs::remove(dir / "b_gone.jpg");
  const ChangerOutcome outcome = process_all(list, settings, host.seam());
  EXPECT_EQ(outcome.missing, 1);
  EXPECT_EQ(outcome.done, 2);
  EXPECT_EQ(informs(host),
            (std::vector<std::string>{"b_gone.jpg does not Exist", "Renaming Process Complete"}));
  std::vector<int> positions;
  for (const auto& call : host.calls())
    if (call.kind == Kind::Progress) positions.push_back(call.position);
  EXPECT_EQ(positions, (std::vector<int>{0, 1, 3}));
  EXPECT_TRUE(fs::exists(dir / "0003.jpg"));
}

TEST_F(FilenameChanger, CreationDateIsEachRowsOwnFile) {
  make({"a.jpg", "b.jpg"});
  fs::last_write_time(dir / "a.jpg",
                      fs::file_time_type::clock::now() - std::chrono::hours(24 * 800));
  settings.append_date = true;
  settings.date_type = "Creation";
  settings.date_format = "YYYY";
  settings.filenameorder = "DatNum";
  process_all(list, settings, host.seam());
  EXPECT_NE(list.entries[0].new_name.substr(0, 4), list.entries[1].new_name.substr(0, 4));
  EXPECT_TRUE(fs::exists(dir / list.entries[0].new_name));
}

TEST_F(FilenameChanger, StopAfterTheCurrentFileWhenConfirmed) {
  make({"a.jpg", "b.jpg", "c.jpg"});
  settings.resetstartnumber = false;
  // Stop is pressed while the first file is renamed.
  host.on_call = [&](const test::RecordingRunHost::Call& call) {
    if (call.kind == Kind::Progress && call.position == 1) host.cancel.request();
  };
  host.answers = {true};
  const ChangerOutcome outcome = process_all(list, settings, host.seam());
  EXPECT_TRUE(outcome.stopped);
  EXPECT_EQ(outcome.done, 1);
  EXPECT_EQ(host.count(Kind::OkCancel), 1);
  // Regression: the stopped run went on to say "Renaming Process Complete".
  EXPECT_EQ(informs(host), std::vector<std::string>{"Process Stopped by User"});
  EXPECT_EQ(settings.start_number, 2);
  EXPECT_FALSE(fs::exists(dir / "0002.jpg"));
}

TEST_F(FilenameChanger, UnwritableDestinationEndsTheRunKeepingDoneRows) {
  make({"a.jpg", "b.jpg"});
  test::write_bytes(dir / "file", bytes_of("f"));
  settings.filename_save_in = "[Source Directory]\\file\\";  // a folder that cannot be made
  EXPECT_THROW(process_all(list, settings, host.seam()), ImageError);
  EXPECT_EQ(text_of(dir / "a.jpg"), "a.jpg");
}

TEST_F(FilenameChanger, PreviewOffersTheControlCenterListWhenTheChangerIsOn) {
  make({"a.jpg"});
  SourceList sources;
  sources.add_files({"/x/z.png", "/x/y.gif"});
  preview(list, sources, settings, host);  // changer off: no question
  EXPECT_EQ(host.count(Kind::YesNo), 0);

  settings.filename_changer = true;
  settings.file_prefix = "v";
  host.answers = {false, true};
  preview(list, sources, settings, host);
  EXPECT_EQ(list.entries[0].new_name, "v0001.jpg");
  preview(list, sources, settings, host);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list.entries[1].directory, "/x/");
  EXPECT_EQ(list.entries[1].old_name, "z.png");
  EXPECT_EQ(list.entries[1].new_name, "v0002.png");
  EXPECT_EQ(host.calls().back().text,
            "Do You want to Preview Filename Change from Control Center List?");
}

}  // namespace
}  // namespace lumatrix
