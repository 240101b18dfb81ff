#include "imaging/codecs/exif_block.h"

#include <algorithm>
#include <optional>

#include "imaging/metadata.h"

namespace lumatrix {

namespace {

constexpr uint8_t kExifPrefix[] = {'E', 'x', 'i', 'f', 0, 0};
constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kShortType = 3;

bool starts_with(std::span<const uint8_t> data, std::span<const uint8_t> prefix) {
  return data.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), data.begin());
}

// The block's byte order from its TIFF header: little-endian or not; none without a header.
std::optional<bool> little_endian(std::span<const uint8_t> data) {
  if (data.size() < 8) return std::nullopt;
  if (data[0] == 'I' && data[1] == 'I' && data[2] == 42 && data[3] == 0) return true;
  if (data[0] == 'M' && data[1] == 'M' && data[2] == 0 && data[3] == 42) return false;
  return std::nullopt;
}

// Reads the block's integers in its own byte order, refusing to look past its end.
class TiffView {
 public:
  explicit TiffView(std::span<uint8_t> data) : data_(data) {
    const std::optional<bool> order = little_endian(data);
    valid_ = order.has_value();
    little_ = order.value_or(true);
  }
  bool valid() const { return valid_; }
  std::optional<uint32_t> u16(size_t at) const { return get(at, 2); }
  std::optional<uint32_t> u32(size_t at) const { return get(at, 4); }
  void put_u16(size_t at, uint16_t v) {
    data_[at + (little_ ? 0 : 1)] = static_cast<uint8_t>(v);
    data_[at + (little_ ? 1 : 0)] = static_cast<uint8_t>(v >> 8);
  }

 private:
  std::optional<uint32_t> get(size_t at, int bytes) const {
    if (at > data_.size() || data_.size() - at < static_cast<size_t>(bytes)) return std::nullopt;
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) {
      const uint8_t b = data_[at + (little_ ? bytes - 1 - i : i)];
      v = (v << 8) | b;
    }
    return v;
  }

  std::span<uint8_t> data_;
  bool little_ = true, valid_ = false;
};

}  // namespace

bool has_tiff_header(std::span<const uint8_t> exif) {
  return little_endian(exif).has_value();
}

std::vector<uint8_t> exif_from_chunk(std::span<const uint8_t> chunk) {
  if (starts_with(chunk, kExifPrefix)) chunk = chunk.subspan(sizeof kExifPrefix);
  return {chunk.begin(), chunk.end()};
}

std::vector<uint8_t> exif_from_box(std::span<const uint8_t> box) {
  if (box.size() < 4) return {};
  const uint32_t offset = (uint32_t{box[0]} << 24) | (uint32_t{box[1]} << 16) |
                          (uint32_t{box[2]} << 8) | uint32_t{box[3]};
  if (offset >= box.size() - 4) return {};
  // Writers that leave the offset at 0 sometimes still put "Exif\0\0" in front of the header.
  return exif_from_chunk(box.subspan(4 + offset));
}

std::vector<uint8_t> exif_box(std::span<const uint8_t> exif) {
  std::vector<uint8_t> box(4, 0);
  box.insert(box.end(), exif.begin(), exif.end());
  return box;
}

namespace {

// The offset of the Orientation entry in the first IFD when it holds one SHORT, else nothing.
std::optional<size_t> orientation_entry(const TiffView& tiff) {
  if (!tiff.valid()) return std::nullopt;
  const std::optional<uint32_t> ifd = tiff.u32(4);
  if (!ifd) return std::nullopt;
  const std::optional<uint32_t> count = tiff.u16(*ifd);
  if (!count) return std::nullopt;
  for (uint32_t i = 0; i < *count; ++i) {
    const size_t entry = size_t{*ifd} + 2 + size_t{i} * 12;
    const std::optional<uint32_t> tag = tiff.u16(entry), type = tiff.u16(entry + 2),
                                  values = tiff.u32(entry + 4), value = tiff.u16(entry + 8);
    if (!tag || !type || !values || !value) return std::nullopt;
    if (*tag == kOrientationTag) {
      if (*type == kShortType && *values == 1) return entry;
      return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace

void mark_exif_upright(std::vector<uint8_t>& exif) {
  TiffView tiff(exif);
  if (const std::optional<size_t> entry = orientation_entry(tiff)) tiff.put_u16(*entry + 8, 1);
}

int exif_orientation(std::span<const uint8_t> exif) {
  // The view only writes through put_u16, which this never calls.
  const TiffView tiff({const_cast<uint8_t*>(exif.data()), exif.size()});
  const std::optional<size_t> entry = orientation_entry(tiff);
  if (!entry) return 0;
  const uint32_t value = tiff.u16(*entry + 8).value_or(0);
  return value >= 1 && value <= 8 ? static_cast<int>(value) : 0;
}

void keep_exif(std::vector<uint8_t> exif, IOParams& params) {
  if (std::optional<Resolution> r = exif_resolution(exif)) {
    params.dpi_x = r->dpi_x;
    params.dpi_y = r->dpi_y;
  }
  params.exif = std::move(exif);
}

}  // namespace lumatrix
