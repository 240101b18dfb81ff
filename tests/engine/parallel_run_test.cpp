// The batch run on several workers against the same run on one: the same log, the same files.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <set>
#include <thread>

#include "engine/batch_run.h"
#include "recording_run_host.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;
using Kind = test::RecordingRunHost::Kind;
using Lines = std::vector<std::string>;

struct RecordingAfterPass : AfterPass {
  std::vector<GalleryRecord> records;
  void create_gallery(Workspace&, const RunSeam&, const Settings&,
                      const std::vector<GalleryRecord>& r) override {
    records = r;
  }
};

// One run in a scratch folder of its own; two runs of one scenario differ only in that folder,
// which the comparisons write as "D".
class RunFolder {
 public:
  RunFolder() {
    fs::create_directories(dir / "src" / "sub");
    fs::create_directories(dir / "out");
    settings.save_in_directory = (dir / "out").string();
  }

  fs::path image(const std::string& name, int w, int h) {
    ImageDocument doc;
    doc.raster = test::gradient_rgb(w, h);
    EXPECT_TRUE(doc.save(dir / name));
    return dir / name;
  }
  // Appends a row; add_files would sort them.
  void row(const std::string& name) { list.entries.push_back(entry_for(dir / name)); }

  // Skips, a corrupt file, an unwritable output, two rows writing one name, rows reading
  // another's output or writing another's source, thumbnails and gallery records. Each row that
  // must wait for another comes right after it, and the one waited for is the slower, so that
  // running them at once would show.
  void mixed_list() {
    image("src/a.png", 400, 300);
    image("src/sub/a.png", 36, 36);
    image("src/b.png", 480, 320);
    image("out/z.png", 600, 440);  // there before the run: row 5 reads it, row 6 replaces it
    image("src/sub/z.png", 30, 20);
    image("src/thin.png", 4, 100);
    test::write_bytes(dir / "src/broken.png", std::vector<uint8_t>{'n', 'o', 't', ' ', 'p'});
    image("src/blocked.png", 40, 30);
    fs::create_directories(dir / "out/blocked.png");  // a folder where its output should go
    row("src/a.png");
    row("src/sub/a.png");  // writes out/a.png again
    row("src/b.png");
    row("out/b.png");      // row 3's output, read once it is written
    row("out/z.png");      // in place
    row("src/sub/z.png");  // writes out/z.png once row 5 has read it
    row("src/thin.png");
    row("src/broken.png");
    row("src/blocked.png");
    for (int i = 1; i <= 5; ++i) {
      image("src/p" + std::to_string(i) + ".png", 20 + 6 * i, 50 - 4 * i);
      row("src/p" + std::to_string(i) + ".png");
    }
    settings.resizing_method = "1/2x";
    settings.dot1 = settings.dot2 = true;
    settings.resizing_method_t1 = "1/2x";
    settings.resizing_method_t2 = "1/4x";
    settings.file_prefix_t1 = "t1_";
    settings.file_suffix_t2 = "_s";
    settings.appendprefixsuffix = true;
    settings.save_in_directory_t1 = settings.save_in_directory;
    settings.save_in_directory_t2 = (dir / "out" / "small").string();
    settings.usethumbnailgallery = true;
  }

  // Stop is pressed while the row at `position` runs (the caption step is the hook).
  void press_stop_during(int position) {
    settings.caption_text = "stop";
    settings.Text_Alignment = "Top Left";
    overlays.caption = [this, position](Workspace&, EventSink&, const Settings&,
                                        const PipelineEntry& entry, int which) {
      if (entry.position == position && which == 1) host.cancel.request();
    };
  }

  BatchRunResult run(int workers, std::optional<uint64_t> memory = {}) {
    return process_all(ws, host.seam(), settings, list, overlays, &after, {workers, memory});
  }

