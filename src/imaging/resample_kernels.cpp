#include "imaging/resample_kernels.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#if defined(__SSE2__)
#include <immintrin.h>
#define LUMATRIX_RESAMPLE_SSE2 1
#endif

namespace lumatrix {

namespace {
std::atomic<ResampleSimd> g_simd{ResampleSimd::Auto};
}  // namespace

void set_resample_simd(ResampleSimd level) {
  g_simd.store(level);
}

namespace resample_detail {

namespace {

// Exact integer quotient by multiplication: for 0 <= sum < 256 * total and total < 2^16,
// (sum * magic) >> 40 equals sum / total, since the error term sum / 2^40 stays below
// 1 / total.
constexpr int kMagicShift = 40;

uint64_t reciprocal(int32_t total) {
  if (total <= 0 || total >= 65536) return 0;
  return ((uint64_t{1} << kMagicShift) / static_cast<uint64_t>(total)) + 1;
}

inline uint8_t clamp_byte(int64_t v) {
  return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// One channel's result: sum div total, clamped; a zero total takes the sum as an unsigned
// 32-bit number shifted right by 8.
inline uint8_t finish(int32_t sum, int32_t total, uint64_t magic) {
  if (magic != 0) {
    if (sum <= 0) return 0;
    if (sum >= 256 * total) return 255;
    return static_cast<uint8_t>((static_cast<uint64_t>(sum) * magic) >> kMagicShift);
  }
  if (total == 0) return clamp_byte(static_cast<uint32_t>(sum) >> 8);
  return clamp_byte(sum / total);
}

int32_t mirror_index(int64_t j, int64_t n) {
  if (j < 0)
    j = -j;
  else if (j >= n)
    j = 2 * n - j - 1;
  return static_cast<int32_t>(std::clamp<int64_t>(j, 0, n - 1));
}

// Horizontal pass of one row (channels interleaved), scalar.
template <int C>
void filter_row_scalar(const uint8_t* in, uint8_t* out, const AxisWeights& w) {
  const int out_width = static_cast<int>(w.first.size());
  for (int x = 0; x < out_width; ++x) {
    const uint8_t* p = in + static_cast<size_t>(w.first[x]) * C;
    const int32_t* k = w.weights.data() + w.offset[x];
    const int n = w.count[x];
    int32_t sum[C] = {};
    for (int t = 0; t < n; ++t)
      for (int c = 0; c < C; ++c) sum[c] += k[t] * p[t * C + c];
    for (int c = 0; c < C; ++c) out[x * C + c] = finish(sum[c], w.total[x], w.magic[x]);
  }
}

// Vertical pass of one destination row, scalar: accumulates whole rows so the inner loop runs
// over contiguous bytes.
void filter_column_row_scalar(const uint8_t* const* rows, int y, const AxisWeights& w,
                              size_t row_bytes, uint8_t* out, int32_t* a) {
  std::fill(a, a + row_bytes, 0);
  const int32_t* k = w.weights.data() + w.offset[y];
  for (int t = 0; t < w.count[y]; ++t) {
    const uint8_t* in = rows[t];
    const int32_t weight = k[t];
    for (size_t e = 0; e < row_bytes; ++e) a[e] += weight * in[e];
  }
  const int32_t total = w.total[y];
  const uint64_t magic = w.magic[y];
  for (size_t e = 0; e < row_bytes; ++e) out[e] = finish(a[e], total, magic);
}

#if LUMATRIX_RESAMPLE_SSE2
// Four quotients sum div total at once: trunc(sum * inverse) with the inverse rounded up is
// exact for |sum| < 2^31 and 0 < total < 2^20, because the product's error stays below
// 2^-20 while a quotient that is not whole lies at least 1 / total from the next integer.
inline __m128i divide4(__m128i sum, __m128d inverse) {
  const __m128i lo = _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtepi32_pd(sum), inverse));
  const __m128i hi =
      _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtepi32_pd(_mm_shuffle_epi32(sum, 0x4E)), inverse));
  return _mm_unpacklo_epi64(lo, hi);
}

// Widens a row of RGB pixels to 4 bytes per pixel (R in the low byte) so that a vector load
// takes whole pixels; `line` keeps a zeroed tail for the padded taps.
void widen_row(const uint8_t* in, int width, uint32_t* line) {
  // One unaligned 4-byte load per pixel, masked to three bytes; the last pixel is read bytewise
  // so nothing past the row is touched.
  for (int x = 0; x + 1 < width; ++x, in += 3) {
    uint32_t v;
    std::memcpy(&v, in, 4);
    line[x] = v & 0xFFFFFF;
  }
  line[width - 1] = uint32_t{in[0]} | uint32_t{in[1]} << 8 | uint32_t{in[2]} << 16;
}

