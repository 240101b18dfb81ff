// The JPEG 2000 conformance and colour files: each decodes to what OpenJPEG's own tool,
// opj_decompress, shows for it, within one level (its narrowing to 8 bits truncates where ours
// rounds).
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>

#include "../codecs/imagemagick_reference.h"
#include "base/image_error.h"
#include "corpus.h"
#include "imaging/codec.h"
#include "imaging/codecs/codecs.h"
#include "test_files.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;

struct Reference {
  std::string args;                // besides -i and -o
  std::string extension = ".tif";  // TIFF is written fastest
  int skip_columns = 0;            // columns left out of the comparison
};

// The picture from column `first` on.
Raster from_column(const Raster& r, int first) {
  if (first == 0) return r;
  Raster out(r.width() - first, r.height(), PixelFormat::Rgb24);
  if (r.has_alpha()) out.add_alpha();
  for (int y = 0; y < r.height(); ++y)
    for (int x = first; x < r.width(); ++x) {
      out.set_pixel(x - first, y, r.pixel(x, y));
      if (r.has_alpha()) out.alpha_row(y)[x - first] = r.alpha_row(y)[x];
    }
  return out;
}

// Where opj_decompress needs telling. It writes TIFF only when every component has one
// sampling, so files that subsample some are written upsampled; it marks no fourth sample as
// alpha there, so files with alpha are written as Targa; it leaves CMYK as CMYK in TIFF and
// converts it only for other formats. a6_mono_colr holds a grey image at one sampling and a
// colour one at another; we show the first, so it is compared with that component alone. Its
// Targa writer keeps only the low byte of deeper samples, so p0_06 (12 bits) is written as PNG.
// issue726 starts at an odd column, whose chroma lies outside the chroma planes; the tool then
// converts that column as if its chroma were zero (a bright green), where we take the nearest
// chroma sample, so that column is left out.
const std::map<std::string, Reference>& references() {
  static const std::map<std::string, Reference> table = {
      {"a6_mono_colr.j2c", {"-c 0"}},
      {"file3.jp2", {"-upsample"}},
      {"p0_05.j2k", {"-upsample", ".tga"}},
      {"p0_06.j2k", {"-upsample", ".png"}},
      {"p1_03.j2k", {"-upsample", ".tga"}},
      {"p1_07.j2k", {"-upsample", ".tga"}},
      {"subsampling_1.jp2", {"-upsample"}},
      {"issue142.j2k", {"-upsample"}},
      {"issue726.j2k", {"-upsample", ".tif", 1}},
      {"issue205.jp2", {"", ".png"}},
      {"issue208.jp2", {"", ".png"}},
  };
  return table;
}

// Whether `file` decodes to what opj_decompress shows for it; counts it when it does.
void expect_as_the_tool_shows(const fs::path& file, const fs::path& dir, test::WalkCounts& counts) {
  const std::string name = file.filename().string();
  SCOPED_TRACE(name);
  const auto found = references().find(name);
  const Reference reference = found == references().end() ? Reference{} : found->second;
  const fs::path out = dir / ("reference" + reference.extension);
  const test::CommandResult opj =
      test::run_shell("/usr/bin/opj_decompress -quiet -i " + test::shell_quote(file.string()) +
                      " -o " + test::shell_quote(out.string()) + " " + reference.args);
  ASSERT_EQ(opj.status, 0) << opj.output;
  IOParams ignored;
  const Raster theirs = test::decode_file(out, ignored);
  IOParams params;
  const Raster ours = test::decode_file(file, params);
  const ::testing::AssertionResult same = test::same_pixels(
      from_column(ours, reference.skip_columns), from_column(theirs, reference.skip_columns), 1);
  EXPECT_TRUE(same);
  EXPECT_TRUE(params.warnings.empty()) << params.warnings.front();
  if (same) ++counts.exact;
}

// The files whose colours came out wrong before: CMYK read as RGB with K as alpha, embedded
// profiles ignored (ROMM-RGB and others shown as sRGB), e-sYCC unconverted, subsampled code
// streams taken as RGB, CIE L*a*b* shown as RGB, and a grey and a colour picture of different
// samplings mixed into one picture's channels.
const std::vector<std::string> colour_files = {
    "nonregression/issue205.jp2",
    "nonregression/issue208.jp2",
    "conformance/file5.jp2",
    "conformance/file7.jp2",
    "conformance/file8.jp2",
    "nonregression/issue171.jp2",
    "nonregression/issue236-ESYCC-CDEF.jp2",
    "nonregression/issue142.j2k",
    "nonregression/issue726.j2k",
    "nonregression/issue559-eci-090-CIELab.jp2",
    "conformance/a6_mono_colr.j2c",
};

