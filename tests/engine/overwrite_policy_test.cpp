// Outputs whose names are taken: by an earlier entry of the run, or by a file already there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>

#include "engine/batch_plan.h"
#include "engine/batch_run.h"
#include "engine/save_options.h"
#include "recording_run_host.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;

class OverwritePolicyTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    settings.save_in_directory = (dir / "out").string();
    settings.Image_Format = "PNG";
  }
  // A source of `width` × 20 pixels, so that each output tells which source it came from.
  void add_source(const std::string& name, int width) {
    const fs::path path = dir / "src" / name;
    fs::create_directories(path.parent_path());
    ImageDocument doc;
    doc.raster = test::gradient_rgb(width, 20);
    ASSERT_TRUE(doc.save(path));
    list.add_files({path});
  }
  // Each run on a host of its own, whose lines logged() reads.
  BatchRunResult run() {
    Workspace ws;
    host = std::make_unique<test::RecordingRunHost>();
    host->answers = {true};  // "Do you want to proceed ?"
    return process_all(ws, host->seam(), settings, list, {}, nullptr, {GetParam(), {}});
  }
  std::string out(const std::string& name) const { return (dir / "out").string() + "/" + name; }
  int width_of(const std::string& path) const {
    ImageDocument doc;
    EXPECT_TRUE(doc.load(path)) << path;
    return doc.width();
  }
  bool logged(const std::string& line) const {
    const auto lines = host->log_lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  void existing(const std::string& name) {
    fs::create_directories(dir / "out");
    test::write_bytes(out(name), std::vector<uint8_t>{'o', 'l', 'd'});
  }

  test::TempDir dir;
  test::ScopedUserFolder home{dir / "home"};
  std::unique_ptr<test::RecordingRunHost> host;
  Settings settings;
  SourceList list;
};

TEST_P(OverwritePolicyTest, TwoEntriesWritingOneFileAreLoggedAndTheLaterRemains) {
  add_source("a.png", 30);
  add_source("sub/a.png", 40);
  add_source("b.png", 50);
  run();
  EXPECT_TRUE(logged(out("a.png") + " is also the output of entry 1; the later one remains"));
  EXPECT_EQ(width_of(out("a.png")), 40);

  // The other order: now the first source is the later one.
  std::reverse(list.entries.begin(), list.entries.end());
  run();
  EXPECT_TRUE(logged(out("a.png") + " is also the output of entry 2; the later one remains"));
  EXPECT_EQ(width_of(out("a.png")), 30);
  // Once for the one clash, nothing for b.
  const auto lines = host->log_lines();
  EXPECT_EQ(
      std::count_if(lines.begin(), lines.end(),
                    [](const std::string& l) { return l.find("is also the output") != l.npos; }),
      1);
}

