// `lumatrix process` on one worker and on several: the same standard output, the same files.
#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "imaging/image_document.h"
#include "settings/profile_file.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;

// A folder of sources with skips, a corrupt file, an unwritable output, two entries writing one
// name and an entry reading another's output, run with thumbnails and a gallery.
class Job {
 public:
  Job() {
    image("src/a.png", 300, 200);
    image("src/sub/a.png", 50, 40);
    image("src/b.png", 320, 240);
    image("src/thin.png", 3, 80);
    image("src/c.png", 64, 48);
    image("src/d.png", 90, 60);
    const std::string junk = "not an image";
    test::write_bytes(dir / "src/broken.jpg",
                      {reinterpret_cast<const uint8_t*>(junk.data()), junk.size()});
    fs::create_directories(dir / "out/c.png");  // c's output cannot be written
    image("out/b.png", 10, 10);                 // replaced by b's output before it is read
  }
  void image(const std::string& name, int w, int h) {
    fs::create_directories((dir / name).parent_path());
    ImageDocument doc;
    doc.raster = test::gradient_rgb(w, h);
    ASSERT_TRUE(doc.save(dir / name));
  }
  std::string path(const std::string& name) const { return (dir / name).string(); }

  test::CliResult process(const std::vector<std::string>& extra) {
    // --in-place: b's output replaces out/b.png, a source of the same run.
    std::vector<std::string> args{"process",
                                  "--yes",
                                  "--in-place",
                                  path("src/a.png"),
                                  path("src/sub/a.png"),  // out/a.png a second time
                                  path("src/b.png"),
                                  path("out/b.png"),  // what the entry before wrote
                                  path("src/thin.png"),
                                  path("src/broken.jpg"),
                                  path("src/c.png"),
                                  path("src/d.png"),
                                  "--set",
                                  "save_in_directory=" + path("out"),
                                  "--set",
                                  "resizing_method=1/2x",
                                  "--set",
                                  "Image_Format=PNG",
                                  "--set",
                                  "dot1=true",
                                  "--set",
                                  "resizing_method_t1=1/4x",
                                  "--set",
                                  "file_prefix_t1=t_",
                                  "--set",
                                  "appendprefixsuffix=true",
                                  "--set",
                                  "save_in_directory_t1=" + path("out/th"),
                                  "--set",
                                  "usethumbnailgallery=true",
                                  "--set",
                                  "Previewafter=false",
                                  "--set",
                                  "perpage=3"};
    args.insert(args.end(), extra.begin(), extra.end());
    test::CliResult r = test::run_lumatrix(dir, args);
    r.out = relative(r.out);
    // The summary's time is the one thing that may differ between runs.
    r.err = std::regex_replace(relative(r.err), std::regex(" in [0-9.]+ s"), " in T s");
    return r;
  }
  std::string relative(std::string text) const {
    const std::string root = dir.path().string();
    for (size_t at; (at = text.find(root)) != std::string::npos;)
      text.replace(at, root.size(), "D");
    return text;
  }
  // Every file and folder with its contents; the folder's own path inside them (the profile
  // names the output folder) written as "D".
  std::map<std::string, std::string> tree() const {
    std::map<std::string, std::string> out;
    for (const auto& item : fs::recursive_directory_iterator(dir.path())) {
      std::string contents = "(folder)";
      if (item.is_regular_file()) {
        const std::vector<uint8_t> bytes = test::read_bytes(item.path());
        contents = relative(std::string(bytes.begin(), bytes.end()));
      }
      out[fs::relative(item.path(), dir.path()).string()] = contents;
    }
    return out;
  }

  test::TempDir dir;
};

void expect_same(const Job& one, const test::CliResult& first, const Job& many,
                 const test::CliResult& r, const std::string& how) {
  EXPECT_EQ(r.status, first.status) << how;
  EXPECT_EQ(r.out, first.out) << how;
  EXPECT_EQ(r.err, first.err) << how;
  // default.ini included: --jobs is not stored.
  const auto expected = one.tree(), got = many.tree();
  EXPECT_EQ(got.size(), expected.size()) << how;
  for (const auto& [name, contents] : expected) {
    const auto found = got.find(name);
    EXPECT_TRUE(found != got.end() && found->second == contents) << how << ": " << name;
  }
}

