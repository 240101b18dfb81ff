// `lumatrix process --shard/--skip-done` and `lumatrix finish`: shards run one after another or
// side by side under GNU parallel join into exactly what one run writes; a killed shard resumes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "cli/command.h"
#include "cli/shard_option.h"
#include "imaging/image_document.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;
using Tree = std::map<std::string, std::string>;

// Sources in two folders: two entries write out/a.png (the later must remain), one entry reads
// what an earlier one wrote, one is not an image; thumbnails and a gallery over all of them.
class ShardJob {
 public:
  ShardJob() {
    for (const char* name : {"src/a.png", "src/sub/a.png", "src/b.png", "src/c.png", "src/d.png",
                             "src/e.png", "src/f.png"})
      image(name, 40 + static_cast<int>(sources_.size()) * 7, 30);
    image("out/b.png", 10, 10);  // replaced by src/b.png's output before it is read
    const std::string junk = "not an image";
    test::write_bytes(dir / "src/junk.png",
                      {reinterpret_cast<const uint8_t*>(junk.data()), junk.size()});
    sources_.push_back(path("src/junk.png"));
  }
  std::vector<std::string> settings() const {
    return {"--set", "save_in_directory=" + path("out") + "/",
            "--set", "Image_Format=PNG",
            "--set", "resizing_method=1/2x",
            "--set", "dot1=true",
            "--set", "resizing_method_t1=1/4x",
            "--set", "file_prefix_t1=t_",
            "--set", "appendprefixsuffix=true",
            "--set", "save_in_directory_t1=" + path("out/th") + "/",
            "--set", "usethumbnailgallery=true",
            "--set", "Previewafter=false",
            "--set", "perpage=3"};
  }
  std::vector<std::string> process(const std::vector<std::string>& extra) const {
    // One entry reads what an earlier one writes, in place.
    std::vector<std::string> args{"process", "--yes", "--in-place"};
    args.insert(args.end(), sources_.begin(), sources_.end());
    const std::vector<std::string> job = settings();
    args.insert(args.end(), job.begin(), job.end());
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  test::CliResult run(const std::vector<std::string>& args) const {
    return test::run_lumatrix(dir, args);
  }
  test::CliResult finish(std::vector<std::string> manifests) const {
    std::vector<std::string> args{"finish"};
    const std::vector<std::string> job = settings();
    args.insert(args.end(), job.begin(), job.end());
    args.insert(args.end(), manifests.begin(), manifests.end());
    return run(args);
  }
  std::string manifest(int k, int n) const {
    return path("out/lumatrix-manifest-" + std::to_string(k) + "-of-" + std::to_string(n) +
                ".jsonl");
  }
  // Every file under out/ but the manifests, with its bytes.
  Tree outputs() const {
    Tree tree;
    for (const auto& item : fs::recursive_directory_iterator(dir / "out")) {
      if (!item.is_regular_file()) continue;
      const std::string name = fs::relative(item.path(), dir / "out").string();
      if (name.starts_with("lumatrix-manifest")) continue;
      const std::vector<uint8_t> bytes = test::read_bytes(item.path());
      tree[name] = std::string(bytes.begin(), bytes.end());
    }
    return tree;
  }
  std::string path(const std::string& name) const { return (dir / name).string(); }

  test::TempDir dir;

 private:
  void image(const std::string& name, int w, int h) {
    fs::create_directories((dir / name).parent_path());
    ImageDocument doc;
    doc.raster = test::gradient_rgb(w, h);
    ASSERT_TRUE(doc.save(dir / name));
    sources_.push_back(path(name));
  }
  std::vector<std::string> sources_;
};

// The outputs of one run of the job, made once.
const Tree& one_machine() {
  static const Tree tree = [] {
    ShardJob one;
    const test::CliResult r = one.run(one.process({}));
    EXPECT_EQ(r.status, 0) << r.err;
    return one.outputs();
  }();
  return tree;
}

void expect_same_outputs(const Tree& got, const std::string& how) {
  const Tree& expected = one_machine();
  EXPECT_GT(expected.size(), 20u);  // images, thumbnails, gallery pages
  EXPECT_EQ(got.size(), expected.size()) << how;
  for (const auto& [name, bytes] : expected) {
    auto found = got.find(name);
    EXPECT_TRUE(found != got.end() && found->second == bytes) << how << ": " << name;
  }
}

TEST(ShardCommands, ThreeShardsOneAfterAnotherJoinIntoTheOneMachineRun) {
  ShardJob job;
  for (int k = 1; k <= 3; ++k) {
    const test::CliResult r = job.run(job.process({"--shard", std::to_string(k) + "/3"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("Begin Thumbnail Gallery Creation Process"), std::string::npos);
  }
  EXPECT_FALSE(fs::exists(job.dir / "out/th/index001.html"));
  const test::CliResult finished =
      job.finish({job.manifest(1, 3), job.manifest(2, 3), job.manifest(3, 3)});
  EXPECT_EQ(finished.status, 0) << finished.err;
  EXPECT_NE(finished.out.find("Joined 3 shards: 9 entries"), std::string::npos) << finished.out;
  EXPECT_NE(finished.out.find("junk.png: skipped: Skipping Invalid Image : junk.png"),
            std::string::npos)
      << finished.out;
  expect_same_outputs(job.outputs(), "one after another");
}

TEST(ShardCommands, ThreeShardsSideBySideUnderGnuParallelJoinIntoTheOneMachineRun) {
  if (test::run_shell("command -v parallel").status != 0) GTEST_SKIP() << "GNU parallel missing";
  ShardJob job;
  std::string command = "LUMATRIX_HOME=" + test::shell_quote(job.path("home")) +
                        " parallel --will-cite --halt now,fail=1 -j3 " +
                        test::shell_quote(LUMATRIX_CLI_PATH);
  for (const std::string& arg : job.process({"--shard"})) command += " " + test::shell_quote(arg);
  command += " {}/3 ::: 1 2 3";
  const test::CommandResult r = test::run_shell(command);
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(job.finish({job.manifest(1, 3), job.manifest(2, 3), job.manifest(3, 3)}).status, 0);
  expect_same_outputs(job.outputs(), "GNU parallel");
}

TEST(ShardCommands, AKilledShardRerunWithSkipDoneWritesOnlyWhatWasMissing) {
  ShardJob job;
  ASSERT_EQ(job.run(job.process({"--shard", "1/1"})).status, 0);
  // As a kill leaves it: the journal up to three entries and half a line, the outputs of the
  // later entries never written, a temporary file of the one being written. The third entry,
  // b, goes with the later entry that reads its output, so it runs again with it.
  const std::string manifest = job.manifest(1, 1);
  const std::string text = test::text_of(manifest);
  size_t cut = 0;
  for (int line = 0; line < 4; ++line) cut = text.find('\n', cut) + 1;
  const std::string journal = text.substr(0, cut) + text.substr(cut, 30);
  fs::remove(manifest);
  test::write_bytes(manifest + ".partial",
                    {reinterpret_cast<const uint8_t*>(journal.data()), journal.size()});
  for (const char* name : {"out/c.png", "out/d.png", "out/e.png", "out/th/t_d.png"})
    fs::remove(job.dir / name);
  test::write_bytes(job.dir / "out/.d.png.4711.tmp", std::vector<uint8_t>{1, 2});
  struct stat kept {};
  ASSERT_EQ(::stat(job.path("out/a.png").c_str(), &kept), 0);

  const test::CliResult r = job.run(job.process({"--shard", "1/1", "--skip-done"}));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("2 entries were done already"), std::string::npos) << r.err;
  struct stat after {};
  ASSERT_EQ(::stat(job.path("out/a.png").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, kept.st_ino);  // not written again
  EXPECT_EQ(after.st_mtim.tv_nsec, kept.st_mtim.tv_nsec);
  EXPECT_FALSE(fs::exists(job.dir / "out/.d.png.4711.tmp"));
  EXPECT_FALSE(fs::exists(manifest + ".partial"));
  EXPECT_NE(test::text_of(manifest).find("{\"end\":\"complete\"}"), std::string::npos);
  EXPECT_EQ(job.finish({manifest}).status, 0);
  expect_same_outputs(job.outputs(), "resumed");
}

TEST(ShardCommands, FinishRefusesAMissingShardAnUnfinishedOneAndOtherSettings) {
  ShardJob job;
  for (int k : {1, 2})
    ASSERT_EQ(job.run(job.process({"--shard", std::to_string(k) + "/2"})).status, 0);
  test::CliResult r = job.finish({job.manifest(1, 2)});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("the manifest of shard 2/2 is missing"), std::string::npos) << r.err;

  fs::rename(job.manifest(2, 2), job.manifest(2, 2) + ".partial");
  r = job.finish({job.manifest(1, 2), job.manifest(2, 2)});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("the shard has not finished"), std::string::npos) << r.err;
  fs::rename(job.manifest(2, 2) + ".partial", job.manifest(2, 2));

  r = job.run({"finish", "--set", "perpage=4", job.manifest(1, 2), job.manifest(2, 2)});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("the settings differ from those the shards ran with"), std::string::npos);
  EXPECT_FALSE(fs::exists(job.dir / "out/th/index001.html"));
}

