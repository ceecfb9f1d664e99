// Polar Coordinates: maps the rectangle between rectangular and polar form.
// The source is a full copy of the layer, so positions anywhere in the image
// can be read.
#include <algorithm>
#include <cmath>

#include "filters/distort_filters.h"
#include "filters/filter_helpers.h"

namespace qm::filters {

bool polar_coordinates(const FilterArgs& a) {
  const bool to_rect = a.values.list[0] == 1;  // "極座標→直交座標"
  const int background = a.values.list[1];     // 0 transparent, 1 edge colour, 2 unchanged
  const Rect r = a.rect;
  const LayerImage& src = a.src;
  const double w = r.w, h = r.h, cx = w / 2, cy = h / 2;
  // A one-pixel-wide rectangle would divide by zero.
  const double span = std::max(r.w - 1, 1);
  constexpr double kTwoPi = 6.283185307179586, kHalfPi = 1.5707963267948966;
  constexpr double kPi = 3.141592653589793, kInvTwoPi = 0.15915494309189535;

  progress_range(a.progress, r.h);
  for (int j = 0; j < r.h; ++j) {
    Pixel* out = a.dst.row(r.y + j);
    for (int i = 0; i < r.w; ++i) {
      double sx, sy;
      if (to_rect) {
        const double angle = (w - i - 1) / span * kTwoPi - kHalfPi;
        const double radius = j / 2.0;
        sx = cx + radius * std::cos(angle);
        sy = cy + radius * std::sin(angle);
      } else {
        const double pa = i - cx, pb = cy - (h - j - 1);
        sy = 2 * std::sqrt(pa * pa + pb * pb);
        sx = (std::atan2(pa, pb) + kPi) * (w - 1) * kInvTwoPi;
      }
      int64_t fx = int64_t((r.x + sx) * 256), fy = int64_t((r.y + sy) * 256);
      const int64_t ix = fx >> 8, iy = fy >> 8;
      const int x = r.x + i;
      if (ix < 0 || iy < 0 || ix >= src.width() || iy >= src.height()) {
        if (background == 0) {
          out[x] = kTransparent;
          continue;
        }
        if (background == 2) {
          // Unchanged: the layer's own pixel (the source is its copy).
          out[x] = src.row(r.y + j)[x];
          continue;
        }
        fx = std::clamp<int64_t>(ix, 0, src.width() - 1) * 256 + (fx & 255);
        fy = std::clamp<int64_t>(iy, 0, src.height() - 1) * 256 + (fy & 255);
      }
      Pixel p = kTransparent;
      bilinear_alpha_sample(src, fx, fy, SampleEdge::kNone, &p);
      out[x] = p;
    }
    progress_step(a.progress);
  }
  return true;
}

}  // namespace qm::filters
