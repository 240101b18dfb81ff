#include "runs/standard_runs.h"

#include <gtest/gtest.h>

#include "recording_run_host.h"
#include "settings/profile_file.h"
#include "settings/settings_rules.h"
#include "settings/user_paths.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;

class StandardRunsTest : public ::testing::Test {
 protected:
  StandardRunsTest() : home(dir / "home") {
    fs::create_directories(dir / "src");
    for (const char* name : {"a.png", "b.png"}) {
      ImageDocument doc;
      doc.raster = test::gradient_rgb(24, 16);
      EXPECT_TRUE(doc.save(dir / "src" / name));
      list.add_files({dir / "src" / name});
    }
    settings.save_in_directory = (dir / "out").string() + "/";
  }

  test::TempDir dir;
  test::ScopedUserFolder home;
  test::RecordingRunHost host;
  Settings settings = startup_settings(std::nullopt);
  SourceList list;
};

TEST_F(StandardRunsTest, ProcessAllStoresTheSettingsFirstAndCarriesTheNumberingOn) {
  settings.resetstartnumber = false;
  settings.start_number = 7;
  settings.usethumbnailgallery = true;
  settings.htmltitle = "Run";
  std::vector<fs::path> shown;
  host.answers = {true};
  const BatchRunResult result =
      run_process_all(host.seam(), settings, list, [&](const fs::path& p) { shown.push_back(p); });

  EXPECT_TRUE(result.confirmed);
  EXPECT_EQ(settings.start_number, 9);
  // The profile holds the settings the run started with, before the numbering moved on.
  Settings stored = startup_settings(std::nullopt);
  ASSERT_FALSE(load_profile(default_profile_path(), stored).missing);
  EXPECT_EQ(stored.start_number, 7);
  EXPECT_EQ(stored.htmltitle, "Run");
  // The captions' and the gallery's layers took part: the start page went to the viewer.
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(fs::exists(shown.front())) << shown.front();
  EXPECT_TRUE(fs::exists(dir / "out" / "a.png"));
}

TEST_F(StandardRunsTest, ANoStillStoresTheSettingsAndWritesNothingElse) {
  host.answers = {false};
  const BatchRunResult result = run_process_all(host.seam(), settings, list, {});
  EXPECT_FALSE(result.confirmed);
  EXPECT_TRUE(fs::exists(default_profile_path()));
  EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST_F(StandardRunsTest, PreviewOneDrawsTheCaptions) {
  Workspace plain, captioned;
  ASSERT_TRUE(run_preview_one(plain, host, settings, list, 0).valid);
  settings.caption_text = "[FILENAME]";
  settings.Text_Alignment = "Top Left";
  settings.FontDialog1.Color = colour_from_rgb(255, 255, 255);
  ASSERT_TRUE(run_preview_one(captioned, host, settings, list, 0).valid);
  EXPECT_NE(plain.afterpreview.raster, captioned.afterpreview.raster);
  EXPECT_FALSE(fs::exists(dir / "out"));
}

}  // namespace
}  // namespace lumatrix
