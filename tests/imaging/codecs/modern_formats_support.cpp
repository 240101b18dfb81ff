#include "modern_formats_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <exiv2/exiv2.hpp>

#include "imaging/codecs/codecs.h"
#include "test_support.h"

namespace lumatrix::test {

Raster photo_like(int width, int height) {
  Raster r(width, height, PixelFormat::Rgb24);
  uint32_t seed = 1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      seed = seed * 1103515245 + 12345;
      const int grain = static_cast<int>(seed >> 16) % 25 - 12;
      uint8_t* p = r.row(y) + 3 * x;
      p[0] = static_cast<uint8_t>(std::clamp(128 + 100 * std::sin(x / 9.0) + grain, 0.0, 255.0));
      p[1] = static_cast<uint8_t>(std::clamp(128 + 100 * std::cos(y / 7.0) - grain, 0.0, 255.0));
      p[2] = static_cast<uint8_t>((x + y) * 255 / (width + height));
    }
  return r;
}

double psnr(const Raster& a, const Raster& b) {
  EXPECT_EQ(a.bytes().size(), b.bytes().size());
  const size_t n = std::min(a.bytes().size(), b.bytes().size());
  double sum = 0;
  for (size_t i = 0; i < n; ++i) {
    const double d = a.bytes()[i] - b.bytes()[i];
    sum += d * d;
  }
  const double mse = n == 0 ? 0 : sum / static_cast<double>(n);
  return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

std::vector<uint8_t> camera_exif(int orientation) {
  Exiv2::ExifData data;
  data["Exif.Image.Make"] = "Lumacam";
  data["Exif.Image.Model"] = "Model 7";
  data["Exif.Image.Orientation"] = static_cast<uint16_t>(orientation);
  data["Exif.Image.XResolution"] = Exiv2::Rational(300, 1);
  data["Exif.Image.YResolution"] = Exiv2::Rational(300, 1);
  data["Exif.Image.ResolutionUnit"] = static_cast<uint16_t>(2);
  data["Exif.Photo.DateTimeOriginal"] = "2021:07:04 12:30:00";
  Exiv2::Blob blob;
  Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
  return blob;
}

int exif_orientation(const std::vector<uint8_t>& exif) {
  Exiv2::ExifData data;
  Exiv2::ExifParser::decode(data, exif.data(), exif.size());
  const auto it = data.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
  return it == data.end() ? 0 : static_cast<int>(it->toLong());
}

bool run_tool(const std::string& tool, const std::string& args) {
  const CommandResult r = run_shell("/usr/bin/" + tool + " " + args);
  EXPECT_EQ(r.status, 0) << tool << " " << args << ": " << r.output;
  return r.status == 0;
}

std::string quoted(const std::filesystem::path& path) {
  return shell_quote(path.string());
}

void write_png(const std::filesystem::path& path, const Raster& raster) {
  write_bytes(path, encode_png(raster, IOParams{}, ".png"));
}

}  // namespace lumatrix::test
