#pragma once
// The public image corpora the reader tests walk (see the corpora's README): where they are,
// their files, and reading one the way a load does.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/io_params.h"
#include "imaging/raster.h"

namespace lumatrix::test {

// The corpora folder, or empty when the build found none.
std::filesystem::path corpora();

// Skips the current test when the corpora are not there.
#define LUMATRIX_NEED_CORPORA() \
  if (::lumatrix::test::corpora().empty()) GTEST_SKIP() << "the image corpora are missing"

// The regular files directly in `folder` whose names end in `suffix` (any when empty), sorted.
std::vector<std::filesystem::path> corpus_files(const std::filesystem::path& folder,
                                                const std::string& suffix = "");

// Decodes `file` with the codec its extension names, as a load does; throws ImageError.
Raster decode_file(const std::filesystem::path& file, IOParams& params);

// The numbers of a JSON array of numbers ("[1, 2, 3]"), in order.
std::vector<int> json_numbers(const std::filesystem::path& file);

// What happened to the files a walk read, for the summary it prints.
struct WalkCounts {
  int exact = 0;    // equal to the corpus's truth
  int decoded = 0;  // decoded without complaint where the corpus has no truth
  int warned = 0, refused = 0;
  std::string summary(const std::string& what) const;
};

}  // namespace lumatrix::test
