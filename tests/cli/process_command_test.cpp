#include <gtest/gtest.h>

#include <fstream>

#include "imaging/image_document.h"
#include "settings/profile_file.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;

class ProcessCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    image("tree/a.png", 60, 40);
    image("tree/sub/b.jpg", 40, 60);
    image("tree/sub/deeper/c.bmp", 30, 30);
    const std::string junk = "not an image";
    test::write_bytes(dir / "tree/sub/broken.jpg",
                      {reinterpret_cast<const uint8_t*>(junk.data()), junk.size()});
  }
  void image(const std::string& name, int w, int h) {
    fs::create_directories((dir / name).parent_path());
    ImageDocument doc;
    doc.raster = test::gradient_rgb(w, h);
    ASSERT_TRUE(doc.save(dir / name));
  }
  std::string path(const std::string& name) const { return (dir / name).string(); }
  ImageDocument load(const std::string& name) const {
    ImageDocument doc;
    EXPECT_TRUE(doc.load(dir / name)) << name;
    return doc;
  }
  std::vector<std::string> lines(const std::string& text) const {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      out.push_back(text.substr(start, end - start));
    return out;
  }

  test::TempDir dir;
};

TEST_F(ProcessCommand, FolderTreeOfMixedFormatsWithThumbnails) {
  const auto r =
      test::run_lumatrix(dir, {"process", "--yes", "--recursive", path("tree"), "--set",
                               "save_in_directory=" + path("out"), "--set", "Image_Format=PNG",
                               "--set", "dot1=true", "--set", "resizing_method_t1=1/2x", "--set",
                               "save_in_directory_t1=[Source Directory]\\th\\", "--set",
                               "file_suffix_t1=_s", "--set", "appendprefixsuffix=true"});
  ASSERT_EQ(r.status, 0) << r.err;  // a skipped image does not fail the run
  const auto out = lines(r.out);
  ASSERT_GE(out.size(), 3u);
  EXPECT_EQ(out[0], "Saving " + path("out") + "/a.png ....");
  EXPECT_EQ(out[1], "Resampling Thumbnail 1 from 60x40 to 30x20");
  EXPECT_EQ(out[2], "Saving " + path("tree") + "/th/a_s.png ....");
  EXPECT_NE(std::find(out.begin(), out.end(), "Skipping Invalid Image : broken.jpg"), out.end());
  EXPECT_EQ(out[out.size() - 2], "Batch Image Processing Completed");
  EXPECT_EQ(out.back(), "All Batch Image Processing Completed");

  EXPECT_EQ(load("out/a.png").raster, test::gradient_rgb(60, 40));
  EXPECT_EQ(load("out/b.png").height(), 60);
  EXPECT_EQ(load("out/c.png").width(), 30);
  EXPECT_EQ(load("tree/sub/deeper/th/c_s.png").width(), 15);
  EXPECT_FALSE(fs::exists(dir / "out/broken.png"));
  EXPECT_TRUE(fs::exists(dir / "home/default.ini"));
}

