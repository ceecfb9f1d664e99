// Radial Shift: every one-degree ray around the centre is pulled toward it by
// its own random amount.
#include <cmath>

#include "filters/distort_filters.h"
#include "filters/filter_helpers.h"
#include "paint/random.h"

namespace qm::filters {

bool radial_shift(const FilterArgs& a) {
  const int cx = a.values.numeric[0], cy = a.values.numeric[1];
  const unsigned n = unsigned(std::max(1, a.values.numeric[2]));
  int offset[361];
  std::mt19937& rng = shared_random();
  for (int& t : offset) t = int(rng() % n);

  const LayerImage& src = a.src;
  const Pixel centre = (cx >= 0 && cy >= 0 && cx < src.width() && cy < src.height()) ? src.row(cy)[cx]
                                                                                      : kOpaqueWhite;
  constexpr double kPi = 3.141592653589793, kPerRadian = 57.29577951308232;
  const Rect r = a.rect;
  progress_range(a.progress, r.h);
  for (int y = r.y; y < r.bottom(); ++y) {
    Pixel* out = a.dst.row(y);
    const double dy = double(int64_t{y} - cy);
    for (int x = r.x; x < r.right(); ++x) {
      const double dx = double(int64_t{x} - cx);
      const double rho = std::sqrt(dx * dx + dy * dy);
      const double theta = std::atan2(dy, dx);
      const int o = offset[int((theta + kPi) * kPerRadian)];
      if (rho < o) {
        out[x] = centre;
        continue;
      }
      const double len = rho - o;
      Pixel p = kTransparent;
      bilinear_alpha_sample(src, int64_t((len * std::cos(theta) + cx) * 256),
                            int64_t((len * std::sin(theta) + cy) * 256), SampleEdge::kClamp, &p);
      out[x] = p;
    }
    progress_step(a.progress);
  }
  return true;
}

}  // namespace qm::filters
