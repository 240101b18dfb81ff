// `lumatrix turn` as a user runs it: several files, some of which cannot be turned.
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include "imaging/image_document.h"
#include "jpeg_samples.h"
#include "test_support.h"

namespace lumatrix {
namespace {

using test::TempDir;

ImageDocument loaded(const std::filesystem::path& file) {
  ImageDocument doc;
  doc.load(file);
  return doc;
}

TEST(TurnCommand, TurnsEveryFileItCanAndNamesTheOnesItRefuses) {
  TempDir dir;
  const auto wide = dir / "wide.jpg", odd = dir / "odd.jpg", flat = dir / "flat.png";
  test::write_bytes(wide, test::jpeg_of(test::gradient_rgb(32, 16), TJSAMP_420));
  const std::vector<uint8_t> odd_bytes = test::jpeg_of(test::gradient_rgb(1001, 750), TJSAMP_420);
  test::write_bytes(odd, odd_bytes);
  ImageDocument png;
  png.raster = test::gradient_rgb(5, 3);
  ASSERT_TRUE(png.save(flat));

  const test::CliResult r =
      test::run_lumatrix(dir, {"turn", "--right", wide.string(), odd.string(), flat.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("odd.jpg: 1001×750 is not a whole number of 16×16 blocks"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find("wide.jpg"), std::string::npos) << r.err;
  EXPECT_EQ(loaded(wide).width(), 16);
  EXPECT_EQ(loaded(flat).width(), 3);
  EXPECT_EQ(test::read_bytes(odd), odd_bytes);

  const test::CliResult back = test::run_lumatrix(dir, {"turn", "--left", wide.string()});
  EXPECT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(loaded(wide).width(), 32);
  const test::CliResult mirror =
      test::run_lumatrix(dir, {"turn", "--horizontal", wide.string(), flat.string()});
  EXPECT_EQ(mirror.status, 0) << mirror.err;
}

TEST(TurnCommand, CommandLineMistakesAreUsageErrors) {
  TempDir dir;
  const auto file = dir / "a.jpg";
  test::write_bytes(file, test::jpeg_of(test::gradient_rgb(16, 16), TJSAMP_420));
  const std::vector<uint8_t> before = test::read_bytes(file);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"turn", file.string()},
        std::vector<std::string>{"turn", "--left", "--right", file.string()},
        std::vector<std::string>{"turn", "--lefft", file.string()},
        std::vector<std::string>{"turn", "--left"}}) {
    const test::CliResult r = test::run_lumatrix(dir, args);
    EXPECT_EQ(r.status, 2) << args[1] << ": " << r.err;
  }
  EXPECT_EQ(test::read_bytes(file), before);
  EXPECT_NE(test::run_lumatrix(dir, {"turn", "--lefft", file.string()}).err.find("--left"),
            std::string::npos);

  const test::CliResult missing =
      test::run_lumatrix(dir, {"turn", "--vertical", (dir / "gone.jpg").string()});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("gone.jpg"), std::string::npos) << missing.err;
}

TEST(TurnCommand, HelpAndCompletionOfferTheTurns) {
  TempDir dir;
  const test::CliResult help = test::run_lumatrix(dir, {"turn", "--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* option : {"--left", "--right", "--vertical", "--horizontal"})
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  const test::CliResult completion = test::run_lumatrix(dir, {"completion"});
  EXPECT_NE(completion.out.find("turn) options='--left --right --vertical --horizontal"),
            std::string::npos);
  EXPECT_NE(test::run_lumatrix(dir, {"--help"}).out.find("turn "), std::string::npos);
}

}  // namespace
}  // namespace lumatrix
