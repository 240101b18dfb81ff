#include "folder_contents.h"

#include <algorithm>

#include "test_support.h"

namespace lumatrix::test {

std::string text_of(const std::filesystem::path& path) {
  const std::vector<uint8_t> bytes = read_bytes(path);
  return {bytes.begin(), bytes.end()};
}

std::vector<std::string> names_in(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace lumatrix::test
