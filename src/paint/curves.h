#pragma once
// Curves: the cubic Bézier through a start, two control points and an end,
// and the natural cubic spline through up to 100 clicked points, both drawn
// as short straight pieces (stroke segments or dot lines).
#include <array>
#include <vector>

#include "document/document.h"
#include "paint/brush_settings.h"
#include "paint/figure.h"
#include "paint/point.h"

namespace qm {

// P0 start, P1 and P2 control points, P3 end.
FigureResult draw_bezier(Document& doc, const BrushSettings& settings, const std::array<PointF, 4>& points,
                         StrokeOptions options = {});

// The points a spline is drawn through.
class SplinePoints {
 public:
  static constexpr int kMaxPoints = 100;
  // False (nothing added) for a point equal to the previous one, or when
  // kMaxPoints are held. Coordinates are clamped as pointer samples are.
  bool add(IntPoint p);
  void clear() { points_.clear(); }
  int size() const { return int(points_.size()); }
  const std::vector<IntPoint>& points() const { return points_; }

 private:
  std::vector<IntPoint> points_;
};

// Through every point (at least 2; fewer draw nothing), chord-length
// parameterised, natural ends, 20 pieces per span.
FigureResult draw_spline(Document& doc, const BrushSettings& settings, const SplinePoints& points,
                         StrokeOptions options = {});

// The pieces' end points, exposed for tests: 100 Bézier points at
// t = 0.01 … 1.00, and 20 points per spline span (the first point not included).
std::vector<PointF> bezier_points(const std::array<PointF, 4>& points);
std::vector<PointF> spline_points(const std::vector<IntPoint>& points);

}  // namespace qm