TEST_F(ProcessCommand, WithoutTerminalTheConfirmationNeedsYes) {
  // setsid leaves the program without a controlling terminal, as under cron or CI.
  const auto r = test::run_shell(
      "LUMATRIX_HOME=" + test::shell_quote(path("home")) + " setsid -w " +
      test::shell_quote(LUMATRIX_CLI_PATH) + " process " + test::shell_quote(path("tree/a.png")) +
      " --set save_in_directory=" + test::shell_quote(path("out")) + " </dev/null 2>&1");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.output.find("pass --yes"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Do you want to proceed ?"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "out"));
  EXPECT_FALSE(fs::exists(dir / "home/default.ini"));
}

TEST_F(ProcessCommand, StartNumberCarriesOverThroughTheProfile) {
  Settings profile;
  profile.use_filename_changer = true;
  profile.file_prefix = "IMG_";
  profile.resetstartnumber = false;
  profile.save_in_directory = path("out");
  save_profile(dir / "job.ini", profile);

  auto r = test::run_lumatrix(dir, {"process", "--yes", "--profile", path("job.ini"),
                                    path("tree/a.png"), path("tree/sub")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir / "out/IMG_0001.png"));
  EXPECT_TRUE(fs::exists(dir / "out/IMG_0002.jpg"));
  EXPECT_FALSE(fs::exists(dir / "out/IMG_0003.jpg"));  // broken.jpg, entry 3, is skipped
  Settings after;
  load_profile(dir / "job.ini", after);
  EXPECT_EQ(after.start_number, 4);  // three entries had their turn

  r = test::run_lumatrix(dir,
                         {"process", "--yes", "--profile", path("job.ini"), path("tree/a.png")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir / "out/IMG_0004.png"));
}

TEST_F(ProcessCommand, ListFileAndOrientation) {
  std::ofstream(dir / "jobs.tsv") << "FileName\tOrientation\tDisplay Name\tCaption\n"
                                  << "tree/a.png\tRotate Left 90\u00B0\tA\tfirst\n"
                                  << "tree/sub/b.jpg\n";
  auto r = test::run_lumatrix(dir, {"process", "-y", "--list", path("jobs.tsv"), "--set",
                                    "save_in_directory=" + path("out")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(load("out/a.png").width(), 40);  // turned
  EXPECT_EQ(load("out/b.jpg").width(), 40);  // as is

  r = test::run_lumatrix(dir, {"process", "-y", "--orientation", "Rotate 180", path("tree/a.png"),
                               "--set", "save_in_directory=" + path("turned")});
  ASSERT_EQ(r.status, 0) << r.err;
  ImageDocument expected;
  expected.raster = test::gradient_rgb(60, 40);
  EXPECT_EQ(load("turned/a.png").raster.pixel(0, 0), expected.raster.pixel(59, 39));

  r = test::run_lumatrix(dir, {"process", "-y", "--orientation", "Sideways", path("tree/a.png")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Rotate Left 90"), std::string::npos);
  r = test::run_lumatrix(dir, {"process", "-y", path("tree/missing.png")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("missing.png"), std::string::npos);
}

TEST_F(ProcessCommand, UnwritableOutputFailsTheExitStatusNotTheRun) {
  fs::create_directories(dir / "out/a.png");
  const auto r =
      test::run_lumatrix(dir, {"process", "--yes", path("tree/a.png"), path("tree/sub/b.jpg"),
                               "--set", "save_in_directory=" + path("out")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Error: " + path("out") + "/a.png"), std::string::npos) << r.out;
  EXPECT_TRUE(fs::exists(dir / "out/b.jpg"));
  EXPECT_NE(r.err.find("1 failed"), std::string::npos) << r.err;
}

TEST_F(ProcessCommand, PreviewWritesOnlyTheAfterImage) {
  auto r = test::run_lumatrix(
      dir, {"preview", path("tree/a.png"), "--after", path("after.jpg"), "--set",
            "resizing_method=1/2x", "--set", "save_in_directory=" + path("out")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines(r.out),
            (std::vector<std::string>{"Resampling Image from 60x40 to 30x20", "Image Processed"}));
  EXPECT_EQ(load("after.jpg").width(), 30);
  EXPECT_FALSE(fs::exists(dir / "out"));
  EXPECT_FALSE(fs::exists(dir / "home/default.ini"));

  r = test::run_lumatrix(dir, {"preview", path("tree/sub/broken.jpg"), "--after", path("b.png")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Skipping Invalid Image : broken.jpg\n"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "b.png"));
  r = test::run_lumatrix(dir, {"preview", path("tree/a.png")});
  EXPECT_EQ(r.status, 2);

  // The degree sign may be left out of the orientation.
  r = test::run_lumatrix(dir, {"preview", "--orientation", "Rotate Left 90", path("tree/a.png"),
                               "--after", path("turned.png")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(load("turned.png").width(), 40);
}

}  // namespace
}  // namespace lumatrix
