#include "canvas/ruler.h"

#include <cmath>
#include <numbers>

namespace qm {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

double distance(PointF a, PointF b) { return std::hypot(b.x - a.x, b.y - a.y); }

// The smallest difference of two angles, in 1/1024 turns (0 … 512).
int unit_difference(int a, int b) {
  const int d = (a - b) & 1023;
  return d > 512 ? 1024 - d : d;
}

// p moved onto the circle around c through `through`, in a space whose x is
// scaled by `sx` (1 for a circle). A pointer exactly at the centre stays put.
PointF onto_circle(PointF c, PointF through, PointF p, double sx) {
  const double dx = (p.x - c.x) * sx, dy = p.y - c.y;
  const double len = std::hypot(dx, dy);
  if (!(len > 0)) return p;
  const double r = std::hypot((through.x - c.x) * sx, through.y - c.y);
  return {c.x + dx * r / len / sx, c.y + dy * r / len};
}

}  // namespace

int turn_units(double radians) {
  const double u = std::floor(radians * 1024 / kTwoPi);
  if (!std::isfinite(u)) return 0;
  return int(std::fmod(u, 1024.0) + 1024) & 1023;
}

void RulerStroke::begin(const Ruler& ruler, PointF start) {
  ruler_ = ruler;
  start_ = start;
  grid_decided_ = false;
  direction_ = std::atan2(start.y - ruler.centre_y, start.x - ruler.centre_x);
}

PointF RulerStroke::along(double angle, PointF p) const {
  const double d = distance(start_, p);
  if (d == 0) return start_;
  const int pointer = turn_units(std::atan2(p.y - start_.y, p.x - start_.x));
  if (unit_difference(pointer, turn_units(angle)) > 256) angle += std::numbers::pi;
  return {start_.x + d * std::cos(angle), start_.y + d * std::sin(angle)};
}

PointF RulerStroke::constrain(PointF p) {
  const PointF centre{ruler_.centre_x, ruler_.centre_y};
  switch (ruler_.kind) {
    case kRulerLine:
      return along(ruler_.line_angle, p);
    case kRulerConcentrated:
      return along(direction_, p);
    case kRulerCircle:
      return onto_circle(centre, start_, p, 1.0);
    case kRulerEllipse: {
      // The aspect makes the ellipse a circle: x shrinks by height / width.
      const double sx = ruler_.aspect_y > 0 && std::isfinite(ruler_.aspect_y) ? ruler_.aspect_y : 1.0;
      return onto_circle(centre, start_, p, sx);
    }
    case kRulerGrid: {
      if (!grid_decided_) {
        if (distance(start_, p) < 2) return p;
        const int diff = (turn_units(std::atan2(p.y - start_.y, p.x - start_.x)) -
                          turn_units(ruler_.grid_angle)) & 1023;
        const bool across = (diff >= 128 && diff <= 384) || (diff >= 640 && diff <= 896);
        grid_direction_ = ruler_.grid_angle + (across ? std::numbers::pi / 2 : 0.0);
        grid_decided_ = true;
      }
      return along(grid_direction_, p);
    }
    default:
      return p;
  }
}

Ruler ruler_from_drag(const Ruler& ruler, PointF a, PointF b) {
  Ruler out = ruler;
  const double dx = b.x - a.x, dy = b.y - a.y;
  if (ruler.kind == kRulerLine) out.line_angle = std::atan2(dy, dx);
  if (ruler.kind == kRulerGrid) out.grid_angle = std::atan2(dy, dx);
  if (ruler.kind == kRulerEllipse) {
    out.centre_x = a.x;
    out.centre_y = a.y;
    const double w = std::abs(dx) == 0 ? 1 : std::abs(dx), h = std::abs(dy) == 0 ? 1 : std::abs(dy);
    out.aspect_x = w / h;
    out.aspect_y = h / w;
  }
  return out;
}

}  // namespace qm
