// A run over a folder of the newer formats, good files and cut-off ones, as a user would make one.
#include <gtest/gtest.h>

#include "imaging/codec.h"
#include "imaging/image_document.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;

TEST(NewerFormats, AFolderGoesToWebPAndAvifAndCutOffFilesAreSkippedWithTheirReason) {
  test::TempDir dir;
  fs::create_directories(dir / "photos");
  std::vector<std::string> good, cut;
  for (const char* name : {"a.webp", "b.avif", "c.heic", "d.jxl"}) {
    const Codec* codec = find_codec(name);
    if (codec == nullptr || codec->encode == nullptr) continue;  // left out of this build
    ImageDocument doc;
    doc.raster = test::gradient_rgb(48, 32);
    doc.reset_info();
    ASSERT_TRUE(doc.save(dir / "photos" / name));
    std::vector<uint8_t> bytes = test::read_bytes(dir / "photos" / name);
    bytes.resize(bytes.size() / 3);
    const std::string stem = fs::path(name).stem().string();
    test::write_bytes(dir / "photos" / ("cut-" + std::string(name)), bytes);
    good.push_back(stem);
    cut.push_back("cut-" + std::string(name));
  }
  for (const char* format : {"WebP", "AVIF"}) {
    SCOPED_TRACE(format);
    const std::string extension = format == std::string("WebP") ? ".webp" : ".avif";
    if (find_codec("a" + extension) == nullptr) continue;
    const fs::path out = dir / ("out-" + std::string(format));
    const auto r = test::run_lumatrix(
        dir, {"process", "--yes", (dir / "photos").string(), "--set",
              "save_in_directory=" + out.string(), "--set", "Image_Format=" + std::string(format)});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> expected;
    for (const std::string& stem : good) expected.push_back(stem + extension);
    std::sort(expected.begin(), expected.end());
    // Nothing of the cut-off files, not even a temporary file.
    EXPECT_EQ(test::names_in(out), expected);
    for (const std::string& name : expected) {
      ImageDocument back;
      ASSERT_TRUE(back.load(out / name)) << name;
      EXPECT_EQ(back.width(), 48);
    }
    // The skip line, then the reason naming the file.
    for (const std::string& name : cut)
      EXPECT_NE(r.out.find("Skipping Invalid Image : " + name + "\n" +
                           (dir / "photos" / name).string() + ": "),
                std::string::npos)
          << r.out;
  }
}

}  // namespace
}  // namespace lumatrix
