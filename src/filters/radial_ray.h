#pragma once
// Radial Blur's ray of one pixel at offset (ex, ey) from the centre: its
// length r = ceil(√(ex² + ey²)), the count n = trunc(r × k × 0.01) of radii
// before r that it averages, and its direction (cq, sq) = trunc(cos θ × 1024),
// trunc(sin θ × 1024) for θ = atan2(ey, ex). Inline and without the rounding
// library calls: the filter takes this per pixel.
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace qm::filters {

struct RadialRay {
  int64_t r = 0, n = 0;
  double distance = 0;
};

inline RadialRay radial_ray(int64_t ex, int64_t ey, int k) {
  RadialRay ray;
  ray.distance = std::sqrt(double(ex * ex + ey * ey));
  ray.r = int64_t(ray.distance);
  if (double(ray.r) < ray.distance) ++ray.r;
  ray.n = int64_t(double(ray.r * k) * 0.01);
  return ray;
}

// Whether |v − round(v)| ≤ 1e−6. v − trunc(v) and 1 − |v − trunc(v)| are
// exact in double, so this is the same test without the call.
inline bool near_integer(double v) {
  const double f = std::abs(v - double(int64_t(v)));
  return f <= 1e-6 || 1 - f <= 1e-6;
}

// The quotients ex / d and ey / d equal cos θ and sin θ to within a few units
// in the last place, so where they are not within 1e−6 of an integer (× 1024)
// they truncate alike; the rest (the axes and a few exact angles) take the
// trigonometric functions. `distance` is √(ex² + ey²) as radial_ray() has it.
inline void ray_direction(int64_t ex, int64_t ey, double distance, int64_t* cq, int64_t* sq) {
  const double c = double(ex) * 1024 / distance, s = double(ey) * 1024 / distance;
  if (!near_integer(c) && !near_integer(s)) {
    *cq = int64_t(c);
    *sq = int64_t(s);
    return;
  }
  const double theta = std::atan2(double(ey), double(ex));
  *cq = int64_t(std::cos(theta) * 1024);
  *sq = int64_t(std::sin(theta) * 1024);
}

inline void ray_direction(int64_t ex, int64_t ey, int64_t* cq, int64_t* sq) {
  ray_direction(ex, ey, std::sqrt(double(ex * ex + ey * ey)), cq, sq);
}

// A key for each direction, 0 … kRayBuckets − 1, in order of the angle.
// Within a quadrant cq and sq are each monotonic in θ, so one of sq − cq,
// −cq − sq, cq − sq, cq + sq grows with every change of direction: two
// directions of a quadrant never share a key.
inline constexpr int kRayQuadrantKeys = 2049;
inline constexpr int kRayBuckets = 4 * kRayQuadrantKeys;
inline int ray_bucket(int64_t cq, int64_t sq) {
  int quadrant;
  int64_t u;
  if (cq > 0 && sq >= 0) {
    quadrant = 0, u = sq - cq;
  } else if (cq <= 0 && sq > 0) {
    quadrant = 1, u = -cq - sq;
  } else if (cq < 0 && sq <= 0) {
    quadrant = 2, u = cq - sq;
  } else {
    quadrant = 3, u = cq + sq;
  }
  return quadrant * kRayQuadrantKeys + int(std::clamp<int64_t>(u, -1024, 1024) + 1024);
}

}  // namespace qm::filters
