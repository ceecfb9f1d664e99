#include "paint/gradient_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace qm {
namespace {

constexpr int64_t kLast = 511;
constexpr double kIndexPerRadian = 81.32817591995852;  // 511 / 2π

int64_t linear(const GradientGeometry& g, int x, int y) {
  const int64_t ux = int64_t{g.b.x} - g.a.x, uy = int64_t{g.b.y} - g.a.y;
  const int64_t len2 = ux * ux + uy * uy;
  if (len2 == 0) return 0;
  return ((int64_t{x} - g.a.x) * ux + (int64_t{y} - g.a.y) * uy) * kLast / len2;
}

int64_t rectangular(const GradientGeometry& g, int x, int y) {
  // A flat drag counts its zero side as 1, so the stretch never divides by 0.
  int64_t w = std::llabs(int64_t{g.b.x} - g.a.x), h = std::llabs(int64_t{g.b.y} - g.a.y);
  w = std::max<int64_t>(w, 1);
  h = std::max<int64_t>(h, 1);
  const double diagonal = std::sqrt(double(w * w + h * h));
  int64_t dx = std::llabs(int64_t{x} - g.a.x), dy = std::llabs(int64_t{y} - g.a.y);
  dx = std::max(dx, w * dy / h);
  dy = std::max(dy, h * dx / w);
  return int64_t(std::sqrt(double(dx * dx + dy * dy)) * double(kLast) / diagonal);
}

double distance(IntPoint p, int x, int y) { return std::hypot(double(x) - p.x, double(y) - p.y); }

int64_t circular(const GradientGeometry& g, int x, int y) {
  return int64_t(distance(g.a, x, y) * double(kLast) / distance(g.a, g.b.x, g.b.y));
}

int64_t conical(const GradientGeometry& g, int x, int y) {
  if (g.limit && distance(g.a, x, y) > distance(g.a, g.b.x, g.b.y)) return kGradientSkip;
  const double turn = std::atan2(double(y) - g.a.y, double(x) - g.a.x) -
                      std::atan2(double(g.b.y) - g.a.y, double(g.b.x) - g.a.x);
  return wrap_index(int64_t(turn * kIndexPerRadian - 0.8));
}

}  // namespace

GradientShape gradient_shape_for_draw_type(int draw_type) {
  switch (draw_type) {
    case 2:
    case 3:
      return GradientShape::Rectangular;
    case 4:
    case 5:
      return GradientShape::Circular;
    case 7:
      return GradientShape::Conical;
    default:
      return GradientShape::Linear;
  }
}

bool gradient_draws(const GradientGeometry& g) {
  if (g.shape == GradientShape::Rectangular || g.shape == GradientShape::Circular) return !(g.a == g.b);
  return true;
}

int64_t gradient_raw_index(const GradientGeometry& g, int x, int y) {
  switch (g.shape) {
    case GradientShape::Rectangular:
      return rectangular(g, x, y);
    case GradientShape::Circular:
      return circular(g, x, y);
    case GradientShape::Conical:
      return conical(g, x, y);
    case GradientShape::Linear:
    default:
      return linear(g, x, y);
  }
}

int gradient_index(const GradientGeometry& g, int x, int y) {
  const int64_t v = gradient_raw_index(g, x, y);
  if (g.shape == GradientShape::Conical) return int(v);  // already wrapped, or skipped
  if (v >= 0 && v <= kLast) return int(v);
  if (g.limit) return kGradientSkip;
  if (g.repeat) return wrap_index(v);
  return int(std::clamp<int64_t>(v, 0, kLast));
}

}  // namespace qm
