// PSD save and load throughput: a 10-layer 4000 × 4000 document, bytes/s
// counted as raw layer pixels (10 × 4000 × 4000 × 4 per run). Saving
// includes the flatten, the JPEG thumbnail, the merged image, the flush to
// disk and the rename; loading builds the whole document.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>

#include "document/document.h"
#include "formats/packbits.h"
#include "formats/psd_document.h"

namespace {

using namespace qm;

constexpr int kSide = 4000;
constexpr int kLayers = 10;
constexpr int64_t kRawBytes = int64_t{kLayers} * kSide * kSide * 4;

// Painted-looking layers (the same recipe as the native format's benchmark,
// so the figures compare): a transparent band that moves per layer, runs of
// similar colour, soft-edged areas with varying alpha and some noise.
void paint(LayerImage& img, uint32_t seed) {
  std::mt19937 rng(seed);
  const int empty_from = int(seed % 4) * kSide / 4;
  for (int y = 0; y < kSide; ++y) {
    Pixel* row = img.row(y);
    const bool empty = y >= empty_from && y < empty_from + kSide / 3;
    for (int x = 0; x < kSide;) {
      const int run = 1 + int(rng() % 48);
      const Pixel rgb = (rng() & 0x3F3F3F) + ((seed * 0x2F1B07u + uint32_t(y / 50) * 0x010203u) & 0xC0C0C0);
      const int area = (x / 400 + y / 400 + int(seed)) % 4;
      for (int i = 0; i < run && x < kSide; ++i, ++x) {
        uint32_t alpha = 255;
        if (empty) alpha = 0;
        else if (area == 1) alpha = uint32_t((x + y) & 0xFF);
        else if (area == 2) alpha = (rng() % 8 == 0) ? 0 : 255;
        row[x] = alpha == 0 ? kTransparent : (alpha << 24 | rgb);
      }
    }
  }
}

const Document& bench_document() {
  static const std::unique_ptr<Document> doc = [] {
    auto d = std::make_unique<Document>();
    d->new_canvas(kSide, kSide, true);
    for (int i = 1; i < kLayers; ++i) d->create_layer(true);
    for (int i = 0; i < kLayers; ++i) paint(d->layer_at(i)->image, uint32_t(i + 1));
    return d;
  }();
  return *doc;
}

std::string bench_path() {
  return (std::filesystem::temp_directory_path() / ("qm_bench_psd_" + std::to_string(::getpid()) + ".psd"))
      .string();
}

void report(benchmark::State& state, const std::string& path) {
  state.SetBytesProcessed(int64_t(state.iterations()) * kRawBytes);
  state.counters["file_MB"] = double(std::filesystem::file_size(path)) / 1e6;
}

void BM_psd_save_4000x10(benchmark::State& state) {
  const Document& doc = bench_document();
  const std::string path = bench_path();
  for (auto _ : state)
    if (!SavePsd(path, doc, nullptr)) state.SkipWithError("save failed");
  report(state, path);
  std::filesystem::remove(path);
}

void BM_psd_load_4000x10(benchmark::State& state) {
  const std::string path = bench_path();
  if (!SavePsd(path, bench_document(), nullptr)) {
    state.SkipWithError("save failed");
    return;
  }
  for (auto _ : state) {
    Document doc;
    if (LoadPsd(path, doc, nullptr) != LoadResult::Success) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(doc.layer_count());
  }
  report(state, path);
  std::filesystem::remove(path);
}

// PackBits alone over one channel of the document's layers, rows of 4000.
void BM_psd_packbits_rows(benchmark::State& state) {
  const LayerImage& img = bench_document().layer_at(0)->image;
  std::vector<uint8_t> row(kSide), out;
  for (auto _ : state) {
    out.clear();
    for (int y = 0; y < kSide; ++y) {
      const Pixel* p = img.row(y);
      for (int x = 0; x < kSide; ++x) row[size_t(x)] = uint8_t(p[x] >> 16);
      packbits_pack(row.data(), row.size(), out);
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kSide * kSide);
}

BENCHMARK(BM_psd_save_4000x10)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_psd_load_4000x10)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_psd_packbits_rows)->Unit(benchmark::kMillisecond);

}  // namespace
