#include "paint/dot_line.h"

#include <algorithm>
#include <vector>

#include "paint/write_modes.h"

namespace qm {

Rect stamp_dot(const PaintSurface& surface, const DotShape& shape, int x, int y, int density,
               uint32_t colour) {
  const int n = shape.size;
  const int x0 = x - n / 2, y0 = y - n / 2;
  const Rect area = intersect({x0, y0, n, n}, surface.writable());
  if (area.empty() || density <= 0) return {};
  const uint8_t a = uint8_t(std::min(density, 255));
  thread_local std::vector<uint8_t> row;
  row.resize(size_t(area.w));
  for (int py = area.y; py < area.bottom(); ++py) {
    const uint8_t* bits = shape.bits.data() + size_t(py - y0) * size_t(n) + size_t(area.x - x0);
    for (int i = 0; i < area.w; ++i) row[size_t(i)] = bits[i] ? a : 0;
    write_span(surface, area.x, py, area.w, row.data(), colour);
  }
  return area;
}

}  // namespace qm
