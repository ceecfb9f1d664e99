// Diffuse: every pixel is replaced by a random source pixel within the range.
#include "filters/distort_common.h"
#include "filters/distort_filters.h"
#include "paint/random.h"

namespace qm::filters {

bool diffuse(const FilterArgs& a) {
  const int range = std::clamp(a.values.numeric[0], 1, 1 << 20);
  const unsigned ur = unsigned(range);
  std::mt19937& rng = shared_random();
  const Rect r = a.rect;
  progress_range(a.progress, r.h);
  for (int y = r.y; y < r.bottom(); ++y) {
    Pixel* out = a.dst.row(y);
    for (int x = r.x; x < r.right(); ++x) {
      const int sx = x + int(rng() % ur) - range / 2;
      const int sy = y + int(rng() % ur) - range / 2;
      out[x] = clamped_pixel(a.src, sx, sy);
    }
    progress_step(a.progress);
  }
  return true;
}

}  // namespace qm::filters