TEST(Jpeg2000Corpus, RegressionColourSpacesProfilesAndSamplingsShowAsOpenJpegsToolShows) {
  LUMATRIX_NEED_CORPORA();
  test::TempDir dir;
  test::WalkCounts counts;
  for (const std::string& name : colour_files)
    expect_as_the_tool_shows(test::corpora() / "openjpeg" / name, dir.path(), counts);
  EXPECT_EQ(counts.exact, static_cast<int>(colour_files.size()));
  // CMYK's fourth component is ink, not opacity.
  IOParams params;
  const Raster cmyk =
      test::decode_file(test::corpora() / "openjpeg/nonregression/issue205.jp2", params);
  EXPECT_EQ(cmyk.format(), PixelFormat::Rgb24);
  EXPECT_FALSE(cmyk.has_alpha());
  EXPECT_EQ(params.samples_per_pixel, 3);
}

TEST(Jpeg2000Corpus, EveryOtherFileShowsWhatOpenJpegsToolShows) {
  LUMATRIX_NEED_CORPORA();
  const fs::path root = test::corpora() / "openjpeg";
  std::vector<fs::path> files;
  for (const char* folder : {"conformance", "nonregression", "nonregression/htj2k"})
    for (const fs::path& file : test::corpus_files(root / folder)) {
      const std::string relative = fs::relative(file, root).string();
      if (file.extension() != ".txt" &&
          std::find(colour_files.begin(), colour_files.end(), relative) == colour_files.end())
        files.push_back(file);
    }
  ASSERT_GT(files.size(), 50u);
  test::TempDir dir;
  test::WalkCounts counts;
  for (const fs::path& file : files) expect_as_the_tool_shows(file, dir.path(), counts);
  std::cout << counts.summary("JPEG 2000 conformance files") << "\n";
}

TEST(Jpeg2000Corpus, RegressionHighThroughputFilesAreRecognisedByTheirExtensions) {
  LUMATRIX_NEED_CORPORA();
  const fs::path folder = test::corpora() / "openjpeg/nonregression/htj2k";
  for (const char* name : {"byte.jph", "byte_causal.jhc"}) {
    SCOPED_TRACE(name);
    const Codec* codec = find_codec(folder / name);
    ASSERT_NE(codec, nullptr);
    EXPECT_EQ(codec->name.substr(0, 9), "JPEG 2000");
    IOParams params;
    const Raster picture = test::decode_file(folder / name, params);
    EXPECT_EQ(picture.width(), 20);
    // Saving under the name would claim a coding OpenJPEG does not write.
    EXPECT_THROW(codec->encode(picture, params, fs::path(name).extension().string()), ImageError);
  }
}

// Twelve bytes changed in a High-Throughput code stream (found by fuzzing) made OpenJPEG's block
// decoder fail an assertion, which ended the whole program; now that file alone is refused.
TEST(Jpeg2000Corpus, RegressionDamagedHighThroughputBlocksAreRefusedNotFatal) {
  LUMATRIX_NEED_CORPORA();
  std::vector<uint8_t> bytes =
      test::read_bytes(test::corpora() / "openjpeg/nonregression/htj2k/byte_causal.jhc");
  ASSERT_EQ(bytes.size(), 568u);
  const std::pair<size_t, uint8_t> damage[] = {{406, 0x30}, {408, 0x3F}, {439, 0xFF}, {440, 0x56},
                                               {441, 0x01}, {442, 0xFF}, {443, 0xDF}, {444, 0x6D},
                                               {445, 0xAB}, {446, 0x6B}, {528, 0x2D}, {557, 0x32}};
  for (const auto& [at, value] : damage) bytes[at] = value;
  IOParams params;
  try {
    decode_jpeg2000(bytes, params);
    ADD_FAILURE() << "the damaged stream decoded";
  } catch (const ImageError& e) {
    EXPECT_EQ(e.reason(), "the JPEG 2000 decoder stopped on damaged High-Throughput code blocks");
  }
  // The undamaged stream decodes the same way, with its header's facts.
  const std::vector<uint8_t> clean =
      test::read_bytes(test::corpora() / "openjpeg/nonregression/htj2k/byte_causal.jhc");
  const Raster picture = decode_jpeg2000(clean, params);
  EXPECT_EQ(picture.width(), 20);
  EXPECT_EQ(params.width, 20);
  EXPECT_EQ(params.samples_per_pixel, 1);
  EXPECT_EQ(params.bits_per_sample, 8);
}

}  // namespace
}  // namespace lumatrix
