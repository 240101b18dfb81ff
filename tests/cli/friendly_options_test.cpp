// The options over the settings, the version, the suggestions for mistyped names.
#include <gtest/gtest.h>

#include "test_support.h"

namespace lumatrix {
namespace {

// The value `settings` prints for `name` with `args`.
std::string value_of(const std::string& text, const std::string& name) {
  const size_t at = text.find("\n" + name + "=");
  if (at == std::string::npos) return "(absent)";
  const size_t start = at + name.size() + 2;
  return text.substr(start, text.find('\n', start) - start);
}

class FriendlyOptions : public ::testing::Test {
 protected:
  test::CliResult settings(std::vector<std::string> args) {
    args.insert(args.begin(), "settings");
    return test::run_lumatrix(dir, args);
  }
  test::TempDir dir;
};

TEST_F(FriendlyOptions, FitFormatAndQualitySetTheSettingsTheyStandFor) {
  const auto r = settings({"--fit", "1600x1200", "--format", "PNG", "--quality", "85"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string text = "\n" + r.out;
  EXPECT_EQ(value_of(text, "resizing_method"), "Downsize by Pixels");
  EXPECT_EQ(value_of(text, "image_width"), "1600");
  EXPECT_EQ(value_of(text, "image_height"), "1200");
  EXPECT_EQ(value_of(text, "dimension_aspect_ratio"), "true");
  EXPECT_EQ(value_of(text, "reverse_widthheight"), "false");
  EXPECT_EQ(value_of(text, "resampletype"), "Lanczos3");
  EXPECT_EQ(value_of(text, "Image_Format"), "PNG");
  EXPECT_EQ(value_of(text, "JPEG_Quality"), "85");

  // A filter chosen, before or after --fit, stays.
  const auto chosen = settings({"--set", "resampletype=Bell", "--fit", "10X20"});
  EXPECT_EQ(value_of("\n" + chosen.out, "resampletype"), "Bell");
  EXPECT_EQ(value_of("\n" + chosen.out, "image_height"), "20");
}

TEST_F(FriendlyOptions, RefusalsNameTheOptionAndSuggest) {
  const auto fit = settings({"--fit", "1600"});
  EXPECT_EQ(fit.status, 2);
  EXPECT_NE(fit.err.find("--fit needs WIDTHxHEIGHT"), std::string::npos) << fit.err;
  EXPECT_EQ(settings({"--fit", "0x10"}).status, 2);

  const auto format = settings({"--format", "PNGG"});
  EXPECT_EQ(format.status, 2);
  EXPECT_NE(format.err.find("--format: Image_Format: 'PNGG' is not one of"), std::string::npos)
      << format.err;
  EXPECT_NE(format.err.find("did you mean \"PNG\""), std::string::npos);

  const auto quality = settings({"--quality", "101"});
  EXPECT_EQ(quality.status, 2);
  EXPECT_NE(quality.err.find("--quality: JPEG_Quality: 101"), std::string::npos) << quality.err;

  const auto name = settings({"--set", "JPEG_Qualty=80"});
  EXPECT_EQ(name.status, 2);
  EXPECT_NE(name.err.find("did you mean JPEG_Quality?"), std::string::npos) << name.err;

  const auto option = test::run_lumatrix(dir, {"process", "--recursiv", "x"});
  EXPECT_EQ(option.status, 2);
  EXPECT_NE(option.err.find("unexpected option '--recursiv' (did you mean --recursive?)"),
            std::string::npos)
      << option.err;

  const auto command = test::run_lumatrix(dir, {"proces"});
  EXPECT_EQ(command.status, 2);
  EXPECT_NE(command.err.find("unknown command 'proces' (did you mean process?)"), std::string::npos)
      << command.err;
}

TEST_F(FriendlyOptions, VersionEverywhere) {
  const auto top = test::run_lumatrix(dir, {"--version"});
  EXPECT_EQ(top.status, 0);
  ASSERT_TRUE(top.out.starts_with("lumatrix ")) << top.out;
  for (const char* command : {"process", "info", "settings", "completion"}) {
    const auto r = test::run_lumatrix(dir, {command, "--version"});
    EXPECT_EQ(r.status, 0) << command;
    EXPECT_EQ(r.out, top.out) << command;
  }
}

TEST_F(FriendlyOptions, FindListsTheSettingsByNameOrCaption) {
  const auto r = settings({"--find", "QUALITY"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("JPEG_Quality"), std::string::npos);
  EXPECT_NE(r.out.find("quality_t1"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("resizing_method"), std::string::npos);
  // By group: the thumbnail rows, whose captions do not say "thumbnail".
  EXPECT_NE(settings({"--find", "thumbnail"}).out.find("resizing_method_t2"), std::string::npos);
  // By caption: "Existing Outputs" is overwrite_policy's.
  EXPECT_NE(settings({"--find", "existing outputs"}).out.find("overwrite_policy"),
            std::string::npos);
  const auto none = settings({"--find", "watermrak_alignment"});
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("did you mean watermark_alignment?"), std::string::npos) << none.err;
}

TEST_F(FriendlyOptions, BashCompletionOffersCommandsOptionsAndSettingNames) {
  const auto script = test::run_lumatrix(dir, {"completion"});
  ASSERT_EQ(script.status, 0) << script.err;
  test::write_bytes(dir / "lumatrix.bash",
                    std::vector<uint8_t>(script.out.begin(), script.out.end()));
  // Completes as bash would: COMP_WORDS and COMP_CWORD, then the function's reply.
  const auto complete = [&](const std::string& words, int current) {
    return test::run_shell("bash -c " +
                           test::shell_quote("source " + (dir / "lumatrix.bash").string() +
                                             " && COMP_WORDS=(" + words +
                                             ") && COMP_CWORD=" + std::to_string(current) +
                                             " && _lumatrix && printf '%s\\n' \"${COMPREPLY[@]}\""))
        .output;
  };
  EXPECT_EQ(complete("lumatrix proc", 1), "process\n");
  EXPECT_NE(complete("lumatrix process --st", 2).find("--strict"), std::string::npos);
  EXPECT_NE(complete("lumatrix process --set JPEG_Q", 3).find("JPEG_Quality"), std::string::npos);
  EXPECT_NE(complete("lumatrix settings --set overwrite_p", 3).find("overwrite_policy"),
            std::string::npos);
  EXPECT_NE(complete("lumatrix process --format TIFF", 3).find("TIFF\\ LZW"), std::string::npos);
}

}  // namespace
}  // namespace lumatrix
