// Ellipses: spans of a stretched midpoint circle for the pixel-line tools,
// 5 × 5 sampled coverage (filled) or 100 segments (outline) for the others.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "paint/dab_shapes.h"
#include "paint/shapes.h"
#include "paint/write_modes.h"

namespace qm {
namespace {

constexpr int kOutlineSegments = 100;

}  // namespace

std::vector<IntPoint> ellipse_outline_points(int w, int h) {
  w = std::max(w, 1);
  h = std::max(h, 1);
  const bool wide = w >= h;
  const int short_side = wide ? h : w, long_side = wide ? w : h;
  const int rs = (short_side - 1) / 2, es = (short_side - 1) % 2;
  const int rl = (long_side - 1) / 2, el = (long_side - 1) % 2;
  auto stretch = [&](int e) {
    return rs == 0 ? rl : int((2 * int64_t{e} * rl + rs) / (2 * int64_t{rs}));
  };
  std::vector<IntPoint> points;
  // (l, s): a point of the circle, l along the long axis (stretched), s along the short one.
  auto stamp = [&](int l, int s) {
    const int L = stretch(l);
    for (const int pl : {rl - L, rl + el + L})
      for (const int ps : {rs - s, rs + es + s}) points.push_back(wide ? IntPoint{pl, ps} : IntPoint{ps, pl});
  };
  // The midpoint circle's octant, mirrored to the eight symmetric points.
  int x = rs, y = 0, d = 1 - rs;
  while (x >= y) {
    stamp(x, y);
    stamp(y, x);
    ++y;
    if (d < 0) {
      d += 2 * y + 1;
    } else {
      --x;
      d += 2 * (y - x) + 1;
    }
  }
  std::sort(points.begin(), points.end(),
            [](IntPoint a, IntPoint b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
  points.erase(std::unique(points.begin(), points.end(),
                           [](IntPoint a, IntPoint b) { return a.x == b.x && a.y == b.y; }),
               points.end());
  return points;
}

std::vector<RowSpan> ellipse_rows(int w, int h) {
  w = std::max(w, 1);
  h = std::max(h, 1);
  std::vector<RowSpan> rows(size_t(h), RowSpan{0, -1});
  // The circle runs on the shorter side and is stretched along the longer
  // one. Odd sides centre on a pixel, even ones between two (the far half
  // one pixel further), as the dot circle does.
  const bool wide = w >= h;
  const int short_side = wide ? h : w, long_side = wide ? w : h;
  const int rs = (short_side - 1) / 2, es = (short_side - 1) % 2;
  const int rl = (long_side - 1) / 2, el = (long_side - 1) % 2;
  const std::vector<int> ext = midpoint_circle_extents(rs);
  auto stretch = [&](int e) {
    return rs == 0 ? rl : int((2 * int64_t{e} * rl + rs) / (2 * int64_t{rs}));
  };
  if (wide) {
    for (int v = 0; v <= rs; ++v) {
      const int half = stretch(ext[size_t(v)]);
      const RowSpan span{rl - half, rl + el + half};
      rows[size_t(rs - v)] = span;
      rows[size_t(rs + es + v)] = span;
    }
  } else {
    // Columns are the short axis: a row u away from the centre reaches the
    // farthest column whose stretched height still covers it.
    int v = rs;
    for (int u = 0; u <= rl; ++u) {
      while (v > 0 && stretch(ext[size_t(v)]) < u) --v;
      const RowSpan span{rs - v, rs + es + v};
      rows[size_t(rl - u)] = span;
      rows[size_t(rl + el + u)] = span;
    }
  }
  return rows;
}

FigureResult draw_ellipse(Document& doc, const BrushSettings& settings, PointF a, PointF b, bool filled,
                          StrokeOptions options) {
  BrushEngine engine;
  if (!sanitise_point(a) || !sanitise_point(b) || !start_figure_engine(doc, settings, engine)) return {};
  const BrushState& state = engine.state();
  if (filled && state.smudge) return {};
  const double x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
  const double x1 = std::max(a.x, b.x), y1 = std::max(a.y, b.y);
  const IntPoint p0 = pixel_of({x0, y0}), p1 = pixel_of({x1, y1});
  const int w = p1.x - p0.x + 1, h = p1.y - p0.y + 1;
  const Rect area = line_area(engine, a, b, doc.bounds());

  return paint_figure(doc, engine, area, options.recomposite, [&](BrushEngine& e) {
    const PaintSurface& surface = e.surface();
    const Rect visible = surface.writable();
    if (state.dot_tool) {
      if (!filled) {
        bool first = true;
        for (const IntPoint q : ellipse_outline_points(w, h)) {
          const IntPoint at{p0.x + q.x, p0.y + q.y};
          if (first) e.begin_figure({double(at.x), double(at.y)});
          first = false;
          e.dot_line(at, at, false);
        }
        return;
      }
      const std::vector<RowSpan> rows = ellipse_rows(w, h);
      // Only rows whose stamps can reach the visible part matter.
      const int reach = e.state().dot_size;
      const int r_first = std::max(0, visible.y - reach - p0.y);
      const int r_last = std::min(h - 1, visible.bottom() + reach - p0.y);
      for (int r = r_first; r <= r_last; ++r) {
        const RowSpan s = rows[size_t(r)];
        if (s.first > s.last) continue;
        write_rect(surface, {p0.x + s.first, p0.y + r, s.last - s.first + 1, 1}, uint8_t(state.max_density),
                   state.colour);
      }
      return;
    }
    if (filled) {
      // Pixel box p0 … p1; samples at 0.1, 0.3, … 0.9 of each pixel.
      const double cx = (p0.x + p1.x + 1) / 2.0, cy = (p0.y + p1.y + 1) / 2.0;
      const double rx = w / 2.0, ry = h / 2.0, r = std::max(rx, ry);
      const double sx = r / rx, sy = r / ry;
      const Rect box = intersect({p0.x, p0.y, w, h}, visible);
      std::vector<uint8_t> alpha(size_t(std::max(box.w, 0)));
      for (int y = box.y; y < box.bottom(); ++y) {
        for (int x = box.x; x < box.right(); ++x) {
          int inside = 0;
          for (int j = 0; j < 5; ++j) {
            const double dy = (y + (j + 0.5) / 5 - cy) * sy;
            for (int i = 0; i < 5; ++i) {
              const double dx = (x + (i + 0.5) / 5 - cx) * sx;
              if (dx * dx + dy * dy < r * r) ++inside;
            }
          }
          alpha[size_t(x - box.x)] = uint8_t(state.max_density * inside / 25);
        }
        write_span(surface, box.x, y, box.w, alpha.data(), state.colour);
      }
      return;
    }
    // Outline: 100 segments from (cx + rx, cy), counter-clockwise on screen.
    const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2, rx = (x1 - x0) / 2, ry = (y1 - y0) / 2;
    PointF prev{cx + rx, cy};
    e.begin_figure(prev);
    double carried = 0;
    for (int k = 1; k <= kOutlineSegments; ++k) {
      const double theta = k * 2 * std::numbers::pi / kOutlineSegments;
      const PointF next{cx + rx * std::cos(theta), cy - ry * std::sin(theta)};
      carried = e.segment({prev, 1.0}, {next, 1.0}, carried);
      prev = next;
    }
  });
}

}  // namespace qm
