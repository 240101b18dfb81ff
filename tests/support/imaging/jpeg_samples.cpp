#include "jpeg_samples.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>

namespace lumatrix::test {

namespace {

struct TjFree {
  void operator()(void* handle) const { tjDestroy(handle); }
};

std::vector<uint8_t> compress(const std::vector<uint8_t>& pixels, int width, int height,
                              int pixel_format, int subsampling, int flags) {
  std::unique_ptr<void, TjFree> tj(tjInitCompress());
  unsigned char* out = nullptr;
  unsigned long size = 0;
  if (tjCompress2(tj.get(), pixels.data(), width, 0, height, pixel_format, &out, &size, subsampling,
                  90, flags) != 0)
    throw std::runtime_error(tjGetErrorStr2(tj.get()));
  std::vector<uint8_t> bytes(out, out + size);
  tjFree(out);
  return bytes;
}

void put_segment(std::vector<uint8_t>& out, uint8_t marker, std::span<const uint8_t> payload) {
  const size_t length = payload.size() + 2;
  out.insert(out.end(), {0xFF, marker, static_cast<uint8_t>(length >> 8),
                         static_cast<uint8_t>(length & 0xFF)});
  out.insert(out.end(), payload.begin(), payload.end());
}

}  // namespace

std::vector<uint8_t> jpeg_of(const Raster& raster, int subsampling, int flags) {
  const Raster rgb = raster.to_rgb24();
  std::vector<uint8_t> pixels;
  for (int y = 0; y < rgb.height(); ++y)
    pixels.insert(pixels.end(), rgb.row(y), rgb.row(y) + rgb.width() * 3);
  return compress(pixels, rgb.width(), rgb.height(), TJPF_RGB, subsampling, flags);
}

Raster blocks_of(int width, int height, bool grey) {
  Raster raster(width, height, PixelFormat::Rgb24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int bx = x / 8, by = y / 8;
      const auto v = static_cast<uint8_t>((bx * 41 + by * 73 + 20) % 256);
      raster.set_pixel(x, y,
                       grey ? Rgb{v, v, v}
                            : Rgb{v, static_cast<uint8_t>((bx * 29 + 90) % 256),
                                  static_cast<uint8_t>((by * 53 + 30) % 256)});
    }
  return raster;
}

std::vector<uint8_t> cmyk_jpeg(int width, int height) {
  std::vector<uint8_t> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pixels.insert(pixels.end(), {static_cast<uint8_t>(x * 7), static_cast<uint8_t>(y * 9),
                                   static_cast<uint8_t>(x * y), static_cast<uint8_t>(x + y)});
  return compress(pixels, width, height, TJPF_CMYK, TJSAMP_444, 0);
}

std::vector<uint8_t> camera_exif(int orientation, int width, int height) {
  Exiv2::ExifData data;
  data["Exif.Image.Make"] = "Lumatrix Test Camera";
  data["Exif.Image.Model"] = "T-1";
  data["Exif.Image.Orientation"] = static_cast<uint16_t>(orientation);
  data["Exif.Photo.DateTimeOriginal"] = "2024:05:06 07:08:09";
  data["Exif.Photo.PixelXDimension"] = static_cast<uint32_t>(width);
  data["Exif.Photo.PixelYDimension"] = static_cast<uint32_t>(height);
  data["Exif.Photo.UserComment"] = "charset=Ascii kept";
  const std::vector<uint8_t> thumb = jpeg_of(Raster(16, 8, PixelFormat::Rgb24), TJSAMP_420);
  Exiv2::ExifThumb(data).setJpegThumbnail(thumb.data(), static_cast<long>(thumb.size()));
  Exiv2::Blob blob;
  Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
  return blob;
}

std::vector<uint8_t> fake_icc_profile() {
  std::vector<uint8_t> profile(300);
  for (size_t i = 0; i < profile.size(); ++i) profile[i] = static_cast<uint8_t>(i * 31 + 7);
  // What readers check of a profile: its size first, the "acsp" signature at 36.
  profile[0] = profile[1] = 0;
  profile[2] = static_cast<uint8_t>(profile.size() >> 8);
  profile[3] = static_cast<uint8_t>(profile.size() & 0xFF);
  std::copy_n("acsp", 4, profile.begin() + 36);
  return profile;
}

std::vector<uint8_t> icc_segment_payload(std::span<const uint8_t> profile) {
  std::vector<uint8_t> payload = bytes_of(std::string_view("ICC_PROFILE\0", 12));
  payload.push_back(1);  // sequence number
  payload.push_back(1);  // of one segment
  payload.insert(payload.end(), profile.begin(), profile.end());
  return payload;
}

std::vector<uint8_t> with_segments(std::vector<uint8_t> jpeg, std::span<const uint8_t> exif,
                                   std::span<const uint8_t> icc, std::string_view comment) {
  std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
  if (!exif.empty()) {
    std::vector<uint8_t> payload = bytes_of(std::string_view("Exif\0\0", 6));
    payload.insert(payload.end(), exif.begin(), exif.end());
    put_segment(out, 0xE1, payload);
  }
  if (!icc.empty()) put_segment(out, 0xE2, icc_segment_payload(icc));
  if (!comment.empty()) put_segment(out, 0xFE, bytes_of(comment));
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

std::vector<uint8_t> segment_payload(std::span<const uint8_t> jpeg, uint8_t marker) {
  size_t pos = 2;
  while (pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF && jpeg[pos + 1] != 0xDA) {
    const size_t length = (size_t{jpeg[pos + 2]} << 8) | jpeg[pos + 3];
    if (jpeg[pos + 1] == marker)
      return {jpeg.begin() + pos + 4, jpeg.begin() + std::min(jpeg.size(), pos + 2 + length)};
    pos += 2 + length;
  }
  return {};
}

bool has_marker(std::span<const uint8_t> jpeg, uint8_t marker) {
  size_t pos = 2;
  while (pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF && jpeg[pos + 1] != 0xDA) {
    if (jpeg[pos + 1] == marker) return true;
    pos += 2 + ((size_t{jpeg[pos + 2]} << 8) | jpeg[pos + 3]);
  }
  return false;
}

std::vector<uint8_t> bytes_of(std::string_view text) {
  return {text.begin(), text.end()};
}

Exiv2::ExifData exif_of(const std::filesystem::path& file) {
  auto image = Exiv2::ImageFactory::open(file.string());
  image->readMetadata();
  return image->exifData();
}

bool has_exif_thumbnail(const Exiv2::ExifData& exif) {
  return std::any_of(exif.begin(), exif.end(),
                     [](const Exiv2::Exifdatum& d) { return d.groupName() == "Thumbnail"; });
}

std::string exif_text(const Exiv2::ExifData& exif, std::initializer_list<const char*> left_out) {
  std::map<std::string, std::string> tags;
  for (const Exiv2::Exifdatum& d : exif) {
    if (d.groupName() == "Thumbnail" || d.key() == "Exif.Image.ExifTag") continue;
    if (std::find_if(left_out.begin(), left_out.end(),
                     [&](const char* key) { return d.key() == key; }) != left_out.end())
      continue;
    tags[d.key()] = d.toString();
  }
  std::string text;
  for (const auto& [key, value] : tags) text += key + "=" + value + "\n";
  return text;
}

int max_difference(const Raster& a, const Raster& b) {
  if (a.width() != b.width() || a.height() != b.height()) return 256;
  const Raster ra = a.to_rgb24(), rb = b.to_rgb24();
  int worst = 0;
  for (int y = 0; y < ra.height(); ++y) {
    for (int i = 0; i < ra.width() * 3; ++i)
      worst = std::max(worst, std::abs(int{ra.row(y)[i]} - int{rb.row(y)[i]}));
    if (ra.has_alpha() != rb.has_alpha()) return 256;
    if (ra.has_alpha())
      for (int x = 0; x < ra.width(); ++x)
        worst = std::max(worst, std::abs(int{ra.alpha_row(y)[x]} - int{rb.alpha_row(y)[x]}));
  }
  return worst;
}

}  // namespace lumatrix::test
