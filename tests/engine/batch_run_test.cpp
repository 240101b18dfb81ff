#include "engine/batch_run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "imaging/codecs/codecs.h"
#include "imaging/resource_policy.h"
#include "recording_run_host.h"
#include "settings/profile_file.h"
#include "settings/user_paths.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;
using Kind = test::RecordingRunHost::Kind;
using Lines = std::vector<std::string>;

// Records what the after-pass was handed.
struct RecordingAfterPass : AfterPass {
  std::vector<std::string> calls;
  std::vector<GalleryRecord> records;
  void slice_images(Workspace&, const RunSeam&, const Settings&,
                    const std::vector<GalleryRecord>& r) override {
    calls.push_back("slice");
    records = r;
  }
  void create_gallery(Workspace&, const RunSeam&, const Settings&,
                      const std::vector<GalleryRecord>& r) override {
    calls.push_back("gallery");
    records = r;
  }
};

class BatchRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir / "src");
    settings.save_in_directory = (dir / "out").string();
  }

  // Writes a gradient image under src/ (or a subfolder) and appends it to the list.
  fs::path add_source(const std::string& name, int w = 40, int h = 30) {
    const fs::path path = dir / "src" / name;
    fs::create_directories(path.parent_path());
    ImageDocument doc;
    doc.raster = test::gradient_rgb(w, h);
    EXPECT_TRUE(doc.save(path));
    list.add_files({path});
    return path;
  }
  void add_sources(int count) {
    for (int i = 1; i <= count; ++i) add_source("img" + std::to_string(i) + ".png");
  }
  void thumbnails_on() {
    settings.dot1 = settings.dot2 = true;
    settings.resizing_method_t1 = "1/2x";
    settings.resizing_method_t2 = "1/4x";
    settings.file_prefix_t1 = "t1_";
    settings.file_prefix_t2 = "t2_";
    settings.save_in_directory_t1 = settings.save_in_directory_t2 = settings.save_in_directory;
    // Affixes around the base name rather than the counter pattern.
    settings.appendprefixsuffix = true;
  }
  // As a front end runs it: the run, then the numbering carried on.
  BatchRunResult run(std::optional<int> workers = 1) {
    const BatchRunResult result =
        process_all(ws, host.seam(), settings, list, overlays, &after, {workers, {}});
    carry_start_number(settings, result);
    return result;
  }
  // Stop is pressed while the entry at `position` runs (from its worker, as a key press comes
  // from another thread). Draws no caption: the hook is the caption step.
  void press_stop_during(int position) {
    settings.caption_text = "stop";
    settings.Text_Alignment = "Top Left";
    overlays.caption = [this, position](Workspace&, EventSink&, const Settings&,
                                        const PipelineEntry& entry, int which) {
      if (entry.position == position && which == 1) host.cancel.request();
    };
  }
  Lines saving_lines() const {
    Lines out;
    for (const std::string& line : host.log_lines())
      if (line.starts_with("Saving ")) out.push_back(line);
    return out;
  }
  std::string out(const std::string& name) const { return (dir / "out").string() + "/" + name; }
  static ImageDocument load(const fs::path& path) {
    ImageDocument doc;
    EXPECT_TRUE(doc.load(path)) << path;
    return doc;
  }

  test::TempDir dir;
  test::ScopedUserFolder home{dir / "home"};
  Workspace ws;
  test::RecordingRunHost host;
  Settings settings;
  SourceList list;
  Overlays overlays;
  RecordingAfterPass after;
};

TEST_F(BatchRunTest, ConfirmationNamesTheOriginalFolderOrTheTypedText) {
  const std::string own =
      "You have Opted under Save In Directory to save the processed images\r\nin the  Original "
      "Files Directory . If there are existing files there with the same filename\r\n they "
      "would be replaced. Do you want to proceed ?";
  EXPECT_EQ(confirmation_question(""), own);
  EXPECT_EQ(confirmation_question(" [Source Directory]\\ "), own);
  EXPECT_EQ(confirmation_question("[SOURCE DIRECTORY]/"), own);
  const std::string typed = confirmation_question("[Source Directory]\\Thumbnails\\");
  EXPECT_NE(typed.find("in the [Source Directory]\\Thumbnails\\. If"), std::string::npos);
}

