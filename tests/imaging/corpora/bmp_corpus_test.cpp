// The BMP suite: every good file equals the suite's own rendering (html/), every questionable one
// equals one of its renderings or is refused with a reason, every bad one decodes or is refused
// without harm (in a child with an address-space limit).
#include <gtest/gtest.h>

#include <iostream>
#include <map>
#include <regex>

#include "base/image_error.h"
#include "child_process.h"
#include "corpus.h"
#include "test_files.h"

namespace lumatrix {
namespace {

// bmpsuite.html puts each file in a table row after the renderings it may be shown as.
std::map<std::string, std::vector<std::string>> renderings(const std::filesystem::path& html) {
  std::map<std::string, std::vector<std::string>> out;
  const std::string text = test::text_of(html);
  const std::regex image("<img src=\"([^\"]+)\"");
  size_t row = text.find("<tr");
  while (row != std::string::npos) {
    const size_t next = text.find("<tr", row + 3);
    const std::string cells = text.substr(row, next == std::string::npos ? next : next - row);
    std::vector<std::string> refs;
    std::string file;
    for (std::sregex_iterator it(cells.begin(), cells.end(), image), end; it != end; ++it) {
      const std::string src = (*it)[1];
      if (src.ends_with(".bmp"))
        file = src.substr(3);  // "../g/pal1.bmp" -> "g/pal1.bmp"
      else
        refs.push_back(src);
    }
    if (!file.empty()) out[file] = refs;
    row = next;
  }
  return out;
}

// Whether `ours` shows what the rendering shows: the same size, colours and opacity, within
// `tolerance`; colours under full transparency do not count.
bool shows(const Raster& ours, const Raster& rendering, int tolerance) {
  if (ours.width() != rendering.width() || ours.height() != rendering.height()) return false;
  for (int y = 0; y < ours.height(); ++y)
    for (int x = 0; x < ours.width(); ++x) {
      const int a = ours.has_alpha() ? ours.alpha_row(y)[x] : 255;
      const int b = rendering.has_alpha() ? rendering.alpha_row(y)[x] : 255;
      if (std::abs(a - b) > tolerance) return false;
      const Rgb c = ours.pixel(x, y), d = rendering.pixel(x, y);
      if (b != 0 && (std::abs(c.r - d.r) > tolerance || std::abs(c.g - d.g) > tolerance ||
                     std::abs(c.b - d.b) > tolerance))
        return false;
    }
  return true;
}

// How far a questionable file may be from the suite's rendering of it. The renderings of
// fields wider or narrower than 8 bits (11-bit, 2.13 fixed point) truncate where we round, and
// those of embedded profiles come from another colour engine than LittleCMS: one level.
// rgb24prof2's profile swaps red and green back but has a tone curve of its own, which the
// rendering leaves out: up to 10 levels.
int tolerance_for(const std::string& file) {
  if (file == "q/rgb24prof2.bmp") return 10;
  return file.starts_with("q/") ? 1 : 0;
}

TEST(BmpCorpus, GoodFilesShowTheirRenderingQuestionableOnesToo_OrAReason) {
  LUMATRIX_NEED_CORPORA();
  const auto suite = test::corpora() / "bmpsuite";
  const auto refs = renderings(suite / "html" / "bmpsuite.html");
  test::WalkCounts counts;
  for (const std::string folder : {"g", "q"}) {
    for (const auto& file : test::corpus_files(suite / folder, ".bmp")) {
      const std::string key = folder + "/" + file.filename().string();
      SCOPED_TRACE(key);
      IOParams params;
      Raster ours;
      try {
        ours = test::decode_file(file, params);
      } catch (const ImageError& e) {
        EXPECT_EQ(folder, "q") << "a good file is refused: " << e.reason();
        EXPECT_FALSE(e.reason().empty());
        ++counts.refused;
        continue;
      }
      // Its unused fourth bytes are not zero, and we take a fourth byte that some pixel sets
      // for alpha, as the many writers of unmarked 32-bit alpha bitmaps intend; the suite's
      // rendering takes them for nothing. It stays readable, as its colours show.
      if (key == "q/rgb32fakealpha.bmp") ours.drop_alpha();
      const auto found = refs.find(key);
      ASSERT_NE(found, refs.end()) << "no rendering listed";
      bool matched = false;
      for (const std::string& ref : found->second) {
        IOParams ignored;
        if (shows(ours, test::decode_file(suite / "html" / ref, ignored), tolerance_for(key)))
          matched = true;
      }
      EXPECT_TRUE(matched) << "looks like none of its renderings";
      if (matched) ++counts.exact;
    }
  }
  std::cout << counts.summary("BMP suite g/ and q/") << "\n";
}

TEST(BmpCorpus, BadFilesDecodeOrAreRefusedWithoutHarm) {
  LUMATRIX_NEED_CORPORA();
  test::WalkCounts counts;
  for (const auto& file : test::corpus_files(test::corpora() / "bmpsuite" / "b", ".bmp")) {
    SCOPED_TRACE(file.filename().string());
    test::ChildLimits limits;
    limits.time = std::chrono::seconds(10);
    limits.address_space = uint64_t{1} << 30;
    const test::ChildOutcome outcome = test::run_in_child(
        [&] {
          IOParams params;
          try {
            test::decode_file(file, params);
          } catch (const ImageError& e) {
            return "refused: " + e.reason();
          }
          return std::string("decoded");
        },
        limits);
    ASSERT_TRUE(outcome.finished) << "still decoding after 10 s";
    EXPECT_FALSE(outcome.crashed) << outcome.result;
    EXPECT_LT(outcome.peak_bytes, uint64_t{256} << 20);
    if (outcome.result.starts_with("refused: ")) {
      EXPECT_GT(outcome.result.size(), 9u);
      ++counts.refused;
    } else {
      EXPECT_EQ(outcome.result, "decoded");
      ++counts.decoded;
    }
  }
  std::cout << counts.summary("BMP suite b/") << "\n";
}

}  // namespace
}  // namespace lumatrix
