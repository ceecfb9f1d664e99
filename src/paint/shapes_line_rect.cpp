// Straight lines and rectangles.
#include <algorithm>
#include <array>
#include <cmath>

#include "paint/shapes.h"
#include "paint/write_modes.h"

namespace qm {
namespace {

// Inward offsets (along the edge, across it) of the points that replace a
// cut corner, from the first edge to the second, clockwise.
constexpr std::array<IntPoint, 6> kCornerIn{{{5, 1}, {4, 1}, {3, 2}, {2, 3}, {1, 4}, {1, 5}}};
constexpr int kRoundedMinSide = 12;
constexpr int kCornerCut = 6;

struct PixelBox {
  int x0, y0, x1, y1;  // inclusive
  int w() const { return x1 - x0 + 1; }
  int h() const { return y1 - y0 + 1; }
};

PixelBox pixel_box(PointF a, PointF b) {
  const IntPoint p = pixel_of({std::min(a.x, b.x), std::min(a.y, b.y)});
  const IntPoint q = pixel_of({std::max(a.x, b.x), std::max(a.y, b.y)});
  return {p.x, p.y, q.x, q.y};
}

// The outline of the box for the pixel-line tools, clockwise from the top
// left, each pixel once.
template <class Visit>
void walk_box_outline(const PixelBox& b, bool rounded, Visit&& visit) {
  if (b.h() == 1) {
    for (int x = b.x0; x <= b.x1; ++x) visit(x, b.y0);
    return;
  }
  if (b.w() == 1) {
    for (int y = b.y0; y <= b.y1; ++y) visit(b.x0, y);
    return;
  }
  rounded = rounded && b.w() >= kRoundedMinSide && b.h() >= kRoundedMinSide;
  const int cut = rounded ? kCornerCut : 0;
  const int side = rounded ? kCornerCut : 1;  // where the columns start and end
  for (int x = b.x0 + cut; x <= b.x1 - cut; ++x) visit(x, b.y0);
  if (rounded)
    for (const IntPoint& c : kCornerIn) visit(b.x1 - c.x, b.y0 + c.y);
  for (int y = b.y0 + side; y <= b.y1 - side; ++y) visit(b.x1, y);
  if (rounded)
    for (auto it = kCornerIn.rbegin(); it != kCornerIn.rend(); ++it) visit(b.x1 - it->x, b.y1 - it->y);
  for (int x = b.x1 - cut; x >= b.x0 + cut; --x) visit(x, b.y1);
  if (rounded)
    for (const IntPoint& c : kCornerIn) visit(b.x0 + c.x, b.y1 - c.y);
  for (int y = b.y1 - side; y >= b.y0 + side; --y) visit(b.x0, y);
  if (rounded)
    for (auto it = kCornerIn.rbegin(); it != kCornerIn.rend(); ++it) visit(b.x0 + it->x, b.y0 + it->y);
}

// The same outline through the corner points of the anti-aliased tools:
// straight edges corner to corner, or cut corners joined by short segments.
std::vector<std::vector<PointF>> box_outline_paths(PointF a, PointF b, bool rounded) {
  const double x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
  const double x1 = std::max(a.x, b.x), y1 = std::max(a.y, b.y);
  if (!rounded) return {{{x0, y0}, {x1, y0}}, {{x1, y0}, {x1, y1}}, {{x1, y1}, {x0, y1}}, {{x0, y1}, {x0, y0}}};
  // One closed path; the corners as for the pixel-line tools.
  std::vector<PointF> path;
  const double c = kCornerCut;
  path.push_back({x0 + c, y0});
  path.push_back({x1 - c, y0});
  for (const IntPoint& p : kCornerIn) path.push_back({x1 - p.x, y0 + p.y});
  path.push_back({x1, y0 + c});
  path.push_back({x1, y1 - c});
  for (auto it = kCornerIn.rbegin(); it != kCornerIn.rend(); ++it) path.push_back({x1 - it->x, y1 - it->y});
  path.push_back({x1 - c, y1});
  path.push_back({x0 + c, y1});
  for (const IntPoint& p : kCornerIn) path.push_back({x0 + p.x, y1 - p.y});
  path.push_back({x0, y1 - c});
  path.push_back({x0, y0 + c});
  for (auto it = kCornerIn.rbegin(); it != kCornerIn.rend(); ++it) path.push_back({x0 + it->x, y0 + it->y});
  path.push_back({x0 + c, y0});
  return {path};
}

}  // namespace

void line_with(BrushEngine& engine, PointF a, PointF b, bool continuing) {
  if (engine.state().dot_tool)
    engine.dot_line(pixel_of(a), pixel_of(b), continuing);
  else
    engine.segment({a, 1.0}, {b, 1.0}, 0.0);
}

Rect line_area(const BrushEngine& engine, PointF a, PointF b, Rect bounds) {
  const PointF ends[2] = {a, b};
  return box_around(ends, 2, engine.state().largest_size() + 2, bounds);
}

FigureResult draw_line(Document& doc, const BrushSettings& settings, PointF a, PointF b,
                       StrokeOptions options) {
  BrushEngine engine;
  if (!sanitise_point(a) || !sanitise_point(b) || !start_figure_engine(doc, settings, engine)) return {};
  return paint_figure(doc, engine, line_area(engine, a, b, doc.bounds()), options.recomposite,
                      [&](BrushEngine& e) {
                        e.begin_figure(a);
                        line_with(e, a, b, false);
                      });
}

FigureResult draw_rectangle(Document& doc, const BrushSettings& settings, PointF a, PointF b,
                            bool filled, bool rounded, StrokeOptions options) {
  BrushEngine engine;
  if (!sanitise_point(a) || !sanitise_point(b) || !start_figure_engine(doc, settings, engine)) return {};
  const BrushState& state = engine.state();
  // The finger smudges along lines only.
  if (filled && state.smudge) return {};
  const PixelBox box = pixel_box(a, b);
  const Rect area = line_area(engine, a, b, doc.bounds());
  return paint_figure(doc, engine, area, options.recomposite, [&](BrushEngine& e) {
    if (filled) {
      write_rect(e.surface(), {box.x0, box.y0, box.w(), box.h()}, uint8_t(state.max_density),
                 state.colour);
      return;
    }
    const bool round = rounded && box.w() >= kRoundedMinSide && box.h() >= kRoundedMinSide;
    if (state.dot_tool) {
      bool first = true;
      walk_box_outline(box, round, [&](int x, int y) {
        if (first) e.begin_figure({double(x), double(y)});
        e.dot_line({x, y}, {x, y}, false);
        first = false;
      });
      return;
    }
    e.begin_figure({std::min(a.x, b.x), std::min(a.y, b.y)});
    for (const std::vector<PointF>& path : box_outline_paths(a, b, round)) {
      double carried = 0;  // each edge (or the rounded path) starts afresh
      for (size_t i = 1; i < path.size(); ++i) carried = e.segment({path[i - 1], 1.0}, {path[i], 1.0}, carried);
    }
  });
}

}  // namespace qm
