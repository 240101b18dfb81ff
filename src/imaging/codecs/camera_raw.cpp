// Camera raw files through LibRaw (its thread-safe build), in memory: Canon CR2 and CR3, Nikon
// NEF, Sony ARW, Adobe DNG, Olympus ORF, Fujifilm RAF and Panasonic RW2, read only. The sensor
// data are demosaiced with the white balance the camera recorded and rendered to 8-bit sRGB
// (sRGB primaries and tone curve), turned the way the camera held them.
//
// LibRaw is C++ and reports failures as return codes; it catches its own exceptions, and the
// only callbacks it makes are the quiet ones below, which throw nothing. The processor lives in a
// unique_ptr, which releases everything it allocated.
#include <libraw.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "base/image_error.h"
#include "imaging/codecs/codecs.h"

namespace lumatrix {

namespace {

// DNG files and every TIFF-based raw among these keep the sensor data in an IFD of their own;
// TIFF readers see only the preview or thumbnail in front of it.
constexpr uint16_t kSubIfdsTag = 330;
constexpr uint16_t kPhotometricTag = 262;
constexpr uint16_t kDngVersionTag = 50706;
constexpr uint32_t kColourFilterArray = 32803;
constexpr uint32_t kLinearRaw = 34892;
constexpr int kMaxIfds = 16;  // of a file's chain and its sub-IFDs, looked at when sniffing

// LibRaw's own reports go to standard error by default; the codec reports through its result.
void quiet_data_error(void*, const char*, const int) {}
void quiet_memory_error(void*, const char*, const char*) {}

bool starts_with(std::span<const uint8_t> data, const char* prefix, size_t length) {
  return data.size() >= length && std::memcmp(data.data(), prefix, length) == 0;
}

// Just enough of TIFF to tell a raw file from a picture: the IFDs of the chain and their sub-IFDs.
class TiffStructure {
 public:
  explicit TiffStructure(std::span<const uint8_t> data) : data_(data) {}

  bool holds_sensor_data() const {
    if (data_.size() < 8) return false;
    if (std::memcmp(data_.data(), "II*\0", 4) == 0)
      little_ = true;
    else if (std::memcmp(data_.data(), "MM\0*", 4) == 0)
      little_ = false;
    else
      return false;
    std::vector<uint32_t> pending = {u32(4).value_or(0)};
    int seen = 0;
    while (!pending.empty() && seen < kMaxIfds) {
      const uint32_t ifd = pending.back();
      pending.pop_back();
      if (ifd < 8 || ifd >= data_.size()) continue;
      ++seen;
      const std::optional<uint32_t> count = u16(ifd);
      if (!count) continue;
      for (uint32_t i = 0; i < *count && i < 1024; ++i) {
        const size_t entry = size_t{ifd} + 2 + size_t{i} * 12;
        const std::optional<uint32_t> tag = u16(entry), values = u32(entry + 4);
        if (!tag || !values) break;
        if (*tag == kDngVersionTag) return true;
        if (*tag == kPhotometricTag) {
          const uint32_t photometric = u16(entry + 8).value_or(0);
          if (photometric == kColourFilterArray || photometric == kLinearRaw) return true;
        }
        if (*tag == kSubIfdsTag) {
          // One offset is stored in the entry, several at the offset it holds.
          const size_t at = *values == 1 ? entry + 8 : u32(entry + 8).value_or(0);
          for (uint32_t k = 0; k < *values && k < 8; ++k)
            if (std::optional<uint32_t> sub = u32(at + 4 * k)) pending.push_back(*sub);
        }
      }
      if (std::optional<uint32_t> next = u32(size_t{ifd} + 2 + size_t{*count} * 12))
        pending.push_back(*next);
    }
    return false;
  }

 private:
  std::optional<uint32_t> get(size_t at, int bytes) const {
    if (at > data_.size() || data_.size() - at < static_cast<size_t>(bytes)) return std::nullopt;
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | data_[at + (little_ ? bytes - 1 - i : i)];
    return v;
  }
  std::optional<uint32_t> u16(size_t at) const { return get(at, 2); }
  std::optional<uint32_t> u32(size_t at) const { return get(at, 4); }

