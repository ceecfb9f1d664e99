// Compositing throughput on a 4000 × 4000 layer; items/s is pixels/s.
// BM_composite_copy_4000 (a plain copy of the same bytes) is the yardstick.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

#include "document/blend_modes.h"
#include "document/compositing.h"
#include "document/compositing_kernels.h"
#include "bench_document.h"

namespace {

using namespace qm;

constexpr int kSide = 4000;

// A painted layer: a transparent quarter, opaque strokes, soft-edged
// semi-transparent areas and scattered noise, in runs of similar colour.
LayerImage painted_layer(uint32_t seed) {
  LayerImage img;
  img.create(kSide, kSide);
  std::mt19937 rng(seed);
  for (int y = 0; y < kSide; ++y) {
    Pixel* row = img.row(y);
    for (int x = 0; x < kSide;) {
      const int run = 1 + int(rng() % 64);
      const Pixel rgb = rng() & 0xFFFFFF;
      uint32_t alpha;
      if (y < kSide / 4) alpha = 0;                           // empty top quarter
      else if ((x / 500 + y / 500) % 3 == 0) alpha = 255;     // opaque areas
      else if ((x / 500 + y / 500) % 3 == 1) alpha = rng() % 256;  // soft edges
      else alpha = (rng() % 4 == 0) ? 0 : 255;                 // broken strokes
      for (int i = 0; i < run && x < kSide; ++i, ++x)
        row[x] = alpha == 0 ? kTransparent : (alpha << 24 | rgb);
    }
  }
  return img;
}

LayerImage opaque_layer(uint32_t seed) {
  LayerImage img = painted_layer(seed);
  for (size_t i = 0; i < img.pixel_count(); ++i) img.pixels()[i] |= 0xFF000000;
  return img;
}

LayerImage background() {
  LayerImage img;
  img.create(kSide, kSide);
  img.fill_checker(0, 0, kSide, kSide, 0xFFD8D8D8, 0xFFF8F8F8);
  return img;
}

const LayerImage& shared_layer() {
  static const LayerImage layer = painted_layer(1);
  return layer;
}

constexpr int64_t kPixels = int64_t{kSide} * kSide;

void BM_composite_copy_4000(benchmark::State& state) {
  const LayerImage& src = shared_layer();
  LayerImage dst = background();
  for (auto _ : state) {
    std::memcpy(dst.pixels(), src.pixels(), src.byte_count());
    benchmark::DoNotOptimize(dst.pixels());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}

void display(benchmark::State& state, const LayerImage& src, int mode, int opacity) {
  LayerImage dst = background();
  for (auto _ : state) {
    composite_display(dst, src, opacity, mode, dst.bounds());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}

void BM_composite_normal_4000(benchmark::State& state) {
  display(state, shared_layer(), int(BlendMode::Normal), 128);
}
void BM_composite_normal_opaque_4000(benchmark::State& state) {
  static const LayerImage layer = opaque_layer(2);
  display(state, layer, int(BlendMode::Normal), 128);
}
void BM_composite_normal_half_opacity_4000(benchmark::State& state) {
  display(state, shared_layer(), int(BlendMode::Normal), 64);
}
// The same Normal composite on each kernel set (0 scalar, 1 SSE2, 2 AVX2),
// to show what the vector code buys; levels the CPU lacks are skipped.
void BM_composite_normal_level_4000(benchmark::State& state) {
  const auto wanted = detail::SimdLevel(state.range(0));
  if (detail::set_simd_level(wanted) != wanted) {
    state.SkipWithError("instruction set not available");
    detail::set_simd_level(detail::best_simd_level());
    return;
  }
  display(state, shared_layer(), int(BlendMode::Normal), 128);
  detail::set_simd_level(detail::best_simd_level());
}
void BM_composite_multiply_4000(benchmark::State& state) {
  display(state, shared_layer(), int(BlendMode::Multiply), 128);
}
void BM_composite_add_4000(benchmark::State& state) {
  display(state, shared_layer(), int(BlendMode::Add), 128);
}
void BM_composite_overlay_4000(benchmark::State& state) {
  display(state, shared_layer(), int(BlendMode::Overlay), 128);
}
void BM_composite_hue_4000(benchmark::State& state) {
  display(state, shared_layer(), int(BlendMode::Hue), 128);
}

void BM_composite_flatten_4000(benchmark::State& state) {
  const LayerImage& src = shared_layer();
  LayerImage dst;
  dst.create(kSide, kSide);
  dst.fill(kOpaqueWhite);
  for (auto _ : state) {
    flatten_layer(dst, src, 128, int(BlendMode::Normal));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}

// The merge changes the destination's alpha, so each round starts again from
// the same lower layer (the copy is not timed).
void BM_composite_merge_alpha_4000(benchmark::State& state) {
  const LayerImage& src = shared_layer();
  static const LayerImage lower = painted_layer(3);
  LayerImage dst;
  dst.create(kSide, kSide);
  for (auto _ : state) {
    state.PauseTiming();
    dst.copy_from(lower);
    state.ResumeTiming();
    merge_alpha_aware(dst, 128, int(BlendMode::Normal), src, 128, int(BlendMode::Multiply));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}

}  // namespace

BENCHMARK(BM_composite_copy_4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_composite_normal_4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_composite_normal_opaque_4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_composite_normal_half_opacity_4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_composite_normal_level_4000)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_composite_multiply_4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_composite_add_4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_composite_overlay_4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_composite_hue_4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_composite_flatten_4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_composite_merge_alpha_4000)->Unit(benchmark::kMillisecond);

namespace {

// The whole display composite of the shared 10-layer document, one thread:
// what opening a document or changing a layer's settings costs.
void BM_composite_document_4000x10(benchmark::State& state) {
  static qm::Document doc = [] {
    qm::Document d;
    d.new_canvas(qm::bench::kSide, qm::bench::kSide, true);
    for (int i = 1; i < qm::bench::kLayers; ++i) d.create_layer(true);
    for (int i = 0; i < qm::bench::kLayers; ++i)
      d.layer_at(i)->image.copy_from(qm::bench::bench_document().layer_at(i)->image);
    return d;
  }();
  for (auto _ : state) {
    doc.composite_all();
    benchmark::DoNotOptimize(doc.composite().pixels());
  }
  state.SetItemsProcessed(state.iterations() * int64_t{qm::bench::kSide} * qm::bench::kSide * qm::bench::kLayers);
}

}  // namespace

BENCHMARK(BM_composite_document_4000x10)->Unit(benchmark::kMillisecond);