// Stores one RGB result from the three channel sums in the low lanes of `acc`.
inline void store_rgb(__m128i acc, const AxisWeights& w, int x, uint8_t* out) {
  if (w.inverse[x] != 0.0) {
    const __m128i q = divide4(acc, _mm_set1_pd(w.inverse[x]));
    // Saturating packs are the clamp to 0..255.
    const uint32_t rgb =
        static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(q, q), q)));
    std::memcpy(out + x * 3, &rgb, 3);
  } else {
    alignas(16) int32_t sum[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(sum), acc);
    for (int c = 0; c < 3; ++c) out[x * 3 + c] = finish(sum[c], w.total[x], w.magic[x]);
  }
}

// Horizontal pass for RGB with SSE2: four taps per step; pmaddwd multiplies pairs of taps per
// channel exactly in 32-bit integers, giving the same sums as the scalar loop.
void filter_row_rgb_sse2(const uint32_t* line, uint8_t* out, const AxisWeights& w) {
  const __m128i zero = _mm_setzero_si128();
  const int out_width = static_cast<int>(w.first.size());
  for (int x = 0; x < out_width; ++x) {
    const uint32_t* p = line + w.first[x];
    const int16_t* k = w.weights16.data() + w.offset16[x];
    __m128i acc = zero;
    for (int t = 0; t < w.count[x]; t += 4) {
      const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + t));
      const __m128i p01 = _mm_unpacklo_epi8(px, zero);  // r0 g0 b0 x0 r1 g1 b1 x1
      const __m128i p23 = _mm_unpackhi_epi8(px, zero);
      const __m128i a = _mm_unpacklo_epi16(p01, _mm_srli_si128(p01, 8));  // r0 r1 g0 g1 ...
      const __m128i b = _mm_unpacklo_epi16(p23, _mm_srli_si128(p23, 8));
      const __m128i kw = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(k + t));
      acc = _mm_add_epi32(acc, _mm_madd_epi16(a, _mm_shuffle_epi32(kw, 0x00)));
      acc = _mm_add_epi32(acc, _mm_madd_epi16(b, _mm_shuffle_epi32(kw, 0x55)));
    }
    store_rgb(acc, w, x, out);
  }
}

// widen_row with AVX2: eight pixels per step, four from each 16-byte load, spread by pshufb.
__attribute__((target("avx2"))) void widen_row_avx2(const uint8_t* in, int width, uint32_t* line) {
  const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0,
                                          1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  int x = 0;
  // The second load reads bytes 12..27 of the step, so stop while that stays inside the row.
  for (; x + 10 <= width; x += 8) {
    const uint8_t* p = in + static_cast<size_t>(x) * 3;
    const __m256i v = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 12)), 1);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(line + x), _mm256_shuffle_epi8(v, spread));
  }
  if (x < width) widen_row(in + static_cast<size_t>(x) * 3, width - x, line + x);
}

// The same with AVX2, eight taps per step: each 128-bit lane works as in the SSE2 loop on its
// own four pixels, with the weight pairs permuted to match.
__attribute__((target("avx2"))) void filter_row_rgb_avx2(const uint32_t* line, uint8_t* out,
                                                         const AxisWeights& w) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i pick_a = _mm256_setr_epi32(0, 0, 0, 0, 2, 2, 2, 2);
  const __m256i pick_b = _mm256_setr_epi32(1, 1, 1, 1, 3, 3, 3, 3);
  const int out_width = static_cast<int>(w.first.size());
  for (int x = 0; x < out_width; ++x) {
    const uint32_t* p = line + w.first[x];
    const int16_t* k = w.weights16.data() + w.offset16[x];
    __m256i acc_a = zero, acc_b = zero;
    for (int t = 0; t < w.count[x]; t += 8) {
      const __m256i px = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + t));
      const __m256i p01 = _mm256_unpacklo_epi8(px, zero);  // pixels 0,1 | 4,5
      const __m256i p23 = _mm256_unpackhi_epi8(px, zero);  // pixels 2,3 | 6,7
      const __m256i a = _mm256_unpacklo_epi16(p01, _mm256_srli_si256(p01, 8));
      const __m256i b = _mm256_unpacklo_epi16(p23, _mm256_srli_si256(p23, 8));
      const __m256i kw = _mm256_castsi128_si256(
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(k + t)));  // pairs 01 23 45 67
      acc_a =
          _mm256_add_epi32(acc_a, _mm256_madd_epi16(a, _mm256_permutevar8x32_epi32(kw, pick_a)));
      acc_b =
          _mm256_add_epi32(acc_b, _mm256_madd_epi16(b, _mm256_permutevar8x32_epi32(kw, pick_b)));
    }
    const __m256i acc = _mm256_add_epi32(acc_a, acc_b);
    store_rgb(_mm_add_epi32(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1)), w, x,
              out);
  }
}

