// Sharded and resumed runs at the engine: which entries go together, what a manifest keeps, and
// which earlier work a rerun may keep.
#include "engine/run_shards.h"

#include <gtest/gtest.h>

#include <fstream>

#include "base/image_error.h"
#include "engine/batch_run.h"
#include "engine/run_join.h"
#include "engine/run_manifest.h"
#include "recording_run_host.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;

BatchPlan plan_of(std::vector<std::vector<int>> after, std::vector<bool> alone = {}) {
  BatchPlan plan;
  for (size_t i = 0; i < after.size(); ++i) {
    PlannedEntry entry;
    entry.position = static_cast<int>(i) + 1;
    entry.after = after[i];
    entry.alone = i < alone.size() && alone[i];
    plan.entries.push_back(entry);
  }
  return plan;
}

TEST(EntryGroups, EntriesThatWaitForEachOtherShareAGroupNumberedInListOrder) {
  // 3 waits for 1 (one file), 5 for 3 (reads its output): 1, 3, 5 together.
  const BatchPlan plan = plan_of({{}, {}, {1}, {}, {3}, {}});
  EXPECT_EQ(entry_groups(plan), (std::vector<int>{0, 1, 0, 2, 0, 3}));
}

TEST(EntryGroups, AnEntryThatRunsAloneTakesEveryEarlierEntryIntoItsGroup) {
  const BatchPlan plan = plan_of({{}, {}, {}, {}, {}}, {false, false, true, false, false});
  EXPECT_EQ(entry_groups(plan), (std::vector<int>{0, 0, 0, 1, 2}));
}

TEST(ShardMembers, GroupsAreDealtRoundAndEveryEntryIsInExactlyOneShard) {
  const std::vector<int> groups{0, 1, 0, 2, 3, 4, 1};
  std::vector<int> owners(groups.size(), 0);
  for (int k = 1; k <= 3; ++k) {
    const std::vector<bool> members = shard_members(groups, {k, 3});
    for (size_t i = 0; i < groups.size(); ++i)
      if (members[i]) owners[i] += k;
  }
  // Group g goes to shard g % 3 + 1; entries of one group share it.
  EXPECT_EQ(owners, (std::vector<int>{1, 2, 1, 3, 1, 2, 2}));
  EXPECT_EQ(shard_members(groups, {1, 1}), std::vector<bool>(groups.size(), true));
}

// A real run with a manifest over a few sources, two of which write one output.
class ManifestRun : public ::testing::Test {
 protected:
  void SetUp() override {
    settings.save_in_directory = (dir / "out").string() + "/";
    settings.Image_Format = "PNG";
    for (const char* name : {"a.png", "b.png", "c.png"}) source("src/" + std::string(name));
    source("src/sub/a.png");  // writes out/a.png too, after src/a.png
  }
  void source(const std::string& name) {
    fs::create_directories((dir / name).parent_path());
    ImageDocument doc;
    doc.raster = test::gradient_rgb(12 + static_cast<int>(list.size()), 9);
    ASSERT_TRUE(doc.save(dir / name));
    list.entries.push_back(entry_for(dir / name));
  }
  BatchRunResult run(const RunScope& scope) {
    test::RecordingRunHost host;
    host.answers = {true};
    Workspace ws;
    const BatchRunResult result =
        process_all(ws, host.seam(), settings, list, {}, nullptr, {2, {}}, scope);
    lines = host.log_lines();
    return result;
  }
  fs::path manifest_path() const { return dir / "out/run.jsonl"; }

  test::TempDir dir;
  Settings settings;
  SourceList list;
  std::vector<std::string> lines;
};

TEST_F(ManifestRun, RecordsEveryEntryWithItsOutputsAndReadsBackTheSame) {
  RunScope scope;
  scope.manifest = manifest_path();
  run(scope);
  EXPECT_FALSE(fs::exists(journal_path(manifest_path())));
  const std::optional<RunManifest> manifest = read_manifest(manifest_path());
  ASSERT_TRUE(manifest);
  EXPECT_EQ(manifest->end, "complete");
  EXPECT_EQ(manifest->header.entries, 4);
  EXPECT_EQ(manifest->header.settings, settings_fingerprint(settings));
  ASSERT_EQ(manifest->entries.size(), 4u);
  const ManifestEntry& b = manifest->entries[1];
  EXPECT_EQ(b.position, 2);
  EXPECT_EQ(b.status, "done");
  ASSERT_EQ(b.outputs.size(), 1u);
  EXPECT_EQ(b.outputs[0].path, (dir / "out/b.png").string());
  EXPECT_EQ(b.outputs[0].size, fs::file_size(dir / "out/b.png"));
  EXPECT_EQ(b.outputs[0].sha256.size(), 64u);
  // The first a.png's line keeps what it wrote, though the later entry replaced the file since.
  EXPECT_NE(manifest->entries[0].outputs[0].sha256, manifest->entries[3].outputs[0].sha256);
}

TEST_F(ManifestRun, ATornLastJournalLineIsLeftOutButADamagedManifestIsRefused) {
  RunScope scope;
  scope.manifest = manifest_path();
  run(scope);
  std::string text = test::text_of(manifest_path());
  // As a killed run leaves it: the header, two whole lines, half a third.
  std::vector<std::string> rows;
  for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    rows.push_back(text.substr(start, end - start + 1));
  const std::string journal = rows[0] + rows[1] + rows[2] + rows[3].substr(0, 20);
  fs::remove(manifest_path());
  test::write_bytes(journal_path(manifest_path()),
                    {reinterpret_cast<const uint8_t*>(journal.data()), journal.size()});
  const std::optional<RunManifest> read = read_manifest_or_journal(manifest_path());
  ASSERT_TRUE(read);
  EXPECT_EQ(read->entries.size(), 2u);
  EXPECT_EQ(read->end, "");

  test::write_bytes(manifest_path(),
                    {reinterpret_cast<const uint8_t*>(journal.data()), journal.size()});
  try {
    read_manifest(manifest_path());
    ADD_FAILURE() << "a damaged manifest was read";
  } catch (const ImageError& error) {
    EXPECT_NE(std::string(error.what()).find("line 4 is not a manifest line"), std::string::npos)
        << error.what();
  }
}

