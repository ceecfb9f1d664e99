// Resizing throughput with Lanczos3; items/s is output pixels/s.
// 4000² → 1000² (reduction, 24 taps per pass) and 1000² → 4000² (enlargement,
// 6 taps per pass), on one thread and, with the _threads2 suffix, on two.
#include <benchmark/benchmark.h>

#include <random>

#include "core/resample.h"
#include "core/resample_internal.h"

namespace {

using namespace qm;

// A painted layer: a transparent band, opaque areas, soft semi-transparent
// areas and broken strokes, in runs of similar colour.
LayerImage painted_layer(int side, uint32_t seed) {
  LayerImage img;
  img.create(side, side);
  std::mt19937 rng(seed);
  const int cell = side / 8;
  for (int y = 0; y < side; ++y) {
    Pixel* row = img.row(y);
    for (int x = 0; x < side;) {
      const int run = 1 + int(rng() % 64);
      const Pixel rgb = rng() & 0xFFFFFF;
      uint32_t alpha;
      const int zone = (x / cell + y / cell) % 3;
      if (y < side / 4) alpha = 0;
      else if (zone == 0) alpha = 255;
      else if (zone == 1) alpha = rng() % 256;
      else alpha = (rng() % 4 == 0) ? 0 : 255;
      for (int i = 0; i < run && x < side; ++i, ++x)
        row[x] = alpha == 0 ? kTransparent : (alpha << 24 | rgb);
    }
  }
  return img;
}

void run(benchmark::State& state, int from, int to, int threads) {
  const LayerImage src = painted_layer(from, 1);
  detail::set_resample_threads(threads);
  LayerImage out;
  for (auto _ : state) {
    if (!resample(src, out, to, to, ResampleMethod::Lanczos3)) state.SkipWithError("resample failed");
    benchmark::DoNotOptimize(out.pixels());
  }
  detail::set_resample_threads(1);
  state.SetItemsProcessed(state.iterations() * int64_t{to} * to);
}

void BM_resample_lanczos3_reduce_4000(benchmark::State& state) { run(state, 4000, 1000, 1); }
void BM_resample_lanczos3_enlarge_1000(benchmark::State& state) { run(state, 1000, 4000, 1); }
void BM_resample_lanczos3_reduce_4000_threads2(benchmark::State& state) { run(state, 4000, 1000, 2); }
void BM_resample_lanczos3_enlarge_1000_threads2(benchmark::State& state) { run(state, 1000, 4000, 2); }

BENCHMARK(BM_resample_lanczos3_reduce_4000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_resample_lanczos3_enlarge_1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_resample_lanczos3_reduce_4000_threads2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_resample_lanczos3_enlarge_1000_threads2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