TEST_F(BatchRunTest, EmptyListStillAsksAndOnlyCompletes) {
  settings.resetstartnumber = false;
  settings.start_number = 7;
  settings.usethumbnailgallery = true;
  host.answers = {true};
  const BatchRunResult result = run();
  EXPECT_TRUE(result.confirmed);
  EXPECT_EQ(host.count(Kind::YesNo), 1);
  EXPECT_EQ(host.log_lines(), (Lines{"Batch Image Processing Completed",
                                     "Begin Thumbnail Gallery Creation Process"}));
  EXPECT_EQ(after.calls, Lines{"gallery"});
  EXPECT_TRUE(after.records.empty());
  EXPECT_EQ(host.calls().back().kind, Kind::Inform);
  EXPECT_EQ(host.calls().back().text, "All Batch Image Processing Completed");
  EXPECT_EQ(settings.start_number, 7);
  EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST_F(BatchRunTest, NoToTheConfirmationWritesNothing) {
  add_sources(2);
  thumbnails_on();
  host.answers = {false};
  const BatchRunResult result = run();
  EXPECT_FALSE(result.confirmed);
  EXPECT_TRUE(host.log_lines().empty());
  EXPECT_EQ(host.count(Kind::Inform), 0);
  EXPECT_TRUE(after.calls.empty());
  EXPECT_FALSE(fs::exists(dir / "out"));
  // The automatic profile is the front end's to write, before it starts the run.
  EXPECT_FALSE(fs::exists(default_profile_path()));
}

TEST_F(BatchRunTest, EscapeDuringEntryThreeThenOkStopsBeforeEntryFour) {
  add_sources(10);
  thumbnails_on();
  settings.resetstartnumber = false;
  settings.start_number = 5;
  settings.enableslicing = true;
  press_stop_during(3);
  host.answers = {true, true};
  const BatchRunResult result = run();

  EXPECT_TRUE(result.stopped);
  EXPECT_EQ(result.entries_done, 3);
  for (int i = 1; i <= 3; ++i) {
    const std::string n = "img" + std::to_string(i) + ".png";
    EXPECT_TRUE(fs::exists(out(n))) << n;
    EXPECT_TRUE(fs::exists(out("t1_" + n))) << n;
    EXPECT_TRUE(fs::exists(out("t2_" + n))) << n;
  }
  EXPECT_FALSE(fs::exists(out("img4.png")));
  EXPECT_FALSE(fs::exists(out("t1_img4.png")));
  EXPECT_EQ(saving_lines().size(), 9u);

  ASSERT_EQ(host.count(Kind::OkCancel), 1);
  // The stop notice comes before the completion lines, and the after-pass still runs.
  Lines tail;
  for (const auto& call : host.calls())
    if (call.kind == Kind::Inform || (call.kind == Kind::Log && !call.text.starts_with("Sav") &&
                                      !call.text.starts_with("Resampling")))
      tail.push_back(call.text);
  EXPECT_EQ(tail, (Lines{"Process Stopped by User", "Batch Image Processing Completed",
                         "Begin Image Slicing Procedure", "All Batch Image Processing Completed"}));
  EXPECT_EQ(after.calls, Lines{"slice"});
  EXPECT_EQ(after.records.size(), 3u);
  EXPECT_EQ(settings.start_number, 8);
  // No entry's line comes after the question.
  const auto calls = host.calls();
  const auto asked = std::find_if(calls.begin(), calls.end(),
                                  [](const auto& c) { return c.kind == Kind::OkCancel; });
  EXPECT_TRUE(std::none_of(asked, calls.end(), [](const auto& c) { return c.entry.has_value(); }));
}

TEST_F(BatchRunTest, EscapeThenCancelAsksBeforeEveryFurtherEntry) {
  add_sources(4);
  press_stop_during(1);
  host.answers = {true, false, false, false};
  const BatchRunResult result = run();
  EXPECT_FALSE(result.stopped);
  EXPECT_EQ(result.entries_done, 4);
  EXPECT_EQ(host.count(Kind::OkCancel), 3);
  for (const auto& call : host.calls()) {
    if (call.kind == Kind::OkCancel) {
      EXPECT_EQ(call.text, "Do You Want to Terminate the Current Process ?");
    }
  }
  for (int i = 1; i <= 4; ++i) EXPECT_TRUE(fs::exists(out("img" + std::to_string(i) + ".png")));
  EXPECT_EQ(settings.start_number, 1);  // resetstartnumber is on by default
}

TEST_F(BatchRunTest, UpToThreeSavingLinesInOrderWithTheirOwnSizesAndFolders) {
  add_source("b.png", 80, 60);
  add_source("A.png", 80, 60);
  thumbnails_on();
  settings.save_in_directory_t2 = "[Source Directory]\\small\\";
  settings.file_prefix_t2 = "";
  settings.file_suffix_t2 = "_s";
  settings.usethumbnailgallery = true;
  list.entries[0].display_name = "Bee";
  list.entries[0].caption = "a caption";
  host.answers = {true};
  const BatchRunResult result = run();

  const std::string small = (dir / "src").string() + "/small/";
  // List order is b.png, A.png; each entry's main output, thumbnail 1, thumbnail 2.
  EXPECT_EQ(saving_lines(),
            (Lines{"Saving " + out("b.png") + " ....", "Saving " + out("t1_b.png") + " ....",
                   "Saving " + small + "b_s.png ....", "Saving " + out("A.png") + " ....",
                   "Saving " + out("t1_A.png") + " ....", "Saving " + small + "A_s.png ...."}));
  EXPECT_EQ(load(out("A.png")).raster, test::gradient_rgb(80, 60));
  EXPECT_EQ(load(out("t1_A.png")).width(), 40);
  EXPECT_EQ(load(small + "b_s.png").width(), 20);
  EXPECT_EQ(result.outputs.saved, 6);
  const Lines log = host.log_lines();
  EXPECT_NE(std::find(log.begin(), log.end(), "Resampling Thumbnail 1 from 80x60 to 40x30"),
            log.end());

  // The gallery takes the last file of each entry, sorted by that name ignoring case.
  ASSERT_EQ(result.gallery.size(), 2u);
  EXPECT_EQ(result.gallery[0].filename, small + "A_s.png");
  EXPECT_EQ(result.gallery[1], (GalleryRecord{"Bee", "a caption", small + "b_s.png"}));
  EXPECT_EQ(after.records, result.gallery);

  // Progress: the bar's end is the entry count and reaches it.
  const auto calls = host.calls();
  const auto& last_progress = *std::find_if(calls.rbegin(), calls.rend(),
                                            [](const auto& c) { return c.kind == Kind::Progress; });
  EXPECT_EQ(last_progress.position, 2);
  EXPECT_EQ(last_progress.maximum, 2);
}

TEST_F(BatchRunTest, ThumbnailsStartFromTheSourceWithoutCropOrColourDepth) {
  add_source("p.png", 60, 40);
  settings.dot1 = true;
  settings.resizing_method_t1 = "Downsize by Pixels";
  settings.image_width_t1 = 30;
  settings.image_height_t1 = 30;
  settings.file_suffix_t1 = "_th";
  settings.appendprefixsuffix = true;
  settings.save_in_directory_t1 = settings.save_in_directory;
  settings.cropby = "Dimension";
  settings.cropx2 = 9;
  settings.cropy2 = 9;
  settings.colordepth = "1 Bits";
  settings.negative = true;
  list.set_orientation("Rotate Left 90\u00B0");
  host.answers = {true};
  run();
  const ImageDocument main = load(out("p.png"));
  EXPECT_EQ(main.width(), 10);
  const ImageDocument thumb = load(out("p_th.png"));
  EXPECT_EQ(thumb.width(), 20);  // 30x20 from the whole source, then turned
  EXPECT_EQ(thumb.height(), 30);
}

TEST_F(BatchRunTest, NarrowSourceIsSkippedButItsThumbnailsAreMade) {
  add_source("thin.png", 4, 1000);
  add_source("fine.png");
  settings.dot1 = true;
  settings.resizing_method_t1 = "1/2x";
  settings.file_prefix_t1 = "th_";
  settings.appendprefixsuffix = true;
  settings.save_in_directory_t1 = settings.save_in_directory;
  host.answers = {true};
  const BatchRunResult result = run();
  const Lines log = host.log_lines();
  EXPECT_EQ(log.front(), "Skipping Invalid Image : thin.png");
  EXPECT_FALSE(fs::exists(out("thin.png")));
  EXPECT_EQ(load(out("th_thin.png")).height(), 500);
  EXPECT_TRUE(fs::exists(out("fine.png")));
  EXPECT_EQ(result.skipped, 1);
  EXPECT_EQ(result.entries_done, 2);
  // The skipped entry is named for the summary, with the thumbnail it still gave.
  EXPECT_EQ(result.troubles, (std::vector<EntryTrouble>{{1, true, {.saved = 1}}}));
}

TEST_F(BatchRunTest, ResultsOfFivePixelsOrLessAreNotSaved) {
  add_source("tiny.png", 50, 50);
  settings.resizing_method = "Resize by Pixels";
  settings.dimension_aspect_ratio = false;
  settings.image_width = 5;
  settings.image_height = 5;
  host.answers = {true};
  run();
  EXPECT_FALSE(fs::exists(out("tiny.png")));
  EXPECT_TRUE(saving_lines().empty());

  host.reset();
  settings.image_width = 6;
  settings.image_height = 1;
  host.answers = {true};
  run();
  EXPECT_EQ(load(out("tiny.png")).width(), 6);
}

TEST_F(BatchRunTest, NamesKeepTheStoredExtensionAndTheFirstBaseName) {
  ImageDocument jpeg;
  jpeg.raster = test::gradient_rgb(20, 20);
  ASSERT_TRUE(jpeg.save(dir / "src" / "photo.JPG"));
  ASSERT_TRUE(jpeg.save(dir / "src" / "photo.jpg.jpg"));
  list.add_files({dir / "src" / "photo.JPG", dir / "src" / "photo.jpg.jpg"});
  host.answers = {true};
  run();
  EXPECT_TRUE(fs::exists(out("photo.JPG")));
  EXPECT_TRUE(fs::exists(out("photo.jpg")));
  EXPECT_FALSE(fs::exists(out("photo.jpg.jpg")));

  // A JPEG format keeps a JPEG source's upper-case extension; another format gives its own.
  fs::remove_all(dir / "out");
  host.answers = {true};
  settings.Image_Format = "JPEG";
  run();
  EXPECT_TRUE(fs::exists(out("photo.JPG")));
  EXPECT_EQ(load(out("photo.JPG")).params.file_type, FileType::JPEG);
  host.answers = {true};
  settings.Image_Format = "PNG";
  run();
  EXPECT_EQ(load(out("photo.png")).params.file_type, FileType::PNG);
}

TEST_F(BatchRunTest, FilenameChangerNumbersCarryOverBetweenRuns) {
  add_sources(3);
  settings.use_filename_changer = true;
  settings.file_prefix = "IMG_";
  settings.start_number = 998;
  settings.no_of_digits = 2;
  settings.Filename_Case = 2;  // Uppercase
  settings.resetstartnumber = false;
  host.answers = {true};
  run();
  EXPECT_EQ(saving_lines(), (Lines{"Saving " + out("IMG_998.PNG") + " ....",
                                   "Saving " + out("IMG_999.PNG") + " ....",
                                   "Saving " + out("IMG_1000.PNG") + " ...."}));
  EXPECT_EQ(settings.start_number, 1001);

  host.reset();
  settings.start_number = 1;
  settings.no_of_digits = 4;
  settings.Filename_Case = 0;
  host.answers = {true};
  run();
  EXPECT_EQ(saving_lines().front(), "Saving " + out("IMG_0001.png") + " ....");
  EXPECT_EQ(settings.start_number, 4);
}

TEST_F(BatchRunTest, SubfolderTokenInCapitalsMirrorsTheSourceTree) {
  const fs::path source = add_source("2003/Trip/beach.png");
  settings.save_in_directory = (dir / "out").string() + "/[SUBFOLDERS]";
  host.answers = {true};
  run();
  // The mirrored part is the source folder below its first level.
  const fs::path folder = source.parent_path();
  const fs::path first_level = folder.root_path() / *std::next(folder.begin());
  const fs::path below_first = folder.lexically_relative(first_level);
  ASSERT_EQ(below_first.filename(), "Trip");
  EXPECT_TRUE(fs::exists(dir / "out" / below_first / "beach.png")) << below_first;
}

TEST_F(BatchRunTest, ThumbnailThatWouldReplaceTheMainOutputOrSourceIsRefused) {
  const fs::path source = add_source("keep.png", 40, 30);
  settings.save_in_directory = "";  // in place: the main output replaces its source (asked)
  settings.dot1 = true;
  settings.resizing_method_t1 = "1/2x";
  host.answers = {true};
  const BatchRunResult result = run();
  EXPECT_EQ(load(source).width(), 40);  // the main output, not a 20-pixel thumbnail
  EXPECT_EQ(result.outputs.refused, 1);
  EXPECT_EQ(saving_lines().size(), 1u);
  const Lines log = host.log_lines();
  EXPECT_NE(std::find_if(log.begin(), log.end(),
                         [&](const std::string& l) {
                           return l.starts_with("Thumbnail 1 not saved: " + source.string()) &&
                                  l.find("file_prefix_t1") != std::string::npos;
                         }),
            log.end());

  // Outputs elsewhere, thumbnail left beside the source: the original must stay untouched.
  const auto before = test::read_bytes(source);
  host.reset();
  settings.save_in_directory = (dir / "out").string();
  host.answers = {true};
  run();
  EXPECT_EQ(test::read_bytes(source), before);
  EXPECT_TRUE(fs::exists(out("keep.png")));
}

TEST_F(BatchRunTest, ARefusedThumbnailTwoNamesItsOwnSettings) {
  const fs::path source = add_source("keep.png", 40, 30);
  settings.save_in_directory = "";
  settings.dot2 = true;
  settings.resizing_method_t2 = "1/2x";
  host.answers = {true};
  EXPECT_EQ(run().outputs.refused, 1);
  const Lines log = host.log_lines();
  EXPECT_NE(std::find(log.begin(), log.end(),
                      "Thumbnail 2 not saved: " + source.string() +
                          " is this image's own output or source; set save_in_directory_t2, "
                          "file_prefix_t2 or file_suffix_t2 to give thumbnails their own name"),
            log.end());
}

TEST_F(BatchRunTest, ThumbnailTwoKeepsIptcWhenAskedThumbnailOneNever) {
  ImageDocument jpeg;
  jpeg.raster = test::gradient_rgb(40, 40);
  jpeg.params.iptc = {{2, 120, "harbour at dawn"}};
  ASSERT_TRUE(jpeg.save(dir / "src" / "harbour.jpg"));
  list.add_files({dir / "src" / "harbour.jpg"});
  thumbnails_on();
  settings.retainheaderinfo1 = settings.retainheaderinfo2 = true;
  settings.quality_t1 = 40;
  host.answers = {true};
  run();
  EXPECT_EQ(load(out("harbour.jpg")).params.iptc, jpeg.params.iptc);
  EXPECT_TRUE(load(out("t1_harbour.jpg")).params.iptc.empty());
  EXPECT_EQ(load(out("t2_harbour.jpg")).params.iptc, jpeg.params.iptc);

  host.reset();
  settings.retainheaderinfo2 = false;
  settings.iptc_header = false;
  host.answers = {true};
  run();
  EXPECT_TRUE(load(out("harbour.jpg")).params.iptc.empty());
  EXPECT_TRUE(load(out("t2_harbour.jpg")).params.iptc.empty());
}

TEST_F(BatchRunTest, FailedWritesAreLoggedAndTheRunGoesOn) {
  add_source("blocked.png");
  add_source("z_last.png");
  fs::create_directories(out("blocked.png"));  // a folder where the file should go
  host.answers = {true};
  const BatchRunResult result = run();

  const Lines log = host.log_lines();
  const auto has = [&](const std::string& prefix, const std::string& part) {
    return std::any_of(log.begin(), log.end(), [&](const std::string& l) {
      return l.starts_with(prefix) && l.find(part) != std::string::npos;
    });
  };
  EXPECT_TRUE(has("Error: ", out("blocked.png")));
  EXPECT_TRUE(fs::exists(out("z_last.png")));
  EXPECT_EQ(result.outputs.failed, 1);
  EXPECT_EQ(result.outputs.saved, 1);
  EXPECT_EQ(result.troubles, (std::vector<EntryTrouble>{{1, false, {.failed = 1}}}));
  EXPECT_EQ(host.log_lines().back(), "Batch Image Processing Completed");
}

TEST_F(BatchRunTest, AThumbnailThatCannotBeMadeCostsOnlyThatThumbnail) {
  add_sources(2);
  thumbnails_on();
  // An exact size far beyond the pixel limit: the resample refuses it.
  settings.resizing_method_t1 = "Resize by Pixels";
  settings.dimension_aspect_ratio_t1 = false;
  settings.image_width_t1 = settings.image_height_t1 = 100000;
  host.answers = {true};
  const BatchRunResult result = run();
  EXPECT_EQ(result.outputs.failed, 2);
  const Lines log = host.log_lines();
  EXPECT_TRUE(std::any_of(log.begin(), log.end(), [&](const std::string& l) {
    return l.starts_with("Error: Thumbnail 1 of " + (dir / "src" / "img1.png").string());
  }));
  for (const char* name : {"img1.png", "img2.png", "t2_img1.png", "t2_img2.png"})
    EXPECT_TRUE(fs::exists(out(name))) << name;
  EXPECT_FALSE(fs::exists(out("t1_img1.png")));
}

TEST_F(BatchRunTest, AnExtensionWithoutWriterIsReportedNotPassedOffAsSaved) {
  // "As Is" keeps extensions the list accepts but nothing here can write, such as ".psd".
  ImageDocument doc;
  doc.raster = test::gradient_rgb(8, 8);
  OutputCounts counts;
  EXPECT_FALSE(save_output(doc, dir / "layers.psd", host, counts));
  EXPECT_FALSE(fs::exists(dir / "layers.psd"));
  EXPECT_EQ(counts.unwritten, 1);
  EXPECT_EQ(counts.saved, 0);
  EXPECT_EQ(host.log_lines(),
            Lines{"Not saved: " + (dir / "layers.psd").string() +
                  ": no image writer for \".psd\" files (choose an Image_Format)"});
}

TEST_F(BatchRunTest, AMisnamedSourceIsReadByItsContentAndTheLogSaysSo) {
  // A PNG file that someone renamed to .jpg, next to a true JPEG file.
  fs::rename(add_source("shot.png"), dir / "src" / "shot.jpg");
  list.entries[0].file_name = "shot.jpg";
  add_source("real.jpg");
  settings.Image_Format = "BMP";
  host.answers = {true};
  const BatchRunResult result = run();
  EXPECT_EQ(host.log_lines(),
            (Lines{"shot.jpg: content is PNG, not JPEG as its extension says; read as PNG",
                   "Saving " + out("shot.bmp") + " ....", "Saving " + out("real.bmp") + " ....",
                   "Batch Image Processing Completed"}));
  EXPECT_EQ(load(out("shot.bmp")).raster, test::gradient_rgb(40, 30));
  EXPECT_EQ(result.outputs.saved, 2);
}

}  // namespace
}  // namespace lumatrix

