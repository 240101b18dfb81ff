#include "engine/batch_plan.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<int>;

class BatchPlanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir / "src" / "sub");
    fs::create_directories(dir / "out");
    settings.save_in_directory = (dir / "out").string();
  }
  // Appends a row for `file` under the scratch folder (created, so that it has an identity).
  void add(const std::string& file) {
    const fs::path path = dir / file;
    if (!fs::exists(path)) test::write_bytes(path, std::vector<uint8_t>{1, 2, 3});
    list.entries.push_back(entry_for(path));
  }
  BatchPlan plan(const std::vector<fs::path>& shared = {}) {
    return plan_batch(settings, list, shared);
  }
  std::vector<Rows> waits(const BatchPlan& p) {
    std::vector<Rows> out;
    for (const PlannedEntry& e : p.entries) out.push_back(e.after);
    return out;
  }

  test::TempDir dir;
  Settings settings;
  SourceList list;
};

TEST_F(BatchPlanTest, NamesAndFoldersByListPosition) {
  add("src/a.png");
  add("src/b.png");
  settings.use_filename_changer = true;
  settings.file_prefix = "p";
  settings.start_number = 7;
  settings.no_of_digits = 2;
  const BatchPlan p = plan();
  ASSERT_EQ(p.entries.size(), 2u);
  EXPECT_EQ(p.entries[1].position, 2);
  EXPECT_EQ(p.entries[1].target.output_name, "p08.png");
  EXPECT_EQ(p.entries[0].main_directory, (dir / "out").string() + "/");
  EXPECT_EQ(waits(p), (std::vector<Rows>{{}, {}}));
  EXPECT_FALSE(p.entries[0].alone || p.entries[1].alone);
}

TEST_F(BatchPlanTest, OneFileWrittenTwiceKeepsTheOrder) {
  add("src/a.png");
  add("src/b.png");
  add("src/sub/a.png");  // the same output name as row 1
  add("src/sub/b.png");
  EXPECT_EQ(waits(plan()), (std::vector<Rows>{{}, {}, {1}, {2}}));

  // A thumbnail that takes another row's main output name counts as well.
  list.entries.resize(2);
  settings.dot1 = true;
  settings.resizing_method_t1 = "1/2x";
  settings.save_in_directory_t1 = settings.save_in_directory;  // t1 of row 1 is out/a.png too
  EXPECT_EQ(waits(plan()), (std::vector<Rows>{{}, {}}));       // within one row only
  add("src/sub/a.png");
  EXPECT_EQ(waits(plan()), (std::vector<Rows>{{}, {}, {1}}));
}

TEST_F(BatchPlanTest, ASourceWrittenBeforeIsReadAfterItsWriter) {
  add("src/a.png");
  add("src/c.png");
  add("out/a.png");  // reads row 1's output (and writes it again, in place)
  add("src/d.png");
  EXPECT_EQ(waits(plan()), (std::vector<Rows>{{}, {}, {1}, {}}));
}

TEST_F(BatchPlanTest, AnOutputThatIsALaterSourceWaitsForItsReaders) {
  add("out/z.png");  // row 1 reads out/z.png and writes it
  add("src/c.png");
  add("src/sub/z.png");  // writes out/z.png: after row 1 has read (and written) it
  add("out/k.png");
  add("src/k.png");  // writes the source of row 4, after row 4 has read it
  EXPECT_EQ(waits(plan()), (std::vector<Rows>{{}, {}, {1}, {}, {4}}));
}

TEST_F(BatchPlanTest, AnotherSpellingOrAHardLinkIsTheSameFile) {
  fs::create_directory_symlink(dir / "out", dir / "link");
  add("src/a.png");
  add("out/a.png");
  fs::create_hard_link(dir / "out" / "a.png", dir / "src" / "twin.png");
  list.entries.push_back(entry_for(dir / "link" / "." / "a.png"));
  list.entries.push_back(entry_for(dir / "src" / "twin.png"));
  const BatchPlan p = plan();
  EXPECT_EQ(p.entries[1].after, Rows{1});
  EXPECT_EQ(p.entries[2].after, Rows{2});  // out/a.png through the link
  EXPECT_EQ(p.entries[3].after, Rows{3});  // the same file under another name
}

TEST_F(BatchPlanTest, AWatermarkWrittenByAnEntryOrdersEveryoneAroundIt) {
  add("src/a.png");
  add("src/b.png");
  add("src/logo.png");  // writes out/logo.png, the watermark every row reads
  add("src/c.png");
  const BatchPlan p = plan({dir / "out" / "logo.png"});
  EXPECT_EQ(waits(p), (std::vector<Rows>{{}, {}, {1, 2}, {3}}));
}

TEST_F(BatchPlanTest, AFileWhereAFolderIsMadeRunsAlone) {
  add("src/a.png");
  add("src/b.png");
  settings.dot1 = true;
  settings.resizing_method_t1 = "1/2x";
  // Row 1's thumbnail goes into a folder out/b.png/, where row 2 writes its main output.
  settings.save_in_directory_t1 = (dir / "out" / "b.png").string();
  const BatchPlan p = plan();
  EXPECT_FALSE(p.entries[0].alone);
  EXPECT_TRUE(p.entries[1].alone);  // its main output out/b.png is row 1's thumbnail folder
}

TEST_F(BatchPlanTest, NamesFromTheSourcesDateAreFormedAtTurnWhenAnEarlierRowWritesIt) {
  add("src/a.png");
  add("out/a.png");
  settings.use_filename_changer = true;
  settings.append_date = true;
  EXPECT_TRUE(names_follow_source_date(settings));
  settings.date_type = "Current";
  EXPECT_FALSE(names_follow_source_date(settings));
  settings.date_type = "Creation";
  settings.appendprefixsuffix = true;  // keeps the names out/a.png: row 1 writes row 2's source
  const BatchPlan p = plan();
  EXPECT_FALSE(p.entries[0].names_at_turn);
  EXPECT_TRUE(p.entries[1].names_at_turn);
  EXPECT_TRUE(p.entries[1].alone);
}

}  // namespace
}  // namespace lumatrix
