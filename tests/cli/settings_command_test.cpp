#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace lumatrix {
namespace {

using test::run_shell;
using test::shell_quote;

class SettingsCommand : public ::testing::Test {
 protected:
  // Runs `lumatrix settings ARGS` with a scratch per-user folder; stderr separately.
  test::CommandResult run(const std::string& args, std::string* errors = nullptr) {
    std::string command = "LUMATRIX_HOME=" + shell_quote((dir_ / "home").string()) + " " +
                          shell_quote(LUMATRIX_CLI_PATH) + " settings " + args;
    // run_shell folds stderr into the output; a subshell keeps this redirection its own.
    if (errors) command = "(" + command + " 2>" + shell_quote((dir_ / "stderr").string()) + ")";
    test::CommandResult result = run_shell(command);
    if (errors) {
      auto bytes = test::read_bytes(dir_ / "stderr");
      errors->assign(bytes.begin(), bytes.end());
    }
    return result;
  }
  std::string path(const std::string& name) const { return shell_quote((dir_ / name).string()); }
  test::TempDir dir_;
};

TEST_F(SettingsCommand, SavedProfilePrintsTheSameLines) {
  const std::string sets =
      "--set JPEG_Quality=90 --set 'resizing_method=Resize by Pixels' "
      "--set 'add_header=A$B\\nC\\n' --set slicing=true --set 'FontDialog1.Font.Name=DejaVu Sans' "
      "--set 'htmltitle=\"Ferien\" \xC3\xA9t\xC3\xA9' --set bgcolor=#102030";
  auto first = run(sets + " --save " + path("p.ini"));
  ASSERT_EQ(first.status, 0) << first.output;
  auto second = run("--profile " + path("p.ini"));
  ASSERT_EQ(second.status, 0) << second.output;
  EXPECT_EQ(second.output, first.output);
  EXPECT_NE(first.output.find("\nJPEG_Quality=90\n"), std::string::npos);
  EXPECT_NE(first.output.find("\nenableslicing=true\n"), std::string::npos);
  EXPECT_NE(first.output.find("\nadd_header=A$B\\nC\\n\n"), std::string::npos);

  auto bytes = test::read_bytes(dir_ / "p.ini");
  const std::string ini(bytes.begin(), bytes.end());
  EXPECT_NE(ini.find("\r\nadd_header.Lines=text:\"A$$B$0D$0AC$0D$0A\"\r\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "home" / "default.ini"));
}

TEST_F(SettingsCommand, LaterSetsWinOverTheProfile) {
  ASSERT_EQ(run("--set perpage=20 --save " + path("p.ini")).status, 0);
  auto result = run("--profile " + path("p.ini") + " --set perpage=30 --set=perpage=40");
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(result.output.find("\nperpage=40\n"), std::string::npos);
}

TEST_F(SettingsCommand, FontsListInTheUserFolderExtendsFontFaces) {
  std::filesystem::create_directories(dir_ / "home");
  const std::string fonts = "Comic Neue\n";
  test::write_bytes(dir_ / "home" / "fonts.txt",
                    std::span(reinterpret_cast<const uint8_t*>(fonts.data()), fonts.size()));
  auto result = run("");
  EXPECT_NE(result.output.find("san-serif\\nComic Neue\\n\n"), std::string::npos) << result.output;
}

TEST_F(SettingsCommand, MistakesExitWithStatus2NamingTheSetting) {
  std::string errors;
  auto unknown = run("--set colour_depth=8", &errors);
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(errors.find("colour_depth: no such setting"), std::string::npos) << errors;

  auto range = run("--set JPEG_Quality=101", &errors);
  EXPECT_EQ(range.status, 2);
  EXPECT_NE(errors.find("JPEG_Quality: 101 is outside 0..100"), std::string::npos) << errors;
  EXPECT_EQ(range.output, "");  // nothing printed

  EXPECT_EQ(run("--set JPEG_Quality", &errors).status, 2);
  EXPECT_EQ(run("--bogus", &errors).status, 2);
  EXPECT_EQ(run("--save", &errors).status, 2);
}

TEST_F(SettingsCommand, MissingProfileAndBadValuesAreReported) {
  std::string errors;
  auto missing = run("--profile " + path("absent.ini"), &errors);
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(errors.find("absent.ini: no such profile file"), std::string::npos) << errors;

  const std::string ini = "[Settings]\r\nJPEG_Quality.AsInteger=abc\r\nred.AsInteger=9\r\n";
  test::write_bytes(dir_ / "bad.ini",
                    std::span(reinterpret_cast<const uint8_t*>(ini.data()), ini.size()));
  auto bad = run("--profile " + path("bad.ini"), &errors);
  EXPECT_EQ(bad.status, 0);
  EXPECT_NE(errors.find("JPEG_Quality.AsInteger: Can't read value as integer type."),
            std::string::npos)
      << errors;
  EXPECT_NE(bad.output.find("\nJPEG_Quality=75\n"), std::string::npos);
  EXPECT_NE(bad.output.find("\nred=9\n"), std::string::npos);
}

TEST_F(SettingsCommand, HelpAndListDescribeTheOptions) {
  auto help = run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.output.find("--set NAME=VALUE"), std::string::npos);
  auto list = run("--list");
  EXPECT_EQ(list.status, 0);
  EXPECT_NE(list.output.find("perpage  (integer) \"Items Per Page\"\n    accepts: 1..65335"),
            std::string::npos);
  EXPECT_NE(list.output.find("FontDialog1.Font.Name=MS Sans Serif"), std::string::npos);
  EXPECT_NE(list.output.find("[Performance]\nworkers  (integer) \"Workers\"\n    accepts: 0..1024\n"
                             "    default: 0\n    (extension: stored in the profile's [Lumatrix] "
                             "section)\n"),
            std::string::npos)
      << list.output;
  // auto_orient, metadata_keep, colour_profiles, overwrite_policy, mirror_folders,
  // png_compression, flatten_colour, workers, memory_budget, the three read limits and
  // fast_resize
  size_t marked = 0;
  for (size_t at = 0; (at = list.output.find("(extension:", at)) != std::string::npos; ++at)
    ++marked;
  EXPECT_EQ(marked, 13u);
}

}  // namespace
}  // namespace lumatrix
