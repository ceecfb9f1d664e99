#pragma once
// Rulers of freehand strokes: each pointer position of a stroke is moved onto
// the ruler's line, circle or ellipse. Angles are compared in 1/1024 turns.
#include "paint/point.h"
#include "state/drawing_state.h"

namespace qm {

inline constexpr int kRulerNone = 0, kRulerLine = 1, kRulerConcentrated = 2, kRulerCircle = 3,
                     kRulerEllipse = 4, kRulerGrid = 5;

// Radians to 1/1024 turns, wrapped into 0 … 1023.
int turn_units(double radians);

// One stroke's use of the ruler: begin at the press point, then constrain
// every later point.
class RulerStroke {
 public:
  void begin(const Ruler& ruler, PointF start);
  PointF constrain(PointF p);

 private:
  // The point at p's distance from the start along `angle` or its opposite,
  // whichever lies within a quarter turn of p's direction.
  PointF along(double angle, PointF p) const;

  Ruler ruler_;
  PointF start_;
  double direction_ = 0;   // concentrated: fixed at the press
  bool grid_decided_ = false;
  double grid_direction_ = 0;
};

// The ruler made by an Alt drag: the line and grid rulers take the drag's
// angle; the ellipse ruler takes the centre `a` and the aspect of the box
// with half sizes |b − a|.
Ruler ruler_from_drag(const Ruler& ruler, PointF a, PointF b);

}  // namespace qm
