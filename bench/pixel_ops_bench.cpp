// Benchmarks of the pixel operations on photo-sized images, and two helper modes for
// scripts/bench-compare:
//   pixel_ops_bench --write-image PATH        writes the 4000x3000 test picture as binary PPM
//   pixel_ops_bench --time-resample PATH W H  times our Lanczos3 resample of that PPM in memory
// Without these flags it runs the Google Benchmark cases.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/image_ops.h"

namespace {

using namespace lumatrix;

// Smooth gradients, a few hard edges and a little deterministic noise: enough colours and
// structure that no operation finds a shortcut.
Raster test_picture(int w, int h) {
  Raster r(w, h, PixelFormat::Rgb24);
  uint32_t noise = 12345;
  for (int y = 0; y < h; ++y) {
    uint8_t* p = r.row(y);
    for (int x = 0; x < w; ++x, p += 3) {
      noise = noise * 1664525u + 1013904223u;
      const int n = static_cast<int>(noise >> 28) - 8;
      const bool stripe = ((x / 97) + (y / 61)) % 5 == 0;
      const double fx = static_cast<double>(x) / w, fy = static_cast<double>(y) / h;
      const int r0 = static_cast<int>(255 * fx) + n, g0 = static_cast<int>(255 * fy) + n;
      const int b0 = static_cast<int>(128 + 120 * std::sin(12 * fx + 7 * fy)) + n;
      p[0] = static_cast<uint8_t>(std::clamp(stripe ? 255 - r0 : r0, 0, 255));
      p[1] = static_cast<uint8_t>(std::clamp(g0, 0, 255));
      p[2] = static_cast<uint8_t>(std::clamp(stripe ? b0 / 3 : b0, 0, 255));
    }
  }
  return r;
}

const Raster& picture(int w, int h) {
  static Raster big = test_picture(4000, 3000);
  static Raster medium = test_picture(1000, 750);
  return w == 4000 ? big : medium;
}

constexpr ResampleFilter kFilters[] = {ResampleFilter::None,    ResampleFilter::Triangle,
                                       ResampleFilter::Hermite, ResampleFilter::Bell,
                                       ResampleFilter::BSpline, ResampleFilter::Lanczos3};

void BM_ResampleDown(benchmark::State& state) {
  const Raster& src = picture(4000, 3000);
  const auto filter = kFilters[state.range(0)];
  for (auto _ : state) benchmark::DoNotOptimize(resample_raster(src, 640, 480, filter));
  state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}
BENCHMARK(BM_ResampleDown)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

void BM_ResampleUp(benchmark::State& state) {
  const Raster& src = picture(1000, 750);
  const auto filter = kFilters[state.range(0)];
  for (auto _ : state) benchmark::DoNotOptimize(resample_raster(src, 2000, 1500, filter));
  state.SetItemsProcessed(state.iterations() * 2000 * 1500);
}
BENCHMARK(BM_ResampleUp)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

// In-place operations on a 12-megapixel document; restoring the pixels is not timed.
template <typename Op>
void run_in_place(benchmark::State& state, Op op) {
  ImageDocument doc;
  doc.auto_undo = false;
  doc.raster = picture(4000, 3000);
  for (auto _ : state) {
    op(doc);
    state.PauseTiming();
    doc.raster = picture(4000, 3000);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}

void BM_HsvVar(benchmark::State& state) {
  run_in_place(state, [](ImageDocument& d) { hsv_var(d, 0, 0, 10); });
}
BENCHMARK(BM_HsvVar)->Unit(benchmark::kMillisecond);

void BM_Contrast(benchmark::State& state) {
  run_in_place(state, [](ImageDocument& d) { contrast(d, 20); });
}
BENCHMARK(BM_Contrast)->Unit(benchmark::kMillisecond);

void BM_ApplyFilter(benchmark::State& state) {
  const auto preset = static_cast<FilterPreset>(state.range(0));
  run_in_place(state, [preset](ImageDocument& d) { apply_filter(d, preset); });
}
BENCHMARK(BM_ApplyFilter)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

void BM_ConvertTo256(benchmark::State& state) {
  run_in_place(state, [](ImageDocument& d) { convert_to(d, 256, Dither::None); });
}
BENCHMARK(BM_ConvertTo256)->Unit(benchmark::kMillisecond);

void BM_ConvertTo64(benchmark::State& state) {
  run_in_place(state, [](ImageDocument& d) { convert_to(d, 64, Dither::None); });
}
BENCHMARK(BM_ConvertTo64)->Unit(benchmark::kMillisecond);

bool write_ppm(const std::string& path, const Raster& r) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << r.width() << " " << r.height() << "\n255\n";
  out.write(reinterpret_cast<const char*>(r.bytes().data()),
            static_cast<std::streamsize>(r.bytes().size()));
  return static_cast<bool>(out);
}

// Reads the binary PPM that write_ppm (or a peer tool) wrote: P6, maxval 255, no comments.
Raster read_ppm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int w = 0, h = 0, maxval = 0;
  in >> magic >> w >> h >> maxval;
  in.get();
  if (magic != "P6" || maxval != 255 || w <= 0 || h <= 0) return {};
  Raster r(w, h, PixelFormat::Rgb24);
  in.read(reinterpret_cast<char*>(r.bytes().data()),
          static_cast<std::streamsize>(r.bytes().size()));
  return in ? r : Raster{};
}

int time_resample(const std::string& path, int w, int h) {
  const Raster src = read_ppm(path);
  if (src.empty()) {
    std::cerr << "cannot read " << path << "\n";
    return 1;
  }
  double best = 1e9;
  for (int run = 0; run < 5; ++run) {
    // CPU time of this process, to compare with the peers' CPU time on a shared machine.
    const std::clock_t start = std::clock();
    const Raster out = resample_raster(src, w, h, ResampleFilter::Lanczos3);
    const double took = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    benchmark::DoNotOptimize(out.bytes().data());
    best = std::min(best, took);
  }
  std::printf("%.4f\n", best);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write-image") == 0)
    return write_ppm(argv[2], picture(4000, 3000)) ? 0 : 1;
  if (argc == 5 && std::strcmp(argv[1], "--time-resample") == 0)
    return time_resample(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