  std::string relative(std::string text) const {
    const std::string root = dir.path().string();
    for (size_t at; (at = text.find(root)) != std::string::npos;)
      text.replace(at, root.size(), "D");
    return text;
  }
  // Every call but the bar, with its entry tag, paths relative.
  Lines transcript() const {
    Lines out;
    for (const auto& call : host.calls()) {
      if (call.kind == Kind::Progress) continue;
      const std::string tag = call.entry ? std::to_string(*call.entry) : "-";
      out.push_back(std::to_string(static_cast<int>(call.kind)) + " " + tag + " " +
                    relative(call.text));
    }
    return out;
  }
  std::vector<int> bar() const {
    std::vector<int> out;
    for (const auto& call : host.calls())
      if (call.kind == Kind::Progress) out.push_back(call.position);
    return out;
  }
  // Every file and folder under the scratch folder, with the bytes of the files.
  std::map<std::string, std::vector<uint8_t>> tree() const {
    std::map<std::string, std::vector<uint8_t>> out;
    for (const auto& item : fs::recursive_directory_iterator(dir.path())) {
      const std::string name = fs::relative(item.path(), dir.path()).string();
      out[name] = item.is_regular_file() ? test::read_bytes(item.path()) : std::vector<uint8_t>{};
    }
    return out;
  }
  Lines gallery() const {
    Lines out;
    for (const GalleryRecord& r : after.records) out.push_back(relative(r.filename));
    return out;
  }
  int width_of(const std::string& name) const {
    ImageDocument doc;
    EXPECT_TRUE(doc.load(dir / name)) << name;
    return doc.width();
  }

  test::TempDir dir;
  Workspace ws;
  test::RecordingRunHost host;
  Settings settings;
  SourceList list;
  Overlays overlays;
  RecordingAfterPass after;
};

void expect_same_run(const RunFolder& one, const BatchRunResult& a, const RunFolder& many,
                     const BatchRunResult& b) {
  EXPECT_EQ(one.transcript(), many.transcript());
  EXPECT_EQ(one.tree(), many.tree());
  EXPECT_EQ(one.gallery(), many.gallery());
  EXPECT_EQ(a.entries_done, b.entries_done);
  EXPECT_EQ(a.skipped, b.skipped);
  EXPECT_EQ(a.outputs.saved, b.outputs.saved);
  EXPECT_EQ(a.outputs.failed, b.outputs.failed);
  EXPECT_EQ(a.outputs.refused, b.outputs.refused);
  EXPECT_EQ(a.stopped, b.stopped);
}

TEST(ParallelRun, FourWorkersWriteTheFilesAndTheLogOfOne) {
  RunFolder one;
  one.mixed_list();
  one.host.answers = {true};
  const BatchRunResult first = one.run(1);

  // The scenario does what it says, in list order.
  EXPECT_EQ(first.workers, 1);
  EXPECT_EQ(first.skipped, 2);
  EXPECT_EQ(one.width_of("out/b.png"), 120);  // row 3's 240x160 output, halved again by row 4
  EXPECT_EQ(one.width_of("out/a.png"), 18);   // row 2 replaced row 1's
  EXPECT_EQ(one.width_of("out/z.png"), 15);   // row 6 replaced row 5's 300x220
  EXPECT_TRUE(fs::is_directory(one.dir / "out/blocked.png"));
  EXPECT_EQ(first.outputs.failed, 1);
  const Lines log = one.host.log_lines();
  EXPECT_NE(std::find(log.begin(), log.end(), "Skipping Invalid Image : broken.png"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "Skipping Invalid Image : thin.png"), log.end());
  EXPECT_EQ(one.gallery().size(), 14u);

  for (int attempt = 0; attempt < 3; ++attempt) {
    RunFolder many;
    many.mixed_list();
    many.host.answers = {true};
    const BatchRunResult result = many.run(4);
    EXPECT_EQ(result.workers, 4);
    expect_same_run(one, first, many, result);
    // The bar counts finished entries up to the end, whatever order they finish in.
    std::vector<int> expected{0};
    for (int i = 1; i <= 14; ++i) expected.push_back(i);
    EXPECT_EQ(many.bar(), expected);
  }
}

TEST(ParallelRun, LinesOfAnEntryComeTogetherAndInListOrder) {
  RunFolder many;
  many.mixed_list();
  many.host.answers = {true};
  many.run(4);
  int last = 0;
  for (const auto& call : many.host.calls()) {
    if (call.kind != Kind::Log || !call.entry) continue;
    EXPECT_GE(*call.entry, last) << call.text;
    last = *call.entry;
  }
  EXPECT_EQ(last, 14);
}

