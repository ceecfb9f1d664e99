// Mosaic: n × n blocks from the rectangle's corner, each the alpha-weighted
// average of its whole square (clamped at the image edge, even where the
// square reaches past the rectangle).
#include <algorithm>

#include "filters/distort_common.h"
#include "filters/distort_filters.h"
#include "filters/filter_helpers.h"

namespace qm::filters {

bool mosaic(const FilterArgs& a) {
  const int n = std::clamp(a.values.numeric[0], 1, 100);  // the dialog's range
  const Rect r = a.rect;
  const LayerImage& src = a.src;
  progress_range(a.progress, (int64_t{r.h} + n / 2 + 1) / n);
  for (int by = r.y; by < r.bottom(); by += n) {
    for (int bx = r.x; bx < r.right(); bx += n) {
      AlphaSums sums;
      for (int y = by; y < by + n; ++y) {
        const Pixel* row = src.row(std::min(y, src.height() - 1));
        for (int x = bx; x < bx + n; ++x) sums.add(row[std::min(x, src.width() - 1)]);
      }
      const Pixel colour = average_output(sums, int64_t{n} * n);
      const int y_end = std::min(by + n, r.bottom()), x_end = std::min(bx + n, r.right());
      for (int y = by; y < y_end; ++y) std::fill(a.dst.row(y) + bx, a.dst.row(y) + x_end, colour);
    }
    progress_step(a.progress);
  }
  return true;
}

}  // namespace qm::filters
