#pragma once
// Whole files in and out, and the temporary file every whole-or-nothing write goes through.
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "base/posix_file.h"

namespace lumatrix {

// Reads a whole file. Throws ImageError with the path and the system's reason.
std::vector<uint8_t> read_file_bytes(const std::filesystem::path& path);
// Writes a file whole or not at all: a temporary file in the target's folder, flushed, then
// renamed over the target. Throws ImageError with the path and the system's reason; an existing
// target is then untouched and no temporary file is left behind.
void write_file_atomically(const std::filesystem::path& path, std::span<const uint8_t> bytes);

// Whether anything (a file, a folder, a dangling link) has that name.
bool name_taken(const std::filesystem::path& path);
// Gives `from` the name `to` unless that name is taken, atomically where the file system allows
// (else through a hard link, else a test before the rename). Returns 0, or the errno of the
// failure: EEXIST when the name is taken.
int rename_no_replace(const std::filesystem::path& from, const std::filesystem::path& to);

// A file that becomes `target` only once it is complete: it lives under a unique hidden name in
// the target's folder (".photo.jpg.123456789.tmp"), so that the final rename stays within one
// file system and a reader never sees it half-written. Whatever exists under that name is
// removed when the object goes, unless it was put in place or kept. Every failure throws
// ImageError naming the target and the system's reason.
class TemporarySibling {
 public:
  enum class Create {
    File,     // created here, exclusively, and open for writing
    NameOnly  // only the name is chosen; the caller (or a library) creates the file
  };
  explicit TemporarySibling(const std::filesystem::path& target, Create create = Create::File,
                            unsigned mode = 0666);
  TemporarySibling(const TemporarySibling&) = delete;
  TemporarySibling& operator=(const TemporarySibling&) = delete;
  ~TemporarySibling();

  const std::filesystem::path& path() const { return path_; }
  const std::filesystem::path& target() const { return target_; }
  // The open file (Create::File, until closed).
  int fd() const { return file_.get(); }

  void write(std::span<const uint8_t> bytes);
  // Flushes the file to disk and closes it.
  void flush_and_close();
  // Renames the file over the target, replacing what is there.
  void replace_target();
  // Gives the file the target's name unless that name is taken; false (the file is then
  // removed with the object) when it is.
  bool place_if_free();
  // Leaves the file where it is: the caller has given it its name.
  void keep() { kept_ = true; }

 private:
  std::filesystem::path target_;
  std::filesystem::path path_;
  FileDescriptor file_;
  bool kept_ = false;
};

// Removes the temporary siblings of `target` a killed writer left behind (the names
// TemporarySibling gives); returns how many. For resuming a run that was killed; a writer still
// at work on the same target would lose its file, so only the run that owns the target calls it.
int remove_stale_temporaries(const std::filesystem::path& target);

}  // namespace lumatrix