TEST(ShardOption, TakesKOfNOrTheEnginesOwnVariables) {
  using cli::shard_value;
  const auto env = [](std::map<std::string, std::string> values) {
    return [values](const std::string& name) -> std::optional<std::string> {
      auto found = values.find(name);
      if (found == values.end()) return std::nullopt;
      return found->second;
    };
  };
  const auto none = env({});
  EXPECT_EQ(shard_value("2/3", none), (Shard{2, 3}));
  // A Slurm array --array=4-6: task 5 is the second of three.
  EXPECT_EQ(shard_value("auto", env({{"SLURM_ARRAY_TASK_ID", "5"},
                                     {"SLURM_ARRAY_TASK_MIN", "4"},
                                     {"SLURM_ARRAY_TASK_COUNT", "3"}})),
            (Shard{2, 3}));
  // A Kubernetes Indexed Job counts from 0 and gives no count.
  EXPECT_EQ(shard_value("auto/4", env({{"JOB_COMPLETION_INDEX", "0"}})), (Shard{1, 4}));
  for (const std::string bad : {"0/3", "4/3", "3", "a/b", "2/0", "auto"}) {
    try {
      shard_value(bad, bad == "auto" ? env({{"JOB_COMPLETION_INDEX", "1"}}) : none);
      ADD_FAILURE() << bad;
    } catch (const cli::UsageError& error) {
      EXPECT_NE(error.message.find("--shard"), std::string::npos) << error.message;
    }
  }
}

}  // namespace
}  // namespace lumatrix
