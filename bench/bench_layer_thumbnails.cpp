// Layer thumbnails of a full stack: 100 layers of 4000 × 4000. Only the rows
// a thumbnail reads are painted, so the stack does not need 6.4 GB; every
// row read is still a page of its own, as in a painted stack.
#include <benchmark/benchmark.h>

#include <vector>

#include "core/layer_image.h"
#include "panels/layer_thumbnails.h"

namespace qm {
namespace {

constexpr int kSide = 4000;
constexpr int kLayers = 100;

std::vector<LayerImage>& stack() {
  static std::vector<LayerImage> layers = [] {
    std::vector<LayerImage> out(kLayers);
    const ThumbSize s = thumbnail_size(kSide, kSide);
    for (int i = 0; i < kLayers; ++i) {
      out[size_t(i)].create_canvas(kSide, kSide);
      for (int y = 0; y < s.h; ++y) {
        Pixel* row = out[size_t(i)].row(int(((2 * y + 1) * int64_t(kSide)) / (2 * s.h)));
        for (int x = 0; x < kSide; ++x) row[x] = Pixel(0x80000000u | uint32_t(x * 977 + y * 131 + i));
      }
    }
    return out;
  }();
  return layers;
}

void BM_LayerThumbnails_RebuildAll(benchmark::State& state) {
  auto& layers = stack();
  std::vector<Thumbnail> thumbs(layers.size());
  for (auto _ : state) {
    for (size_t i = 0; i < layers.size(); ++i) {
      thumbs[i] = {};
      build_thumbnail(layers[i], thumbs[i]);
    }
    benchmark::DoNotOptimize(thumbs.data());
  }
  state.SetItemsProcessed(state.iterations() * kLayers);
}
BENCHMARK(BM_LayerThumbnails_RebuildAll)->Unit(benchmark::kMillisecond);

// After a stroke: the current layer is sampled again and compared.
void BM_LayerThumbnails_RefreshOne(benchmark::State& state) {
  auto& layers = stack();
  Thumbnail thumb;
  build_thumbnail(layers[50], thumb);
  int n = 0;
  for (auto _ : state) {
    layers[50].row(kSide / 2)[kSide / 2] = Pixel(0xFF000000u | uint32_t(++n));
    benchmark::DoNotOptimize(build_thumbnail(layers[50], thumb));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LayerThumbnails_RefreshOne)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qm
