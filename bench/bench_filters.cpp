// The filter framework's own cost per preview update on a 4000 × 4000
// document of 10 visible layers with a callback that
// does nothing: the dialog's values, the callback call, and for the
// on-canvas preview the recomposite of the target and the view's rescale
// into a 1920 × 1080 buffer at 25 % (all of the image visible). Items are
// target pixels. The canvas previews report the process's CPU time (both
// threads) and the wall time.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench_document.h"
#include "canvas/canvas_view.h"
#include "canvas/stroke_composite.h"
#include "filters/filter_run.h"

namespace {

using namespace qm;
using namespace qm::filters;

bool trivial(const FilterArgs& a) {
  benchmark::DoNotOptimize(a.values.numeric[0]);
  return true;
}

struct Scene {
  Document doc;
  std::unique_ptr<CanvasView> view;
  LayerImage backup;
  StrokeComposite preview_composite;
};

Scene& scene() {
  static Scene s;
  static const bool ready = [] {
    const Document& src = bench::bench_document();
    s.doc.new_canvas(bench::kSide, bench::kSide, true);
    for (int i = 1; i < bench::kLayers; ++i) s.doc.create_layer(true);
    for (int i = 0; i < bench::kLayers; ++i) s.doc.layer_at(i)->image.copy_from(src.layer_at(i)->image);
    s.backup.create(bench::kSide, bench::kSide);
    s.backup.copy_from(s.doc.current()->image);
    s.view = std::make_unique<CanvasView>(s.doc);
    s.view->create_backing(1920, 1080);
    s.view->place(1920, 1080);
    s.view->set_scale(25);
    s.view->document_changed();
    return true;
  }();
  (void)ready;
  return s;
}

// Mode 1 as the dialog runs it: the layers below the current one come from
// the dialog's cache (built by the first preview), only the part the view
// shows is recomposited, on two threads, and the view rescales it. The
// arguments: the current layer, 0 the top one (the cache holds nine layers)
// or 9 the bottom one (only the background); the view's scale, 25 (the
// whole image is seen) or 100 (a 1920 × 1080 part of it).
void BM_filter_preview_canvas_4000(benchmark::State& state) {
  Scene& s = scene();
  s.doc.select(int(state.range(0)));
  s.view->set_scale(int(state.range(1)));
  const DialogDescription& d = *filter_dialog(700);
  const Rect target = s.doc.bounds();
  const FilterEnvironment env{0, 0xFFFFFF, &s.doc};
  s.preview_composite.begin(s.doc);
  s.preview_composite.composite(s.doc, target);  // the first preview
  for (auto _ : state) {
    const FilterValues v = initial_values(d, dialog_context(s.doc, target));
    trivial({v, env, s.doc.current()->image, s.backup, target, nullptr});
    s.preview_composite.composite(s.doc, intersect(target, s.view->visible_image_rect()), 2);
    benchmark::DoNotOptimize(s.view->present_dirty());
  }
  s.preview_composite.end();
  const Rect seen = s.view->visible_image_rect();
  state.counters["recomposited_px"] = double(int64_t{seen.w} * seen.h);
  s.view->set_scale(25);
  state.SetItemsProcessed(state.iterations() * int64_t{bench::kSide} * bench::kSide);
}

// For comparison: the whole stack recomposited for every update, as the
// plain edit path does.
void BM_filter_preview_canvas_4000_full_recomposite(benchmark::State& state) {
  Scene& s = scene();
  const DialogDescription& d = *filter_dialog(700);
  const Rect target = s.doc.bounds();
  const FilterEnvironment env{0, 0xFFFFFF, &s.doc};
  for (auto _ : state) {
    const FilterValues v = initial_values(d, dialog_context(s.doc, target));
    trivial({v, env, s.doc.current()->image, s.backup, target, nullptr});
    benchmark::DoNotOptimize(s.view->update_rect(target));
  }
  state.SetItemsProcessed(state.iterations() * int64_t{bench::kSide} * bench::kSide);
}

// Mode 2: the panel's 160 × 150 visible rectangle; the panel paints itself.
void BM_filter_preview_panel_4000(benchmark::State& state) {
  Scene& s = scene();
  const DialogDescription& d = *filter_dialog(717);
  const Rect visible{0, 0, 160, 150};
  const FilterEnvironment env{0, 0xFFFFFF, &s.doc};
  for (auto _ : state) {
    const FilterValues v = initial_values(d, dialog_context(s.doc, s.doc.bounds()));
    trivial({v, env, s.backup, s.doc.current()->image, visible, nullptr});
  }
  state.SetItemsProcessed(state.iterations() * 160 * 150);
}

}  // namespace

BENCHMARK(BM_filter_preview_canvas_4000)
    ->Args({0, 25})
    ->Args({9, 25})
    ->Args({0, 100})
    ->Args({9, 100})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_filter_preview_canvas_4000_full_recomposite)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_filter_preview_panel_4000);
