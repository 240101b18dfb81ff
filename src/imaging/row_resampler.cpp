#include "imaging/row_resampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "base/image_error.h"
#include "imaging/resample_kernels.h"

namespace lumatrix {

using resample_detail::AxisWeights;

namespace {

// The per-axis weight tables cost tens of bytes per destination index, far more than the
// pixels of a one-row image; a side beyond this is refused rather than allocated.
constexpr int kMaxFilteredSide = 1 << 20;

void check_size(int width, int height) {
  if (width < 1 || height < 1)
    throw ImageError("invalid resample size " + std::to_string(width) + "x" +
                     std::to_string(height));
  check_pixel_limit(static_cast<uint64_t>(width), static_cast<uint64_t>(height));
}

bool filtered_side_fits(int width, int height) {
  return width <= kMaxFilteredSide && height <= kMaxFilteredSide;
}

// Filtered rows of one plane (the colour channels, or the alpha) waiting for the vertical pass,
// row k of the source in slot k % slots.
struct Ring {
  size_t row_bytes = 0;
  int slots = 0;
  std::vector<uint8_t> bytes;

  uint8_t* slot(int k) { return bytes.data() + static_cast<size_t>(k % slots) * row_bytes; }
};

}  // namespace

struct RowResampler::Impl {
  RowLayout source;
  int width = 0, height = 0;
  const FilterKernel* kernel = nullptr;  // null: nearest neighbour
  Raster out;
  int received = 0;  // source rows pushed so far
  int emitted = 0;   // destination rows written so far

  // Nearest neighbour: the source column of every destination column, and the row ratio.
  std::vector<int32_t> columns;
  double row_ratio = 0;

  // Filtered.
  AxisWeights across, down;
  std::vector<int> ready_after;  // destination row y can be made once this source row is in
  int channels = 3;
  ResampleSimd simd = ResampleSimd::Auto;
  Ring colour, alpha;
  std::vector<uint8_t> rgb_row;  // an indexed or 1-bit row expanded to RGB
  resample_detail::RowScratch scratch;
  std::vector<int32_t> acc;
  std::vector<const uint8_t*> window;

  Impl(const RowLayout& layout, int w, int h, ResampleFilter filter)
      : source(layout), width(w), height(h), kernel(filter_kernel(filter)) {
    if (source.width < 1 || source.height < 1 || source.format == PixelFormat::None)
      throw ImageError("there is no image to resample");
    check_size(width, height);
    if (kernel == nullptr)
      start_nearest();
    else
      start_filtered();
  }

  void start_nearest() {
    // 1-bit rows are assembled by setting bits; every other format writes each byte.
    out = source.format == PixelFormat::Bit1 ? Raster(width, height, source.format)
                                             : Raster::for_overwrite(width, height, source.format);
    out.palette = source.palette;
    if (source.alpha) out.add_alpha();
    const double x_ratio = static_cast<double>(source.width) / width;
    row_ratio = static_cast<double>(source.height) / height;
    columns.resize(width);
    for (int x = 0; x < width; ++x)
      columns[x] = std::min(static_cast<int32_t>(std::trunc(x * x_ratio)), source.width - 1);
  }

  int nearest_source_row(int y) const {
    return std::min(static_cast<int>(std::trunc(y * row_ratio)), source.height - 1);
  }

  void nearest_row(const uint8_t* in, const uint8_t* in_alpha, int y) {
    uint8_t* o = out.row(y);
    const int bytes = bits_per_pixel(source.format) / 8;
    if (bytes == 3) {
      for (int x = 0; x < width; ++x) {
        const uint8_t* p = in + static_cast<size_t>(columns[x]) * 3;
        o[3 * x] = p[0], o[3 * x + 1] = p[1], o[3 * x + 2] = p[2];
      }
    } else if (bytes == 1) {
      for (int x = 0; x < width; ++x) o[x] = in[columns[x]];
    } else {
      for (int x = 0; x < width; ++x)
        if ((in[columns[x] >> 3] >> (7 - (columns[x] & 7))) & 1)
          o[x >> 3] |= uint8_t(0x80 >> (x & 7));
    }
    if (in_alpha != nullptr) {
      uint8_t* a = out.alpha_row(y);
      for (int x = 0; x < width; ++x) a[x] = in_alpha[columns[x]];
    }
  }

