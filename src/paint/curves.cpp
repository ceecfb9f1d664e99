#include "paint/curves.h"

#include <algorithm>
#include <cmath>

#include "paint/brush_engine.h"

namespace qm {
namespace {

constexpr int kBezierSteps = 100;
constexpr int kSplineSteps = 20;

// Joins `start` and the pieces' ends: stroke segments with the spacing
// carried on, after one dab at the start (so a curve of one point still
// leaves a mark; otherwise the first segment's own first dab falls on it and
// is skipped), or dot lines, the first one whole.
void draw_pieces(BrushEngine& e, PointF start, const std::vector<PointF>& ends) {
  e.begin_figure(start);
  if (e.state().dot_tool) {
    IntPoint prev = pixel_of(start);
    bool continuing = false;
    for (const PointF& p : ends) {
      const IntPoint next = pixel_of(p);
      e.dot_line(prev, next, continuing);
      continuing = true;
      prev = next;
    }
    return;
  }
  e.dab(start, 1.0);
  PointF prev = start;
  double carried = 0;
  for (const PointF& p : ends) {
    carried = e.segment({prev, 1.0}, {p, 1.0}, carried);
    prev = p;
  }
}

FigureResult draw_curve(Document& doc, const BrushSettings& settings, PointF start,
                        const std::vector<PointF>& ends, StrokeOptions options) {
  BrushEngine engine;
  if (!start_figure_engine(doc, settings, engine)) return {};
  std::vector<PointF> all{start};
  all.insert(all.end(), ends.begin(), ends.end());
  const Rect area = box_around(all.data(), all.size(), engine.state().largest_size() + 2, doc.bounds());
  return paint_figure(doc, engine, area, options.recomposite,
                      [&](BrushEngine& e) { draw_pieces(e, start, ends); });
}

}  // namespace

std::vector<PointF> bezier_points(const std::array<PointF, 4>& p) {
  std::vector<PointF> out;
  out.reserve(kBezierSteps);
  for (int k = 1; k <= kBezierSteps; ++k) {
    const double t = k / double(kBezierSteps), u = 1 - t;
    const double w0 = u * u * u, w1 = 3 * t * u * u, w2 = 3 * t * t * u, w3 = t * t * t;
    out.push_back({w0 * p[0].x + w1 * p[1].x + w2 * p[2].x + w3 * p[3].x,
                   w0 * p[0].y + w1 * p[1].y + w2 * p[2].y + w3 * p[3].y});
  }
  return out;
}

FigureResult draw_bezier(Document& doc, const BrushSettings& settings, const std::array<PointF, 4>& points,
                         StrokeOptions options) {
  std::array<PointF, 4> p = points;
  for (PointF& q : p)
    if (!sanitise_point(q)) return {};
  return draw_curve(doc, settings, p[0], bezier_points(p), options);
}

bool SplinePoints::add(IntPoint p) {
  const int limit = int(kCoordinateLimit);
  p.x = std::clamp(p.x, -limit, limit);
  p.y = std::clamp(p.y, -limit, limit);
  if (int(points_.size()) >= kMaxPoints) return false;
  if (!points_.empty() && points_.back() == p) return false;
  points_.push_back(p);
  return true;
}

// Tangents D (per unit of chord length) of the C² spline with natural ends:
//   D0 + ½ D1 = 3/2 (P1 − P0) / h0
//   h[i] D[i−1] + 2 (h[i−1] + h[i]) D[i] + h[i−1] D[i+1]
//       = 3 (h[i] (P[i] − P[i−1]) / h[i−1] + h[i−1] (P[i+1] − P[i]) / h[i])
//   D[n−2] + 2 D[n−1] = 3 (P[n−1] − P[n−2]) / h[n−2]
// solved by forward elimination and back substitution; each span is then a
// cubic Hermite piece with tangents h × D.
std::vector<PointF> spline_points(const std::vector<IntPoint>& pts) {
  const size_t n = pts.size();
  std::vector<PointF> out;
  if (n < 2) return out;
  std::vector<double> h(n - 1);
  for (size_t i = 0; i + 1 < n; ++i)
    h[i] = std::hypot(double(pts[i + 1].x) - pts[i].x, double(pts[i + 1].y) - pts[i].y);
  // Rows: sub[i] D[i−1] + diag[i] D[i] + sup[i] D[i+1] = rhs[i].
  std::vector<double> sub(n, 0), diag(n, 0), sup(n, 0), rx(n, 0), ry(n, 0);
  diag[0] = 1;
  sup[0] = 0.5;
  rx[0] = 1.5 * (pts[1].x - pts[0].x) / h[0];
  ry[0] = 1.5 * (pts[1].y - pts[0].y) / h[0];
  for (size_t i = 1; i + 1 < n; ++i) {
    sub[i] = h[i];
    diag[i] = 2 * (h[i - 1] + h[i]);
    sup[i] = h[i - 1];
    rx[i] = 3 * (h[i] * (pts[i].x - pts[i - 1].x) / h[i - 1] + h[i - 1] * (pts[i + 1].x - pts[i].x) / h[i]);
    ry[i] = 3 * (h[i] * (pts[i].y - pts[i - 1].y) / h[i - 1] + h[i - 1] * (pts[i + 1].y - pts[i].y) / h[i]);
  }
  sub[n - 1] = 1;
  diag[n - 1] = 2;
  rx[n - 1] = 3.0 * (pts[n - 1].x - pts[n - 2].x) / h[n - 2];
  ry[n - 1] = 3.0 * (pts[n - 1].y - pts[n - 2].y) / h[n - 2];
  for (size_t i = 1; i < n; ++i) {
    const double m = sub[i] / diag[i - 1];
    diag[i] -= m * sup[i - 1];
    rx[i] -= m * rx[i - 1];
    ry[i] -= m * ry[i - 1];
  }
  std::vector<double> dx(n), dy(n);
  dx[n - 1] = rx[n - 1] / diag[n - 1];
  dy[n - 1] = ry[n - 1] / diag[n - 1];
  for (size_t i = n - 1; i-- > 0;) {
    dx[i] = (rx[i] - sup[i] * dx[i + 1]) / diag[i];
    dy[i] = (ry[i] - sup[i] * dy[i + 1]) / diag[i];
  }
  out.reserve((n - 1) * kSplineSteps);
  for (size_t i = 0; i + 1 < n; ++i) {
    const double x0 = pts[i].x, y0 = pts[i].y, x1 = pts[i + 1].x, y1 = pts[i + 1].y;
    const double tx0 = h[i] * dx[i], ty0 = h[i] * dy[i], tx1 = h[i] * dx[i + 1], ty1 = h[i] * dy[i + 1];
    for (int k = 1; k <= kSplineSteps; ++k) {
      const double s = k / double(kSplineSteps), s2 = s * s, s3 = s2 * s;
      const double h00 = 2 * s3 - 3 * s2 + 1, h10 = s3 - 2 * s2 + s, h01 = -2 * s3 + 3 * s2,
                   h11 = s3 - s2;
      out.push_back({h00 * x0 + h10 * tx0 + h01 * x1 + h11 * tx1, h00 * y0 + h10 * ty0 + h01 * y1 + h11 * ty1});
    }
  }
  return out;
}

FigureResult draw_spline(Document& doc, const BrushSettings& settings, const SplinePoints& points,
                         StrokeOptions options) {
  const std::vector<IntPoint>& pts = points.points();
  if (pts.size() < 2) return {};
  return draw_curve(doc, settings, {double(pts[0].x), double(pts[0].y)}, spline_points(pts), options);
}

}  // namespace qm
