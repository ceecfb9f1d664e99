// Flood fill throughput over a 4000 × 4000 maze (3-pixel corridors, 1-pixel
// walls, one connected passage through all of it: about 12 megapixels).
// Mpix/s counts the region's pixels.
// BM_fill_region_maze: the scan-line region walk alone (spans to no writer).
// BM_fill_tool_maze: the whole fill tool: backup, stroke buffer, writes,
// undo step (no history attached) and the combine into the layer.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "compare_inputs.h"
#include "document/document.h"
#include "paint/fill.h"
#include "paint/flood_fill.h"

namespace {

using namespace qm;

constexpr int kSide = bench::kMazeSide;

Document& maze_document() {
  static Document doc;
  static bool made = false;
  if (!made) {
    doc.new_canvas(kSide, kSide, true);
    bench::draw_maze(doc.current()->image);
    made = true;
  }
  return doc;
}

void BM_fill_region_maze(benchmark::State& state) {
  const LayerImage& img = maze_document().current()->image;
  RegionMap map;
  int64_t pixels = 0;
  for (auto _ : state) {
    int64_t n = 0;
    flood_fill(img, {1, 1}, RegionTest::SameValue, map, [&](int, int, int k) { n += k; });
    benchmark::DoNotOptimize(n);
    pixels += n;
  }
  state.counters["Mpix/s"] = benchmark::Counter(double(pixels) / 1e6, benchmark::Counter::kIsRate);
  state.counters["region_Mpix"] = double(pixels) / 1e6 / double(state.iterations());
}
BENCHMARK(BM_fill_region_maze)->Unit(benchmark::kMillisecond);

void BM_fill_tool_maze(benchmark::State& state) {
  Document& doc = maze_document();
  BrushSettings s;
  s.tool = PaintTool::Fill;
  s.density = 255;
  const FillOptions options = fill_options(kFillKeepReference, false, false, false);
  // Kept between fills, as the canvas keeps it; the work rasters are
  // touched once before timing, as after any earlier stroke.
  static RegionMap map;
  doc.stroke_buffer();
  doc.backup();
  int64_t pixels = 0;
  for (auto _ : state) {
    // Each pass refills the last one's region, also across repetitions.
    s.colour = doc.current()->image.row(1)[1] == 0xFFFF0000 ? 0x0000FF : 0xFF0000;
    const FillResult r = fill_at(doc, s, {1, 1}, options, map, {false});
    benchmark::DoNotOptimize(r);
    state.PauseTiming();
    int64_t n = 0;
    for (uint8_t v : map.inside) n += v;
    pixels += n;
    state.ResumeTiming();
  }
  state.counters["Mpix/s"] = benchmark::Counter(double(pixels) / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_fill_tool_maze)->Unit(benchmark::kMillisecond);

// The walk over one open region: a 4000 × 4000 disc of one value with a
// ragged seeded edge on a noisy ground; long runs, few spans per row.
void BM_fill_region_open(benchmark::State& state) {
  static LayerImage img;
  if (img.empty()) {
    img.create(kSide, kSide);
    std::mt19937 rng(9);
    for (int y = 0; y < kSide; ++y) {
      Pixel* row = img.row(y);
      for (int x = 0; x < kSide; ++x) {
        const double dx = x - kSide / 2.0, dy = y - kSide / 2.0;
        const bool inside = dx * dx + dy * dy < 1900.0 * 1900.0 - double(rng() % 40000);
        row[x] = inside ? 0xFF3060A0u : 0xFF000000u | (rng() & 0xFFFFFF);
      }
    }
  }
  RegionMap map;
  int64_t pixels = 0;
  for (auto _ : state) {
    int64_t n = 0;
    flood_fill(img, {kSide / 2, kSide / 2}, RegionTest::SameValue, map, [&](int, int, int k) { n += k; });
    benchmark::DoNotOptimize(n);
    pixels += n;
  }
  state.counters["Mpix/s"] = benchmark::Counter(double(pixels) / 1e6, benchmark::Counter::kIsRate);
  state.SetItemsProcessed(pixels);
}
BENCHMARK(BM_fill_region_open)->Unit(benchmark::kMillisecond);

}  // namespace
