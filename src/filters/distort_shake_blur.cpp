// Shake Blur: the average of the four diagonal neighbours at distance a; the
// pixel itself does not count.
#include "filters/distort_common.h"
#include "filters/distort_filters.h"
#include "filters/filter_helpers.h"

namespace qm::filters {

bool shake_blur(const FilterArgs& a) {
  const int d = std::clamp(a.values.numeric[0], -(1 << 20), 1 << 20);
  const LayerImage& src = a.src;
  const Rect r = a.rect;
  progress_range(a.progress, r.h);
  for (int y = r.y; y < r.bottom(); ++y) {
    const Pixel* up = src.row(std::clamp(y - d, 0, src.height() - 1));
    const Pixel* down = src.row(std::clamp(y + d, 0, src.height() - 1));
    Pixel* out = a.dst.row(y);
    for (int x = r.x; x < r.right(); ++x) {
      const int left = std::clamp(x - d, 0, src.width() - 1), right = std::clamp(x + d, 0, src.width() - 1);
      AlphaSums sums;
      sums.add(up[left]);
      sums.add(down[left]);
      sums.add(up[right]);
      sums.add(down[right]);
      out[x] = average_output(sums, 4);
    }
    progress_step(a.progress);
  }
  return true;
}

}  // namespace qm::filters
