#include "imaging/neuquant.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace lumatrix {

namespace {

// Four primes near 500: the sampling step is the first that does not divide the picture
// length, so the sample walk visits pixels spread over the whole image.
constexpr int kPrimes[] = {499, 491, 487, 503};
constexpr int kMinPictureBytes = 3 * 503;

constexpr int kCycles = 100;       // learning cycles
constexpr int kNetBiasShift = 4;   // colour values are kept with 4 fractional bits
constexpr int kIntBiasShift = 16;  // frequency and bias fixed point
constexpr int kIntBias = 1 << kIntBiasShift;
constexpr int kGammaShift = 10;
constexpr int kBetaShift = 10;
constexpr int kBeta = kIntBias >> kBetaShift;  // beta = 1/1024
constexpr int kBetaGamma = kIntBias << (kGammaShift - kBetaShift);
constexpr int kRadiusBiasShift = 6;
constexpr int kRadiusDec = 30;  // radius shrinks by 1/30 per cycle
constexpr int kAlphaBiasShift = 10;
constexpr int kInitAlpha = 1 << kAlphaBiasShift;
constexpr int kRadBiasShift = 8;
constexpr int kRadBias = 1 << kRadBiasShift;
constexpr int kAlphaRadBias = 1 << (kAlphaBiasShift + kRadBiasShift);

class Network {
 public:
  explicit Network(int size)
      : size_(size),
        red_(size),
        green_(size),
        blue_(size),
        freq_(size, kIntBias / size),
        bias_(size, 0),
        dist_(size),
        biased_(size),
        radpower_(size >> 3) {
    // Neurons start spread evenly along the grey diagonal.
    for (int i = 0; i < size; ++i) {
      const int v = (i << (kNetBiasShift + 8)) / size;
      red_[i] = green_[i] = blue_[i] = v;
    }
  }

  void learn(const uint8_t* pixels, int pixel_count, int sample_factor) {
    const int64_t length = int64_t{pixel_count} * 3;
    if (length < kMinPictureBytes) sample_factor = 1;
    const int alphadec = 30 + (sample_factor - 1) / 3;
    const int64_t samples = length / (3 * int64_t{sample_factor});
    const int64_t delta = std::max<int64_t>(1, samples / kCycles);
    int alpha = kInitAlpha;
    int radius = (size_ >> 3) << kRadiusBiasShift;
    int rad = radius >> kRadiusBiasShift;
    if (rad <= 1) rad = 0;
    set_radpower(rad, alpha);

    int64_t step = 3 * int64_t{kPrimes[3]};
    for (int prime : {kPrimes[0], kPrimes[1], kPrimes[2]})
      if (length % prime != 0) {
        step = 3 * int64_t{prime};
        break;
      }

    int64_t pos = 0;
    for (int64_t i = 0; i < samples;) {
      const std::array<int, 3> c = {pixels[pos] << kNetBiasShift, pixels[pos + 1] << kNetBiasShift,
                                    pixels[pos + 2] << kNetBiasShift};
      const int winner = contest(c);
      alter_single(alpha, winner, c);
      if (rad != 0) alter_neighbours(rad, winner, c);
      pos += step;
      // With a length below the step (tiny images) one subtraction is not enough.
      while (pos >= length) pos -= length;
      ++i;
      if (i % delta == 0) {
        alpha -= alpha / alphadec;
        radius -= radius / kRadiusDec;
        rad = radius >> kRadiusBiasShift;
        if (rad <= 1) rad = 0;
        set_radpower(rad, alpha);
      }
    }
  }

  std::vector<Rgb> palette() const {
    std::vector<Rgb> out(size_);
    constexpr int half = 1 << (kNetBiasShift - 1);
    auto unbias = [](int v) {
      return static_cast<uint8_t>(std::clamp((v + half) >> kNetBiasShift, 0, 255));
    };
    for (int i = 0; i < size_; ++i) out[i] = {unbias(red_[i]), unbias(green_[i]), unbias(blue_[i])};
    return out;
  }

 private:
  void set_radpower(int rad, int alpha) {
    for (int i = 0; i < rad; ++i)
      radpower_[i] = alpha * (((rad * rad - i * i) * kRadBias) / (rad * rad));
  }

  // The nearest neuron (Manhattan distance) wins the frequency; the nearest after the bias
  // against frequent winners is the one that learns, so rarely used neurons still move. Done
  // in passes over plain arrays so the compiler vectorizes them; ties go to the lowest index,
  // as in a single scan with strict comparisons.
  int contest(const std::array<int, 3>& c) {
    int* dist = dist_.data();
    int* biased = biased_.data();
    for (int i = 0; i < size_; ++i) {
      dist[i] = std::abs(red_[i] - c[0]) + std::abs(green_[i] - c[1]) + std::abs(blue_[i] - c[2]);
      biased[i] = dist[i] - (bias_[i] >> (kIntBiasShift - kNetBiasShift));
    }
    const int best = first_minimum(dist), best_bias = first_minimum(biased);
    for (int i = 0; i < size_; ++i) {
      const int beta_freq = freq_[i] >> kBetaShift;
      freq_[i] -= beta_freq;
      bias_[i] += beta_freq << kGammaShift;
    }
    freq_[best] += kBeta;
    bias_[best] -= kBetaGamma;
    return best_bias;
  }

  int first_minimum(const int* values) const {
    int least = values[0];
    for (int i = 1; i < size_; ++i) least = std::min(least, values[i]);
    int i = 0;
    while (values[i] != least) ++i;
    return i;
  }

  void alter_single(int alpha, int i, const std::array<int, 3>& c) {
    red_[i] -= (alpha * (red_[i] - c[0])) / kInitAlpha;
    green_[i] -= (alpha * (green_[i] - c[1])) / kInitAlpha;
    blue_[i] -= (alpha * (blue_[i] - c[2])) / kInitAlpha;
  }

  // Moves neuron j towards the colour by a / kAlphaRadBias.
  void pull(int j, int a, const std::array<int, 3>& c) {
    red_[j] -= static_cast<int>((int64_t{a} * (red_[j] - c[0])) / kAlphaRadBias);
    green_[j] -= static_cast<int>((int64_t{a} * (green_[j] - c[1])) / kAlphaRadBias);
    blue_[j] -= static_cast<int>((int64_t{a} * (blue_[j] - c[2])) / kAlphaRadBias);
  }

  void alter_neighbours(int rad, int i, const std::array<int, 3>& c) {
    const int lo = std::max(i - rad, -1), hi = std::min(i + rad, size_);
    int j = i + 1, k = i - 1, q = 0;
    while (j < hi || k > lo) {
      const int a = radpower_[++q];
      if (j < hi) pull(j++, a, c);
      if (k > lo) pull(k--, a, c);
    }
  }

  int size_;
  std::vector<int> red_, green_, blue_;  // colours with kNetBiasShift fractional bits
  std::vector<int> freq_, bias_;
  std::vector<int> dist_, biased_;  // scratch of contest()
  std::vector<int> radpower_;
};

}  // namespace

std::vector<Rgb> neuquant_palette(const Raster& rgb24, int colours, int sample_factor) {
  colours = std::clamp(colours, 2, 1024);
  sample_factor = std::clamp(sample_factor, 1, 30);
  Network net(colours);
  if (!rgb24.empty()) {
    // Rows are stored without padding, so the pixels form one contiguous run.
    net.learn(rgb24.row(0), rgb24.width() * rgb24.height(), sample_factor);
  }
  return net.palette();
}

}  // namespace lumatrix