  std::span<const uint8_t> data_;
  mutable bool little_ = true;
};

std::string reason(int code, const char* what) {
  // LibRaw reads past the end of a cut-off file as an input/output error.
  const char* why =
      code == LIBRAW_IO_ERROR ? "the data end too early or are damaged" : LibRaw::strerror(code);
  return std::string(what) + ": " + why;
}

// A processor that has read the file's header.
std::unique_ptr<LibRaw> opened(std::span<const uint8_t> data, const CameraRawOptions& options) {
  if (!sniff_camera_raw(data)) throw ImageError("not a camera raw file LibRaw is known to read");
  auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
  raw->set_dataerror_handler(quiet_data_error, nullptr);
  raw->set_memerror_handler(quiet_memory_error, nullptr);
  libraw_output_params_t& params = raw->imgdata.params;
  // LibRaw's own cap on what it allocates for one file, in step with the pixel limit: the sensor
  // data take 2 bytes a photosite, the demosaiced picture 8 bytes a pixel.
  const uint64_t budget_mb = (pixel_limit() * 8) >> 20;
  params.max_raw_memory_mb =
      static_cast<unsigned>(std::clamp<uint64_t>(budget_mb, 64, LIBRAW_MAX_ALLOC_MB_DEFAULT));
  params.use_camera_wb = 1;
  params.output_color = 1;  // sRGB primaries
  params.output_bps = 8;
  params.gamm[0] = 1 / 2.4;  // the sRGB tone curve
  params.gamm[1] = 12.92;
  params.half_size = options.half_size ? 1 : 0;
  // LibRaw only reads from the buffer; its interface just lacks the const.
  const int status = raw->open_buffer(const_cast<uint8_t*>(data.data()), data.size());
  if (status != LIBRAW_SUCCESS) throw ImageError(reason(status, "cannot read the camera raw file"));
  const libraw_image_sizes_t& sizes = raw->imgdata.sizes;
  if (sizes.raw_width == 0 || sizes.raw_height == 0 || sizes.width == 0 || sizes.height == 0)
    throw ImageError("camera raw file with an empty sensor area");
  // The sensor data are unpacked whole before anything is cut from them.
  check_pixel_limit(sizes.raw_width, sizes.raw_height);
  check_pixel_limit(sizes.width, sizes.height);
  return raw;
}

// The picture's size as it will come out: turned, and halved in the fast mode.
std::pair<int, int> output_size(LibRaw& raw) {
  const int status = raw.adjust_sizes_info_only();
  if (status != LIBRAW_SUCCESS) throw ImageError(reason(status, "cannot read the camera raw file"));
  const libraw_image_sizes_t& sizes = raw.imgdata.sizes;
  return {sizes.iwidth, sizes.iheight};
}

}  // namespace

Raster decode_camera_raw(std::span<const uint8_t> data, IOParams& params,
                         const CameraRawOptions& options) {
  std::unique_ptr<LibRaw> raw = opened(data, options);
  int status = raw->unpack();
  if (status != LIBRAW_SUCCESS) throw ImageError(reason(status, "cannot unpack the sensor data"));
  status = raw->dcraw_process();
  if (status != LIBRAW_SUCCESS) throw ImageError(reason(status, "cannot develop the sensor data"));
  int width = 0, height = 0, colours = 0, bits = 0;
  raw->get_mem_image_format(&width, &height, &colours, &bits);
  if (width <= 0 || height <= 0 || bits != 8 || (colours != 1 && colours != 3))
    throw ImageError("LibRaw gave no usable picture");
  Raster raster(width, height, colours == 1 ? PixelFormat::Gray8 : PixelFormat::Rgb24);
  status = raw->copy_mem_image(raster.bytes().data(), static_cast<int>(raster.stride()), 0);
  if (status != LIBRAW_SUCCESS)
    throw ImageError(reason(status, "cannot copy the developed picture"));
  params.bits_per_sample = 8;
  params.samples_per_pixel = colours;
  // The file's EXIF data (capture date, camera, lens) are TIFF tags or maker notes LibRaw parses
  // for itself; it hands out no block to keep.
  return raster;
}

Raster decode_camera_raw(std::span<const uint8_t> data, IOParams& params) {
  return decode_camera_raw(data, params, CameraRawOptions{});
}

void read_camera_raw_header(std::span<const uint8_t> data, IOParams& params) {
  std::unique_ptr<LibRaw> raw = opened(data, CameraRawOptions{});
  const auto [width, height] = output_size(*raw);
  params.width = width;
  params.height = height;
  params.bits_per_sample = 8;
  params.samples_per_pixel = raw->imgdata.idata.colors == 1 ? 1 : 3;
}

bool sniff_camera_raw(std::span<const uint8_t> data) {
  if (data.size() >= 16 && std::memcmp(data.data() + 4, "ftypcrx ", 8) == 0) return true;  // CR3
  if (starts_with(data, "FUJIFILMCCD-RAW ", 16)) return true;                              // RAF
  if (starts_with(data, "IIRO", 4) || starts_with(data, "IIRS", 4) || starts_with(data, "MMOR", 4))
    return true;                                   // ORF
  if (starts_with(data, "IIU\0", 4)) return true;  // RW2
  if (data.size() >= 11 && starts_with(data, "II*\0", 4) && data[8] == 'C' && data[9] == 'R')
    return true;                                   // CR2
  return TiffStructure(data).holds_sensor_data();  // DNG, NEF, ARW
}

}  // namespace lumatrix