TEST(ProcessJobs, OneWorkerAndFourWriteTheSameOutputAndFiles) {
  Job one;
  const test::CliResult first = one.process({"--jobs", "1"});
  EXPECT_EQ(first.status, 1);  // the unwritable output
  EXPECT_NE(first.out.find("Skipping Invalid Image : broken.jpg"), std::string::npos);
  EXPECT_NE(first.out.find("Skipping Invalid Image : thin.png"), std::string::npos);
  EXPECT_NE(first.out.find("Error: D/out/c.png"), std::string::npos) << first.out;
  EXPECT_NE(first.out.find("Begin Thumbnail Gallery Creation Process"), std::string::npos);
  EXPECT_TRUE(fs::exists(one.dir / "out/th/index001.html"));
  ImageDocument doc;
  ASSERT_TRUE(doc.load(one.dir / "out/b.png"));
  EXPECT_EQ(doc.width(), 80);  // b halved, then halved again by the entry that read it
  ASSERT_TRUE(doc.load(one.dir / "out/a.png"));
  EXPECT_EQ(doc.width(), 25);  // the later entry's

  for (const std::vector<std::string>& how : std::vector<std::vector<std::string>>{
           {"--jobs", "4"}, {"-j", "3", "--memory", "1K"}, {"--jobs=0", "--memory=2G"}}) {
    Job many;
    expect_same(one, first, many, many.process(how), how[0]);
  }
}

TEST(ProcessJobs, SlicingAfterARunOnFourWorkersIsTheSame) {
  const std::vector<std::string> slicing{"--set", "usethumbnailgallery=false",
                                         "--set", "enableslicing=true",
                                         "--set", "slicecolumns=2",
                                         "--set", "slicerows=3"};
  Job one, many;
  std::vector<std::string> args = slicing;
  args.insert(args.end(), {"--jobs", "1"});
  const test::CliResult first = one.process(args);
  EXPECT_NE(first.out.find("Begin Image Slicing Procedure"), std::string::npos);
  EXPECT_TRUE(fs::exists(one.dir / "out/th/t_d12.jpg"));  // beside the file written last
  args.back() = "4";
  expect_same(one, first, many, many.process(args), "slicing");
}

TEST(ProcessJobs, WorkersIsASettingStoredInItsOwnSectionJobsIsNot) {
  Job job;
  // --fast, like --jobs, is for the run it is given to.
  test::CliResult r = job.process({"--jobs", "2", "--fast"});
  EXPECT_NE(r.out.find("Saving "), std::string::npos) << r.err;
  std::vector<uint8_t> bytes = test::read_bytes(job.dir / "home/default.ini");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()).find("[Lumatrix]"), std::string::npos);

  r = job.process({"--set", "workers=3", "--set", "memory_budget=512"});
  bytes = test::read_bytes(job.dir / "home/default.ini");
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(text.find("\r\n[Lumatrix]\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\nworkers=3\r\nmemory_budget=512\r\n"), std::string::npos) << text;
  Settings loaded;
  load_profile(job.dir / "home/default.ini", loaded);
  EXPECT_EQ(loaded.workers, 3);
}

TEST(ProcessJobs, BadCountsAndSizesAreRefusedBeforeAnythingIsWritten) {
  Job job;
  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{"--jobs", "many"},
                                             {"--jobs", "-1"},
                                             {"--jobs", "5000"},
                                             {"--memory", "lots"},
                                             {"--memory", "2X"},
                                             {"--memory"},
                                             {"--set", "workers=2000"}}) {
    const test::CliResult r = job.process(bad);
    EXPECT_EQ(r.status, 2) << bad[0];
    EXPECT_NE(r.err.find(bad.size() > 1 && bad[0] == "--set" ? "workers" : bad[0].substr(2)),
              std::string::npos)
        << r.err;
  }
  EXPECT_FALSE(fs::exists(job.dir / "out/a.png"));
  EXPECT_FALSE(fs::exists(job.dir / "home/default.ini"));
}

}  // namespace
}  // namespace lumatrix
