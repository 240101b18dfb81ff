#pragma once
// Copying, renaming and moving files so that nothing is lost: a copy appears whole or not at
// all, and a rename or move never replaces another file.
#include <cstdint>
#include <filesystem>
#include <functional>

namespace lumatrix {

// Told the number of bytes written after each block of a copy. Throwing from it abandons the
// copy like any write error (tests use it to fail a copy half-way).
using CopyObserver = std::function<void(uint64_t written)>;

// Copies `from` to `to` in blocks of 8192 bytes through a temporary file in the destination
// folder, flushed and then renamed over `to`: an existing file there is replaced only by the
// complete copy. The copy keeps the source's permission bits and modification time. When `to`
// is an existing directory the source's name is appended. Copying a file onto itself does
// nothing. Throws ImageError naming the file that failed and why; then `to` is as it was and no
// temporary file remains.
void copy_file_whole(const std::filesystem::path& from, const std::filesystem::path& to,
                     const CopyObserver& observer = {});

enum class MoveResult {
  Moved,       // `from` now lives at `to`
  SameFile,    // `to` already is `from` (same name, or another link to it): nothing to do
  TargetTaken  // a different file is named `to`: nothing was changed
};

// Renames `from` to `to`, never replacing an existing file. Within one file system this is a
// single rename; across file systems see move_across_file_systems. Throws ImageError for any
// other failure, the source then being intact.
MoveResult move_file_no_replace(const std::filesystem::path& from, const std::filesystem::path& to,
                                const CopyObserver& observer = {});

// A move between file systems: the whole copy under a temporary name beside `to`, flushed, its
// size compared with the source's, then given the name `to` unless that is taken, and only
// then the source deleted.
MoveResult move_across_file_systems(const std::filesystem::path& from,
                                    const std::filesystem::path& to,
                                    const CopyObserver& observer = {});

}  // namespace lumatrix
