#include "imaging/decode_resized.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "base/image_error.h"
#include "imaging/resample.h"
#include "imaging/row_reader.h"
#include "imaging/row_resampler.h"

namespace lumatrix {

namespace {

// Rows decoded per step: enough for libjpeg to hand out a whole band of blocks at once, few
// enough to stay in the cache until the horizontal pass has read them.
constexpr int kStripRows = 16;

void record_size(IOParams& params, int width, int height) {
  params.width = width;
  params.height = height;
}

// The two steps one after the other, for the formats that decode only whole and wherever the
// stream cannot start.
Raster decode_then_resample(std::span<const uint8_t> data, const Codec& codec, IOParams& params,
                            const ChooseTarget& choose) {
  Raster whole = codec.decode(data, params);
  record_size(params, whole.width(), whole.height());
  const std::optional<ResampleTarget> target = choose(whole.width(), whole.height());
  if (!target) return whole;
  return resample_raster(whole, target->width, target->height, target->filter);
}

Raster stream(RowReader& reader, RowResampler& resampler) {
  const RowLayout& layout = reader.layout();
  const size_t stride = layout.stride(), width = static_cast<size_t>(layout.width);
  std::vector<uint8_t> strip(stride * kStripRows);
  std::vector<uint8_t> strip_alpha(layout.alpha ? width * kStripRows : 0);
  std::vector<uint8_t*> rows(kStripRows), alpha(layout.alpha ? kStripRows : 0);
  for (int i = 0; i < kStripRows; ++i) {
    rows[i] = strip.data() + stride * i;
    if (layout.alpha) alpha[i] = strip_alpha.data() + width * i;
  }
  while (resampler.rows_left() > 0) {
    const size_t n = static_cast<size_t>(std::min(kStripRows, resampler.rows_left()));
    const std::span<uint8_t* const> these(rows.data(), n);
    const std::span<uint8_t* const> these_alpha(alpha.data(), layout.alpha ? n : 0);
    reader.read(these, these_alpha);
    resampler.push({these.data(), n}, {these_alpha.data(), these_alpha.size()});
  }
  return resampler.finish();
}

}  // namespace

int margin_for(ResampleFilter filter) {
  const FilterKernel* kernel = filter_kernel(filter);
  return kernel == nullptr ? 0 : 2 * static_cast<int>(std::ceil(kernel->support));
}

Raster decode_resized(std::span<const uint8_t> data, const Codec& codec, IOParams& params,
                      const ChooseTarget& choose, ResizeSpeed speed) {
  if (codec.decode == nullptr) throw ImageError("cannot read " + std::string(codec.name));
  std::unique_ptr<RowReader> reader =
      codec.open_rows != nullptr ? codec.open_rows(data, params) : nullptr;
  if (reader == nullptr) return decode_then_resample(data, codec, params, choose);

  const int width = reader->layout().width, height = reader->layout().height;
  record_size(params, width, height);
  const std::optional<ResampleTarget> target = choose(width, height);
  if (!target) return read_all_rows(*reader);
  if (speed == ResizeSpeed::Fast) {
    const int margin = margin_for(target->filter);
    reader->allow_shrink(target->width + margin, target->height + margin);
  }
  std::unique_ptr<RowResampler> resampler;
  try {
    resampler = std::make_unique<RowResampler>(reader->layout(), target->width, target->height,
                                               target->filter);
  } catch (const ImageError&) {
    // A target the resample refuses: the two steps report a broken file before that, so they
    // run as such and raise whichever comes first.
    reader.reset();
    IOParams again;
    Raster whole = codec.decode(data, again);
    throw;
  }
  return stream(*reader, *resampler);
}

Raster decode_resized(std::span<const uint8_t> data, const Codec& codec, IOParams& params,
                      ResampleTarget target, ResizeSpeed speed) {
  return decode_resized(
      data, codec, params, [target](int, int) { return std::optional{target}; }, speed);
}

}  // namespace lumatrix
