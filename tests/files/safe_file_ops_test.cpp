#include "files/safe_file_ops.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "base/image_error.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> pattern_bytes(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 131 + seed) ^ (i >> 9));
  return bytes;
}

// Everything in a folder but the given names: temporaries left behind show up here.
std::vector<std::string> other_entries(const fs::path& dir, std::set<std::string> expected) {
  std::vector<std::string> others;
  for (const auto& entry : fs::directory_iterator(dir))
    if (!expected.contains(entry.path().filename().string()))
      others.push_back(entry.path().filename().string());
  return others;
}

const fs::file_time_type kOldTime = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);

TEST(SafeFileOps, CopyIsWholeWithModeAndModificationTimeAndReplacesTheTarget) {
  test::TempDir dir;
  const auto data = pattern_bytes(100'000, 1);
  test::write_bytes(dir / "src.bin", data);
  fs::last_write_time(dir / "src.bin", kOldTime);
  fs::permissions(dir / "src.bin", fs::perms::owner_read | fs::perms::group_read);
  test::write_bytes(dir / "dst.bin", pattern_bytes(10, 2));

  copy_file_whole(dir / "src.bin", dir / "dst.bin");
  EXPECT_EQ(test::read_bytes(dir / "dst.bin"), data);
  EXPECT_EQ(fs::last_write_time(dir / "dst.bin"), kOldTime);
  EXPECT_EQ(fs::status(dir / "dst.bin").permissions(),
            fs::perms::owner_read | fs::perms::group_read);

  fs::create_directory(dir / "into");
  copy_file_whole(dir / "src.bin", dir / "into");  // a folder takes the source's name
  EXPECT_EQ(test::read_bytes(dir / "into" / "src.bin"), data);

  copy_file_whole(dir / "src.bin", dir / "src.bin");  // onto itself: untouched
  EXPECT_EQ(test::read_bytes(dir / "src.bin"), data);
  EXPECT_TRUE(other_entries(dir.path(), {"src.bin", "dst.bin", "into"}).empty());
}

TEST(SafeFileOps, CopyFailingHalfWayLeavesSourceTargetAndNoTemporary) {
  test::TempDir dir;
  const auto data = pattern_bytes(100'000, 3), old = pattern_bytes(500, 4);
  test::write_bytes(dir / "src.bin", data);
  test::write_bytes(dir / "dst.bin", old);
  uint64_t seen = 0;
  auto fail_half_way = [&](uint64_t written) {
    seen = written;
    if (written >= 48 * 1024) throw ImageError(dir / "dst.bin", "No space left on device");
  };
  EXPECT_THROW(copy_file_whole(dir / "src.bin", dir / "dst.bin", fail_half_way), ImageError);
  EXPECT_EQ(seen, 6u * 8192);  // blocks of 8192 bytes
  EXPECT_EQ(test::read_bytes(dir / "src.bin"), data);
  EXPECT_EQ(test::read_bytes(dir / "dst.bin"), old);
  EXPECT_TRUE(other_entries(dir.path(), {"src.bin", "dst.bin"}).empty());

  // A destination folder that cannot exist (its parent is a file) fails before writing.
  try {
    copy_file_whole(dir / "src.bin", dir / "src.bin" / "x.bin");
    ADD_FAILURE() << "copy into a file's 'folder' succeeded";
  } catch (const ImageError& e) {
    EXPECT_EQ(e.path(), dir / "src.bin" / "x.bin");
  }
  EXPECT_THROW(copy_file_whole(dir / "missing.bin", dir / "m.bin"), ImageError);
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  EXPECT_THROW(copy_file_whole(dir / "pipe", dir / "m.bin"), ImageError);  // and does not hang
  EXPECT_FALSE(fs::exists(dir / "m.bin"));
}

TEST(SafeFileOps, MoveNeverReplacesAnotherFile) {
  test::TempDir dir;
  test::write_bytes(dir / "a", pattern_bytes(10, 5));
  test::write_bytes(dir / "b", pattern_bytes(10, 6));
  EXPECT_EQ(move_file_no_replace(dir / "a", dir / "b"), MoveResult::TargetTaken);
  EXPECT_EQ(test::read_bytes(dir / "a"), pattern_bytes(10, 5));
  EXPECT_EQ(test::read_bytes(dir / "b"), pattern_bytes(10, 6));
  EXPECT_EQ(move_file_no_replace(dir / "a", dir / "a"), MoveResult::SameFile);
  EXPECT_EQ(move_across_file_systems(dir / "a", dir / "b"), MoveResult::TargetTaken);

  struct stat before {
  }, after{};
  ASSERT_EQ(::stat((dir / "a").c_str(), &before), 0);
  EXPECT_EQ(move_file_no_replace(dir / "a", dir / "c"), MoveResult::Moved);
  EXPECT_FALSE(fs::exists(dir / "a"));
  ASSERT_EQ(::stat((dir / "c").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);  // renamed, not copied
  EXPECT_EQ(test::read_bytes(dir / "c"), pattern_bytes(10, 5));
}

// /dev/shm is a separate file system on most Linux systems; the copy path is also forced by
// calling move_across_file_systems within one.
TEST(SafeFileOps, MoveAcrossFileSystemsCopiesVerifiesThenDeletes) {
  test::TempDir dir;
  const auto data = pattern_bytes(70'000, 7);
  test::write_bytes(dir / "a", data);
  fs::last_write_time(dir / "a", kOldTime);
  EXPECT_EQ(move_across_file_systems(dir / "a", dir / "b"), MoveResult::Moved);
  EXPECT_FALSE(fs::exists(dir / "a"));
  EXPECT_EQ(test::read_bytes(dir / "b"), data);
  EXPECT_EQ(fs::last_write_time(dir / "b"), kOldTime);

  // A failure half-way keeps the source and leaves nothing at the target.
  auto fail = [&](uint64_t written) {
    if (written > 30'000) throw ImageError(dir / "c", "Input/output error");
  };
  EXPECT_THROW(move_across_file_systems(dir / "b", dir / "c", fail), ImageError);
  EXPECT_EQ(test::read_bytes(dir / "b"), data);
  EXPECT_TRUE(other_entries(dir.path(), {"b"}).empty());

  struct stat here {
  }, shm{};
  if (::stat(dir.path().c_str(), &here) != 0 || ::stat("/dev/shm", &shm) != 0 ||
      here.st_dev == shm.st_dev || ::access("/dev/shm", W_OK) != 0)
    GTEST_SKIP() << "no second file system at /dev/shm";
  const fs::path away = fs::path("/dev/shm") / ("lumatrix-move-" + std::to_string(::getpid()));
  EXPECT_EQ(move_file_no_replace(dir / "b", away), MoveResult::Moved);
  EXPECT_FALSE(fs::exists(dir / "b"));
  EXPECT_EQ(test::read_bytes(away), data);
  EXPECT_EQ(fs::last_write_time(away), kOldTime);
  fs::remove(away);
}

}  // namespace
}  // namespace lumatrix
