#include "canvas/feedback_pixels.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qm {

namespace {

// The window position of an image point (the centre of a pixel for whole
// coordinates, so lines run through the pixels they join).
PointF to_window(const ViewGeometry& g, PointF p) {
  const double x = g.mirrored ? g.image_w - (p.x + 0.5) : p.x + 0.5;
  return {x * g.scale / 100.0 + g.origin_x(), (p.y + 0.5) * g.scale / 100.0 + g.origin_y()};
}

void line(std::vector<Point>& out, PointF a, PointF b) {
  // Far-off points are cut so a line never walks millions of pixels.
  constexpr double kFar = 1 << 16;
  int x0 = int(std::floor(std::clamp(a.x, -kFar, kFar))), y0 = int(std::floor(std::clamp(a.y, -kFar, kFar)));
  const int x1 = int(std::floor(std::clamp(b.x, -kFar, kFar))), y1 = int(std::floor(std::clamp(b.y, -kFar, kFar)));
  const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
  const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    out.push_back({x0, y0});
    if (x0 == x1 && y0 == y1) break;
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

void ellipse(std::vector<Point>& out, double cx, double cy, double rx, double ry) {
  const int steps = std::clamp(int((rx + ry) * 4), 16, 20000);
  PointF prev{cx + rx, cy};
  for (int k = 1; k <= steps; ++k) {
    const double t = 2 * std::numbers::pi * k / steps;
    const PointF p{cx + rx * std::cos(t), cy - ry * std::sin(t)};
    line(out, prev, p);
    prev = p;
  }
}

}  // namespace

std::vector<Point> feedback_pixels(const Feedback& f, const ViewGeometry& g) {
  std::vector<Point> out;
  for (size_t i = 0; i + 1 < f.path.size(); ++i)
    line(out, to_window(g, f.path[i]), to_window(g, f.path[i + 1]));
  if (f.path.size() == 1) line(out, to_window(g, f.path[0]), to_window(g, f.path[0]));
  if (f.shape != Feedback::Shape::kNone) {
    // The box covers the pixels a … b whole.
    const PointF lo{std::min(f.a.x, f.b.x), std::min(f.a.y, f.b.y)};
    const PointF hi{std::max(f.a.x, f.b.x), std::max(f.a.y, f.b.y)};
    PointF p = to_window(g, {lo.x - 0.5, lo.y - 0.5}), q = to_window(g, {hi.x + 0.5, hi.y + 0.5});
    if (p.x > q.x) std::swap(p.x, q.x);
    q = {q.x - 1, q.y - 1};
    if (f.shape == Feedback::Shape::kRectangle) {
      line(out, p, {q.x, p.y});
      line(out, {q.x, p.y}, q);
      line(out, q, {p.x, q.y});
      line(out, {p.x, q.y}, p);
    } else {
      ellipse(out, (p.x + q.x) / 2, (p.y + q.y) / 2, (q.x - p.x) / 2, (q.y - p.y) / 2);
    }
  }
  if (f.circle) {
    const PointF c = to_window(g, {f.circle_centre.x - 0.5, f.circle_centre.y - 0.5});
    const double r = f.circle_diameter * g.scale / 200.0;
    ellipse(out, c.x, c.y, r, r);
  }
  const Rect view = g.view_rect();
  std::erase_if(out, [&](Point p) { return !view.contains(p.x, p.y); });
  std::sort(out.begin(), out.end(), [](Point a, Point b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

Rect bounds_of(const std::vector<Point>& pixels) {
  if (pixels.empty()) return {};
  int x0 = pixels[0].x, x1 = x0, y0 = pixels.front().y, y1 = pixels.back().y;
  for (const Point& p : pixels) {
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
  }
  return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

}  // namespace qm
