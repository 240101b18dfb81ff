#include "base/file_bytes.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <string>

#include "base/image_error.h"

namespace lumatrix {

namespace {
// Closes a POSIX file descriptor when it goes out of scope.
struct FileDescriptor {
  int fd = -1;
  ~FileDescriptor() {
    if (fd >= 0) ::close(fd);
  }
};

std::string system_reason() {
  return std::strerror(errno);
}

std::filesystem::path temporary_sibling(const std::filesystem::path& path) {
  static thread_local std::mt19937_64 rng{std::random_device{}()};
  std::string name = ".";
  name.append(path.filename().string()).append(".").append(std::to_string(rng() % 1000000000));
  name.append(".tmp");
  return path.parent_path() / name;
}
}  // namespace

std::vector<uint8_t> read_file_bytes(const std::filesystem::path& path) {
  FileDescriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (file.fd < 0) throw ImageError(path, system_reason());
  std::vector<uint8_t> bytes;
  uint8_t buffer[1 << 16];
  for (;;) {
    ssize_t n = ::read(file.fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw ImageError(path, system_reason());
    }
    if (n == 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return bytes;
}

void write_file_atomically(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  const std::filesystem::path temp = temporary_sibling(path);
  FileDescriptor file{::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666)};
  if (file.fd < 0) throw ImageError(path, system_reason());
  auto fail = [&](const std::string& reason) {
    ::close(file.fd);
    file.fd = -1;
    ::unlink(temp.c_str());
    throw ImageError(path, reason);
  };
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(file.fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(system_reason());
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(file.fd) != 0) fail(system_reason());
  if (::close(file.fd) != 0) {
    file.fd = -1;
    std::string reason = system_reason();
    ::unlink(temp.c_str());
    throw ImageError(path, reason);
  }
  file.fd = -1;
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    std::string reason = system_reason();
    ::unlink(temp.c_str());
    throw ImageError(path, reason);
  }
}

}  // namespace lumatrix
