// Polar Coordinates: maps the rectangle between rectangular and polar form.
// The source is a full copy of the layer, so positions anywhere in the image
// can be read.
#include <algorithm>
#include <cmath>
#include <vector>

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

  // Polar to rectangular: the angle belongs to the column.
  std::vector<double> cos_of(to_rect ? size_t(r.w) : 0), sin_of(cos_of.size());
  for (size_t i = 0; i < cos_of.size(); ++i) {
    const double angle = (w - double(i) - 1) / span * kTwoPi - kHalfPi;
    cos_of[i] = std::cos(angle);
    sin_of[i] = std::sin(angle);
  }
  // Rectangular to polar with an even width: columns i and W − i lie at
  // a = ∓(i − cx), and atan2 is odd in its first argument, so one call
  // serves both.
  std::vector<double> atan_row(to_rect ? 0 : size_t(r.w));
  const bool mirrored = !to_rect && r.w % 2 == 0;

  progress_range(a.progress, r.h);
  for (int j = 0; j < r.h; ++j) {
    Pixel* out = a.dst.row(r.y + j);
    if (!to_rect) {
      const double pb = cy - (h - j - 1);
      const int half = r.w / 2;
      for (int i = 0; i < r.w; ++i) {
        if (mirrored && i > half) {
          atan_row[size_t(i)] = -atan_row[size_t(r.w - i)];
        } else {
          atan_row[size_t(i)] = std::atan2(i - cx, pb);
        }
      }
    }
    for (int i = 0; i < r.w; ++i) {
      double sx, sy;
      if (to_rect) {
        const double radius = j / 2.0;
        sx = cx + radius * cos_of[size_t(i)];
        sy = cy + radius * sin_of[size_t(i)];
      } else {
        const double pa = i - cx, pb = cy - (h - j - 1);
        sy = 2 * std::sqrt(pa * pa + pb * pb);
        sx = (atan_row[size_t(i)] + kPi) * (w - 1) * kInvTwoPi;
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
      // Inside the image now: the sample without its edge handling.
      out[x] = bilinear_alpha_at(src, int(fx >> 8), int(fy >> 8), unsigned(fx & 255), unsigned(fy & 255));
    }
    progress_step(a.progress);
  }
  return true;
}

}  // namespace qm::filters
