#include "base/file_bytes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "base/image_error.h"
#include "test_files.h"

namespace lumatrix::test {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> bytes_of(const std::string& text) {
  return {text.begin(), text.end()};
}

// Everything in `dir` but the names given.
std::vector<std::string> others_in(const fs::path& dir, const std::vector<std::string>& known) {
  std::vector<std::string> found;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (std::find(known.begin(), known.end(), name) == known.end()) found.push_back(name);
  }
  return found;
}

TEST(TemporarySibling, LivesHiddenBesideItsTargetAndGoesUnlessPutInPlace) {
  TempDir dir;
  const fs::path target = dir / "photo.jpg";
  fs::path seen;
  {
    TemporarySibling temp(target);
    seen = temp.path();
    EXPECT_EQ(seen.parent_path(), dir.path());
    EXPECT_TRUE(seen.filename().string().starts_with(".photo.jpg."));
    EXPECT_TRUE(seen.filename().string().ends_with(".tmp"));
    temp.write(bytes_of("half"));
    EXPECT_TRUE(fs::exists(seen));
  }
  // Abandoned (an exception on the way, say): no trace, no target.
  EXPECT_FALSE(fs::exists(seen));
  EXPECT_FALSE(fs::exists(target));
}

TEST(TemporarySibling, ReplacesTheTargetOnlyWhenComplete) {
  TempDir dir;
  const fs::path target = dir / "out.png";
  write_bytes(target, bytes_of("old"));
  {
    TemporarySibling temp(target);
    temp.write(bytes_of("new contents"));
    EXPECT_EQ(read_bytes(target), bytes_of("old"));
    temp.flush_and_close();
    temp.replace_target();
  }
  EXPECT_EQ(read_bytes(target), bytes_of("new contents"));
  EXPECT_TRUE(others_in(dir.path(), {"out.png"}).empty());
}

TEST(TemporarySibling, NameOnlyLeavesTheFileToTheCallerAndStillCleansUp) {
  TempDir dir;
  const fs::path target = dir / "backup.zip";
  fs::path seen;
  {
    TemporarySibling temp(target, TemporarySibling::Create::NameOnly);
    seen = temp.path();
    EXPECT_FALSE(fs::exists(seen));
    EXPECT_EQ(temp.fd(), -1);
    write_bytes(seen, bytes_of("made by a library"));
  }
  EXPECT_FALSE(fs::exists(seen));
}

TEST(TemporarySibling, AMissingFolderNamesTheTarget) {
  TempDir dir;
  const fs::path target = dir / "no such folder" / "x.bmp";
  try {
    TemporarySibling temp(target);
    FAIL() << "created a file in a folder that does not exist";
  } catch (const ImageError& error) {
    EXPECT_EQ(error.path(), target);
    EXPECT_EQ(error.reason(), "No such file or directory");
  }
}

TEST(WriteFileAtomically, AFailedRenameLeavesWhatWasThereAndNoTemporaryFile) {
  TempDir dir;
  // A folder stands where the file should go: the rename at the end must fail.
  const fs::path target = dir / "taken";
  fs::create_directory(target);
  write_bytes(target / "inside.txt", bytes_of("precious"));
  EXPECT_THROW(write_file_atomically(target, bytes_of("new")), ImageError);
  EXPECT_EQ(read_bytes(target / "inside.txt"), bytes_of("precious"));
  EXPECT_TRUE(others_in(dir.path(), {"taken"}).empty());
}

TEST(RemoveStaleTemporaries, TakesOnlyTheTargetsOwnTemporaryNames) {
  test::TempDir dir;
  for (const char* name :
       {".a.png.123.tmp", ".a.png.9.tmp", ".a.png.x1.tmp", ".ab.png.1.tmp", "a.png", ".a.png..tmp"})
    test::write_bytes(dir / name, std::vector<uint8_t>{0});
  EXPECT_EQ(remove_stale_temporaries(dir / "a.png"), 2);
  EXPECT_EQ(test::names_in(dir.path()),
            (std::vector<std::string>{".a.png..tmp", ".a.png.x1.tmp", ".ab.png.1.tmp", "a.png"}));
}

}  // namespace
}  // namespace lumatrix::test
