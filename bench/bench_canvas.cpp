// The canvas view's hot paths on a 4000 × 4000 document of 10 visible layers
// shown in a 1920 × 1080 buffer: the update after one 64 × 64 edit at 100 %
// (recomposite plus rescale of that rectangle; items are image pixels), and a
// full rescale of the view at 25, 100 and 400 % (items are window pixels).
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "canvas/canvas_view.h"
#include "document/document.h"

namespace {

using namespace qm;

constexpr int kSide = 4000;
constexpr int kLayers = 10;
constexpr int kViewW = 1920, kViewH = 1080;

// Runs of similar colour with transparent gaps, soft and opaque areas, each
// layer with its own pattern so none hides the others entirely.
void paint_layer(LayerImage& img, uint32_t seed) {
  std::mt19937 rng(seed);
  for (int y = 0; y < kSide; ++y) {
    Pixel* row = img.row(y);
    for (int x = 0; x < kSide;) {
      const int run = 1 + int(rng() % 64);
      const Pixel rgb = rng() & 0xFFFFFF;
      const int zone = int((x / 400 + y / 400 + seed) % 4);
      const uint32_t alpha = zone == 0 ? 0 : zone == 1 ? 255 : zone == 2 ? rng() % 256 : 96;
      for (int i = 0; i < run && x < kSide; ++i, ++x)
        row[x] = alpha == 0 ? kTransparent : (alpha << 24 | rgb);
    }
  }
}

struct Scene {
  Document doc;
  std::unique_ptr<CanvasView> view;
};

Scene& scene() {
  static Scene s;
  static const bool ready = [] {
    s.doc.new_canvas(kSide, kSide, true);
    for (int i = 1; i < kLayers; ++i) s.doc.create_layer(false);
    for (int i = 0; i < kLayers; ++i) paint_layer(s.doc.layer_at(i)->image, uint32_t(i + 1));
    s.view = std::make_unique<CanvasView>(s.doc);
    s.view->create_backing(kViewW, kViewH);
    s.view->place(kViewW, kViewH);
    s.view->document_changed();
    return true;
  }();
  (void)ready;
  return s;
}

void BM_canvas_update_rect_64(benchmark::State& state) {
  Scene& s = scene();
  s.view->set_scale(100);
  s.view->scroll_to_image_point(kSide / 2, kSide / 2);
  // Edits spread over the visible part, as a stroke would make them.
  int i = 0;
  for (auto _ : state) {
    const Rect r{kSide / 2 - 800 + (i * 97) % 1600, kSide / 2 - 450 + (i * 61) % 900, 64, 64};
    benchmark::DoNotOptimize(s.view->update_rect(r));
    ++i;
  }
  state.SetItemsProcessed(state.iterations() * 64 * 64);
}

void BM_canvas_redraw_all(benchmark::State& state) {
  Scene& s = scene();
  s.view->set_scale(int(state.range(0)));
  s.view->scroll_to_image_point(kSide / 2, kSide / 2);
  for (auto _ : state) {
    benchmark::DoNotOptimize(s.view->redraw_all());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t{kViewW} * kViewH);
}

void BM_canvas_redraw_all_mirrored(benchmark::State& state) {
  Scene& s = scene();
  s.view->set_scale(int(state.range(0)));
  s.view->toggle_mirror();
  for (auto _ : state) {
    benchmark::DoNotOptimize(s.view->redraw_all());
    benchmark::ClobberMemory();
  }
  s.view->toggle_mirror();
  state.SetItemsProcessed(state.iterations() * int64_t{kViewW} * kViewH);
}

// The full path after a checkerboard toggle: all 10 layers recomposited,
// then the view rescaled (items are image pixels of one layer).
void BM_canvas_recompose_redraw_all(benchmark::State& state) {
  Scene& s = scene();
  s.view->set_scale(int(state.range(0)));
  for (auto _ : state) {
    s.view->recompose_all();
    benchmark::DoNotOptimize(s.view->redraw_all());
  }
  state.SetItemsProcessed(state.iterations() * int64_t{kSide} * kSide);
}

}  // namespace

BENCHMARK(BM_canvas_update_rect_64);
BENCHMARK(BM_canvas_redraw_all)->Arg(25)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_canvas_redraw_all_mirrored)->Arg(25)->Arg(400)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_canvas_recompose_redraw_all)->Arg(100)->Unit(benchmark::kMillisecond);
