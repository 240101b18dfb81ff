#include "corpus.h"

#include <algorithm>
#include <cctype>

#include "base/image_error.h"
#include "imaging/codec.h"
#include "test_files.h"

namespace lumatrix::test {

std::filesystem::path corpora() {
  const std::filesystem::path dir = LUMATRIX_CORPORA;
  return !dir.empty() && std::filesystem::is_directory(dir) ? dir : std::filesystem::path();
}

std::vector<std::filesystem::path> corpus_files(const std::filesystem::path& folder,
                                                const std::string& suffix) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && name.size() >= suffix.size() &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

Raster decode_file(const std::filesystem::path& file, IOParams& params) {
  const Codec* codec = find_codec(file);
  if (codec == nullptr || codec->decode == nullptr)
    throw ImageError(file, "no reader for this extension");
  const std::vector<uint8_t> bytes = read_bytes(file);
  return codec->decode(bytes, params);
}

std::vector<int> json_numbers(const std::filesystem::path& file) {
  const std::string text = text_of(file);
  std::vector<int> numbers;
  for (size_t i = 0; i < text.size();) {
    if (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '-') {
      size_t used = 0;
      numbers.push_back(std::stoi(text.substr(i, 12), &used));
      i += used;
    } else {
      ++i;
    }
  }
  return numbers;
}

std::string WalkCounts::summary(const std::string& what) const {
  return what + ": " + std::to_string(exact) + " matching their truth, " + std::to_string(decoded) +
         " decoded (no truth given), " + std::to_string(warned) + " decoded with a warning, " +
         std::to_string(refused) + " refused with a reason";
}

}  // namespace lumatrix::test