namespace lumatrix {
namespace {

TEST_F(BatchRunTest, RegressionADamagedSourceIsSavedAndTheLogNamesTheDamage) {
  // A JPEG with stray bytes before its end marker, which libjpeg reads with a warning.
  const fs::path path = dir / "src" / "worn.jpg";
  fs::create_directories(path.parent_path());
  IOParams params;
  std::vector<uint8_t> jpeg = encode_jpeg(test::gradient_rgb(40, 30), params, ".jpg");
  jpeg.insert(jpeg.end() - 2, 40, 0x5A);
  test::write_bytes(path, jpeg);
  list.add_files({path});
  settings.Image_Format = "BMP";
  host.answers = {true};
  const BatchRunResult result = run();
  const Lines lines = host.log_lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(
      lines[0].rfind("worn.jpg: damaged data, read as far as possible: Corrupt JPEG data: ", 0), 0u)
      << lines[0];
  EXPECT_EQ(lines[1], "Saving " + out("worn.bmp") + " ....");
  EXPECT_EQ(result.outputs.saved, 1);
}

TEST_F(BatchRunTest, TheReadLimitSettingsBoundEveryReadingOfTheRun) {
  const ResourcePolicy before = resource_policy();
  add_source("small.png", 20, 10);
  add_source("large.png", 40, 30);
  settings.pixel_limit = 20 * 10;
  settings.Image_Format = "BMP";
  host.answers = {true};
  const BatchRunResult result = run();
  const ResourcePolicy during = resource_policy();
  set_resource_policy(before);
  EXPECT_EQ(during.max_pixels, 200u);
  EXPECT_EQ(host.log_lines(),
            (Lines{"Saving " + out("small.bmp") + " ....", "Skipping Invalid Image : large.png",
                   (dir / "src" / "large.png").string() +
                       ": image of 40x30 pixels exceeds the limit of 200 pixels",
                   "Batch Image Processing Completed"}));
  EXPECT_EQ(result.outputs.saved, 1);
}

}  // namespace
}  // namespace lumatrix
