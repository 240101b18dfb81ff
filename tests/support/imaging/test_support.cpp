#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>

#include "base/image_error.h"

namespace lumatrix::test {

TempDir::TempDir() {
  std::random_device rd;
  for (;;) {
    path_ = std::filesystem::temp_directory_path() /
            ("lumatrix-test-" + std::to_string(rd()) + std::to_string(rd()));
    if (std::filesystem::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

Raster gradient_rgb(int width, int height) {
  Raster r(width, height, PixelFormat::Rgb24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      r.set_pixel(x, y,
                  Rgb{static_cast<uint8_t>(x * 37 + y * 11), static_cast<uint8_t>(x * 5 + y * 71),
                      static_cast<uint8_t>(x * y + 13)});
  return r;
}

Raster grey_ramp(int width, int height) {
  Raster r(width, height, PixelFormat::Gray8);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) r.row(y)[x] = static_cast<uint8_t>(x * 7 + y * 3);
  return r;
}

Raster paletted(int width, int height, int colours) {
  Raster r(width, height, PixelFormat::Palette8);
  for (int i = 0; i < colours; ++i)
    r.palette.push_back(Rgb{static_cast<uint8_t>(i * 5), static_cast<uint8_t>(255 - i),
                            static_cast<uint8_t>(i * 13)});
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) r.row(y)[x] = static_cast<uint8_t>((x + 3 * y) % colours);
  return r;
}

Raster with_ramp_alpha(Raster raster) {
  raster.add_alpha();
  for (int y = 0; y < raster.height(); ++y)
    for (int x = 0; x < raster.width(); ++x)
      raster.alpha_row(y)[x] = static_cast<uint8_t>(x * 255 / raster.width());
  return raster;
}

std::string refusal_reason(DecodeFn decode, std::span<const uint8_t> bytes) {
  try {
    IOParams params;
    decode(bytes, params);
  } catch (const ImageError& e) {
    return e.what();
  }
  return "decoded";
}

std::string shell_quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

CommandResult run_shell(const std::string& command) {
  CommandResult result;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>&1").c_str(), "r"), pclose);
  if (!pipe) return result;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0)
    result.output.append(buffer.data(), n);
  int status = pclose(pipe.release());
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

CliResult run_lumatrix(const TempDir& dir, const std::vector<std::string>& args) {
  std::string command = "LUMATRIX_HOME=" + shell_quote((dir / "home").string()) + " " +
                        shell_quote(LUMATRIX_CLI_PATH);
  for (const std::string& a : args) command += " " + shell_quote(a);
  const std::filesystem::path err = dir / ".stderr";
  // The braces keep this redirection of standard error apart from run_shell's own.
  const CommandResult r = run_shell("{ " + command + " 2>" + shell_quote(err.string()) + "; }");
  const std::vector<uint8_t> err_bytes = read_bytes(err);
  std::filesystem::remove(err);
  return {r.status, r.output, std::string(err_bytes.begin(), err_bytes.end())};
}

std::vector<uint8_t> read_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

int expect_survives_damage(std::span<const uint8_t> valid,
                           const std::function<void(std::span<const uint8_t>)>& decode) {
  int tried = 0;
  auto attempt = [&](std::span<const uint8_t> damaged, const std::string& what) {
    ++tried;
    try {
      decode(damaged);
    } catch (const ImageError&) {
    } catch (const std::exception& e) {
      ADD_FAILURE() << what << ": unexpected exception " << e.what();
    }
  };
  const size_t size = valid.size();
  for (size_t cut = 0; cut < size; cut += std::max<size_t>(1, size / 64))
    attempt(valid.first(cut), "truncated to " + std::to_string(cut) + " bytes");
  std::mt19937 rng(12345);
  std::vector<uint8_t> copy(valid.begin(), valid.end());
  for (int i = 0; i < 200 && size > 0; ++i) {
    const size_t pos = i < 64 ? std::min<size_t>(size - 1, static_cast<size_t>(i)) : rng() % size;
    const uint8_t bit = static_cast<uint8_t>(1u << (rng() % 8));
    copy[pos] ^= bit;
    attempt(copy, "bit flip at " + std::to_string(pos));
    copy[pos] ^= bit;
  }
  return tried;
}

int expect_reader_survives_damage(std::span<const uint8_t> valid, DecodeFn decode,
                                  HeaderFn read_header) {
  return expect_survives_damage(valid, [&](std::span<const uint8_t> damaged) {
    IOParams params;
    try {
      read_header(damaged, params);
    } catch (const ImageError&) {
    }
    decode(damaged, params);
  });
}

}  // namespace lumatrix::test
