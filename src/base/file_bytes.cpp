#include "base/file_bytes.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>

#include "base/image_error.h"

namespace lumatrix {

namespace fs = std::filesystem;

namespace {
fs::path random_sibling_name(const fs::path& target) {
  static thread_local std::mt19937_64 rng{std::random_device{}()};
  return target.parent_path() /
         ("." + target.filename().string() + "." + std::to_string(rng() % 1000000000) + ".tmp");
}
}  // namespace

int remove_stale_temporaries(const fs::path& target) {
  const std::string prefix = "." + target.filename().string() + ".";
  const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  int removed = 0;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (!name.starts_with(prefix) || !name.ends_with(".tmp")) continue;
    const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - 4);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code gone;
    if (fs::remove(it->path(), gone)) ++removed;
  }
  return removed;
}

bool name_taken(const fs::path& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

int rename_no_replace(const fs::path& from, const fs::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // File systems without the no-replace flag: a hard link is just as exclusive.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return 0;
  }
  if (errno == EEXIST || errno == EXDEV) return errno;
  // Nor hard links: test, then rename; only a racing writer could slip in between.
  if (name_taken(to)) return EEXIST;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

std::vector<uint8_t> read_file_bytes(const fs::path& path) {
  FileDescriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (!file.valid()) throw ImageError(path, system_reason());
  std::vector<uint8_t> bytes;
  uint8_t buffer[1 << 16];
  for (;;) {
    ssize_t n = ::read(file.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw ImageError(path, system_reason());
    }
    if (n == 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return bytes;
}

void write_file_atomically(const fs::path& path, std::span<const uint8_t> bytes) {
  TemporarySibling temp(path);
  temp.write(bytes);
  temp.flush_and_close();
  temp.replace_target();
}

TemporarySibling::TemporarySibling(const fs::path& target, Create create, unsigned mode)
    : target_(target) {
  if (create == Create::NameOnly) {
    path_ = random_sibling_name(target);
    return;
  }
  for (int attempt = 0; attempt < 16; ++attempt) {
    path_ = random_sibling_name(target);
    file_ = FileDescriptor(::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (file_.valid() || errno != EEXIST) break;
  }
  if (!file_.valid()) throw ImageError(target, system_reason());
}

TemporarySibling::~TemporarySibling() {
  file_ = FileDescriptor();
  if (!kept_) ::unlink(path_.c_str());
}

void TemporarySibling::write(std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(file_.get(), bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw ImageError(target_, system_reason());
    }
    done += static_cast<size_t>(n);
  }
}

void TemporarySibling::flush_and_close() {
  if (::fsync(file_.get()) != 0) throw ImageError(target_, system_reason());
  if (!file_.close()) throw ImageError(target_, system_reason());
}

void TemporarySibling::replace_target() {
  if (::rename(path_.c_str(), target_.c_str()) != 0) throw ImageError(target_, system_reason());
  kept_ = true;
}

bool TemporarySibling::place_if_free() {
  const int result = rename_no_replace(path_, target_);
  if (result == EEXIST) return false;
  if (result != 0) {
    errno = result;
    throw ImageError(target_, system_reason());
  }
  kept_ = true;
  return true;
}

}  // namespace lumatrix