TEST_P(OverwritePolicyTest, SkipExistingLeavesFilesAsTheyWere) {
  settings.overwrite_policy = "Skip existing";
  add_source("a.png", 30);
  add_source("sub/a.png", 40);
  add_source("b.png", 50);
  existing("b.png");
  const BatchRunResult result = run();
  EXPECT_EQ(width_of(out("a.png")), 30);  // the earlier one remains
  EXPECT_TRUE(logged(out("a.png") +
                     " is also the output of entry 1; the earlier one remains (overwrite_policy "
                     "\"Skip existing\")"));
  EXPECT_TRUE(
      logged("Not overwritten: " + out("b.png") + " exists (overwrite_policy \"Skip existing\")"));
  EXPECT_EQ(test::read_bytes(out("b.png")), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(result.outputs.saved, 1);
  EXPECT_EQ(result.outputs.kept, 2);
}

TEST_P(OverwritePolicyTest, KeepBothTakesTheFirstFreeNumberAndReplacesNothing) {
  settings.overwrite_policy = "Keep both";
  add_source("a.png", 30);
  add_source("sub/a.png", 40);
  add_source("b.png", 50);
  existing("b.png");
  existing("b (2).png");
  run();
  EXPECT_EQ(width_of(out("a.png")), 30);
  EXPECT_EQ(width_of(out("a (2).png")), 40);
  EXPECT_EQ(width_of(out("b (3).png")), 50);
  EXPECT_EQ(test::read_bytes(out("b.png")), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(test::read_bytes(out("b (2).png")), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_TRUE(logged("Saving " + out("a (2).png") + " ...."));
}

// One worker and four: the names are decided by the plan, so the files are the same.
INSTANTIATE_TEST_SUITE_P(Workers, OverwritePolicyTest, ::testing::Values(1, 4));

TEST(OverwritePolicy, NameNumbersGoBeforeTheLastExtension) {
  const auto taken = [](const std::string& path) {
    return path == "d/x.tar.gz" || path == "d/x.tar (2).gz" || path == "d/noext";
  };
  EXPECT_EQ(apply_overwrite_policy(OverwritePolicy::KeepBoth, {"d/", "x.tar.gz"}, taken).name,
            "x.tar (3).gz");
  EXPECT_EQ(apply_overwrite_policy(OverwritePolicy::KeepBoth, {"d/", "noext"}, taken).name,
            "noext (2)");
  EXPECT_EQ(apply_overwrite_policy(OverwritePolicy::Replace, {"d/", "noext"}, taken).name, "noext");
  EXPECT_TRUE(apply_overwrite_policy(OverwritePolicy::SkipExisting, {"d/", "noext"}, taken).skip);
  EXPECT_FALSE(apply_overwrite_policy(OverwritePolicy::SkipExisting, {"d/", "free"}, taken).skip);
}

class SourcesAndOutputs : public ::testing::Test {
 protected:
  void add(const std::string& file) {
    const fs::path path = dir / file;
    fs::create_directories(path.parent_path());
    test::write_bytes(path, std::vector<uint8_t>{1, 2, 3});
    list.entries.push_back(entry_for(path));
  }
  test::TempDir dir;
  Settings settings;
  SourceList list;
};

TEST_F(SourcesAndOutputs, TheDefaultSettingsReplaceTheSourcesAndThePlanSaysWhich) {
  add("photos/a.jpg");
  add("photos/b.jpg");
  const BatchPlan plan = plan_batch(settings, list, {});
  ASSERT_TRUE(plan.replaces_source.has_value());
  EXPECT_EQ(plan.replaces_source->position, 1);
  EXPECT_EQ(plan.replaces_source->source, dir / "photos/a.jpg");
  EXPECT_EQ(plan.replaces_source->output, (dir / "photos/a.jpg").string());

  settings.Image_Format = "PNG";
  EXPECT_FALSE(plan_batch(settings, list, {}).replaces_source.has_value());
  settings.Image_Format = "As Is";
  settings.save_in_directory = (dir / "web").string();
  EXPECT_FALSE(plan_batch(settings, list, {}).replaces_source.has_value());
  // A later entry's output over an earlier entry's source counts too.
  settings.Image_Format = "JPEG";
  list.entries.clear();
  add("photos/c.png");
  add("web/c.jpg");
  settings.save_in_directory = (dir / "web").string();
  const BatchPlan later = plan_batch(settings, list, {});
  ASSERT_TRUE(later.replaces_source.has_value());
  EXPECT_EQ(later.replaces_source->source, dir / "web/c.jpg");
}

TEST_F(SourcesAndOutputs, OutputFoldersInsideTheSourceTreeAreLeftOut) {
  add("tree/a.jpg");
  add("tree/sub/b.jpg");
  add("tree/web/a.jpg");  // a first run's result
  add("tree/web/th/t_a.jpg");
  settings.save_in_directory = (dir / "tree/web").string();
  settings.dot1 = true;
  settings.resizing_method_t1 = "1/2x";
  settings.save_in_directory_t1 = "[Source Directory]\\th\\";
  const auto folders = output_folders_below(settings, list, dir / "tree");
  // tree/web, and tree/web/th and tree/sub/th for the thumbnails (a source's own folder
  // is not left out: tree/ itself is where the sources are).
  EXPECT_NE(std::find(folders.begin(), folders.end(), dir / "tree/web"), folders.end());
  EXPECT_NE(std::find(folders.begin(), folders.end(), dir / "tree/th"), folders.end());
  EXPECT_EQ(std::find(folders.begin(), folders.end(), dir / "tree"), folders.end());
  EXPECT_EQ(drop_rows_in(list, 0, folders), 2u);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list.entries[1].full_path(), dir / "tree/sub/b.jpg");

  // An output folder outside the tree leaves every row.
  settings.save_in_directory = (dir / "elsewhere").string();
  settings.dot1 = false;
  EXPECT_TRUE(output_folders_below(settings, list, dir / "tree").empty());
}

TEST_F(SourcesAndOutputs, MirroredFoldersKeepTheLoadedTreeBelowTheOutput) {
  add("tree/a.jpg");
  list.entries.clear();
  add("tree/2024/trip/b.jpg");
  list.entries.clear();
  list.add_folder(dir / "tree", true);
  ASSERT_EQ(list.size(), 2u);
  settings.save_in_directory = (dir / "web").string();
  EXPECT_EQ(output_directory(settings, settings.save_in_directory.text(), list.entries[1]),
            (dir / "web").string() + "/");
  settings.mirror_folders = true;
  EXPECT_EQ(output_directory(settings, settings.save_in_directory.text(), list.entries[0]),
            (dir / "web").string() + "/");
  EXPECT_EQ(output_directory(settings, settings.save_in_directory.text(), list.entries[1]),
            (dir / "web").string() + "/2024/trip/");
  // The source's own folder is not mirrored into itself.
  EXPECT_EQ(output_directory(settings, "[Source Directory]\\", list.entries[1]),
            (dir / "tree/2024/trip").string() + "/");
}

// Regression: PNG files were stored uncompressed at every quality from 50 up.
TEST(PngCompression, DefaultLevelIsWellUnderHalfTheStoredSize) {
  test::TempDir dir;
  ImageDocument doc;
  doc.raster = Raster(256, 256, PixelFormat::Rgb24);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x)
      doc.raster.set_pixel(x, y, Rgb{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 128});
  Settings settings;
  apply_save_options(settings, doc);
  EXPECT_EQ(doc.params.png_compression, 6);
  ASSERT_TRUE(doc.save(dir / "default.png"));
  settings.png_compression = "From quality";  // quality 75: level 0, as earlier versions
  apply_save_options(settings, doc);
  EXPECT_EQ(doc.params.png_compression, 0);
  ASSERT_TRUE(doc.save(dir / "stored.png"));
  const auto default_size = fs::file_size(dir / "default.png");
  const auto stored_size = fs::file_size(dir / "stored.png");
  EXPECT_GT(stored_size, 256u * 256 * 3);
  EXPECT_LT(default_size * 2, stored_size);
  ImageDocument back;
  ASSERT_TRUE(back.load(dir / "default.png"));
  EXPECT_EQ(back.raster, doc.raster);  // lossless at any level
}

}  // namespace
}  // namespace lumatrix
