// `lumatrix rename` and `lumatrix backup` as a user runs them, on scratch folders.
#include <gtest/gtest.h>

#include <unistd.h>

#include <ctime>
#include <random>

#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;
using test::names_in;
using test::shell_quote;
using test::text_of;

void write_text(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  test::write_bytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

class Commands : public ::testing::Test {
 protected:
  // Runs `prefix lumatrix ARGS` through the shell in the scratch folder, detached from any
  // terminal and with nothing on standard input, as a script would.
  test::CommandResult shell(const std::string& prefix, const std::string& args) {
    return test::run_shell("cd " + shell_quote(dir.path().string()) + " && " + prefix +
                           " LUMATRIX_HOME=home setsid -w " + shell_quote(LUMATRIX_CLI_PATH) + " " +
                           args + " </dev/null");
  }
  std::string q(const std::string& name) { return shell_quote((dir / name).string()); }
  test::TempDir dir;
};

TEST_F(Commands, RenameDryRunShowsTheTableAndChangesNothing) {
  write_text(dir / "p" / "b.jpg", "b");
  write_text(dir / "p" / "a.txt", "a");
  auto r = test::run_lumatrix(
      dir, {"rename", "--dry-run", "--set", "file_prefix=IMG_", (dir / "p").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string p = (dir / "p").string() + "/";
  EXPECT_EQ(r.out, "Existing Directory Path\tOld Filename\tNew Filename\n" + p +
                       "\ta.txt\tIMG_0001.txt\n" + p + "\tb.jpg\tIMG_0002.jpg\n");
  EXPECT_EQ(names_in(dir / "p"), (std::vector<std::string>{"a.txt", "b.jpg"}));
}

TEST_F(Commands, RenameCopiesIntoRenamedAndTheProfileGoesOnCounting) {
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) write_text(dir / "p" / name, name);
  ASSERT_EQ(test::run_lumatrix(dir, {"settings", "--set", "resetstartnumber=false", "--save",
                                     (dir / "prof.ini").string()})
                .status,
            0);
  const std::vector<std::string> args = {"rename",
                                         "--profile",
                                         (dir / "prof.ini").string(),
                                         "--set",
                                         "filename_save_in=[Source Directory]\\Renamed\\",
                                         (dir / "p").string()};
  auto first = test::run_lumatrix(dir, args);
  EXPECT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out, "Renaming Process Complete\n");
  EXPECT_EQ(text_of(dir / "p" / "Renamed" / "0003.jpg"), "c.jpg");
  auto shown = test::run_lumatrix(dir, {"settings", "--profile", (dir / "prof.ini").string()});
  EXPECT_NE(shown.out.find("\nstart_number=4\n"), std::string::npos);

  fs::remove_all(dir / "p" / "Renamed");
  EXPECT_EQ(test::run_lumatrix(dir, args).status, 0);
  EXPECT_EQ(names_in(dir / "p" / "Renamed"),
            (std::vector<std::string>{"0004.jpg", "0005.jpg", "0006.jpg"}));
}

TEST_F(Commands, RenameSaysWhatItDidNotRenameAndExitsWith1) {
  write_text(dir / "a.jpg", "a");
  write_text(dir / "b.jpg", "b");
  auto r = test::run_lumatrix(
      dir, {"rename", "--set", "overwritefilename=true", "--set", "filenameorder=PreSuf", "--set",
            "file_prefix=same", (dir / "a.jpg").string(), (dir / "b.jpg").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Not Renamed : " + (dir / "b.jpg").string()), std::string::npos) << r.out;
  EXPECT_EQ(names_in(dir.path()), (std::vector<std::string>{"b.jpg", "same.jpg"}));

  auto missing = test::run_lumatrix(dir, {"rename", (dir / "nothing").string()});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("no such file or folder"), std::string::npos);
}

// A file-size limit makes every write past 50 KiB fail, as a full disk would.
TEST_F(Commands, CopyFailingHalfWayKeepsTheSourceAndLeavesNoPartialFile) {
  std::string big(300'000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 1000);
  write_text(dir / "p" / "big.jpg", big);
  fs::create_directory(dir / "out");
  auto r = shell("ulimit -f 100; trap '' XFSZ;",
                 "rename --set filename_save_in=" + q("out") + " " + q("p/big.jpg"));
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("File too large"), std::string::npos) << r.output;
  EXPECT_TRUE(text_of(dir / "p" / "big.jpg") == big);
  EXPECT_TRUE(names_in(dir / "out").empty());

  // The same on a move to another file system (/dev/shm where it is one): the source stays.
  const fs::path shm = fs::path("/dev/shm") / ("lumatrix-test-" + std::to_string(::getpid()));
  if (!fs::is_directory("/dev/shm")) return;
  r = shell("ulimit -f 100; trap '' XFSZ;",
            "rename --set overwritefilename=true --set filename_save_in=" +
                shell_quote(shm.string()) + " " + q("p/big.jpg"));
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_TRUE(text_of(dir / "p" / "big.jpg") == big);
  EXPECT_TRUE(names_in(shm).empty());
  fs::remove_all(shm);
}

TEST_F(Commands, BackupProposesTodaysNameAndTakesFolderImages) {
  write_text(dir / "p" / "a.JPG", "a");
  write_text(dir / "p" / "notes.txt", "not an image");
  write_text(dir / "p" / "sub" / "b.png", "b");
  auto r = shell("", "backup --recursive p");
  EXPECT_EQ(r.status, 0) << r.output;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char name[64];
  std::strftime(name, sizeof name, "imagebackup%m%d%Y.zip", &local);
  EXPECT_NE(
      r.output.find("Adding a.JPG\nAdding b.png\nBackup Completed : " + (dir / name).string()),
      std::string::npos)
      << r.output;
  auto tested = test::run_shell("unzip -t " + q(name));
  EXPECT_EQ(tested.status, 0) << tested.output;
  EXPECT_EQ(tested.output.find("notes.txt"), std::string::npos);
}

TEST_F(Commands, BackupReplacesAnArchiveOnlyWhenToldAndOnlyWhenComplete) {
  write_text(dir / "p" / "a.jpg", std::string(200'000, 'a'));
  write_text(dir / "old.zip", "previous");
  auto asked = shell("", "backup -o old.zip p");
  EXPECT_EQ(asked.status, 2);
  EXPECT_NE(asked.output.find("needs a terminal to ask: old.zip already exists. Do you want to "
                              "replace it?; pass --yes to answer yes"),
            std::string::npos)
      << asked.output;
  EXPECT_EQ(text_of(dir / "old.zip"), "previous");

  // Uncompressible data past the file-size limit: the archive cannot be finished.
  std::mt19937 random(7);
  std::string noise(300'000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  write_text(dir / "p" / "noise.png", noise);
  auto failed = shell("ulimit -f 100; trap '' XFSZ;", "backup --yes -o old.zip p");
  EXPECT_EQ(failed.status, 1) << failed.output;
  EXPECT_TRUE(text_of(dir / "old.zip") == "previous");
  EXPECT_EQ(names_in(dir.path()), (std::vector<std::string>{"old.zip", "p"}));

  auto replaced = shell("", "backup --yes -o old.zip p");
  EXPECT_EQ(replaced.status, 0) << replaced.output;
  EXPECT_EQ(test::run_shell("unzip -t " + q("old.zip")).status, 0);
}

}  // namespace
}  // namespace lumatrix
