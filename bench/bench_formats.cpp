// Document save and load throughput: a 10-layer 4000 × 4000 document, bytes/s
// counted as raw layer pixels (10 × 4000 × 4000 × 4 per run). Saving
// includes the thumbnail or preview, the flush to disk and the rename.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "bench_document.h"
#include "document/document.h"
#include "formats/lineforge_document.h"
#include "formats/native_document.h"

namespace {

using namespace qm;
using namespace qm::bench;

void BM_formats_native_save_4000x10(benchmark::State& state) {
  const Document& doc = bench_document();
  const std::string path = bench_path("qm_bench_formats", ".qmd");
  for (auto _ : state)
    if (!SaveNativeDocument(path, doc, nullptr)) state.SkipWithError("save failed");
  report(state, path);
  std::filesystem::remove(path);
}

void BM_formats_native_load_4000x10(benchmark::State& state) {
  const std::string path = bench_path("qm_bench_formats", ".qmd");
  if (!SaveNativeDocument(path, bench_document(), nullptr)) state.SkipWithError("save failed");
  first_load(state, [&] {
    Document doc;
    return LoadNativeDocument(path, doc, nullptr) == LoadResult::Success;
  });
  for (auto _ : state) {
    Document doc;
    if (LoadNativeDocument(path, doc, nullptr) != LoadResult::Success)
      state.SkipWithError("load failed");
    benchmark::DoNotOptimize(doc.layer_at(0)->image.pixels());
  }
  report(state, path);
  std::filesystem::remove(path);
}

void BM_formats_lineforge_save_4000x10(benchmark::State& state) {
  const Document& doc = bench_document();
  const std::string path = bench_path("qm_bench_formats", ".lfw");
  for (auto _ : state)
    if (!SaveLineforgeDocument(path, doc, nullptr)) state.SkipWithError("save failed");
  report(state, path);
  std::filesystem::remove(path);
}

void BM_formats_lineforge_load_4000x10(benchmark::State& state) {
  const std::string path = bench_path("qm_bench_formats", ".lfw");
  if (!SaveLineforgeDocument(path, bench_document(), nullptr)) state.SkipWithError("save failed");
  first_load(state, [&] {
    Document doc;
    return LoadLineforgeDocument(path, doc, nullptr) == LoadResult::Success;
  });
  for (auto _ : state) {
    Document doc;
    if (LoadLineforgeDocument(path, doc, nullptr) != LoadResult::Success)
      state.SkipWithError("load failed");
    benchmark::DoNotOptimize(doc.layer_at(0)->image.pixels());
  }
  report(state, path);
  std::filesystem::remove(path);
}

// Each run takes seconds: a few iterations are plenty.
BENCHMARK(BM_formats_native_save_4000x10)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_formats_native_load_4000x10)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_formats_lineforge_save_4000x10)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_formats_lineforge_load_4000x10)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace
