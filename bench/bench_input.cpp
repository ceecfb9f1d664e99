// One pointer sample of a 20-pixel Brush stroke through the canvas input
// layer on a 4000 × 4000 document, shown at 100 % in a 1920 × 1080 buffer:
// the dabs, the combine into the layer, the recomposite of the touched
// rectangle and its rescale into the view. With 1, 10 and 100 layers (the
// current one on top), and 100 with the current one at the bottom. Items are
// pointer samples.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "canvas/canvas_view.h"
#include "canvas/input_dispatcher.h"
#include "document/document.h"

namespace {

using namespace qm;

constexpr int kSide = 4000;

struct ViewHost : InputHost {
  CanvasView* view = nullptr;
  void show_changes() override { view->present_dirty(); }
};

// The documents are big (100 layers take 6.4 GB): one at a time.
struct Scene {
  Document doc;
  std::unique_ptr<CanvasView> view;
  Settings settings;
  DrawingStateModel model{settings};
  KeyBindings keys = default_key_bindings();
  PendingWork pending;
  ViewHost host;
  std::unique_ptr<InputDispatcher> input;

  Scene(int layers, bool current_at_bottom) {
    doc.new_canvas(kSide, kSide, true);
    for (int i = 1; i < layers; ++i) doc.create_layer(true);
    for (int i = 0; i < layers; ++i) {
      // Half-covering translucent colour: every layer takes part.
      LayerImage& img = doc.layer_at(i)->image;
      img.fill(0x40000000u | (0x102030u * uint32_t(i + 1) & 0xFFFFFF));
      img.fill_rect(0, 0, kSide / 2, kSide, kTransparent);
    }
    doc.select(current_at_bottom ? layers - 1 : 0);
    view = std::make_unique<CanvasView>(doc);
    view->create_backing(1920, 1080);
    view->place(1920, 1080);
    view->recompose_all();
    host.view = view.get();
    settings.draw.tool = kToolBrush;
    settings.draw.brush_size[kToolBrush] = 20;
    input = std::make_unique<InputDispatcher>(doc, model, keys, pending, view->geometry(), host);
  }
};

void BM_input_brush_sample_4000(benchmark::State& state) {
  Scene scene(int(state.range(0)), state.range(1) != 0);
  PointerEvent e;
  e.window = {960, 540};
  e.time_ms = 10000;
  scene.input->press(e);
  int64_t n = 0;
  for (auto _ : state) {
    // Round and round a circle inside the view, 3 window pixels per sample.
    const double t = double(n++) * 0.01;
    e.window = {960 + 300 * std::cos(t), 540 + 300 * std::sin(t)};
    scene.input->move(e);
  }
  scene.input->release(e);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_input_brush_sample_4000)
    ->ArgNames({"layers", "bottom"})
    ->Args({1, 0})
    ->Args({10, 0})
    ->Args({100, 0})
    ->Args({100, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
