#pragma once
// Points of the painting engine, in canvas pixels (fractional for pointer
// samples, whole for the pixel-line tools), and the one place where input
// from a device is made safe to compute with.
#include <algorithm>
#include <cmath>

namespace qm {

struct PointF {
  double x = 0, y = 0;
  friend bool operator==(const PointF&, const PointF&) = default;
};

struct IntPoint {
  int x = 0, y = 0;
  friend bool operator==(const IntPoint&, const IntPoint&) = default;
};

// Coordinates are kept within ±this many pixels: far beyond any canvas, yet
// small enough that sub-pixel arithmetic in int can never overflow.
inline constexpr double kCoordinateLimit = 1 << 20;

// False for a non-finite coordinate (the sample is refused); otherwise clamps
// both coordinates into ±kCoordinateLimit.
inline bool sanitise_point(PointF& p) {
  if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
  p.x = std::clamp(p.x, -kCoordinateLimit, kCoordinateLimit);
  p.y = std::clamp(p.y, -kCoordinateLimit, kCoordinateLimit);
  return true;
}

// Pressure 0 … 1; a non-finite reading counts as full pressure (the mouse's).
inline double sanitise_pressure(double pressure) {
  if (!std::isfinite(pressure)) return 1.0;
  return std::clamp(pressure, 0.0, 1.0);
}

// The pixel a point lies in.
inline IntPoint pixel_of(PointF p) { return {int(std::floor(p.x)), int(std::floor(p.y))}; }

}  // namespace qm
