// Rotating a block of a layer by an arbitrary angle, and the rectangle the
// rotated block covers.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/resample.h"
#include "core/resample_internal.h"

namespace qm {
namespace {

// Cubic Lagrange weight of a tap at distance d ≥ 0 from the sample point.
double lagrange_weight(double d) {
  if (d < 1) return (d - 1) * (d - 2) * (d + 1) / 2;
  return -(d - 1) * (d - 2) * (d - 3) / 6;
}

// 4 × 4 interpolation around (u, v) in s; (i, j) = (u, v) truncated. Taps off
// the block are left out (their weight is not redistributed). Sums run over
// the rows j − 1 … j + 2, and within each row over the columns i − 1 … i + 2.
Pixel smooth_sample(const LayerImage& s, double u, double v, int i, int j) {
  double wx[4], wy[4];
  for (int k = 0; k < 4; ++k) {
    wx[k] = lagrange_weight(std::fabs(u - (i - 1 + k)));
    wy[k] = lagrange_weight(std::fabs(v - (j - 1 + k)));
  }
  double sa = 0, sb = 0, sg = 0, sr = 0;
  for (int ky = 0; ky < 4; ++ky) {
    const int row = j - 1 + ky;
    if (row < 0 || row >= s.height()) continue;
    const Pixel* in = s.row(row);
    for (int kx = 0; kx < 4; ++kx) {
      const int col = i - 1 + kx;
      if (col < 0 || col >= s.width()) continue;
      const Pixel p = in[col];
      const double weight = wx[kx] * wy[ky];
      const double a = alpha_of(p);
      sa += weight * a;
      sb += weight * blue_of(p) * a;
      sg += weight * green_of(p) * a;
      sr += weight * red_of(p) * a;
    }
  }
  return detail::weighted_pixel(sa, sb, sg, sr);
}

}  // namespace

bool rotate_area(LayerImage& layer, int x, int y, int w, int h, double angle, bool smooth,
                 Rect target) {
  if (angle == 0) return true;
  if (layer.empty() || w <= 0 || h <= 0 || !std::isfinite(angle)) return false;
  LayerImage s;
  if (!s.create(w, h)) return false;
  s.fill(kTransparent);
  s.blit_from(0, 0, w, h, layer, x, y);

  const Rect t = intersect(target, layer.bounds());
  if (t.empty()) return true;
  layer.fill_rect(t.x, t.y, t.w, t.h, kTransparent);

  // Each target pixel looks up its source: the block turned back by −angle.
  const int half_w = w / 2, half_h = h / 2;
  const int64_t cx = int64_t{x} + half_w, cy = int64_t{y} + half_h;
  const double theta = -angle * std::numbers::pi / 180;
  const double c = std::cos(theta), sn = std::sin(theta);
  for (int py = t.y; py < t.bottom(); ++py) {
    Pixel* out = layer.row(py);
    const double dy = double(py - cy);
    for (int px = t.x; px < t.right(); ++px) {
      const double dx = double(px - cx);
      const double u = half_w + dx * c - dy * sn;
      const double v = half_h + dx * sn + dy * c;
      // Truncation toward zero: positions just left of or above the block
      // (−1 < u < 0) still read column or row 0.
      if (!(u > -1 && v > -1 && u < w && v < h)) continue;
      const int i = int(u), j = int(v);
      out[px] = smooth ? smooth_sample(s, u, v, i, j) : s.row(j)[i];
    }
  }
  return true;
}

Rect rotated_bounds(int x, int y, int w, int h, double angle) {
  const int64_t cx = int64_t{x} + w / 2, cy = int64_t{y} + h / 2;
  const double rad = angle * std::numbers::pi / 180;
  const double c = std::cos(rad), s = std::sin(rad);
  const int64_t xs[2] = {x, int64_t{x} + w - 1}, ys[2] = {y, int64_t{y} + h - 1};
  int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
  for (int64_t py : ys)
    for (int64_t px : xs) {
      const double dx = double(px - cx), dy = double(py - cy);
      const int64_t rx = cx + int64_t(std::trunc(dx * c - dy * s));
      const int64_t ry = cy + int64_t(std::trunc(dy * c + dx * s));
      left = std::min(left, rx);
      right = std::max(right, rx);
      top = std::min(top, ry);
      bottom = std::max(bottom, ry);
    }
  return {int(left), int(top), int(right - left + 1), int(bottom - top + 1)};
}

}  // namespace qm
