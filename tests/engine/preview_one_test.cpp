#include "engine/preview_one.h"

#include <gtest/gtest.h>

#include "recording_run_host.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class PreviewOneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"first.png", "second.jpg"}) {
      ImageDocument doc;
      doc.raster = test::gradient_rgb(30, 20);
      ASSERT_TRUE(doc.save(dir / name));
    }
    list.add_files({dir / "first.png", dir / "second.jpg"});
  }
  // Every file under the folder with its size, to see that a preview writes nothing.
  std::vector<std::pair<std::string, uintmax_t>> files() const {
    std::vector<std::pair<std::string, uintmax_t>> out;
    for (const auto& e : fs::recursive_directory_iterator(dir.path()))
      out.emplace_back(e.path().string(), e.is_regular_file() ? e.file_size() : 0);
    std::sort(out.begin(), out.end());
    return out;
  }

  test::TempDir dir;
  Workspace ws;
  test::RecordingRunHost host;
  Settings settings;
  SourceList list;
};

TEST_F(PreviewOneTest, ProcessesTheSelectedEntryAndWritesNothing) {
  settings.save_in_directory = (dir / "out").string();
  settings.resizing_method = "1/2x";
  settings.dot1 = true;
  settings.resizing_method_t1 = "1/4x";
  const auto before = files();
  const PreviewResult result = preview_one(ws, host, settings, list, 1);
  EXPECT_TRUE(result.ran);
  EXPECT_TRUE(result.valid);
  EXPECT_EQ(result.output_name, "second.jpg");
  EXPECT_EQ(host.log_lines(), (Lines{"Resampling Image from 30x20 to 15x10", "Image Processed"}));
  EXPECT_EQ(ws.afterpreview.width(), 15);
  EXPECT_EQ(ws.current_source_path, dir / "second.jpg");
  EXPECT_EQ(host.count(test::RecordingRunHost::Kind::YesNo), 0);
  EXPECT_EQ(files(), before);

  // The same entry again gives the same "After" image.
  const Raster first = ws.afterpreview.raster;
  preview_one(ws, host, settings, list, 1);
  EXPECT_EQ(ws.afterpreview.raster, first);
}

TEST_F(PreviewOneTest, CaptionsSeeTheNameTheFilenameChangerForms) {
  settings.use_filename_changer = true;
  settings.file_prefix = "trip_";
  settings.start_number = 41;
  settings.Image_Format = "PNG";
  settings.caption_text = "[FILENAME]";
  settings.Text_Alignment = "Bottom Left";
  std::string printed;
  Overlays overlays;
  overlays.caption = [&](Workspace&, EventSink&, const Settings&, const PipelineEntry& e, int) {
    printed = e.output_name;
  };
  const PreviewResult result = preview_one(ws, host, settings, list, 1, overlays);
  EXPECT_EQ(result.output_name, "trip_0042.png");
  EXPECT_EQ(printed, "trip_0042.png");
}

TEST_F(PreviewOneTest, InvalidOrMissingSelection) {
  EXPECT_FALSE(preview_one(ws, host, settings, list, std::nullopt).ran);
  EXPECT_FALSE(preview_one(ws, host, settings, list, 2).ran);
  EXPECT_TRUE(host.calls().empty());

  ImageDocument tiny;
  tiny.raster = test::gradient_rgb(4, 9);
  ASSERT_TRUE(tiny.save(dir / "tiny.png"));
  list.add_files({dir / "tiny.png"});
  ws.afterpreview.raster = test::gradient_rgb(7, 7);
  const PreviewResult result = preview_one(ws, host, settings, list, 2);
  EXPECT_TRUE(result.ran);
  EXPECT_FALSE(result.valid);
  EXPECT_EQ(host.log_lines(), (Lines{"Skipping Invalid Image : tiny.png", "Image Processed"}));
  EXPECT_EQ(ws.afterpreview.raster, test::gradient_rgb(7, 7));
}

TEST_F(PreviewOneTest, AMisnamedEntryIsPreviewedFromItsContentWithANotice) {
  fs::rename(dir / "first.png", dir / "first.gif");
  list.entries[0].file_name = "first.gif";
  const PreviewResult result = preview_one(ws, host, settings, list, 0);
  EXPECT_TRUE(result.valid);
  EXPECT_EQ(host.log_lines(),
            (Lines{"first.gif: content is PNG, not GIF as its extension says; read as PNG",
                   "Image Processed"}));
  EXPECT_EQ(ws.afterpreview.raster, test::gradient_rgb(30, 20));
}

}  // namespace
}  // namespace lumatrix
