// Radial Shift: every one-degree ray around the centre is pulled toward it by
// its own random amount.
#include <cmath>

#include "filters/distort_filters.h"
#include "filters/filter_helpers.h"
#include "paint/random.h"

namespace qm::filters {
namespace {

// (By conversion: the library's rounding is a call.)
inline bool near_whole(double v) {
  const double f = v - double(int64_t(v));  // −1 < f < 1
  return std::fabs(f) < 1e-6 || std::fabs(f) > 1 - 1e-6;
}

}  // namespace

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
  const int64_t src_w = int64_t{src.width()} << 8, src_h = int64_t{src.height()} << 8;
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
      // cos θ and sin θ are dx / ρ and dy / ρ to within a few units in the
      // last place; the positions from those truncate to the same fixed
      // point unless they lie within a hair of a whole unit, where the
      // library's cosine and sine are used.
      double px = 0, py = 0;
      bool exact = rho == 0;
      if (!exact) {
        const double inv = 1 / rho;
        px = (len * (dx * inv) + cx) * 256;
        py = (len * (dy * inv) + cy) * 256;
        exact = near_whole(px) || near_whole(py);
      }
      if (exact) {
        px = (len * std::cos(theta) + cx) * 256;
        py = (len * std::sin(theta) + cy) * 256;
      }
      const int64_t fx = int64_t(px), fy = int64_t(py);
      if (fx >= 0 && fy >= 0 && fx < src_w && fy < src_h) {
        out[x] = bilinear_alpha_at(src, int(fx >> 8), int(fy >> 8), unsigned(fx & 255), unsigned(fy & 255));
      } else {
        Pixel p = kTransparent;
        bilinear_alpha_sample(src, fx, fy, SampleEdge::kClamp, &p);
        out[x] = p;
      }
    }
    progress_step(a.progress);
  }
  return true;
}

}  // namespace qm::filters
