// Recording and undoing a change of a whole 4000 × 4000 layer: a mostly
// transparent layer (a 200-pixel opaque stroke across every row, 5 %) and a
// fully opaque one. Throughput counts the layer's raster bytes (64 MB).
// "_spill" runs store records in spill files as the program does for records
// this large; "_memory" runs have no spill directory.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include <benchmark/benchmark.h>

#include "document/document.h"
#include "document/undo_history.h"

namespace qm {
namespace {

constexpr int kSide = 4000;
constexpr int64_t kLayerBytes = int64_t{kSide} * kSide * 4;

class SpillDir {
 public:
  SpillDir() {
    char name[] = "/tmp/qm_bench_undo_XXXXXX";
    if (char* made = ::mkdtemp(name)) path_ = made;
  }
  ~SpillDir() {
    if (DIR* d = ::opendir(path_.c_str())) {
      while (const dirent* e = ::readdir(d))
        if (e->d_name[0] != '.') ::unlink((path_ + "/" + e->d_name).c_str());
      ::closedir(d);
    }
    ::rmdir(path_.c_str());
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

void paint(LayerImage& image, bool opaque, uint32_t seed) {
  for (int y = 0; y < kSide; ++y) {
    Pixel* row = image.row(y);
    if (opaque) {
      for (int x = 0; x < kSide; ++x) row[x] = 0xFF000000u | ((uint32_t(x) * 2654435761u + y + seed) >> 8);
    } else {
      std::fill_n(row, kSide, kTransparent);
      const int x0 = int((uint32_t(y) * 7 + seed) % (kSide - 200));
      for (int x = x0; x < x0 + 200; ++x) row[x] = 0xC0000000u | uint32_t(x * 31 + y + seed);
    }
  }
}

struct Setup {
  SpillDir dir;
  Document doc;
  UndoHistory history;

  Setup(bool opaque, bool spill) : history(spill ? dir.path() : std::string{}) {
    if (!doc.new_canvas(kSide, kSide, true)) return;
    paint(doc.current()->image, opaque, 1);
  }
};

void record_layer(benchmark::State& state, bool opaque, bool spill) {
  Setup s(opaque, spill);
  for (auto _ : state) {
    if (!s.history.record_layer(s.doc)) state.SkipWithError("record failed");
    state.PauseTiming();
    s.history.clear();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * kLayerBytes);
}

// One undo per iteration: it packs the layer's present pixels into the spare
// slot, reads the record back and unpacks it. The redo between undos is not
// timed.
void undo_layer(benchmark::State& state, bool opaque, bool spill) {
  Setup s(opaque, spill);
  if (!s.history.record_layer(s.doc)) state.SkipWithError("record failed");
  paint(s.doc.current()->image, opaque, 2);
  for (auto _ : state) {
    if (!s.history.undo(s.doc).done) state.SkipWithError("undo failed");
    state.PauseTiming();
    s.history.redo(s.doc);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * kLayerBytes);
}

void BM_undo_record_layer_sparse_spill(benchmark::State& s) { record_layer(s, false, true); }
void BM_undo_record_layer_opaque_spill(benchmark::State& s) { record_layer(s, true, true); }
void BM_undo_record_layer_sparse_memory(benchmark::State& s) { record_layer(s, false, false); }
void BM_undo_record_layer_opaque_memory(benchmark::State& s) { record_layer(s, true, false); }
void BM_undo_undo_layer_sparse_spill(benchmark::State& s) { undo_layer(s, false, true); }
void BM_undo_undo_layer_opaque_spill(benchmark::State& s) { undo_layer(s, true, true); }
void BM_undo_undo_layer_sparse_memory(benchmark::State& s) { undo_layer(s, false, false); }
void BM_undo_undo_layer_opaque_memory(benchmark::State& s) { undo_layer(s, true, false); }

BENCHMARK(BM_undo_record_layer_sparse_spill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_undo_record_layer_opaque_spill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_undo_record_layer_sparse_memory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_undo_record_layer_opaque_memory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_undo_undo_layer_sparse_spill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_undo_undo_layer_opaque_spill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_undo_undo_layer_sparse_memory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_undo_undo_layer_opaque_memory)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qm