// Vertical pass of one destination row with SSE2: two source rows at a time, their bytes
// interleaved into 16-bit pairs and multiplied by the pair of weights with pmaddwd.
void filter_column_row_sse2(const uint8_t* const* rows, int y, const AxisWeights& w,
                            size_t row_bytes, uint8_t* out, int32_t* a) {
  const size_t vector_bytes = row_bytes & ~size_t{15};
  const __m128i zero = _mm_setzero_si128();
  std::fill(a, a + row_bytes, 0);
  const int32_t* k = w.weights.data() + w.offset[y];
  const int n = w.count[y];
  for (int t = 0; t < n; t += 2) {
    const uint8_t* r0 = rows[t];
    const bool pair = t + 1 < n;
    const uint8_t* r1 = pair ? rows[t + 1] : r0;
    const int32_t k0 = k[t], k1 = pair ? k[t + 1] : 0;
    const __m128i kw = _mm_set1_epi32(static_cast<int32_t>((static_cast<uint32_t>(k1) << 16) |
                                                           (static_cast<uint32_t>(k0) & 0xFFFF)));
    for (size_t e = 0; e < vector_bytes; e += 16) {
      const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + e));
      const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + e));
      const __m128i lo = _mm_unpacklo_epi8(va, vb), hi = _mm_unpackhi_epi8(va, vb);
      const __m128i parts[4] = {_mm_unpacklo_epi8(lo, zero), _mm_unpackhi_epi8(lo, zero),
                                _mm_unpacklo_epi8(hi, zero), _mm_unpackhi_epi8(hi, zero)};
      for (int q = 0; q < 4; ++q) {
        __m128i* slot = reinterpret_cast<__m128i*>(a + e + 4 * q);
        _mm_storeu_si128(slot, _mm_add_epi32(_mm_loadu_si128(slot), _mm_madd_epi16(parts[q], kw)));
      }
    }
    for (size_t e = vector_bytes; e < row_bytes; ++e) a[e] += k0 * r0[e] + k1 * r1[e];
  }
  const int32_t total = w.total[y];
  const uint64_t magic = w.magic[y];
  size_t e = 0;
  if (w.inverse[y] != 0.0) {
    const __m128d inverse = _mm_set1_pd(w.inverse[y]);
    for (; e < vector_bytes; e += 16) {
      __m128i q[4];
      for (int i = 0; i < 4; ++i)
        q[i] = divide4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + e + 4 * i)), inverse);
      const __m128i bytes =
          _mm_packus_epi16(_mm_packs_epi32(q[0], q[1]), _mm_packs_epi32(q[2], q[3]));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + e), bytes);
    }
  }
  for (; e < row_bytes; ++e) out[e] = finish(a[e], total, magic);
}
#endif

}  // namespace

ResampleSimd effective_simd() {
#if LUMATRIX_RESAMPLE_SSE2
  static const bool has_avx2 = __builtin_cpu_supports("avx2");
  const ResampleSimd wanted = g_simd.load();
  if (wanted == ResampleSimd::Auto || wanted == ResampleSimd::Avx2)
    return has_avx2 ? ResampleSimd::Avx2 : ResampleSimd::Sse2;
  return wanted;
#else
  return ResampleSimd::Scalar;
#endif
}

AxisWeights compute_weights(int n, int m, const FilterKernel& filter) {
  AxisWeights w;
  w.first.resize(m);
  w.count.resize(m);
  w.offset.resize(m);
  w.total.resize(m);
  w.magic.resize(m);
  const double scale =
      (n == 1 || m == 1) ? static_cast<double>(m) / n : static_cast<double>(m - 1) / (n - 1);
  const double support = filter.support;
  std::vector<std::pair<int32_t, int32_t>> taps;  // (source index, weight), reused per index
  std::vector<int32_t> folded(static_cast<size_t>(n), 0);
  bool identity = n == m;
  for (int i = 0; i < m; ++i) {
    taps.clear();
    const double centre = i / scale;
    if (scale < 1.0) {
      const double width = support / scale;
      const double fscale = 1.0 / scale;
      const auto lo = static_cast<int64_t>(std::floor(centre - width));
      const auto hi = static_cast<int64_t>(std::ceil(centre + width));
      for (int64_t j = lo; j <= hi; ++j) {
        const double weight = std::nearbyint(filter.kernel((centre - j) / fscale) * 256.0 / fscale);
        if (weight != 0.0) taps.emplace_back(mirror_index(j, n), static_cast<int32_t>(weight));
      }
    } else {
      const auto lo = static_cast<int64_t>(std::floor(centre - support));
      const auto hi = static_cast<int64_t>(std::ceil(centre + support));
      for (int64_t j = lo; j <= hi; ++j) {
        const double weight = std::nearbyint(filter.kernel(centre - j) * 256.0);
        if (weight != 0.0) taps.emplace_back(mirror_index(j, n), static_cast<int32_t>(weight));
      }
    }
    int32_t lo_index = std::numeric_limits<int32_t>::max(), hi_index = -1, total = 0;
    for (auto [index, weight] : taps) {
      lo_index = std::min(lo_index, index);
      hi_index = std::max(hi_index, index);
      folded[index] += weight;
      total += weight;
    }
    w.offset[i] = static_cast<int32_t>(w.weights.size());
    w.total[i] = total;
    w.magic[i] = reciprocal(total);
    if (hi_index < 0) {
      w.first[i] = 0;
      w.count[i] = 0;
      identity = false;
      continue;
    }
    w.first[i] = lo_index;
    w.count[i] = hi_index - lo_index + 1;
    for (int32_t k = lo_index; k <= hi_index; ++k) {
      w.weights.push_back(folded[k]);
      folded[k] = 0;
    }
    if (w.count[i] != 1 || lo_index != i || total != 256) identity = false;
  }
  w.identity = identity;
  w.inverse.resize(m);
  for (int i = 0; i < m; ++i)
    w.inverse[i] =
        (w.total[i] > 0 && w.total[i] < (1 << 20)) ? std::nextafter(1.0 / w.total[i], 2.0) : 0.0;
  const bool fits = std::all_of(w.weights.begin(), w.weights.end(),
                                [](int32_t v) { return v >= -32768 && v <= 32767; });
  if (fits) {
    w.offset16.resize(m);
    for (int i = 0; i < m; ++i) {
      w.offset16[i] = static_cast<int32_t>(w.weights16.size());
      const int padded = (w.count[i] + 7) & ~7;
      for (int t = 0; t < padded; ++t)
        w.weights16.push_back(
            static_cast<int16_t>(t < w.count[i] ? w.weights[w.offset[i] + t] : 0));
    }
  }
  return w;
}

void filter_row(const uint8_t* in, int src_width, int channels, uint8_t* out, const AxisWeights& w,
                ResampleSimd simd, RowScratch& scratch) {
#if LUMATRIX_RESAMPLE_SSE2
  if (channels == 3 && !w.weights16.empty() && simd != ResampleSimd::Scalar) {
    // The padded taps read up to 7 pixels past the last one; their weights are zero.
    if (scratch.line.size() < static_cast<size_t>(src_width) + 8)
      scratch.line.assign(static_cast<size_t>(src_width) + 8, 0);
    uint32_t* line = scratch.line.data();
    if (simd == ResampleSimd::Avx2) {
      widen_row_avx2(in, src_width, line);
      filter_row_rgb_avx2(line, out, w);
    } else {
      widen_row(in, src_width, line);
      filter_row_rgb_sse2(line, out, w);
    }
    return;
  }
#endif
  if (channels == 3)
    filter_row_scalar<3>(in, out, w);
  else
    filter_row_scalar<1>(in, out, w);
}

void filter_column_row(const uint8_t* const* rows, int y, const AxisWeights& w, size_t row_bytes,
                       uint8_t* out, int32_t* acc, ResampleSimd simd) {
#if LUMATRIX_RESAMPLE_SSE2
  if (!w.weights16.empty() && simd != ResampleSimd::Scalar) {
    filter_column_row_sse2(rows, y, w, row_bytes, out, acc);
    return;
  }
#endif
  filter_column_row_scalar(rows, y, w, row_bytes, out, acc);
}

}  // namespace resample_detail
}  // namespace lumatrix
