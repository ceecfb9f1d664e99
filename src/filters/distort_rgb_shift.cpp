// RGB Shift: red is taken from one side and blue from the other, green and
// alpha stay.
#include "filters/distort_common.h"
#include "filters/distort_filters.h"

namespace qm::filters {

bool rgb_shift(const FilterArgs& a) {
  const int direction = a.values.list[0];  // 0 horizontal, 1 vertical, 2 diagonal
  const int s = std::clamp(a.values.numeric[0], -(1 << 20), 1 << 20);
  // Offsets of the red and the blue source.
  int rx = s, ry = 0, bx = -s, by = 0;
  if (direction == 1) {
    rx = 0, ry = s, bx = 0, by = -s;
  } else if (direction == 2) {
    rx = s, ry = s, bx = -s, by = s;
  }
  const Rect r = a.rect;
  progress_range(a.progress, r.h);
  for (int y = r.y; y < r.bottom(); ++y) {
    const Pixel* in = a.src.row(y);
    Pixel* out = a.dst.row(y);
    for (int x = r.x; x < r.right(); ++x) {
      const Pixel p = in[x];
      if (alpha_of(p) == 0) {
        out[x] = kTransparent;
        continue;
      }
      const uint32_t red = red_of(clamped_pixel(a.src, x + rx, y + ry));
      const uint32_t blue = blue_of(clamped_pixel(a.src, x + bx, y + by));
      out[x] = make_pixel(alpha_of(p), red, green_of(p), blue);
    }
    progress_step(a.progress);
  }
  return true;
}

}  // namespace qm::filters
