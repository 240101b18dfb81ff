#include "base/posix_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lumatrix {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.release();
  }
  return *this;
}

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) ::close(fd_);
}

int FileDescriptor::release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

bool FileDescriptor::close() {
  const int result = ::close(release());
  return result == 0;
}

std::string system_reason() {
  return std::strerror(errno);
}

}  // namespace lumatrix
