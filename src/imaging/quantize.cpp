#include "imaging/quantize.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <numeric>
#include <string>

#include "imaging/neuquant.h"

namespace lumatrix {

namespace {

// Indexed as kBayer[x mod 8][y mod 8].
constexpr uint8_t kBayer[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
};

uint32_t pack(const uint8_t* p) {
  return uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
}

// Nearest palette entry by squared distance, ties to the lower index. The colour cube is cut
// into 32x32x32 cells of 8x8x8 colours; the first time a cell is met, it gets the list of the
// entries that can be nearest to some colour in it: those whose least distance to the cell does
// not exceed the smallest greatest distance of any entry. The true nearest entry, and every
// entry tied with it, is always on that list, so scanning the list in index order is exact.
class NearestColour {
 public:
  explicit NearestColour(const std::vector<Rgb>& palette)
      : palette_(palette), cell_start_(kCells, -1), cell_count_(kCells, 0) {}

  int operator()(int r, int g, int b) {
    const int cell = (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
    if (cell_start_[cell] < 0) build(cell);
    const uint16_t* c = candidates_.data() + cell_start_[cell];
    int best = c[0], best_d = std::numeric_limits<int>::max();
    for (int i = 0; i < cell_count_[cell]; ++i) {
      const Rgb& p = palette_[c[i]];
      const int dr = p.r - r, dg = p.g - g, db = p.b - b;
      const int d = dr * dr + dg * dg + db * db;
      if (d < best_d) best_d = d, best = c[i];
    }
    return best;
  }

 private:
  static constexpr int kCells = 1 << 15;

  void build(int cell) {
    const int lo[3] = {(cell >> 10) << 3, ((cell >> 5) & 31) << 3, (cell & 31) << 3};
    auto span = [&](const Rgb& p, bool farthest) {
      const int v[3] = {p.r, p.g, p.b};
      int d = 0;
      for (int c = 0; c < 3; ++c) {
        const int a = v[c] - lo[c], b = v[c] - (lo[c] + 7);
        const int e =
            farthest ? std::max(std::abs(a), std::abs(b)) : (a < 0 ? -a : (b > 0 ? b : 0));
        d += e * e;
      }
      return d;
    };
    int bound = std::numeric_limits<int>::max();
    for (const Rgb& p : palette_) bound = std::min(bound, span(p, true));
    cell_start_[cell] = static_cast<int32_t>(candidates_.size());
    for (size_t i = 0; i < palette_.size(); ++i)
      if (span(palette_[i], false) <= bound) candidates_.push_back(static_cast<uint16_t>(i));
    cell_count_[cell] = static_cast<int32_t>(candidates_.size()) - cell_start_[cell];
  }

  const std::vector<Rgb>& palette_;
  std::vector<int32_t> cell_start_, cell_count_;
  std::vector<uint16_t> candidates_;
};

struct Bin {
  uint8_t key[3];  // 5-bit coordinates
  uint32_t count;
  uint64_t sum[3];
};

struct Box {
  size_t begin, end;  // range of bins
  uint64_t pixels;
  int longest_axis, longest_range;
};

Box measure(std::vector<Bin>& bins, size_t begin, size_t end) {
  Box box{begin, end, 0, 0, 0};
  int lo[3] = {31, 31, 31}, hi[3] = {0, 0, 0};
  for (size_t i = begin; i < end; ++i) {
    box.pixels += bins[i].count;
    for (int c = 0; c < 3; ++c)
      lo[c] = std::min<int>(lo[c], bins[i].key[c]), hi[c] = std::max<int>(hi[c], bins[i].key[c]);
  }
  for (int c = 0; c < 3; ++c)
    if (hi[c] - lo[c] > box.longest_range) box.longest_range = hi[c] - lo[c], box.longest_axis = c;
  return box;
}

}  // namespace

int count_colours(const Raster& rgb24, int limit) {
  std::vector<uint64_t> seen(size_t{1} << 18, 0);  // one bit per 24-bit colour
  int count = 0;
  for (int y = 0; y < rgb24.height(); ++y) {
    const uint8_t* p = rgb24.row(y);
    for (int x = 0; x < rgb24.width(); ++x, p += 3) {
      const uint32_t c = pack(p);
      uint64_t& word = seen[c >> 6];
      const uint64_t bit = uint64_t{1} << (c & 63);
      if (word & bit) continue;
      word |= bit;
      if (++count > limit) return count;
    }
  }
  return count;
}

std::vector<Rgb> median_cut_palette(const Raster& rgb24, int colours) {
  std::vector<Bin> grid(size_t{1} << 15);
  for (int y = 0; y < rgb24.height(); ++y) {
    const uint8_t* p = rgb24.row(y);
    for (int x = 0; x < rgb24.width(); ++x, p += 3) {
      Bin& bin = grid[(p[0] >> 3) << 10 | (p[1] >> 3) << 5 | (p[2] >> 3)];
      ++bin.count;
      for (int c = 0; c < 3; ++c) bin.sum[c] += p[c];
    }
  }
  std::vector<Bin> bins;
  for (size_t i = 0; i < grid.size(); ++i)
    if (grid[i].count != 0) {
      Bin b = grid[i];
      b.key[0] = static_cast<uint8_t>(i >> 10), b.key[1] = (i >> 5) & 31, b.key[2] = i & 31;
      bins.push_back(b);
    }
  std::vector<Box> boxes;
  if (!bins.empty()) boxes.push_back(measure(bins, 0, bins.size()));
  while (static_cast<int>(boxes.size()) < colours) {
    // The box that most deserves a split: many pixels spread over a long side.
    int pick = -1;
    uint64_t best = 0;
    for (size_t i = 0; i < boxes.size(); ++i) {
      const uint64_t score = boxes[i].pixels * static_cast<uint64_t>(boxes[i].longest_range);
      if (boxes[i].end - boxes[i].begin > 1 && score > best)
        best = score, pick = static_cast<int>(i);
    }
    if (pick < 0) break;
    const Box box = boxes[pick];
    const int axis = box.longest_axis;
    std::sort(bins.begin() + box.begin, bins.begin() + box.end,
              [axis](const Bin& a, const Bin& b) { return a.key[axis] < b.key[axis]; });
    uint64_t below = 0;
    size_t cut = box.begin + 1;
    for (size_t i = box.begin; i + 1 < box.end; ++i) {
      below += bins[i].count;
      cut = i + 1;
      if (below * 2 >= box.pixels) break;
    }
    boxes[pick] = measure(bins, box.begin, cut);
    boxes.push_back(measure(bins, cut, box.end));
  }
  std::vector<Rgb> palette;
  for (const Box& box : boxes) {
    uint64_t sum[3] = {};
    for (size_t i = box.begin; i < box.end; ++i)
      for (int c = 0; c < 3; ++c) sum[c] += bins[i].sum[c];
    auto mean = [&](int c) { return static_cast<uint8_t>((sum[c] + box.pixels / 2) / box.pixels); };
    palette.push_back({mean(0), mean(1), mean(2)});
  }
  return palette;
}

void map_to_palette(Raster& rgb24, const std::vector<Rgb>& palette, Dither dither) {
  if (palette.empty()) return;
  NearestColour nearest(palette);
  const int w = rgb24.width();
  if (dither == Dither::None) {
    for (int y = 0; y < rgb24.height(); ++y) {
      uint8_t* p = rgb24.row(y);
      for (int x = 0; x < w; ++x, p += 3) {
        const Rgb& c = palette[nearest(p[0], p[1], p[2])];
        p[0] = c.r, p[1] = c.g, p[2] = c.b;
      }
    }
    return;
  }
  // Floyd-Steinberg: 7/16 right, 3/16 below left, 5/16 below, 1/16 below right, in 1/16 units.
  std::vector<int> err_this(static_cast<size_t>(w + 2) * 3, 0), err_next(err_this.size(), 0);
  for (int y = 0; y < rgb24.height(); ++y) {
    uint8_t* p = rgb24.row(y);
    std::fill(err_next.begin(), err_next.end(), 0);
    for (int x = 0; x < w; ++x, p += 3) {
      int want[3];
      for (int c = 0; c < 3; ++c)
        want[c] = std::clamp(p[c] + err_this[(x + 1) * 3 + c] / 16, 0, 255);
      const Rgb& got = palette[nearest(want[0], want[1], want[2])];
      const int out[3] = {got.r, got.g, got.b};
      for (int c = 0; c < 3; ++c) {
        const int e = want[c] - out[c];
        err_this[(x + 2) * 3 + c] += e * 7;
        err_next[x * 3 + c] += e * 3;
        err_next[(x + 1) * 3 + c] += e * 5;
        err_next[(x + 2) * 3 + c] += e;
        p[c] = static_cast<uint8_t>(out[c]);
      }
    }
    std::swap(err_this, err_next);
  }
}

Raster bayer_dither(const Raster& rgb24) {
  Raster out(rgb24.width(), rgb24.height(), PixelFormat::Bit1);
  out.palette = {Rgb{0, 0, 0}, Rgb{255, 255, 255}};
  for (int y = 0; y < rgb24.height(); ++y) {
    const uint8_t* p = rgb24.row(y);
    uint8_t* o = out.row(y);
    for (int x = 0; x < rgb24.width(); ++x, p += 3) {
      const int grey = (21 * p[0] + 71 * p[1] + 8 * p[2]) / 400;
      if (kBayer[x & 7][y & 7] < grey) o[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
  }
  if (rgb24.has_alpha()) {
    out.add_alpha();
    for (int y = 0; y < rgb24.height(); ++y)
      std::copy_n(rgb24.alpha_row(y), rgb24.width(), out.alpha_row(y));
  }
  return out;
}

void convert_to(ImageDocument& doc, int colours, Dither dither) {
  if (doc.raster.format() == PixelFormat::None || doc.raster.empty()) return;
  doc.save_undo("ConvertTo " + std::to_string(colours));
  Raster& raster = doc.raster;
  if (raster.format() != PixelFormat::Rgb24 || colours > 1024) return;
  if (colours < 3) {
    raster = bayer_dither(raster);
    return;
  }
  // With no more colours than asked for, the palette is the image's own colours and every pixel
  // is its own nearest entry. That also covers the grey ramp at 256: a grey image has at most
  // 256 colours, each of them on the ramp.
  if (count_colours(raster, colours) <= colours) return;
  const uint64_t pixels = static_cast<uint64_t>(raster.width()) * raster.height();
  // About half a million sampled pixels teach a network of up to 1024 neurons well; more only
  // costs time.
  const int sample_factor = static_cast<int>(std::clamp<uint64_t>(pixels / 500'000, 1, 30));
  const std::vector<Rgb> palette = colours >= 128 ? neuquant_palette(raster, colours, sample_factor)
                                                  : median_cut_palette(raster, colours);
  map_to_palette(raster, palette, dither);
}

}  // namespace lumatrix