  void start_filtered() {
    if (!filtered_side_fits(width, height))
      throw ImageError("cannot filter to " + std::to_string(width) + "x" + std::to_string(height) +
                       ": a side above " + std::to_string(kMaxFilteredSide) + " pixels");
    // Indexed and 1-bit pictures are filtered as colours; grey stays one channel.
    channels = source.format == PixelFormat::Gray8 ? 1 : 3;
    across = resample_detail::compute_weights(source.width, width, *kernel);
    down = resample_detail::compute_weights(source.height, height, *kernel);
    simd = resample_detail::effective_simd();

    // Row y of the destination reads source rows first[y] .. first[y] + count[y] - 1; it is
    // made as soon as the last of them, and of every earlier destination row's, is in. The
    // ring then needs room for the rows from first[y] to that point.
    ready_after.resize(height);
    int latest = -1, slots = 1;
    for (int y = 0; y < height; ++y) {
      if (down.count[y] > 0) {
        latest = std::max(latest, down.first[y] + down.count[y] - 1);
        slots = std::max(slots, latest - down.first[y] + 1);
      }
      ready_after[y] = latest;
    }
    // The ring is the one buffer that grows with the source, up to all of its filtered rows.
    check_size(width, slots);
    const size_t row_bytes = static_cast<size_t>(width) * channels;
    colour = Ring{row_bytes, slots, std::vector<uint8_t>(row_bytes * slots)};
    if (source.alpha)
      alpha = Ring{static_cast<size_t>(width), slots,
                   std::vector<uint8_t>(static_cast<size_t>(width) * slots)};
    if (source.format == PixelFormat::Bit1 || source.format == PixelFormat::Palette8)
      rgb_row.resize(static_cast<size_t>(source.width) * 3);
    acc.resize(row_bytes);
    out = Raster::for_overwrite(width, height,
                                channels == 1 ? PixelFormat::Gray8 : PixelFormat::Rgb24);
    if (source.alpha) out.add_alpha();
  }

  void filter_into(Ring& ring, const uint8_t* in, int plane_channels) {
    uint8_t* to = ring.slot(received);
    if (across.identity)
      std::memcpy(to, in, static_cast<size_t>(source.width) * plane_channels);
    else
      resample_detail::filter_row(in, source.width, plane_channels, to, across, simd, scratch);
  }

  void emit_from(Ring& ring, int y, uint8_t* to) {
    if (down.identity) {
      std::memcpy(to, ring.slot(y), ring.row_bytes);
      return;
    }
    window.resize(static_cast<size_t>(down.count[y]));
    for (int t = 0; t < down.count[y]; ++t) window[t] = ring.slot(down.first[y] + t);
    resample_detail::filter_column_row(window.data(), y, down, ring.row_bytes, to, acc.data(),
                                       simd);
  }

  void push_row(const uint8_t* in, const uint8_t* in_alpha) {
    if (received >= source.height) throw ImageError("more rows than the picture has");
    if (kernel == nullptr) {
      for (; emitted < height && nearest_source_row(emitted) <= received; ++emitted)
        nearest_row(in, in_alpha, emitted);
      ++received;
      return;
    }
    if (!rgb_row.empty()) {
      row_to_rgb24(in, source.width, source.format, source.palette, rgb_row.data());
      in = rgb_row.data();
    }
    filter_into(colour, in, channels);
    if (source.alpha) filter_into(alpha, in_alpha, 1);
    ++received;
    for (; emitted < height && ready_after[emitted] < received; ++emitted) {
      emit_from(colour, emitted, out.row(emitted));
      if (source.alpha) emit_from(alpha, emitted, out.alpha_row(emitted));
    }
  }
};

RowResampler::RowResampler(const RowLayout& source, int width, int height, ResampleFilter filter)
    : impl_(std::make_unique<Impl>(source, width, height, filter)) {}

RowResampler::~RowResampler() = default;

void RowResampler::push(std::span<const uint8_t* const> rows,
                        std::span<const uint8_t* const> alpha) {
  if (impl_->source.alpha != !alpha.empty() || (!alpha.empty() && alpha.size() != rows.size()))
    throw ImageError("alpha rows do not match the picture");
  for (size_t i = 0; i < rows.size(); ++i)
    impl_->push_row(rows[i], alpha.empty() ? nullptr : alpha[i]);
}

int RowResampler::rows_left() const {
  return impl_->source.height - impl_->received;
}

Raster RowResampler::finish() {
  if (impl_->received != impl_->source.height || impl_->emitted != impl_->height)
    throw ImageError("the picture ended after " + std::to_string(impl_->received) + " of " +
                     std::to_string(impl_->source.height) + " rows");
  return std::move(impl_->out);
}

bool resample_accepts(int width, int height, ResampleFilter filter) {
  if (width < 1 || height < 1) return false;
  if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > pixel_limit()) return false;
  return filter_kernel(filter) == nullptr || filtered_side_fits(width, height);
}

}  // namespace lumatrix
