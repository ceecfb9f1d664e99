#pragma once
// The pixel-line tools' line: Bresenham between whole pixels, a dot stamp at
// every point.
#include <cstdlib>

#include "core/rect.h"
#include "paint/dab_shapes.h"
#include "paint/paint_surface.h"
#include "paint/point.h"

namespace qm {

// Calls visit(x, y) for every point of the line from a to b. A continuing
// line skips its first point (the previous line drew it): a zero-length
// continuing line visits nothing.
template <class Visit>
void walk_dot_line(IntPoint a, IntPoint b, bool continuing, Visit&& visit) {
  const int64_t dx = std::llabs(int64_t{b.x} - a.x), dy = -std::llabs(int64_t{b.y} - a.y);
  const int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
  int64_t err = dx + dy;
  int x = a.x, y = a.y;
  bool first = true;
  for (;;) {
    if (!(first && continuing)) visit(x, y);
    first = false;
    if (x == b.x && y == b.y) break;
    const int64_t e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

// The n × n shape centred at (x, y) (its corner at x − n/2, y − n/2): every
// set pixel written with (colour, density) through the surface. Returns the
// pixels it may have changed.
Rect stamp_dot(const PaintSurface& surface, const DotShape& shape, int x, int y, int density,
               uint32_t colour);

}  // namespace qm
