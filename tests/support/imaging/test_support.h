#pragma once
// Helpers shared by the tests: scratch folders, synthetic images, running other programs.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "base/image_error.h"
#include "imaging/codec.h"
#include "imaging/raster.h"

namespace lumatrix::test {

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes out of scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// A w×h 24-bit image whose pixels differ everywhere: (x*37+y*11, x*5+y*71, x*y+13) mod 256.
Raster gradient_rgb(int width, int height);

// A grey ramp: (7x + 3y) mod 256.
Raster grey_ramp(int width, int height);
// A palette of `colours` entries (i*5, 255-i, i*13), pixels (x + 3y) mod colours.
Raster paletted(int width, int height, int colours);
// The raster with an alpha plane rising from left to right (x * 255 / width).
Raster with_ramp_alpha(Raster raster);

// The message of the ImageError `fn` throws, or "no error".
template <typename Fn>
std::string error_of(Fn&& fn) {
  try {
    fn();
  } catch (const ImageError& e) {
    return e.what();
  }
  return "no error";
}

// What a decoder says when it refuses `bytes` (the ImageError's message), or "decoded".
std::string refusal_reason(DecodeFn decode, std::span<const uint8_t> bytes);

struct CommandResult {
  int status = -1;     // exit status, or -1 when the program could not be run
  std::string output;  // standard output and standard error together
};
// Runs `command` through /bin/sh.
CommandResult run_shell(const std::string& command);
// The quoted form of a path or word for /bin/sh.
std::string shell_quote(const std::string& text);

struct CliResult {
  int status = -1;
  std::string out, err;
};
// Runs the built `lumatrix` with `args`, its per-user folder set to `dir`/home so tests never
// touch the real one; standard output and standard error kept apart.
CliResult run_lumatrix(const TempDir& dir, const std::vector<std::string>& args);

std::vector<uint8_t> read_bytes(const std::filesystem::path& path);
void write_bytes(const std::filesystem::path& path, std::span<const uint8_t> bytes);

// Feeds damaged copies of a valid file to `decode`: every truncation length in a spread of
// points, and single-bit flips at a spread of positions. Each call must either return or throw
// ImageError; anything else (another exception, a crash, a sanitizer report) fails the test.
// Returns how many damaged inputs were tried.
int expect_survives_damage(std::span<const uint8_t> valid,
                           const std::function<void(std::span<const uint8_t>)>& decode);
// The same for one reader: each damaged copy goes to its header reader (whose refusal is
// allowed) and then to its decoder.
int expect_reader_survives_damage(std::span<const uint8_t> valid, DecodeFn decode,
                                  HeaderFn read_header);

}  // namespace lumatrix::test
