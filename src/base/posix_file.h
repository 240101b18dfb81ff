#pragma once
// A POSIX file descriptor that closes itself, and the system's reason for the last failure.
#include <string>

namespace lumatrix {

class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor();

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release();
  // Closes now, so that a failure to write back can be reported; false (errno set) on failure.
  bool close();

 private:
  int fd_ = -1;
};

// strerror of errno.
std::string system_reason();

}  // namespace lumatrix