TEST_F(ManifestRun, ARerunKeepsFinishedEntriesAndRunsChangedOnesWithTheirGroup) {
  RunScope scope;
  scope.manifest = manifest_path();
  run(scope);
  const std::optional<RunManifest> first = read_manifest(manifest_path());
  ASSERT_TRUE(first);

  // Nothing changed: everything is kept, the clash group included (its first entry's file is
  // the later one's by now, as it should be).
  scope.earlier = &*first;
  BatchRunResult again = run(scope);
  EXPECT_EQ(again.finished_before, 4);
  EXPECT_EQ(again.outputs.saved, 0);
  EXPECT_EQ(lines.front(), "Already done by an earlier run: " + (dir / "src/a.png").string());

  // c's output damaged, and the shared output of the clash group: those groups run again.
  test::write_bytes(dir / "out/c.png", std::vector<uint8_t>{1, 2, 3});
  test::write_bytes(dir / "out/a.png", std::vector<uint8_t>{4});
  const fs::path stale = dir / "out/.c.png.123456.tmp";
  test::write_bytes(stale, std::vector<uint8_t>{0});
  const std::optional<RunManifest> second = read_manifest(manifest_path());
  scope.earlier = &*second;
  again = run(scope);
  EXPECT_EQ(again.finished_before, 1);  // b
  EXPECT_EQ(again.outputs.saved, 3);
  EXPECT_FALSE(fs::exists(stale));
  ImageDocument doc;
  ASSERT_TRUE(doc.load(dir / "out/a.png"));
  EXPECT_EQ(doc.width(), 15);  // the later entry's, as in list order

  // Other settings: nothing an earlier run did is kept.
  settings.JPEG_Quality = settings.JPEG_Quality + 1;
  const std::optional<RunManifest> third = read_manifest(manifest_path());
  scope.earlier = &*third;
  EXPECT_EQ(run(scope).finished_before, 0);
}

TEST_F(ManifestRun, AShardRunsOnlyItsShareAndLeavesTheAfterPassToTheJoin) {
  settings.usethumbnailgallery = true;
  std::vector<fs::path> manifests;
  int saved = 0;
  for (int k = 1; k <= 2; ++k) {
    RunScope scope;
    scope.shard = Shard{k, 2};
    scope.manifest = dir / ("out/shard" + std::to_string(k) + ".jsonl");
    manifests.push_back(scope.manifest);
    const BatchRunResult result = run(scope);
    saved += result.outputs.saved;
    EXPECT_EQ(result.elsewhere + static_cast<int>(read_manifest(scope.manifest)->entries.size()),
              4);
    EXPECT_TRUE(result.gallery.size() < 4u);
  }
  EXPECT_EQ(saved, 4);
  const JoinedRun joined = join_manifests(manifests);
  ASSERT_EQ(joined.entries.size(), 4u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(joined.entries[i].position, i + 1);
  const std::vector<GalleryRecord> records = joined_gallery(joined);
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].filename, (dir / "out/a.png").string());
}

class JoinRefusal : public ManifestRun {
 protected:
  std::vector<fs::path> shards(int count) {
    std::vector<fs::path> out;
    for (int k = 1; k <= count; ++k) {
      RunScope scope;
      scope.shard = Shard{k, count};
      scope.manifest = dir / ("out/m" + std::to_string(k) + ".jsonl");
      run(scope);
      out.push_back(scope.manifest);
    }
    return out;
  }
  static std::string refusal(const std::vector<fs::path>& manifests) {
    try {
      join_manifests(manifests);
    } catch (const ImageError& error) {
      return error.what();
    }
    return "joined";
  }
};

TEST_F(JoinRefusal, NamesTheMissingUnfinishedStoppedOrForeignShard) {
  std::vector<fs::path> all = shards(3);
  EXPECT_EQ(refusal({all[0], all[2]}), "the manifest of shard 2/3 is missing");
  EXPECT_EQ(refusal({all[0], all[0], all[1], all[2]}).find("shard 1/3 is given twice"),
            all[0].string().size() + 2);

  std::string text = test::text_of(all[2]);
  text.replace(text.find("\"complete\""), 10, "\"stopped\"");
  test::write_bytes(all[2], {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
  EXPECT_EQ(refusal(all), all[2].string() +
                              ": shard 3/3 was stopped before its end; run it again with "
                              "--skip-done");

  fs::rename(all[1], journal_path(all[1]));
  EXPECT_NE(refusal(all).find("the shard has not finished"), std::string::npos);
  fs::remove(journal_path(all[1]));
  EXPECT_EQ(refusal(all), all[1].string() + ": no such manifest");

  shards(3);
  settings.JPEG_Quality = settings.JPEG_Quality - 1;
  RunScope other;
  other.shard = Shard{2, 3};
  other.manifest = all[1];
  run(other);
  EXPECT_NE(refusal(all).find("is the manifest of another run"), std::string::npos);
}

}  // namespace
}  // namespace lumatrix
