// What `lumatrix process` does to keep the user's files: it never replaces its own sources
// unless told to, never takes its own outputs for sources, and says what it did.
#include <gtest/gtest.h>

#include "imaging/image_document.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;

class SafeRuns : public ::testing::Test {
 protected:
  void image(const std::string& name, int w, int h) {
    fs::create_directories((dir / name).parent_path());
    ImageDocument doc;
    doc.raster = test::gradient_rgb(w, h);
    ASSERT_TRUE(doc.save(dir / name));
  }
  std::string path(const std::string& name) const { return (dir / name).string(); }
  int width_of(const std::string& name) const {
    ImageDocument doc;
    EXPECT_TRUE(doc.load(dir / name)) << name;
    return doc.width();
  }
  test::TempDir dir;
};

TEST_F(SafeRuns, DefaultSettingsWouldReplaceTheSourcesAndAreRefusedBeforeAnyWork) {
  image("photos/a.png", 60, 40);
  image("photos/b.png", 50, 40);
  const auto before = test::read_bytes(dir / "photos/a.png");
  const auto r = test::run_lumatrix(dir, {"process", "--yes", "--fit", "30x30", path("photos")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("entry 1 would write " + path("photos/a.png") + ", replacing the source"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("--in-place"), std::string::npos);
  EXPECT_EQ(test::read_bytes(dir / "photos/a.png"), before);
  EXPECT_FALSE(fs::exists(dir / "home/default.ini"));  // refused before the automatic profile

  const auto in_place =
      test::run_lumatrix(dir, {"process", "--yes", "--in-place", "--fit", "30x30", path("photos")});
  ASSERT_EQ(in_place.status, 0) << in_place.err;
  EXPECT_EQ(width_of("photos/a.png"), 30);
}

TEST_F(SafeRuns, OutputFolderMirrorsTheTreeOfAFolderSource) {
  image("tree/a.png", 60, 40);
  image("tree/2024/trip/b.png", 40, 60);
  const auto r = test::run_lumatrix(
      dir, {"process", "--yes", "-r", path("tree"), "-o", path("web"), "--format", "JPEG"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir / "web/a.jpg"));
  EXPECT_TRUE(fs::exists(dir / "web/2024/trip/b.jpg"));
  EXPECT_FALSE(fs::exists(dir / "web/b.jpg"));
}

TEST_F(SafeRuns, RecursiveRunsLeaveOutTheFoldersTheyWriteInto) {
  image("tree/a.png", 60, 40);
  image("tree/sub/b.png", 40, 60);
  const std::vector<std::string> job = {"process", "--yes",          "-r",       path("tree"),
                                        "-o",      path("tree/web"), "--format", "JPEG"};
  ASSERT_EQ(test::run_lumatrix(dir, job).status, 0);
  ASSERT_TRUE(fs::exists(dir / "tree/web/sub/b.jpg"));
  // The second run finds the first one's results in the tree, and leaves them.
  const auto again = test::run_lumatrix(dir, job);
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.err.find("leaving out " + path("tree/web") + ": this run writes into it"),
            std::string::npos)
      << again.err;
  EXPECT_FALSE(fs::exists(dir / "tree/web/web"));
  size_t saved = 0;  // a.png and sub/b.png, nothing of web/
  for (size_t at = 0; (at = again.out.find("Saving ", at)) != std::string::npos; ++at) ++saved;
  EXPECT_EQ(saved, 2u) << again.out;
  EXPECT_NE(again.err.find("2 files written"), std::string::npos) << again.err;
}

TEST_F(SafeRuns, ClashesAreLoggedAndTheOverwritePolicyApplies) {
  image("a/x.png", 60, 40);
  image("b/x.png", 30, 40);
  const std::vector<std::string> job = {"process",       "--yes", path("a/x.png"),
                                        path("b/x.png"), "-o",    path("out")};
  const auto r = test::run_lumatrix(dir, job);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(path("out/x.png") + " is also the output of entry 1; the later one remains"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(width_of("out/x.png"), 30);

  auto keep = job;
  keep.insert(keep.end(), {"--set", "overwrite_policy=Keep both"});
  ASSERT_EQ(test::run_lumatrix(dir, keep).status, 0);
  EXPECT_EQ(width_of("out/x.png"), 30);  // untouched
  EXPECT_EQ(width_of("out/x (2).png"), 60);
  EXPECT_EQ(width_of("out/x (3).png"), 30);

  auto skip = job;
  skip.insert(skip.end(), {"--set", "overwrite_policy=skip existing"});
  const auto skipped = test::run_lumatrix(dir, skip);
  ASSERT_EQ(skipped.status, 0);
  EXPECT_NE(skipped.err.find("0 files written"), std::string::npos) << skipped.err;
  EXPECT_NE(skipped.err.find("2 left as they were"), std::string::npos) << skipped.err;
}

TEST_F(SafeRuns, StrictExitsWithThreeWhenAnImageIsSkippedAndTheSummarySaysSo) {
  image("in/a.png", 20, 20);
  const std::string junk = "not an image";
  test::write_bytes(dir / "in/broken.png",
                    {reinterpret_cast<const uint8_t*>(junk.data()), junk.size()});
  const std::vector<std::string> job = {"process", "--yes", path("in"), "-o", path("out")};
  const auto lenient = test::run_lumatrix(dir, job);
  EXPECT_EQ(lenient.status, 0) << lenient.err;
  EXPECT_NE(lenient.err.find("lumatrix process: 1 file written, 1 image skipped (not valid), 0 "
                             "failed, in "),
            std::string::npos)
      << lenient.err;
  auto strict = job;
  strict.push_back("--strict");
  EXPECT_EQ(test::run_lumatrix(dir, strict).status, 3);
  // Nothing amiss: 0 with --strict too.
  fs::remove(dir / "in/broken.png");
  EXPECT_EQ(test::run_lumatrix(dir, strict).status, 0);
}

}  // namespace
}  // namespace lumatrix
