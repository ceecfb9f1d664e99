// Brush masks and the source-over pixel rule of the drawing filters.
#include <algorithm>
#include <cmath>

#include "filters/render_filters.h"
#include "paint/dab_shapes.h"
#include "paint/write_modes.h"

namespace qm::filters {

ByteMask hard_disc_mask(int side) {
  const DotShape dot = make_dot_shape(DotShapeKind::Circle, std::clamp(side, 1, kMaxDotSize));
  return {dot.size, dot.bits};
}

ByteMask soft_disc_mask(int side, int peak) {
  side = std::clamp(side, 1, kMaxDotSize);
  // At these sizes no cell lies inside the radius: the brush would draw nothing.
  if (side <= 2) return hard_disc_mask(side);
  ByteMask m{side, std::vector<uint8_t>(size_t(side) * size_t(side), 0)};
  const double c = side / 2.0 - 0.5;
  for (int j = 0; j < side; ++j)
    for (int i = 0; i < side; ++i) {
      const double d = std::sqrt((i - c) * (i - c) + (j - c) * (j - c));
      if (d < c) m.cells[size_t(j) * size_t(side) + size_t(i)] = uint8_t(peak - int(d * peak / c));
    }
  return m;
}

Pixel blend_colour(Pixel dst, uint32_t rgb, uint32_t alpha) {
  if (alpha == 0) return dst;
  return blend_over(dst, rgb & 0xFFFFFF, alpha);
}

}  // namespace qm::filters
