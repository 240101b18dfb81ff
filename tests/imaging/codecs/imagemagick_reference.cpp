#include "imagemagick_reference.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "test_support.h"

namespace lumatrix::test {

void imagemagick(const std::string& args) {
  const CommandResult r = run_shell("/usr/bin/convert " + args);
  EXPECT_EQ(r.status, 0) << "convert " << args << ": " << r.output;
}

Raster imagemagick_decode(const std::filesystem::path& file, bool with_alpha) {
  const std::string quoted = shell_quote(file.string() + "[0]");
  const CommandResult size = run_shell("/usr/bin/identify -format '%w %h' " + quoted);
  int width = 0, height = 0;
  std::istringstream(size.output) >> width >> height;
  if (size.status != 0 || width <= 0 || height <= 0) {
    ADD_FAILURE() << "identify " << file << ": " << size.output;
    return {};
  }
  // Raw samples carry no header of their own, so none of our readers is involved.
  const TempDir dir;
  const std::filesystem::path raw = dir / "pixels.raw";
  const CommandResult r = run_shell("/usr/bin/convert " + quoted + " -depth 8 " +
                                    shell_quote((with_alpha ? "rgba:" : "rgb:") + raw.string()));
  const std::vector<uint8_t> bytes = read_bytes(raw);
  const size_t channels = with_alpha ? 4 : 3;
  if (r.status != 0 || bytes.size() != channels * width * height) {
    ADD_FAILURE() << "convert " << file << " to raw: " << r.output;
    return {};
  }
  Raster out(width, height, PixelFormat::Rgb24);
  if (with_alpha) out.add_alpha();
  const uint8_t* s = bytes.data();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x, s += channels) {
      out.row(y)[3 * x] = s[0], out.row(y)[3 * x + 1] = s[1], out.row(y)[3 * x + 2] = s[2];
      if (with_alpha) out.alpha_row(y)[x] = s[3];
    }
  return out;
}

::testing::AssertionResult same_pixels(const Raster& actual, const Raster& expected,
                                       int tolerance) {
  if (actual.width() != expected.width() || actual.height() != expected.height())
    return ::testing::AssertionFailure()
           << "size " << actual.width() << "x" << actual.height() << " instead of "
           << expected.width() << "x" << expected.height();
  if (actual.has_alpha() != expected.has_alpha())
    return ::testing::AssertionFailure()
           << (actual.has_alpha() ? "alpha plane not expected" : "alpha plane missing");
  auto near = [&](int a, int b) { return std::abs(a - b) <= tolerance; };
  for (int y = 0; y < actual.height(); ++y)
    for (int x = 0; x < actual.width(); ++x) {
      const Rgb a = actual.pixel(x, y), e = expected.pixel(x, y);
      if (!near(a.r, e.r) || !near(a.g, e.g) || !near(a.b, e.b))
        return ::testing::AssertionFailure()
               << "pixel " << x << "," << y << " is " << int(a.r) << "," << int(a.g) << ","
               << int(a.b) << " instead of " << int(e.r) << "," << int(e.g) << "," << int(e.b);
      if (actual.has_alpha() && !near(actual.alpha_row(y)[x], expected.alpha_row(y)[x]))
        return ::testing::AssertionFailure()
               << "alpha at " << x << "," << y << " is " << int(actual.alpha_row(y)[x])
               << " instead of " << int(expected.alpha_row(y)[x]);
    }
  return ::testing::AssertionSuccess();
}

}  // namespace lumatrix::test
