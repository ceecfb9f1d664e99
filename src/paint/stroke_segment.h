#pragma once
// The stroke segment: dabs spaced along a straight piece of a stroke, with
// pressure interpolated between its ends and the spacing carried over from
// one segment to the next.
#include <algorithm>
#include <cmath>

#include "core/rect.h"
#include "paint/point.h"

namespace qm {

struct SegmentEnd {
  PointF p;
  double pressure = 1.0;
};

// The smallest step along a segment, as a fraction of its length (so even a
// brush of size 0 ends).
inline constexpr double kMinSegmentStep = 0.0001;

// Calls place(x, y, pressure, size) for every dab due from a to b, starting
// `carried` pixels into the segment; size = (max − min) × pressure + min and
// the step is max(interval × size / length, kMinSegmentStep). Returns the
// overshoot past b, to carry into the next segment; a segment of length 0
// places nothing and passes `carried` on.
template <class Place>
double walk_segment(const SegmentEnd& a, const SegmentEnd& b, double carried, double interval,
                    int min_size, int max_size, Place&& place) {
  const double dx = b.p.x - a.p.x, dy = b.p.y - a.p.y;
  const double length = std::sqrt(dx * dx + dy * dy);
  if (length == 0) return carried;
  double t = carried / length;
  while (t < 1) {
    const double pressure = a.pressure + (b.pressure - a.pressure) * t;
    const double size = (max_size - min_size) * pressure + min_size;
    place(a.p.x + dx * t, a.p.y + dy * t, pressure, size);
    t += std::max(interval * size / length, kMinSegmentStep);
  }
  return length * (t - 1);
}

// What a segment may change: its bounding box widened by half the size + 1
// to the top and left and + 2 to the bottom and right, cut to `bounds`.
inline Rect segment_rect(PointF a, PointF b, int size, Rect bounds) {
  const int64_t x0 = int64_t(std::floor(std::min(a.x, b.x))) - size / 2 - 1;
  const int64_t y0 = int64_t(std::floor(std::min(a.y, b.y))) - size / 2 - 1;
  const int64_t x1 = int64_t(std::floor(std::max(a.x, b.x))) + size / 2 + 2;
  const int64_t y1 = int64_t(std::floor(std::max(a.y, b.y))) + size / 2 + 2;
  const int64_t lo = -(int64_t{1} << 30), hi = int64_t{1} << 30;
  const int64_t cx0 = std::clamp(x0, lo, hi), cy0 = std::clamp(y0, lo, hi);
  const int64_t cx1 = std::clamp(x1, lo, hi), cy1 = std::clamp(y1, lo, hi);
  return intersect({int(cx0), int(cy0), int(cx1 - cx0 + 1), int(cy1 - cy0 + 1)}, bounds);
}

}  // namespace qm
