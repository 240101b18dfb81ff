// The manual page is made from the program's --help texts at build time.
#include <gtest/gtest.h>

#include <sstream>

#include "test_support.h"

namespace lumatrix {
namespace {

TEST(ManPage, HoldsEveryCommandsHelpAsRoff) {
  test::TempDir dir;
  const std::string source = std::string(LUMATRIX_TEST_DATA) + "/../..";
  const auto made =
      test::run_shell("LUMATRIX_HOME=" + test::shell_quote((dir / "home").string()) +
                      " cmake -DLUMATRIX=" + test::shell_quote(LUMATRIX_CLI_PATH) +
                      " -DVERSION=9.8.7 -DOUT=" + test::shell_quote((dir / "lumatrix.1").string()) +
                      " -P " + test::shell_quote(source + "/cmake/make_man_page.cmake") + " 2>&1");
  ASSERT_EQ(made.status, 0) << made.output;
  const std::string page = test::text_of(dir / "lumatrix.1");
  EXPECT_TRUE(page.starts_with(".TH LUMATRIX 1 ")) << page.substr(0, 80);
  EXPECT_NE(page.find("\"lumatrix 9.8.7\""), std::string::npos);
  for (const char* command : {"settings", "info", "process", "rename", "completion"})
    EXPECT_NE(page.find("\n.SS " + std::string(command) + "\n.nf\nUsage: lumatrix " + command),
              std::string::npos)
        << command;
  // Dashes and backslashes escaped; no text line a roff request could be taken for.
  EXPECT_NE(page.find("\\-\\-in\\-place"), std::string::npos);
  EXPECT_NE(page.find("\\e\\e for a backslash"), std::string::npos);
  std::istringstream lines(page);
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with(".") && !line.starts_with("'")) continue;
    const std::string request = line.substr(0, line.find(' '));
    EXPECT_TRUE(request == ".TH" || request == ".SH" || request == ".SS" || request == ".nf" ||
                request == ".fi" || request == ".B")
        << line;
  }
}

}  // namespace
}  // namespace lumatrix
