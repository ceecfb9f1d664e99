// Brush dab throughput; items/s is dabs/s. The dabs follow a wandering path
// at a tenth of the size apart (every sub-pixel phase occurs), on a stroke
// buffer that fills up as a real stroke's does, so the blending brush soon
// blends over paint.
// BM_paint_freehand_1000 is a whole Pen stroke of 1000 samples: smoothing,
// dabs, combining into the layer and recompositing, as the canvas runs it.
#include <benchmark/benchmark.h>

#include <chrono>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "compare_inputs.h"
#include "document/document.h"
#include "paint/dab_raster.h"
#include "paint/dab_shapes.h"
#include "paint/freehand.h"
#include "paint/tool_table.h"
#include "paint/write_modes.h"

namespace {

using namespace qm;

constexpr int kSide = 1024;

std::vector<PointF> dab_positions(double size) {
  std::mt19937 rng(17);
  std::uniform_real_distribution<double> turn(-0.3, 0.3);
  std::vector<PointF> out(4096);
  double x = kSide / 2.0, y = kSide / 2.0, heading = 0;
  const double step = 0.1 * size, margin = size;
  for (PointF& p : out) {
    heading += turn(rng);
    x += step * std::cos(heading);
    y += step * std::sin(heading);
    // Turn back from the edges.
    if (x < margin || x > kSide - margin || y < margin || y > kSide - margin) {
      heading += 3.14159;
      x = std::clamp(x, margin, kSide - margin);
      y = std::clamp(y, margin, kSide - margin);
    }
    p = {x, y};
  }
  return out;
}

void run_dabs(benchmark::State& state, const ShapeMap& shape, int mode) {
  const double size = double(state.range(0));
  LayerImage buffer;
  buffer.create(kSide, kSide);
  buffer.fill(kTransparent);
  PaintSurface surface{&buffer, &buffer, buffer.bounds(), {}, {}, mode};
  const std::vector<PointF> positions = dab_positions(size);
  size_t i = 0;
  for (auto _ : state) {
    const PointF p = positions[i++ & 4095];
    benchmark::DoNotOptimize(draw_dab(surface, shape, {p.x, p.y, size, 200, 0x204080}, true));
  }
  state.SetItemsProcessed(int64_t(state.iterations()));
}

void BM_paint_pen_dab(benchmark::State& state) { run_dabs(state, hard_disc_map(), kWriteMax); }
BENCHMARK(BM_paint_pen_dab)->Arg(5)->Arg(20)->Arg(30)->Arg(100);

void BM_paint_brush_dab(benchmark::State& state) { run_dabs(state, cone_map(196), kWriteBlend); }
BENCHMARK(BM_paint_brush_dab)->Arg(20)->Arg(100);

void BM_paint_freehand_1000(benchmark::State& state) {
  Document doc;
  doc.new_canvas(1500, 1500, true);
  BrushSettings pen;
  pen.tool = PaintTool::Pen;
  pen.size = 20;
  pen.option_word = tool_entry(PaintTool::Pen).default_option_word;
  std::vector<PointF> path(1000);
  for (size_t i = 0; i < path.size(); ++i) {
    const double t = double(i) / path.size();
    path[i] = {750 + 600 * std::cos(6.2832 * t) * (0.5 + 0.5 * t), 750 + 600 * std::sin(12.566 * t) * 0.8};
  }
  int64_t dabs = 0;
  for (auto _ : state) {
    FreehandStroke stroke;
    stroke.begin(doc, pen, path[0], 0.5);
    for (size_t i = 1; i < path.size(); ++i) stroke.move(path[i], 0.5 + 0.5 * std::sin(i * 0.01));
    stroke.end();
    dabs += stroke.dab_count();
  }
  state.SetItemsProcessed(dabs);
}
BENCHMARK(BM_paint_freehand_1000)->Unit(benchmark::kMillisecond);

// The Brush tool (blending, size 20, density 200) over the dab positions of
// a long stroke on a 4000² stroke buffer: every dab once; items/s is dabs/s.
void BM_paint_brush_dabs_path_4000(benchmark::State& state) {
  const std::vector<PointF> positions = bench::stroke_dab_positions();
  LayerImage buffer;
  buffer.create(4000, 4000);
  PaintSurface surface{&buffer, &buffer, buffer.bounds(), {}, {}, kWriteBlend};
  const ShapeMap& shape = cone_map(196);
  for (auto _ : state) {
    state.PauseTiming();
    buffer.fill(kTransparent);
    state.ResumeTiming();
    for (const PointF& p : positions) benchmark::DoNotOptimize(draw_dab(surface, shape, {p.x, p.y, 20, 200, 0x204080}, true));
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(positions.size()));
  state.counters["dabs"] = double(positions.size());
}
BENCHMARK(BM_paint_brush_dabs_path_4000)->Unit(benchmark::kMillisecond);

// A whole Brush stroke (size 20) over the 90,440 pointer events of that path
// on a 4000² document: smoothing, spacing, dabs, combining, no recomposite.
void BM_paint_brush_stroke_4000(benchmark::State& state) {
  const std::vector<bench::StrokeEvent> ev = bench::stroke_events();
  Document doc;
  doc.new_canvas(4000, 4000, true);
  BrushSettings brush;
  brush.tool = PaintTool::Brush;
  brush.size = 20;
  brush.density = 200;
  brush.colour = 0x204080;
  brush.option_word = tool_entry(PaintTool::Brush).default_option_word;
  const auto whole_stroke = [&] {
    FreehandStroke stroke;
    stroke.begin(doc, brush, {ev[0].x, ev[0].y}, ev[0].pressure, {false});
    for (size_t i = 1; i < ev.size(); ++i) stroke.move({ev[i].x, ev[i].y}, ev[i].pressure);
    stroke.end();
    return stroke.dab_count();
  };
  // The first stroke on a new document also makes the pages of its backup
  // and stroke buffer (128 MB here), from a few to 300 ms on our virtual
  // machines as the memory comes; the peer clears its 128 MB surface when
  // it makes it, before its timing starts. That stroke is timed apart, as
  // first_stroke_s.
  const auto start = std::chrono::steady_clock::now();
  whole_stroke();
  state.counters["first_stroke_s"] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  int64_t dabs = 0;
  for (auto _ : state) dabs += whole_stroke();
  state.counters["dabs"] = double(dabs) / double(state.iterations());
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(ev.size()));
}
BENCHMARK(BM_paint_brush_stroke_4000)->Unit(benchmark::kMillisecond);

}  // namespace
