// PSD save and load throughput: a 10-layer 4000 × 4000 document, bytes/s
// counted as raw layer pixels (10 × 4000 × 4000 × 4 per run). Saving
// includes the flatten, the JPEG thumbnail, the merged image, the flush to
// disk and the rename; loading builds the whole document.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "bench_document.h"
#include "document/document.h"
#include "formats/packbits.h"
#include "formats/psd_document.h"

namespace {

using namespace qm;
using namespace qm::bench;

void BM_psd_save_4000x10(benchmark::State& state) {
  const Document& doc = bench_document();
  const std::string path = bench_path("qm_bench_psd", ".psd");
  for (auto _ : state)
    if (!SavePsd(path, doc, nullptr)) state.SkipWithError("save failed");
  report(state, path);
  std::filesystem::remove(path);
}

void BM_psd_load_4000x10(benchmark::State& state) {
  const std::string path = bench_path("qm_bench_psd", ".psd");
  if (!SavePsd(path, bench_document(), nullptr)) {
    state.SkipWithError("save failed");
    return;
  }
  first_load(state, [&] {
    Document doc;
    return LoadPsd(path, doc, nullptr) == LoadResult::Success;
  });
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

BENCHMARK(BM_psd_save_4000x10)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_psd_load_4000x10)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_psd_packbits_rows)->Unit(benchmark::kMillisecond);

}  // namespace
