#pragma once
// An axis-aligned rectangle in pixels: origin (x, y), size w × h.
#include <algorithm>
#include <cstdint>

namespace qm {

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;

  bool empty() const { return w <= 0 || h <= 0; }
  int right() const { return x + w; }   // exclusive
  int bottom() const { return y + h; }  // exclusive
  bool contains(int px, int py) const {
    return px >= x && py >= y && px < right() && py < bottom();
  }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// The part of `r` inside `bounds` (an empty rectangle when they do not meet).
// Computed in 64 bits so rectangles far outside the raster cannot overflow.
inline Rect intersect(const Rect& r, const Rect& bounds) {
  const int64_t x0 = std::max<int64_t>(r.x, bounds.x);
  const int64_t y0 = std::max<int64_t>(r.y, bounds.y);
  const int64_t x1 = std::min<int64_t>(int64_t{r.x} + r.w, int64_t{bounds.x} + bounds.w);
  const int64_t y1 = std::min<int64_t>(int64_t{r.y} + r.h, int64_t{bounds.y} + bounds.h);
  if (x1 <= x0 || y1 <= y0) return {};
  return {int(x0), int(y0), int(x1 - x0), int(y1 - y0)};
}

// The smallest rectangle holding both; an empty one adds nothing.
inline Rect unite(const Rect& a, const Rect& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  const int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
  const int x1 = std::max(a.right(), b.right()), y1 = std::max(a.bottom(), b.bottom());
  return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace qm
