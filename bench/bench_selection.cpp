// One pointer move of a 1000 × 1000 floating image through the Rectangle
// select tool on a 4000 × 4000, 10-layer document shown at 100 % in a
// 1920 × 1080 buffer: the old place restored from the base image, the image
// drawn at the new one, the union recomposited and rescaled into the view —
// what the canvas does for every pointer move. With the current layer on top
// and at the bottom, the image copied or composited (paste as composite).
// Items are pointer moves.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "canvas/canvas_view.h"
#include "canvas/selection_tool.h"
#include "document/document.h"

namespace {

using namespace qm;

constexpr int kSide = 4000;
constexpr int kLayers = 10;
constexpr int kBlock = 1000;

struct ViewHost : SelectionHost {
  CanvasView* view = nullptr;
  void pixels_changed() override { view->present_dirty(); }
};

struct Scene {
  Document doc;
  std::unique_ptr<CanvasView> view;
  Settings settings;
  DrawingStateModel model{settings};
  PendingWork pending;
  Selection selection;
  ViewHost host;
  std::unique_ptr<SelectionTool> tool;

  Scene(bool current_at_bottom, bool composite) {
    doc.new_canvas(kSide, kSide, true);
    for (int i = 1; i < kLayers; ++i) doc.create_layer(true);
    for (int i = 0; i < kLayers; ++i) {
      // Half-covering translucent colour: every layer takes part.
      LayerImage& img = doc.layer_at(i)->image;
      img.fill(0x40000000u | (0x102030u * uint32_t(i + 1) & 0xFFFFFF));
      img.fill_rect(0, 0, kSide / 2, kSide, kTransparent);
    }
    doc.current()->image.fill_rect(1500, 1500, kBlock, kBlock, 0xC0336699u);
    doc.select(current_at_bottom ? kLayers - 1 : 0);
    view = std::make_unique<CanvasView>(doc);
    view->create_backing(1920, 1080);
    view->place(1920, 1080);
    view->scroll_to_image_point(2000, 2000);
    view->recompose_all();
    host.view = view.get();
    settings.draw.tool = kToolRectSelect;
    settings.env.ex_view_flag = composite ? kViewPasteComposite : 0;
    tool = std::make_unique<SelectionTool>(doc, selection, model, pending);
    tool->set_host(&host);
    selection.set(doc, 1500, 1500, 1500 + kBlock - 1, 1500 + kBlock - 1);
  }
};

void BM_selection_move_floating_4000(benchmark::State& state) {
  Scene scene(state.range(0) != 0, state.range(1) != 0);
  const PointF start{2000.5, 2000.5};
  scene.tool->press(start, {}, 100);  // lifts the block
  int64_t n = 0;
  for (auto _ : state) {
    // Round and round a circle, 3 image pixels per move.
    const double t = double(++n) * 0.01;
    scene.tool->move({start.x + 300 * std::sin(t), start.y + 300 * (1 - std::cos(t))}, {});
  }
  scene.tool->release({start.x, start.y}, {});
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_selection_move_floating_4000)
    ->ArgNames({"bottom", "composite"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace
