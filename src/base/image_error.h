#pragma once
#include <filesystem>
#include <stdexcept>
#include <string>

namespace lumatrix {

// A failure reading, writing or processing an image: what was being done, to which file, and the
// reason ("photo.jpg: Premature end of JPEG file").
class ImageError : public std::runtime_error {
 public:
  explicit ImageError(const std::string& reason) : std::runtime_error(reason), reason_(reason) {}
  ImageError(const std::filesystem::path& path, const std::string& reason)
      : std::runtime_error(path.string() + ": " + reason), path_(path), reason_(reason) {}

  const std::filesystem::path& path() const { return path_; }
  const std::string& reason() const { return reason_; }

 private:
  std::filesystem::path path_;
  std::string reason_;
};

}  // namespace lumatrix