TEST(ParallelRun, AStopDuringEntryThreeOfTenStartsNothingAfterTheQuestion) {
  RunFolder many;
  for (int i = 1; i <= 10; ++i) {
    many.image("src/i" + std::to_string(i) + ".png", 30, 20);
    many.row("src/i" + std::to_string(i) + ".png");
  }
  many.settings.usethumbnailgallery = true;
  many.press_stop_during(3);
  many.host.answers = {true, true};
  const BatchRunResult stopped = many.run(4);

  ASSERT_TRUE(stopped.stopped);
  const int started = stopped.entries_done;
  ASSERT_GE(started, 3);  // entry 3 and those started before the key was seen
  EXPECT_EQ(many.host.count(Kind::OkCancel), 1);
  const auto calls = many.host.calls();
  const auto asked = std::find_if(calls.begin(), calls.end(),
                                  [](const auto& c) { return c.kind == Kind::OkCancel; });
  EXPECT_TRUE(std::none_of(asked, calls.end(), [](const auto& c) { return c.entry.has_value(); }));
  for (int i = 1; i <= 10; ++i)
    EXPECT_EQ(fs::exists(many.dir / "out" / ("i" + std::to_string(i) + ".png")), i <= started) << i;
  EXPECT_EQ(many.after.records.size(), static_cast<size_t>(started));

  // One worker stopped during the last entry the four started leaves the same log and files.
  RunFolder one;
  for (int i = 1; i <= 10; ++i) {
    one.image("src/i" + std::to_string(i) + ".png", 30, 20);
    one.row("src/i" + std::to_string(i) + ".png");
  }
  one.settings.usethumbnailgallery = true;
  one.press_stop_during(started);
  one.host.answers = {true, true};
  const BatchRunResult alone = one.run(1);
  expect_same_run(one, alone, many, stopped);
}

TEST(ParallelRun, CancelLetsTheRunGoOnAskingBeforeEveryFurtherEntry) {
  RunFolder many;
  for (int i = 1; i <= 6; ++i) {
    many.image("src/i" + std::to_string(i) + ".png", 30, 20);
    many.row("src/i" + std::to_string(i) + ".png");
  }
  many.press_stop_during(1);
  many.host.answers = {true, false, false, false, false, false};
  const BatchRunResult result = many.run(3);
  EXPECT_FALSE(result.stopped);
  EXPECT_EQ(result.entries_done, 6);
  // The entries running when Stop was seen finish first; then the question comes before every
  // further entry, each of which has finished before the next question.
  const auto calls = many.host.calls();
  int before_first = 0, questions = 0;
  std::set<int> since_question;
  for (const auto& call : calls) {
    if (call.kind == Kind::OkCancel) {
      if (questions > 0) {
        EXPECT_LE(since_question.size(), 1u);
      }
      since_question.clear();
      ++questions;
    } else if (call.kind == Kind::Log && call.entry) {
      if (questions == 0)
        before_first = std::max(before_first, *call.entry);
      else
        since_question.insert(*call.entry);
    }
  }
  EXPECT_GE(before_first, 1);
  EXPECT_EQ(questions, 6 - before_first);
  for (int i = 1; i <= 6; ++i)
    EXPECT_TRUE(fs::exists(many.dir / "out" / ("i" + std::to_string(i) + ".png"))) << i;
}

TEST(ParallelRun, AnImageLargerThanTheWholeBudgetRunsAlone) {
  RunFolder run;
  for (int i = 1; i <= 6; ++i) {
    run.image("src/i" + std::to_string(i) + ".png", 30, 20);
    run.row("src/i" + std::to_string(i) + ".png");
  }
  // Every entry holds the caption step for a while and notes how many are in it at once.
  std::atomic<int> inside{0}, most{0};
  run.settings.caption_text = "x";
  run.settings.Text_Alignment = "Top Left";
  run.overlays.caption = [&](Workspace&, EventSink&, const Settings&, const PipelineEntry&,
                             int which) {
    if (which != 1) return;
    const int now = ++inside;
    int seen = most.load();
    while (now > seen && !most.compare_exchange_weak(seen, now)) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    --inside;
  };
  run.host.answers = {true};
  const BatchRunResult result = run.run(4, 1);  // one byte: less than any image
  EXPECT_EQ(result.memory_budget, 1u);
  EXPECT_EQ(result.outputs.saved, 6);
  EXPECT_EQ(result.entries_done, 6);
  EXPECT_EQ(most.load(), 1);
}

TEST(WorkerCount, TheCpusByDefaultNeverMoreThanTheEntries) {
  EXPECT_EQ(worker_count(8, 3), 3);
  EXPECT_EQ(worker_count(2, 100), 2);
  EXPECT_EQ(worker_count(0, 0), 1);
  EXPECT_EQ(worker_count(0, 1000), worker_count(0, 1000));
  EXPECT_GE(worker_count(0, 1000), 1);
}

}  // namespace
}  // namespace lumatrix
