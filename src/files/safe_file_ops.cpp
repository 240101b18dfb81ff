#include "files/safe_file_ops.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "base/file_bytes.h"
#include "base/image_error.h"

namespace lumatrix {

namespace fs = std::filesystem;

namespace {

constexpr size_t kBlockSize = 8192;

// Fills `temp` with the contents of `from`, with its permission bits and times, flushed to disk
// and closed. With `verify_size`, a copy whose length differs from the source's at the end is
// refused (the source changed while being read).
void copy_into(const fs::path& from, const fs::path& target, TemporarySibling& temp,
               const CopyObserver& observer, bool verify_size) {
  // Opened without waiting, so that a pipe or device among the files cannot hang the run.
  FileDescriptor in(::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!in.valid()) throw ImageError(from, system_reason());
  struct stat source {};
  if (::fstat(in.get(), &source) != 0) throw ImageError(from, system_reason());
  if (!S_ISREG(source.st_mode)) throw ImageError(from, "not a regular file");
  ::fcntl(in.get(), F_SETFL, ::fcntl(in.get(), F_GETFL) & ~O_NONBLOCK);

  const int out = temp.fd();
  uint8_t buffer[kBlockSize];
  uint64_t written = 0;
  for (;;) {
    const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw ImageError(from, system_reason());
    }
    if (n == 0) break;
    temp.write({buffer, static_cast<size_t>(n)});
    written += static_cast<uint64_t>(n);
    if (observer) observer(written);
  }
  if (::fchmod(out, source.st_mode & 07777) != 0) throw ImageError(target, system_reason());
  const struct timespec times[2] = {source.st_atim, source.st_mtim};
  if (::futimens(out, times) != 0) throw ImageError(target, system_reason());
  if (verify_size) {
    struct stat copy {
    }, now{};
    if (::fstat(out, &copy) != 0) throw ImageError(target, system_reason());
    if (::fstat(in.get(), &now) != 0) throw ImageError(from, system_reason());
    if (copy.st_size != now.st_size || static_cast<uint64_t>(copy.st_size) != written)
      throw ImageError(from, "changed size while being copied");
  }
  temp.flush_and_close();
}

bool same_file(const fs::path& a, const fs::path& b) {
  std::error_code error;
  return fs::equivalent(a, b, error) && !error;
}

void flush_directory(const fs::path& dir) {
  FileDescriptor d(::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (d.valid()) ::fsync(d.get());
}

}  // namespace

void copy_file_whole(const fs::path& from, const fs::path& to, const CopyObserver& observer) {
  std::error_code error;
  const fs::path target = fs::is_directory(to, error) ? to / from.filename() : to;
  if (same_file(from, target)) return;
  TemporarySibling temp(target, TemporarySibling::Create::File, 0600);
  copy_into(from, target, temp, observer, false);
  temp.replace_target();
}

MoveResult move_file_no_replace(const fs::path& from, const fs::path& to,
                                const CopyObserver& observer) {
  if (same_file(from, to)) return MoveResult::SameFile;
  const int result = rename_no_replace(from, to);
  if (result == 0) return MoveResult::Moved;
  if (result == EEXIST) return MoveResult::TargetTaken;
  if (result == EXDEV) return move_across_file_systems(from, to, observer);
  errno = result;
  throw ImageError(from, system_reason());
}

MoveResult move_across_file_systems(const fs::path& from, const fs::path& to,
                                    const CopyObserver& observer) {
  if (same_file(from, to)) return MoveResult::SameFile;
  if (name_taken(to)) return MoveResult::TargetTaken;
  {
    TemporarySibling temp(to, TemporarySibling::Create::File, 0600);
    copy_into(from, to, temp, observer, true);
    const int result = rename_no_replace(temp.path(), to);
    if (result == EEXIST) return MoveResult::TargetTaken;
    if (result != 0) {
      errno = result;
      throw ImageError(to, system_reason());
    }
    temp.keep();
  }
  // The copy is on disk under its name before the only other copy goes.
  flush_directory(to.parent_path());
  if (::unlink(from.c_str()) != 0)
    throw ImageError(from, "copied to " + to.string() + " but not deleted: " + system_reason());
  return MoveResult::Moved;
}

}  // namespace lumatrix
