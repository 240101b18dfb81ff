#pragma once
// What a test finds on disk after a command: a file's text, a folder's names.
#include <filesystem>
#include <string>
#include <vector>

namespace lumatrix::test {

// The whole file as text (empty when it cannot be read).
std::string text_of(const std::filesystem::path& path);
// The names of the folder's entries, sorted.
std::vector<std::string> names_in(const std::filesystem::path& folder);

}  // namespace lumatrix::test
