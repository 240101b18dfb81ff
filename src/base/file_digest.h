#pragma once
// SHA-256 of a file's bytes, as `sha256sum` prints it, so a user can check a recorded output
// with the usual tools.
#include <filesystem>
#include <string>
#include <string_view>

namespace lumatrix {

// Lower-case hex digest. Throws ImageError naming the file when it cannot be read.
std::string file_sha256(const std::filesystem::path& path);
std::string text_sha256(std::string_view text);

}  // namespace lumatrix
