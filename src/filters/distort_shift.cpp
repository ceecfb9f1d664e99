// Shift: the rectangle's content moves right and down with wrap-around inside
// the rectangle. The source is the layer's backup, never the layer itself.
#include "filters/distort_common.h"
#include "filters/distort_filters.h"

namespace qm::filters {

bool shift(const FilterArgs& a) {
  const Rect r = a.rect;
  // Any offset works: the remainders are taken non-negative.
  const int dx = wrap_index(a.values.numeric[0], r.w), dy = wrap_index(a.values.numeric[1], r.h);
  progress_range(a.progress, r.h);
  for (int j = 0; j < r.h; ++j) {
    const Pixel* in = a.src.row(r.y + wrap_index(int64_t{j} - dy, r.h)) + r.x;
    Pixel* out = a.dst.row(r.y + j) + r.x;
    // Columns i ≥ dx come from i − dx, the first dx from the end.
    for (int i = dx; i < r.w; ++i) out[i] = in[i - dx];
    for (int i = 0; i < dx; ++i) out[i] = in[r.w - dx + i];
    progress_step(a.progress);
  }
  return true;
}

}  // namespace qm::filters
